#include "host/files/number_text.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "common/conversions.hpp"

namespace host {

std::optional<double> file_number(std::string_view text) {
  double value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status == std::errc() && end == text.data() + text.size()) {
    if (std::isfinite(value)) return value;
    return std::nullopt;  // "inf", "nan"
  }
  if (const auto number = kx::parse_number(text)) return number;  // blanks, a "+", underflow
  // Past the largest double: only by the rounding of its last printed digit.
  const std::string plain(text);
  char* stop = nullptr;
  const long double wide = std::strtold(plain.c_str(), &stop);
  if (stop == plain.c_str() || !std::isfinite(wide)) return std::nullopt;
  while (*stop == ' ' || *stop == '\t') ++stop;
  if (*stop != '\0') return std::nullopt;
  constexpr long double kLargest = std::numeric_limits<double>::max();
  constexpr long double kRoundedUp = 1.7976931348623160e308L;  // the largest double to 16 digits
  if (std::fabs(wide) > kLargest && std::fabs(wide) <= kRoundedUp) {
    return std::copysign(std::numeric_limits<double>::max(), static_cast<double>(wide > 0 ? 1.0 : -1.0));
  }
  return std::nullopt;
}

}  // namespace host
