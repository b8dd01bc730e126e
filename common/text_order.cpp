#include "common/text_order.hpp"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <array>
#include <string>

#include "common/letter_case.hpp"

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

// What a text is compared by: its letters without accents, then its letters with them, both
// in lower case.
struct Keys {
  std::string base;
  std::string accented;

  explicit Keys(std::string_view text = {}) : base(to_lower_case(without_accents(text))), accented(to_lower_case(text)) {}
  friend std::weak_ordering operator<=>(const Keys& a, const Keys& b) {
    if (const std::weak_ordering base = a.base <=> b.base; base != 0) return base;
    return a.accented <=> b.accented;
  }
};

// Texts up to this size keep their keys.
constexpr std::size_t kKeptTextBytes = 4096;

// The keys of the last few texts compared on this thread: an array compared with one text, or a
// sort, asks for the same text's keys over and over, and each costs a pass through ICU. The
// entry of `keep`, the other text's keys, stays where it is.
const Keys& kept_keys_of(std::string_view text, const Keys* keep = nullptr) {
  struct Kept {
    std::string text;
    Keys keys;  // the empty text's: a fresh entry is already right
  };
  thread_local std::array<Kept, 4> kept;
  thread_local std::size_t next = 0;
  for (const Kept& entry : kept) {
    if (entry.text == text) return entry.keys;
  }
  if (&kept[next].keys == keep) next = (next + 1) % kept.size();
  Kept& entry = kept[next];
  next = (next + 1) % kept.size();
  entry.text.assign(text);
  entry.keys = Keys(text);
  return entry.keys;
}

}  // namespace

std::weak_ordering compare_texts(std::string_view a, std::string_view b) {
  // Past a common start of ASCII characters (letters in either case), an ASCII character on each
  // side, or the end of one and an ASCII character on the other, decides: an ASCII character is
  // never an accent, nor lower-cased by what surrounds it. All-ASCII texts end here.
  const auto ascii_at = [](std::string_view text, std::size_t at) {
    return at < text.size() && static_cast<unsigned char>(text[at]) < 0x80;
  };
  const auto lower = [](char c) { return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  std::size_t same = 0;
  while (ascii_at(a, same) && ascii_at(b, same) && lower(a[same]) == lower(b[same])) ++same;
  const bool a_ends = same == a.size();
  const bool b_ends = same == b.size();
  if (a_ends && b_ends) return std::weak_ordering::equivalent;
  if (a_ends && ascii_at(b, same)) return std::weak_ordering::less;
  if (b_ends && ascii_at(a, same)) return std::weak_ordering::greater;
  if (ascii_at(a, same) && ascii_at(b, same)) return lower(a[same]) <=> lower(b[same]);
  // Base letters first, then the accents: a lexicographic order on the two keys, so that it
  // agrees with the ASCII order above, where both keys are the text in lower case.
  if (a.size() > kKeptTextBytes || b.size() > kKeptTextBytes) return Keys(a) <=> Keys(b);
  const Keys& first = kept_keys_of(a);
  return first <=> kept_keys_of(b, &first);
}

}  // namespace kx
