// Arithmetic worksheet functions: logarithms against 40-digit references, rounding and
// factorials on exact cases, and the worksheet errors of each.
#include <gtest/gtest.h>

#include <numbers>

#include "tests/host/worksheet_test_support.hpp"

namespace host {
namespace {

using kx::Value;
using kx::WorksheetFn;
using testing::call;
using testing::error_of;

TEST(WorksheetArithmetic, LogarithmsMatchTheReference) {
  // A correctly rounded logarithm, or a quotient of two, is within a few ulp.
  constexpr double kTolerance = 1e-15;
  for (const auto& c : testing::reference_cases("logarithms")) {
    SCOPED_TRACE(c.label);
    testing::expect_matrix_near(call(c.fn, c.arguments), c.expected, kTolerance);
  }
}

struct ArithmeticCase {
  const char* label;
  WorksheetFn fn;
  std::vector<Value> arguments;
  double expected;
};

TEST(WorksheetArithmetic, RoundsOnTheDigitsTheUserSees) {
  using enum WorksheetFn;
  // Each result is the double nearest to the decimal written here.
  const ArithmeticCase cases[] = {
      {"half up", Round, {2.5, 0}, 3},
      {"half away from zero below 0", Round, {-2.5, 0}, -3},
      {"2.675 shows its 5", Round, {2.675, 2}, 2.68},
      {"1.005 shows its 5", Round, {1.005, 2}, 1.01},
      {"halves are not taken to even", Round, {25.0, -1}, 30},
      {"to hundreds", Round, {1234.5678, -2}, 1200},
      {"to hundreds below 0", Round, {-1250.0, -2}, -1300},
      {"0.5 to 1", Round, {0.5, 0}, 1},
      {"0.05 to 0", Round, {0.05, 0}, 0},
      {"digits are truncated", Round, {2.567, 1.9}, 2.6},
      {"more digits than shown leave the number", Round, {1.0 / 3.0, 20}, 1.0 / 3.0},
      {"large numbers keep their value", Round, {1e300, 2}, 1e300},
      {"rounding far left gives 0", Round, {123.0, -5}, 0},
      {"round up", RoundUp, {3.2, 0}, 4},
      {"round up below 0 goes away from zero", RoundUp, {-3.2, 0}, -4},
      {"round up to thousandths", RoundUp, {3.14159, 3}, 3.142},
      {"round up to hundreds", RoundUp, {31415.92654, -2}, 31500},
      {"round up a whole number", RoundUp, {5.0, 0}, 5},
      {"0.1 + 0.2 shows 0.3", RoundUp, {0.1 + 0.2, 1}, 0.3},
      {"round up a tiny number", RoundUp, {0.0001, 2}, 0.01},
      {"round down", RoundDown, {3.7, 0}, 3},
      {"round down below 0 goes toward zero", RoundDown, {-3.7, 0}, -3},
      {"round down to thousandths", RoundDown, {3.14159, 3}, 3.141},
      {"round down to nothing", RoundDown, {-0.001, 2}, 0},
      {"a number shown as 3 rounds down to 3", RoundDown, {2.9999999999999996, 0}, 3},
      {"floor to a whole step", Floor, {2.5, 1}, 2},
      {"floor to tenths", Floor, {1.58, 0.1}, 1.5},
      {"0.3 is a multiple of 0.1", Floor, {0.3, 0.1}, 0.3},
      {"floor to hundredths", Floor, {0.234, 0.01}, 0.23},
      {"floor to a step of 2.5", Floor, {7.0, 2.5}, 5},
      {"both negative go toward zero", Floor, {-2.5, -2}, -2},
      {"both negative, a multiple", Floor, {-7.0, -2}, -6},
      {"a negative number with a positive step goes away from zero", Floor, {-5.0, 2}, -6},
      {"floor of 0", Floor, {0.0, 5}, 0},
      {"factorial", Fact, {5.0}, 120},
      {"factorial truncates", Fact, {5.9}, 120},
      {"factorial of 0", Fact, {0.0}, 1},
      {"pi", Pi, {}, std::numbers::pi},
      {"log in base 10 by default", Log, {1000.0}, 3},
      {"exact power of 2", Log, {8.0, 2}, 3},
      {"omitted base is 10", Log, {100.0, Value::missing()}, 2},
      {"ln of 1", Ln, {1.0}, 0},
      {"gamma ln of 1", GammaLn, {1.0}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call(c.fn, c.arguments);
    ASSERT_TRUE(result.is_number());
    EXPECT_EQ(result.number(), c.expected);
  }
}

TEST(WorksheetArithmetic, RoundingNeverGivesNegativeZero) {
  const Value result = call(WorksheetFn::RoundDown, {-0.001, 2});
  EXPECT_FALSE(std::signbit(result.number()));
}

struct ArithmeticErrorCase {
  const char* label;
  WorksheetFn fn;
  std::vector<Value> arguments;
  std::int32_t expected;
};

TEST(WorksheetArithmetic, ReportTheWorksheetError) {
  using enum WorksheetFn;
  const ArithmeticErrorCase cases[] = {
      {"ln of 0", Ln, {0.0}, kx::error::kXlNum},
      {"ln below 0", Ln, {-1.0}, kx::error::kXlNum},
      {"ln of an empty value is ln 0", Ln, {Value()}, kx::error::kXlNum},
      {"log below 0", Log, {-1.0, 10}, kx::error::kXlNum},
      {"log in base 0", Log, {5.0, 0}, kx::error::kXlNum},
      {"log in base 1", Log, {5.0, 1}, kx::error::kXlDiv0},
      {"floor with step 0", Floor, {5.0, 0}, kx::error::kXlDiv0},
      {"floor of a positive number with a negative step", Floor, {5.0, -1}, kx::error::kXlNum},
      {"floor too many steps away", Floor, {1e300, 1e-300}, kx::error::kXlNum},
      {"factorial below 0", Fact, {-1.0}, kx::error::kXlNum},
      {"factorial beyond the largest double", Fact, {171.0}, kx::error::kXlNum},
      {"gamma ln of 0", GammaLn, {0.0}, kx::error::kXlNum},
      {"round up beyond the largest double", RoundUp, {1.5e308, -308}, kx::error::kXlNum},
      {"text digits", Round, {2.5, "two"}, kx::error::kXlValue},
      {"text number", Round, {"2,5", 0}, kx::error::kXlValue},
      {"pi takes no argument", Pi, {1.0}, kx::error::kXlValue},
      {"round needs its digits", Round, {2.5}, kx::error::kXlValue},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(error_of(c.fn, c.arguments), c.expected);
  }
}

TEST(WorksheetArithmetic, FunctionsOfOneNumberTakeARangeCellByCell) {
  const Value result = call(WorksheetFn::Fact, {testing::range_of({{3.0}, {"x"}, {Value()}})});
  ASSERT_TRUE(result.is_array());
  ASSERT_EQ(result.array().rows(), 3u);
  EXPECT_EQ(result.array().at(0, 0), Value(6.0));
  EXPECT_EQ(result.array().at(1, 0), Value(kx::ErrorValue{kx::error::kXlValue}));
  EXPECT_EQ(result.array().at(2, 0), Value(1.0));  // an empty cell is 0, and 0! = 1
}

}  // namespace
}  // namespace host
