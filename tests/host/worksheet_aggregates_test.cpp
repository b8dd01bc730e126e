// Aggregate worksheet functions: moments against exact rational references, and the rules
// for what counts (texts, booleans, empty cells, criteria) on exact cases.
#include <gtest/gtest.h>

#include "tests/host/worksheet_test_support.hpp"

namespace host {
namespace {

using kx::Value;
using kx::WorksheetFn;
using testing::call;
using testing::error_of;
using testing::range_of;

const Value kNA = kx::ErrorValue{kx::error::kXlNA};

TEST(WorksheetAggregates, MomentsMatchTheExactReference) {
  // Sums of a few dozen numbers in double carry a few ulp of the largest term.
  constexpr double kTolerance = 1e-14;
  for (const auto& c : testing::reference_cases("aggregates")) {
    SCOPED_TRACE(c.label);
    testing::expect_matrix_near(call(c.fn, c.arguments), c.expected, kTolerance);
  }
}

struct AggregateCase {
  const char* label;
  WorksheetFn fn;
  std::vector<Value> arguments;
  double expected;
};

TEST(WorksheetAggregates, CountWhatTheSpreadsheetCounts) {
  // Exact sums and counts; moments of small whole numbers within the last bit.
  constexpr double kTolerance = 1e-15;
  using enum WorksheetFn;
  const Value mixed = range_of({{1.0, "2", true}, {Value(), 4.0, kNA}});
  const AggregateCase cases[] = {
      {"sum of numbers", Sum, {1.0, 2.0, 3.0}, 6},
      {"direct boolean and numeric text count", Sum, {true, "3", 1.0}, 5},
      {"an omitted argument is 0", Average, {Value::missing(), 4.0}, 2},
      {"an empty value given directly is skipped", Average, {Value(), 4.0}, 4},
      {"inside a range only numbers count", Sum, {range_of({{1.0, "2", true}, {Value(), 4.0, "x"}})}, 5},
      {"inside an array only numbers count", Sum, {testing::grid({{1.0, "2", true, 4.0}})}, 5},
      {"count direct values that read as numbers", Count, {1.0, "a", true, "2", Value()}, 3},
      {"count skips errors and non-numbers in a range", Count, {mixed}, 2},
      {"count skips a direct error value", Count, {kNA, 1.0}, 1},
      {"min of no numbers is 0", Min, {range_of({{"a", Value()}})}, 0},
      {"max of no numbers is 0", Max, {testing::grid({{"a", true}})}, 0},
      {"min of negatives", Min, {-1.0, -7.0, 3.0}, -7},
      {"max of a range and a number", Max, {range_of({{1.0, 9.0}}), 4.0}, 9},
      {"population deviation of one number", Stdevp, {5.0}, 0},
      {"variance of equal numbers", Var, {2.5, 2.5, 2.5}, 0},
      {"sample variance", Var, {1.0, 2.0, 3.0, 4.0, 5.0}, 2.5},
      {"population variance", Varp, {1.0, 2.0, 3.0, 4.0, 5.0}, 2},
      {"sample variance of eight", Var, {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}, 32.0 / 7.0},
      {"population deviation", Stdevp, {2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}, 2},
      {"sum of squares", SumSq, {3.0, 4.0}, 25},
      {"sum of squared differences", SumXMY2, {testing::grid({{1.0, 2.0}}), testing::grid({{3.0, 5.0}})}, 13},
      {"sum of products", SumProduct, {testing::grid({{1.0, 2.0}}), testing::grid({{3.0, 4.0}})}, 11},
      {"sum of products of one array", SumProduct, {testing::grid({{1.0, 2.0}})}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call(c.fn, c.arguments);
    ASSERT_TRUE(result.is_number());
    EXPECT_NEAR(result.number(), c.expected, kTolerance * std::max(1.0, std::fabs(c.expected)));
  }
}

// One block of every kind of cell, for the criteria of CountIf and SumIf.
Value criteria_block() {
  return range_of({
      {5.0, 3.0, 7.5, "5", "apple"},
      {"Apricot", "banana", true, false, Value()},
      {"", 10.0, -2.0, "a*c", kNA},
  });
}

TEST(WorksheetAggregates, CountIfCriteria) {
  struct Case {
    const char* label;
    Value criterion;
    double expected;
  };
  const Case cases[] = {
      {"a number matches numbers and texts that read as it", 5.0, 2},
      {"greater than", ">5", 2},
      {"at most", "<=3", 2},
      {"at least", ">=5", 3},
      {"not equal takes every other cell, errors too", "<>5", 13},
      {"equal text without case", "=apple", 1},
      {"plain text without case", "APPLE", 1},
      {"star wildcard", "a*", 3},
      {"question mark wildcard", "?pple", 1},
      {"star on both sides", "*an*", 1},
      {"escaped star", "a~*c", 1},
      {"not equal to a text", "<>apple", 14},
      {"empty text matches blank cells and empty texts", "", 2},
      {"equals nothing matches blank cells only", "=", 1},
      {"not equal to nothing matches filled cells", "<>", 14},
      {"a boolean", true, 1},
      {"a boolean written as text", "FALSE", 1},
      {"texts after b", ">b", 1},
      {"an empty criterion is 0", Value(), 0},
      {"a negative number as text", "-2", 1},
      {"a decimal number as text", "7.5", 1},
  };
  const Value block = criteria_block();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(WorksheetFn::CountIf, {block, c.criterion}), Value(c.expected));
  }
}

TEST(WorksheetAggregates, SumIfAddsTheMatchingNumbers) {
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    double expected;
  };
  const Value names = range_of({{"a"}, {"b"}, {"a"}, {"c"}});
  const Value amounts = range_of({{10.0}, {20.0}, {30.0}, {40.0}});
  // A sheet of two columns: names, then amounts. The sum range is given by its first cell only.
  const auto sheet = testing::SheetRange::of(testing::grid({{"a", 10.0}, {"b", 20.0}, {"a", 30.0}, {"c", 40.0}}));
  const Case cases[] = {
      {"the tested cells themselves", {criteria_block(), ">4"}, 22.5},
      {"a text that reads as the number is matched but not added", {criteria_block(), 5.0}, 5},
      {"a separate sum range", {names, "a", amounts}, 40},
      {"an omitted sum range is the tested range", {amounts, ">15", Value::missing()}, 90},
      {"the sum range takes the shape of the tested range",
       {Value(sheet->columns(1)), "a", Value(sheet->cells(1, 2))},
       40},
      {"texts in the sum range are not added", {names, "a", range_of({{"x"}, {20.0}, {30.0}, {40.0}})}, 30},
      {"no match", {names, "z", amounts}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(WorksheetFn::SumIf, c.arguments), Value(c.expected));
  }
}

