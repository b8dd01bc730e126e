// Pattern formatting: rounding on the visible decimal digits, halves away from zero.
#include "common/number_format.hpp"

#include <gtest/gtest.h>

#include "common/failure.hpp"

namespace kx {
namespace {

struct FormatCase {
  double number;
  const char* pattern;
  const char* expected;
};

TEST(FormatNumber, RoundsHalvesAwayFromZeroOnTheDecimalDigits) {
  const FormatCase cases[] = {
      {0.0, "0.0000", "0.0000"},
      {1.23456, "0.0000", "1.2346"},
      {2.675, "0.00%", "267.50%"},
      {2.675, "0.0", "2.7"},
      {0.125, "0.0%", "12.5%"},
      {0.00125, "0.0%", "0.1%"},
      {0.0, "0.0%", "0.0%"},
      {1.005, "0.0000", "1.0050"},
      {0.05, "0.0", "0.1"},  // binary 0.05 lies below the half, the user sees a half
      {0.15, "0.0", "0.2"},
      {0.25, "0.0", "0.3"},
      {-0.25, "0.0", "-0.3"},
      {2.5, "0", "3"},
      {-2.5, "0", "-3"},
      {0.5, "0", "1"},
      {0.4999, "0", "0"},
      {-0.04, "0.0", "0.0"},  // no sign on a value shown as zero
      {9.99996, "0.0000", "10.0000"},
      {99.95, "0.0", "100.0"},
      {123456789.0, "0", "123456789"},
      {1e20, "0", "100000000000000000000"},
      {0.123456, "0.0000%", "12.3456%"},
      {1.0 / 3.0, "0.00%", "33.33%"},
      {1e-20, "0.0000", "0.0000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " of " + std::to_string(c.number));
    EXPECT_EQ(format_number(c.number, c.pattern), c.expected);
  }
}

TEST(FormatNumber, UsesTheUsersDecimalSeparator) {
  EXPECT_EQ(format_number(1.25, "0.0000", ','), "1,2500");
  EXPECT_EQ(format_number(0.5, "0.0%", ','), "50,0%");
}

TEST(FormatNumber, RejectsOtherPatterns) {
  for (const char* pattern : {"", "#,##0", "0.", "00", "0.0x", "%"}) {
    SCOPED_TRACE(pattern);
    EXPECT_THROW(format_number(1.0, pattern), Failure);
  }
}

}  // namespace
}  // namespace kx
