// Worksheet functions whose family is not built yet. Each fails plainly, naming itself, so that
// a formula calling it shows why it has no result. A family's definitions move from here into
// its own file when it is built.
#include <string>

#include "common/failure.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {
namespace {

[[noreturn]] void not_available(const char* name) {
  throw kx::Failure(kx::error::kInvalidCall, std::string(name) + " is not available yet in this build of mktfn");
}

}  // namespace

// Queueing models and duration text (queueing/).
kx::Value Main::kxMD1(kx::Value&, kx::Value&, std::uint8_t&, bool&) { not_available("kxMD1"); }
kx::Value Main::kxMG1(kx::Value&, kx::Value&, kx::Value&, std::uint8_t&, bool&) { not_available("kxMG1"); }
kx::Value Main::kxMMS(std::int16_t&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&, bool&) {
  not_available("kxMMS");
}
kx::Value Main::kxMMSP(kx::Value&, kx::Value&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&, bool&) {
  not_available("kxMMSP");
}
kx::Value Main::doArr(kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&, kx::Value&) {
  not_available("doArr");
}
kx::Value Main::kxMMSQ(std::int16_t&, std::int16_t&, std::int16_t&, std::int16_t&, std::uint8_t&, bool&, kx::Value&,
                       bool&) {
  not_available("kxMMSQ");
}
kx::Value Main::kxDHMS(kx::Value&) { not_available("kxDHMS"); }

}  // namespace mktfn
