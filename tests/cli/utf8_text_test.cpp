// Which bytes start a well-formed UTF-8 character, against the table of well-formed byte
// sequences in the Unicode standard (chapter 3, table 3-7).
#include "cli/utf8_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace cli {
namespace {

TEST(Utf8Text, InvalidBytesAreReplacedAndValidCharactersKept) {
  struct Case {
    const char* name;
    std::string text;
    std::string valid;
  };
  const std::string kReplacement = "\xef\xbf\xbd";
  const Case cases[] = {
      {"ASCII and controls", "a\x1b[0m\t", "a\x1b[0m\t"},
      {"two, three and four bytes", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"},
      {"Latin-1 byte", "caf\xe9!", "caf" + kReplacement + "!"},
      {"stray continuation", "\x80x", kReplacement + "x"},
      {"overlong two bytes", "\xc0\xaf", kReplacement + kReplacement},
      {"overlong three bytes", "\xe0\x80\xaf", kReplacement + kReplacement + kReplacement},
      {"surrogate", "\xed\xa0\x80", kReplacement + kReplacement + kReplacement},
      {"past U+10FFFF", "\xf4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},
      {"largest code point", "\xf4\x8f\xbf\xbf", "\xf4\x8f\xbf\xbf"},
      {"cut short at the end", "ab\xe2\x82", "ab" + kReplacement + kReplacement},
      {"0xff", "\xff", kReplacement},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(valid_utf8(c.text), c.valid);
  }
}

}  // namespace
}  // namespace cli
