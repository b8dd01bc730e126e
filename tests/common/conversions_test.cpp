// Conversions of cell values to declared types, by the platform's rules.
#include "common/conversions.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kx {
namespace {

struct NumberCase {
  const char* label;
  Value input;
  double expected;
};

TEST(ToDouble, AcceptsNumbersBooleansNumericTextAndEmpty) {
  const NumberCase cases[] = {
      {"number", 2.5, 2.5},         {"true is -1", true, -1.0},     {"false is 0", false, 0.0},
      {"empty is 0", Value(), 0.0}, {"numeric text", "12.5", 12.5}, {"blanks around text", "  -3e2 ", -300.0},
      {"leading plus", "+7", 7.0},  {"leading point", ".5", 0.5},   {"tiny text underflows", "1e-400", 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(to_double(c.input), c.expected);
  }
}

TEST(ToDouble, RejectsWhatIsNoNumberWithTypeMismatch) {
  const std::pair<const char*, Value> cases[] = {
      {"word", "abc"},
      {"empty text", ""},
      {"trailing garbage", "12x"},
      {"huge text", "1e400"},
      {"infinity", "inf"},
      {"not a number", "nan"},
      {"error value", ErrorValue{7}},
      {"missing marker", Value::missing()},
      {"array", Array(2, 2)},
  };
  for (const auto& [label, input] : cases) {
    SCOPED_TRACE(label);
    try {
      to_double(input);
      FAIL() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), error::kTypeMismatch);
    }
  }
}

TEST(ToDouble, UsesTheDecimalSeparatorGiven) {
  EXPECT_EQ(to_double("1,25", ','), 1.25);
  EXPECT_THROW(to_double("1.25", ','), Failure);
}

struct IntegerCase {
  const char* label;
  double input;
  std::int32_t expected;  // or the failure number below when `fails`
  bool fails;
};

TEST(ToInt16, RoundsHalvesToEvenAndChecksTheRange) {
  const IntegerCase cases[] = {
      {"2.5 to 2", 2.5, 2, false},
      {"3.5 to 4", 3.5, 4, false},
      {"-2.5 to -2", -2.5, -2, false},
      {"-3.5 to -4", -3.5, -4, false},
      {"0.5 to 0", 0.5, 0, false},
      {"1.5000001 up", 1.5000001, 2, false},
      {"upper bound", 32767, 32767, false},
      {"lower bound", -32768, -32768, false},
      {"32767.4 rounds into range", 32767.4, 32767, false},
      {"32767.5 rounds out of range", 32767.5, error::kOverflow, true},
      {"-32768.5 rounds to even, in range", -32768.5, -32768, false},
      {"32768", 32768, error::kOverflow, true},
      {"-32769", -32769, error::kOverflow, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.fails) {
      try {
        to_int16(c.input);
        FAIL() << "no failure";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), c.expected);
      }
    } else {
      EXPECT_EQ(to_int16(c.input), c.expected);
    }
  }
}

TEST(ToInt32, ChecksTheThirtyTwoBitBounds) {
  const IntegerCase cases[] = {
      {"upper bound", 2147483647.0, 2147483647, false},
      {"lower bound", -2147483648.0, INT32_MIN, false},
      {"half below upper bound to even", 2147483646.5, 2147483646, false},
      {"upper bound + 1", 2147483648.0, error::kOverflow, true},
      {"upper bound + 0.5 rounds up to even, out of range", 2147483647.5, error::kOverflow, true},
      {"lower bound - 1", -2147483649.0, error::kOverflow, true},
      {"huge", 1e300, error::kOverflow, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.fails) {
      try {
        to_int32(c.input);
        FAIL() << "no failure";
      } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), c.expected);
      }
    } else {
      EXPECT_EQ(to_int32(c.input), c.expected);
    }
  }
}

TEST(ToIntegers, ConvertNumericTextAndBooleans) {
  EXPECT_EQ(to_int16("4.5"), 4);
  EXPECT_EQ(to_int16(true), -1);
  EXPECT_EQ(to_int32(Value()), 0);
  EXPECT_EQ(to_byte(255.4), 255);
  EXPECT_THROW(to_byte(-1), Failure);
  EXPECT_THROW(to_int16("x"), Failure);
}

TEST(ToSingle, OverflowsBeyondTheSingleRange) {
  EXPECT_EQ(to_single(1.5), 1.5f);
  try {
    to_single(1e39);
    FAIL();
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.number(), error::kOverflow);
  }
}

TEST(ToBoolean, FollowsThePlatform) {
  const std::tuple<const char*, Value, bool> cases[] = {
      {"nonzero number", 0.1, true}, {"zero", 0.0, false},           {"empty", Value(), false},
      {"text true", "True", true},   {"text FALSE", "FALSE", false}, {"numeric text", "2", true},
  };
  for (const auto& [label, input, expected] : cases) {
    SCOPED_TRACE(label);
    EXPECT_EQ(to_boolean(input), expected);
  }
  EXPECT_THROW(to_boolean("yes"), Failure);
}

TEST(ToText, GivesTheGeneralForm) {
  const std::pair<Value, const char*> cases[] = {
      {0.0, "0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3.0, "0.333333333333333"},
      {1.95996398454005, "1.95996398454005"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E+15"},
      {1e20, "1E+20"},
      {0.0001, "0.0001"},
      {1.5e-10, "1.5E-10"},
      {-1e-300, "-1E-300"},
      {12.0, "12"},
      {true, "True"},
      {Value(), ""},
      {"as is", "as is"},
  };
  for (const auto& [input, expected] : cases) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(to_text(input), expected);
  }
  EXPECT_EQ(to_text(2.5, ','), "2,5");
  // Round-trip precision for tools that print more digits than the general form.
  EXPECT_EQ(format_general(0.1, '.', 17), "0.10000000000000001");
  EXPECT_EQ(format_general(1.0 / 3.0, '.', 17), "0.33333333333333331");
  EXPECT_EQ(format_general(2.0, '.', 17), "2");
  EXPECT_THROW(to_text(ErrorValue{13}), Failure);
}

TEST(CompareValues, OrdersNumbersBeforeTextsBeforeBooleans) {
  EXPECT_EQ(compare_values(1.0, 2.0), std::weak_ordering::less);
  EXPECT_EQ(compare_values(Value(), 0.0), std::weak_ordering::equivalent);
  EXPECT_EQ(compare_values(Value(), -1.0), std::weak_ordering::greater);
  EXPECT_EQ(compare_values("a", 1e300), std::weak_ordering::greater);
  EXPECT_EQ(compare_values("abc", "ABC"), std::weak_ordering::equivalent);
  EXPECT_EQ(compare_values("abc", "abd"), std::weak_ordering::less);
  EXPECT_EQ(compare_values(true, "zzz"), std::weak_ordering::greater);
  EXPECT_EQ(compare_values(Value(), ""), std::weak_ordering::equivalent);
  EXPECT_THROW(compare_values(ErrorValue{6}, 1.0), Failure);
}

}  // namespace
}  // namespace kx