TEST(WorksheetAggregates, RankCountsTheNumbersAhead) {
  const Value list = range_of({{3.0}, {7.0}, {5.0}, {"x"}, {9.0}, {7.0}});
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    double expected;
  };
  const Case cases[] = {
      {"descending by default", {7.0, list}, 2},         {"order 0 is descending", {9.0, list, 0.0}, 1},
      {"ties share the best rank", {7.0, list, 0.0}, 2}, {"ascending", {7.0, list, 1.0}, 3},
      {"ascending, smallest", {3.0, list, 1.0}, 1},      {"any non-zero order is ascending", {9.0, list, -1.0}, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(WorksheetFn::Rank, c.arguments), Value(c.expected));
  }
}

TEST(WorksheetAggregates, ReportTheWorksheetError) {
  using enum WorksheetFn;
  struct Case {
    const char* label;
    WorksheetFn fn;
    std::vector<Value> arguments;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"a direct text that is no number", Sum, {1.0, "abc"}, kx::error::kXlValue},
      {"an error in a range passes through",
       Sum,
       {range_of({{1.0, kx::ErrorValue{kx::error::kXlDiv0}}})},
       kx::error::kXlDiv0},
      {"a direct error passes through", Max, {kNA}, kx::error::kXlNA},
      {"overflow", Sum, {1e308, 1e308}, kx::error::kXlNum},
      {"average of no numbers", Average, {range_of({{"a", "b"}})}, kx::error::kXlDiv0},
      {"sample deviation of one number", Stdev, {5.0}, kx::error::kXlDiv0},
      {"sample variance of one number", Var, {range_of({{5.0, "x"}})}, kx::error::kXlDiv0},
      {"population variance of nothing", Varp, {range_of({{"x"}})}, kx::error::kXlDiv0},
      {"squared differences of unequal counts",
       SumXMY2,
       {testing::grid({{1.0, 2.0}}), testing::grid({{1.0}})},
       kx::error::kXlNA},
      {"products of unequal shapes",
       SumProduct,
       {testing::grid({{1.0, 2.0}}), testing::grid({{1.0}, {2.0}})},
       kx::error::kXlValue},
      {"products with an error",
       SumProduct,
       {testing::grid({{1.0, kNA}}), testing::grid({{1.0, 2.0}})},
       kx::error::kXlNA},
      {"a criterion of several cells", CountIf, {criteria_block(), testing::grid({{1.0, 2.0}})}, kx::error::kXlValue},
      {"an error in a matched sum cell", SumIf, {range_of({{"a"}}), "a", range_of({{kNA}})}, kx::error::kXlNA},
      {"rank of a number not in the list", Rank, {4.0, range_of({{3.0}, {5.0}})}, kx::error::kXlNA},
      {"no arguments", Sum, {}, kx::error::kXlValue},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(error_of(c.fn, c.arguments), c.expected);
  }
}

}  // namespace
}  // namespace host
