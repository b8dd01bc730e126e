// The model markers, which a model author writes into cell formulas for the add-in to find,
// and utRoundDLL. All untrapped: a failure leaves the call as it is.
#include <cmath>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {

// The markers compute nothing and do not mark their cell volatile: their meaning lies in the
// formula text, and their cell shows nothing.
kx::Value Main::kxOUTPUT() { return kx::Value(); }

kx::Value Main::kxLOCK() { return kx::Value(); }

kx::Value Main::kxNAME(kx::Value& /*CellName*/, std::int16_t& /*ItemNum*/) { return kx::Value(); }

// Rounds to numDigits decimals (negative: tens, hundreds, ...) with halves to the even
// neighbour, through a 32-bit whole number: a product beyond that range overflows.
double Main::utRoundDLL(kx::Value& Value, std::int16_t& numDigits) {
  const double factor = kx::checked::pow(10.0, numDigits);
  const double scaled = kx::checked::mul(kx::to_double(Value), factor);
  const std::int32_t whole = kx::to_int32(scaled);
  return kx::checked::div(whole, factor);
}

}  // namespace riskfn
