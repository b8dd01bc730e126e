// The order of texts: without case, accents telling apart only texts otherwise equal.
#include "common/text_order.hpp"

#include <gtest/gtest.h>

#include <compare>
#include <string>
#include <vector>

namespace kx {
namespace {

TEST(CompareTexts, OrdersWithoutCaseAndPutsAccentsAfterTheirLetter) {
  struct Case {
    const char* a;
    const char* b;
    std::weak_ordering expected;
  };
  const Case cases[] = {
      {"Abc", "aBC", std::weak_ordering::equivalent},
      {"ab", "abc", std::weak_ordering::less},
      {"", "a", std::weak_ordering::less},
      {"", "\xC3\xA9", std::weak_ordering::less},                 // "" < é
      {"Zebra", "apple", std::weak_ordering::greater},
      {"a~", "ab", std::weak_ordering::greater},                   // by code, not alphabet
      {"e", "\xC3\xA9", std::weak_ordering::less},                 // e < é
      {"\xC3\xA9", "f", std::weak_ordering::less},                 // é < f
      {"ea", "\xC3\xA9" "b", std::weak_ordering::less},            // the letters first: ea < éb
      {"\xC3\x89" "A", "\xC3\xA9" "a", std::weak_ordering::equivalent},  // ÉA = éa
      {"x", "\xC3\x89", std::weak_ordering::greater},              // x > É
      {"ab", "a\xCC\x81" "c", std::weak_ordering::less},           // a combining accent is no letter
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " | " + c.b);
    EXPECT_EQ(compare_texts(c.a, c.b), c.expected);
    const std::weak_ordering reversed = c.expected == 0 ? c.expected
                                        : c.expected < 0 ? std::weak_ordering::greater
                                                         : std::weak_ordering::less;
    EXPECT_EQ(compare_texts(c.b, c.a), reversed);
  }
}

TEST(CompareTexts, IsAnOrderOverMixedTexts) {
  // Texts decided by their first ASCII difference and texts that need the accent keys, mixed:
  // sorting relies on the two ways agreeing.
  const std::vector<std::string> texts = {"",     "a",   "A~",  "ab",  "aB",           "abc",    "b",
                                          "\xC3\xA9", "e",   "E!",  "\xC3\xA9" "b", "eb",     "\xC3\x89" "a",
                                          "f",    "~",   "1",   "\xCE\xA3" "A",        "\xCE\xA3~", "\xC3\xA9\xC3\xA9"};
  for (const std::string& x : texts) {
    for (const std::string& y : texts) {
      const std::weak_ordering xy = compare_texts(x, y);
      ASSERT_EQ(xy == 0, compare_texts(y, x) == 0) << x << " | " << y;
      ASSERT_EQ(xy < 0, compare_texts(y, x) > 0) << x << " | " << y;
      for (const std::string& z : texts) {
        if (xy <= 0 && compare_texts(y, z) <= 0) {
          ASSERT_TRUE(compare_texts(x, z) <= 0) << x << " | " << y << " | " << z;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kx
