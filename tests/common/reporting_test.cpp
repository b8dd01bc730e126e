// The three reporting modes and checked arithmetic.
#include "common/reporting.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "common/checked_math.hpp"

namespace kx {
namespace {

std::int32_t failure_number(const std::function<void()>& body) {
  try {
    body();
  } catch (const Failure& failure) {
    return failure.number();
  }
  return -1;
}

TEST(CheckedMath, RaisesInsteadOfInfinityOrNaN) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"x/0", [] { checked::div(1.0, 0.0); }},
      {"0/0", [] { checked::div(0.0, 0.0); }},
      {"overflowing product", [] { checked::mul(1e200, 1e200); }},
      {"overflowing exp", [] { checked::exp(1000.0); }},
      {"log of 0", [] { checked::log(0.0); }},
      {"log of negative", [] { checked::log(-1.0); }},
      {"sqrt of negative", [] { checked::sqrt(-1e-300); }},
      {"negative base, fractional power", [] { checked::pow(-8.0, 1.0 / 3.0); }},
      {"zero to a negative power", [] { checked::pow(0.0, -1.0); }},
      {"overflowing power", [] { checked::pow(10.0, 400.0); }},
      {"NaN", [] { checked::finite(std::nan("")); }},
  };
  const std::int32_t expected[] = {11, 6, 6, 6, 5, 5, 5, 5, 11, 6, 5};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].first);
    EXPECT_EQ(failure_number(cases[i].second), expected[i]);
  }
  EXPECT_EQ(checked::pow(-8.0, 3.0), -512.0);
  EXPECT_EQ(checked::div(1.0, 4.0), 0.25);
}

TEST(TrappedVariant, ReturnsTheFailureAsAnErrorValue) {
  EXPECT_EQ(trapped_variant([] { return 2.0; }), Value(2.0));
  EXPECT_EQ(trapped_variant([]() -> double { throw Failure(error::kOverflow); }), Value(ErrorValue{6}));
  EXPECT_EQ(trapped_variant([] { return checked::div(1.0, 0.0); }), Value(ErrorValue{11}));
  EXPECT_EQ(trapped_variant([] { return to_double("no number"); }), Value(ErrorValue{13}));
  // An error value that the body returns (a host function's) is the result as it is.
  EXPECT_EQ(trapped_variant([] { return Value(ErrorValue{1004}); }), Value(ErrorValue{1004}));
}

TEST(TrappedNumeric, EndsEveryFailureWithTypeMismatch) {
  EXPECT_EQ(trapped_numeric<double>([] { return 3.5; }), 3.5);
  EXPECT_EQ(trapped_numeric<std::int16_t>([] { return Value(2.5); }), 2);
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"division by zero", [] { trapped_numeric<double>([] { return checked::div(1.0, 0.0); }); }},
      {"overflow", [] { trapped_numeric<double>([]() -> double { throw Failure(error::kOverflow); }); }},
      {"error value result", [] { trapped_numeric<double>([] { return Value(ErrorValue{0}); }); }},
      {"text result", [] { trapped_numeric<double>([] { return Value("Not uniquely defined"); }); }},
      {"16-bit overflow", [] { trapped_numeric<std::int16_t>([] { return Value(1e6); }); }},
  };
  for (const auto& [label, body] : cases) {
    SCOPED_TRACE(label);
    EXPECT_EQ(failure_number(body), error::kTypeMismatch);
  }
}

}  // namespace
}  // namespace kx
