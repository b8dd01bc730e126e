// kxHISTO called by name as a cell formula calls it: class counts, limits, frequencies and
// shares for ranges and for arrays of either lower bound.
#include "riskfn/analysis/histogram.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/failure.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

using HistogramTest = SamplingTest;

Value array_of(const std::vector<double>& numbers, std::int32_t base) {
  std::vector<Value> values(numbers.begin(), numbers.end());
  return kx::Array::vector(std::move(values), base);
}

std::vector<double> one_to(int last) {
  std::vector<double> numbers;
  for (int i = 1; i <= last; ++i) numbers.push_back(i);
  return numbers;
}

// Column c of the table as numbers; an empty cell reads as -1.
std::vector<double> column(const Value& table, std::size_t c) {
  std::vector<double> numbers;
  for (std::size_t r = 0; r < table.array().rows(); ++r) {
    const Value& cell = table.array().at(r, c);
    numbers.push_back(cell.is_empty() ? -1.0 : cell.number());
  }
  return numbers;
}

// A call's values and class count, and the table it should give.
struct ClassesCase {
  const char* label;
  Value input;
  Value classes;
  std::vector<double> upper_limits;
  std::vector<double> frequencies;  // -1: an empty cell
  std::vector<double> shares;
};

// The table's upper limits, frequencies (-1: an empty cell) and cumulative shares.
void expect_classes(const Value& table, const std::vector<double>& upper_limits, const std::vector<double>& frequencies,
                    const std::vector<double>& shares) {
  ASSERT_TRUE(table.is_array()) << describe_value(table);
  EXPECT_EQ(table.array().lower_bound(1), 0);
  EXPECT_EQ(table.array().columns(), 4u);
  const auto limits = column(table, 1);
  ASSERT_EQ(limits.size(), upper_limits.size());
  for (std::size_t r = 0; r < limits.size(); ++r) EXPECT_NEAR(limits[r], upper_limits[r], 1e-15);
  EXPECT_EQ(column(table, 2), frequencies);
  const auto cumulative = column(table, 3);
  ASSERT_EQ(cumulative.size(), shares.size());
  for (std::size_t r = 0; r < cumulative.size(); ++r) EXPECT_NEAR(cumulative[r], shares[r], 1e-15);
}

