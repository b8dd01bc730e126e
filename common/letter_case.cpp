// Case mapping code point by code point: decode UTF-8, map through the C.UTF-8 locale's
// tables, encode again. Texts of ASCII alone, most of them, take the short way.
#include "common/letter_case.hpp"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "common/text_compare.hpp"

namespace kx {
namespace {

// The UTF-8 locale whose tables map the letters; null where the system has none, and then
// only ASCII letters change case.
locale_t utf8_locale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

// The code point at text[i], advancing i past it; a malformed byte stands for itself.
std::uint32_t next_code_point(std::string_view text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned lead = byte(i);
  std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (i + length > text.size()) length = 1;
  std::uint32_t point = length == 1 ? lead : lead & (0xFF >> (length + 1));
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      length = 1;
      point = lead;
      break;
    }
    point = (point << 6) | (byte(i + k) & 0x3F);
  }
  i += length;
  return point;
}

void append_utf8(std::string& out, std::uint32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

enum class Mapping { kUpper, kLower, kProper };

constexpr std::uint32_t kCapitalSigma = 0x3A3;
constexpr std::uint32_t kFinalSigma = 0x3C2;

// A capital sigma lowered at the end of a word is the final sigma: ΣΑΣ is σας.
bool final_sigma(std::string_view text, std::size_t next, std::uint32_t point, bool word_start, bool up) {
  if (point != kCapitalSigma || up || word_start) return false;
  if (next >= text.size()) return true;
  const std::uint32_t following = next_code_point(text, next);
  return iswalpha_l(static_cast<wint_t>(following), utf8_locale()) == 0;
}

std::string mapped(std::string_view text, Mapping mapping) {
  const locale_t locale = utf8_locale();
  if (locale == nullptr || (mapping != Mapping::kProper && is_ascii(text))) {
    if (mapping == Mapping::kUpper) return to_upper_ascii(text);
    if (mapping == Mapping::kLower) return to_lower_ascii(text);
  }
  std::string out;
  out.reserve(text.size());
  bool word_start = true;
  for (std::size_t i = 0; i < text.size();) {
    const std::uint32_t point = next_code_point(text, i);
    if (locale == nullptr && point >= 0x80) {
      append_utf8(out, point);
      word_start = false;
      continue;
    }
    const auto wide = static_cast<wint_t>(point);
    const bool letter = locale != nullptr ? iswalpha_l(wide, locale) != 0 : std::isalpha(static_cast<int>(point)) != 0;
    bool up = mapping == Mapping::kUpper || (mapping == Mapping::kProper && word_start);
    const wint_t result = locale != nullptr
                              ? (up ? towupper_l(wide, locale) : towlower_l(wide, locale))
                              : (up ? std::toupper(static_cast<int>(point)) : std::tolower(static_cast<int>(point)));
    append_utf8(out, final_sigma(text, i, point, word_start, up) ? kFinalSigma : static_cast<std::uint32_t>(result));
    word_start = !letter;
  }
  return out;
}

}  // namespace

bool is_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string to_upper_case(std::string_view text) { return mapped(text, Mapping::kUpper); }
std::string to_lower_case(std::string_view text) { return mapped(text, Mapping::kLower); }
std::string to_proper_case(std::string_view text) { return mapped(text, Mapping::kProper); }

}  // namespace kx
