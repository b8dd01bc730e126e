#include "common/text_order.hpp"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <string>

#include "common/letter_case.hpp"
#include "common/text_compare.hpp"

namespace kx {
namespace {

// The text with its letters' accents taken off: decomposed, then without the marks.
std::string without_accents(std::string_view text) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* decomposition = icu::Normalizer2::getNFDInstance(status);
  if (U_FAILURE(status)) return std::string(text);
  const icu::UnicodeString decomposed = decomposition->normalize(
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size()))), status);
  if (U_FAILURE(status)) return std::string(text);
  icu::UnicodeString bare;
  for (std::int32_t i = 0; i < decomposed.length();) {
    const UChar32 point = decomposed.char32At(i);
    if (u_charType(point) != U_NON_SPACING_MARK) bare.append(point);
    i += U16_LENGTH(point);
  }
  std::string result;
  bare.toUTF8String(result);
  return result;
}

}  // namespace

std::weak_ordering compare_texts(std::string_view a, std::string_view b) {
  if (is_ascii(a) && is_ascii(b)) return to_lower_ascii(a) <=> to_lower_ascii(b);
  // Base letters first, then the accents: a lexicographic order on the two keys, so that it
  // agrees with the ASCII order above, where both keys are the text in lower case.
  const std::weak_ordering base = to_lower_case(without_accents(a)) <=> to_lower_case(without_accents(b));
  if (base != 0) return base;
  return to_lower_case(a) <=> to_lower_case(b);
}

}  // namespace kx
