#include "mktfn/queueing/duration_text.hpp"

#include <cmath>

#include "common/conversions.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {
namespace {

// A field of the text: a single digit gets a leading zero (5 becomes 05).
std::string field(double whole) {
  std::string text = kx::format_general(whole);
  return text.size() == 1 ? "0" + text : text;
}

}  // namespace

std::string duration_text(double hours) {
  const double days = hours >= 24 ? std::floor(hours / 24) : 0.0;
  const double rest = hours - 24 * days;
  const double whole_hours = std::floor(rest);
  const double minutes = rest > whole_hours ? 60 * (rest - whole_hours) : rest - whole_hours;
  const double seconds = std::floor(3600 * (rest - whole_hours - std::floor(minutes) / 60));

  const std::string hh = field(whole_hours);
  const std::string mm = field(std::floor(minutes));
  const std::string ss = field(seconds);
  if (days != 0) return kx::format_general(days) + ":" + hh + ":" + mm + ":" + ss;
  if (hh != "00") return hh + ":" + mm + ":" + ss;
  return mm + ":" + ss;
}

// Untrapped: a Number that is no number fails the call with type mismatch.
kx::Value Main::kxDHMS(kx::Value& Number) { return duration_text(kx::to_double(Number)); }

}  // namespace mktfn