TEST_F(HistogramTest, CountsValuesIntoEqualWidthClasses) {
  const ClassesCase cases[] = {
      {"1 to 10 in 3 classes", array_of(one_to(10), 1), 3.0, {4, 7, 10}, {4, 3, 3}, {0.4, 0.7, 1.0}},
      {"0-based array", array_of(one_to(10), 0), 3.0, {4, 7, 10}, {4, 3, 3}, {0.4, 0.7, 1.0}},
      {"an empty class", array_of({1, 1, 1, 10}, 1), 3.0, {4, 7, 10}, {3, -1, 1}, {0.75, 0.75, 1.0}},
      {"all values equal", array_of({5, 5, 5, 5}, 1), 3.0, {5, 5, 5}, {4, -1, -1}, {1.0, 1.0, 1.0}},
      {"one class", array_of({2, 9, 4}, 1), 1.0, {9}, {3}, {1.0}},
      {"a fraction of a class rounds", array_of(one_to(10), 1), 2.6, {4, 7, 10}, {4, 3, 3}, {0.4, 0.7, 1.0}},
      {"10 values by rule",
       array_of(one_to(10), 1),
       kMissing,
       {3.25, 5.5, 7.75, 10},
       {3, 2, 2, 3},
       {0.3, 0.5, 0.7, 1.0}},
      {"below 1 before rounding asks for the rule",
       array_of(one_to(10), 1),
       0.7,
       {3.25, 5.5, 7.75, 10},
       {3, 2, 2, 3},
       {0.3, 0.5, 0.7, 1.0}},
      {"0 classes asks for the rule",
       array_of(one_to(10), 1),
       0.0,
       {3.25, 5.5, 7.75, 10},
       {3, 2, 2, 3},
       {0.3, 0.5, 0.7, 1.0}},
      {"text falls into no class",
       kx::Array::vector({1.0, 2.0, "x", 4.0}, 1),
       3.0,
       {2, 3, 4},
       {2, -1, 1},
       {0.5, 0.5, 0.75}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    expect_classes(call("kxHISTO", {c.input, c.classes, 1.0}), c.upper_limits, c.frequencies, c.shares);
  }
}

// An error value (a failed run) is left out of the bounds, the classes and the count of values.
TEST_F(HistogramTest, ErrorValuesAreLeftOut) {
  const Value na = kx::ErrorValue{kx::error::kXlNA};
  const Value div0 = kx::ErrorValue{kx::error::kXlDiv0};
  auto sheet = spreadsheet_->add_book("failed runs")->add_sheet("Sheet1");
  const Value column_a[] = {3.0, na, 1.0, 4.0, 1.0, 5.0};
  for (int i = 0; i < 6; ++i) sheet->set_value(1 + i, 1, column_a[i]);
  const ClassesCase cases[] = {
      {"an array with one error",
       kx::Array::vector({1.0, 2.0, 3.0, na, 4.0, 5.0, 6.0, 7.0, 8.0, 9.0, 10.0}, 1),
       3.0,
       {4, 7, 10},
       {4, 3, 3},
       {0.4, 0.7, 1.0}},
      {"errors at both ends", kx::Array::vector({div0, 2.0, 9.0, 4.0, na}, 0), 1.0, {9}, {3}, {1.0}},
      {"the rule counts the values left",
       kx::Array::vector({1.0, 2.0, 3.0, na, 4.0, 5.0}, 1),
       kMissing,
       {7.0 / 3.0, 11.0 / 3.0, 5},
       {2, 1, 2},
       {0.4, 0.6, 1.0}},
      {"a range with an error cell", Value(sheet->range("A1:A6")), 2.0, {3, 5}, {3, 2}, {0.6, 1.0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    expect_classes(call("kxHISTO", {c.input, c.classes, 1.0}), c.upper_limits, c.frequencies, c.shares);
  }
}

TEST_F(HistogramTest, SturgesRuleChoosesTheClassCount) {
  struct Case {
    int values;
    std::size_t classes;
  } cases[] = {{10, 4}, {100, 8}, {1000, 11}, {2, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values);
    EXPECT_EQ(call("kxHISTO", {array_of(one_to(c.values), 1), kMissing, 1.0}).array().rows(), c.classes);
    EXPECT_EQ(call("kxHISTO", {array_of(one_to(c.values), 1), -3.0, 1.0}).array().rows(), c.classes);
  }
}

TEST_F(HistogramTest, RangesAreLabelledAndReadCellByCell) {
  auto sheet = spreadsheet_->add_book("results")->add_sheet("Sheet1");
  const double numbers[] = {3, 1, 4, 1, 5};
  for (int i = 0; i < 5; ++i) sheet->set_value(1 + i, 1, Value(numbers[i]));
  // A6 and A7 stay empty and count as 0, which lies below Min - 0.5 and falls into no class.
  sheet->set_value(8, 1, Value(1.2));
  const Value table = call("kxHISTO", {Value(sheet->range("A1:A8")), 2.0, kMissing});
  ASSERT_TRUE(table.is_array());
  EXPECT_EQ(table.array().at(0, 0), Value("Class 1"));
  EXPECT_EQ(table.array().at(1, 0), Value("Class 2"));
  EXPECT_EQ(column(table, 1), (std::vector<double>{3, 5}));
  EXPECT_EQ(column(table, 2), (std::vector<double>{4, 2}));
  EXPECT_NEAR(table.array().at(1, 3).number(), 6.0 / 8.0, 1e-15);

  // With Min at 0.3 an empty cell (0) lies within Min - 0.5 and joins the first class.
  sheet->set_value(1, 2, Value(0.3));
  sheet->set_value(3, 2, Value(2.0));
  const Value with_empty = call("kxHISTO", {Value(sheet->range("B1:B3")), 1.0, kMissing});
  EXPECT_EQ(column(with_empty, 2), (std::vector<double>{3}));
}

TEST_F(HistogramTest, ArraysAreLabelledOnlyWhenAsked) {
  const Value input = array_of(one_to(4), 1);
  struct Case {
    const char* label;
    Value pointer;
    Value expected;
  } cases[] = {
      {"asked", 1.0, Value("Class 1")},
      {"another number", 2.0, Value(std::string())},
      {"omitted", kMissing, Value(std::string())},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call("kxHISTO", {input, 2.0, c.pointer}).array().at(0, 0), c.expected);
  }
}

// Every value lands in exactly one class, and in the class whose limits hold it.
TEST_F(HistogramTest, EachValueLandsInTheClassThatHoldsIt) {
  std::mt19937_64 engine(11);
  std::normal_distribution<double> normal(50.0, 10.0);
  std::vector<double> numbers(5000);
  for (double& x : numbers) x = std::round(normal(engine) * 4.0) / 4.0;  // many values on limits
  const Value table = call("kxHISTO", {array_of(numbers, 0), 17.0, kMissing});
  const auto limits = column(table, 1);
  const double smallest = *std::min_element(numbers.begin(), numbers.end());
  const double largest = *std::max_element(numbers.begin(), numbers.end());
  double total = 0.0;
  for (std::size_t r = 0; r < limits.size(); ++r) {
    const double low = r == 0 ? smallest - 0.5 : limits[r - 1];
    const double high = r + 1 == limits.size() ? largest : limits[r];
    const auto inside = std::count_if(numbers.begin(), numbers.end(),
                                      [&](double x) { return (r == 0 ? x >= low : x > low) && x <= high; });
    const Value& frequency = table.array().at(r, 2);
    EXPECT_EQ(frequency.is_empty() ? 0.0 : frequency.number(), static_cast<double>(inside)) << "class " << r;
    total += static_cast<double>(inside);
  }
  EXPECT_EQ(total, static_cast<double>(numbers.size()));
  EXPECT_NEAR(table.array().at(limits.size() - 1, 3).number(), 1.0, 1e-12);
}

TEST_F(HistogramTest, FailsBeforeTheTableExists) {
  struct Case {
    const char* label;
    Value input;
    Value classes;
  } cases[] = {
      {"a class count that is no number", array_of(one_to(5), 1), "many"},
      {"no values and no class count", 7.0, kMissing},
      {"more classes than a sheet has rows", array_of(one_to(5), 1), 1e7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_THROW(call("kxHISTO", {c.input, c.classes, kMissing}), kx::Failure);
  }
}

TEST_F(HistogramTest, NumbersInMemoryGiveTheTableOfTheCall) {
  std::mt19937_64 engine(11);
  std::normal_distribution<double> normal(3.0, 2.0);
  std::vector<double> draws(5000);
  for (double& x : draws) x = normal(engine);
  // Values on the class limits, ties across limits, one value, a range near a double's reach.
  const std::vector<std::vector<double>> inputs = {
      draws, one_to(10), {5, 5, 5}, {-1e300, 1e300}, {7}, {0.1, 0.2, 0.3, 0.3, 0.3, 0.7, 1.0}, {-1.7e308, 1.7e308}};
  for (const auto& numbers : inputs) {
    SCOPED_TRACE(numbers.size());
    std::vector<double> ascending = numbers;
    std::sort(ascending.begin(), ascending.end());
    Value expected;
    try {
      expected = call("kxHISTO", {array_of(numbers, 1), kMissing, 1.0});
    } catch (const kx::Failure&) {
      EXPECT_THROW(analysis::histogram_of_numbers(*spreadsheet_, numbers), kx::Failure);
      EXPECT_THROW(analysis::histogram_of_sorted(*spreadsheet_, ascending), kx::Failure);
      continue;
    }
    EXPECT_EQ(Value(analysis::histogram_of_numbers(*spreadsheet_, numbers)), expected);
    EXPECT_EQ(Value(analysis::histogram_of_sorted(*spreadsheet_, ascending)), expected);
  }
  // The order of the values does not matter: a report gives them sorted.
  std::vector<double> sorted = draws;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(Value(analysis::histogram_of_numbers(*spreadsheet_, sorted)),
            call("kxHISTO", {array_of(draws, 1), kMissing, 1.0}));
  EXPECT_THROW(analysis::histogram_of_numbers(*spreadsheet_, {}), kx::Failure);
  EXPECT_THROW(analysis::histogram_of_sorted(*spreadsheet_, {}), kx::Failure);
}

}  // namespace
}  // namespace riskfn
