#include "common/text_compare.hpp"

#include <algorithm>

#include "common/letter_case.hpp"

namespace kx {
namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
}  // namespace

bool equals_ignore_case(std::string_view a, std::string_view b) {
  // Letters beyond ASCII (É, Ж) compare by their lower case, which may take other bytes.
  if (!is_ascii(a) || !is_ascii(b)) return to_lower_case(a) == to_lower_case(b);
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::string to_lower_ascii(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), lower);
  return result;
}

std::string to_upper_ascii(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(), upper);
  return result;
}

}  // namespace kx
