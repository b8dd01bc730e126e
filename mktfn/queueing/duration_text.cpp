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
  // A duration before now reads as the same text after a minus sign.
  if (hours < 0) return "-" + duration_text(-hours);
  // Rounded to whole seconds once, then split: splitting first loses a second to the
  // binary fractions of an hour (one hour would read 59:59).
  const double total = kx::round_half_even(3600 * hours);
  const double days = std::floor(total / 86400);
  const double rest = total - 86400 * days;
  const double whole_hours = std::floor(rest / 3600);
  const double minutes = std::floor((rest - 3600 * whole_hours) / 60);
  const double seconds = rest - 3600 * whole_hours - 60 * minutes;

  const std::string hh = field(whole_hours);
  const std::string mm = field(minutes);
  const std::string ss = field(seconds);
  if (days != 0) return kx::format_general(days) + ":" + hh + ":" + mm + ":" + ss;
  if (hh != "00") return hh + ":" + mm + ":" + ss;
  return mm + ":" + ss;
}

// Untrapped: a Number that is no number fails the call with type mismatch.
kx::Value Main::kxDHMS(kx::Value& Number) { return duration_text(kx::to_double(Number)); }

}  // namespace mktfn
