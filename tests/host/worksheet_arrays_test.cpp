// Array and matrix worksheet functions: products, inverses and least squares against exact
// rational references; Index and Transpose on exact cases.
#include <gtest/gtest.h>

#include "tests/host/worksheet_test_support.hpp"

namespace host {
namespace {

using kx::Value;
using kx::WorksheetFn;
using testing::call;
using testing::error_of;
using testing::grid;
using testing::range_of;

TEST(WorksheetArrays, MatricesMatchTheExactReference) {
  // The matrices are well conditioned once their rows are scaled, so LU and the centred
  // normal equations lose no more than a few of the 16 digits.
  constexpr double kTolerance = 1e-13;
  for (const auto& c : testing::reference_cases("matrices")) {
    SCOPED_TRACE(c.label);
    testing::expect_matrix_near(call(c.fn, c.arguments), c.expected, kTolerance);
  }
}

const kx::Array kNine = grid({{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}, {7.0, 8.0, 9.0}});

TEST(WorksheetArrays, IndexPicksACellARowOrAColumn) {
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    Value expected;
  };
  kx::Array from_zero(2, 2, 0, 0);  // lower bounds do not matter: positions count from 1
  from_zero.at(0, 0) = 11.0;
  from_zero.at(1, 1) = 22.0;
  const Case cases[] = {
      {"a cell", {kNine, 2.0, 3.0}, 6.0},
      {"row 0 is the whole column", {kNine, 0.0, 2.0}, grid({{2.0}, {5.0}, {8.0}})},
      {"an omitted row is the whole column", {kNine, Value::missing(), 2.0}, grid({{2.0}, {5.0}, {8.0}})},
      {"an omitted column is the whole row", {kNine, 2.0}, grid({{4.0, 5.0, 6.0}})},
      {"column 0 is the whole row", {kNine, 2.0, 0.0}, grid({{4.0, 5.0, 6.0}})},
      {"both 0 is the whole array", {kNine, 0.0, 0.0}, kNine},
      {"positions are truncated", {kNine, 2.9, 1.2}, 4.0},
      {"one number indexes a single row", {kx::Array::vector({10.0, 20.0, 30.0}), 2.0}, 20.0},
      {"one number indexes a single column", {grid({{10.0}, {20.0}, {30.0}}), 3.0}, 30.0},
      {"a single row with row and column", {grid({{10.0, 20.0, 30.0}}), 1.0, 3.0}, 30.0},
      {"a single number is its own cell", {7.0, 1.0, 1.0}, 7.0},
      {"a cell of a range", {range_of({{1.0, "b"}, {3.0, 4.0}}), 1.0, 2.0}, "b"},
      {"an array counted from 0", {from_zero, 2.0, 2.0}, 22.0},
      {"an empty cell stays empty", {range_of({{1.0, Value()}}), 1.0, 2.0}, Value()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(WorksheetFn::Index, c.arguments), c.expected);
  }
}

TEST(WorksheetArrays, TransposeTurnsRowsIntoColumns) {
  struct Case {
    const char* label;
    Value argument;
    Value expected;
  };
  const Case cases[] = {
      {"a one-dimensional array becomes a column", kx::Array::vector({1.0, 2.0, 3.0}), grid({{1.0}, {2.0}, {3.0}})},
      {"rows and columns swap", grid({{1.0, 2.0, 3.0}, {4.0, 5.0, 6.0}}), grid({{1.0, 4.0}, {2.0, 5.0}, {3.0, 6.0}})},
      {"a range keeps texts and empty cells", range_of({{1.0, "a"}, {Value(), true}}),
       grid({{1.0, Value()}, {"a", true}})},
      {"a single value stays itself", 5.0, 5.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(WorksheetFn::Transpose, {c.argument}), c.expected);
  }
}

TEST(WorksheetArrays, ExactProductsInversesAndLines) {
  struct Case {
    const char* label;
    WorksheetFn fn;
    std::vector<Value> arguments;
    Value expected;
  };
  const Case cases[] = {
      {"a product of one cell is an array",
       WorksheetFn::MMult,
       {grid({{2.0, 3.0}}), grid({{4.0}, {5.0}})},
       grid({{23.0}})},
      {"inverse of a diagonal matrix",
       WorksheetFn::MInverse,
       {grid({{2.0, 0.0}, {0.0, 4.0}})},
       grid({{0.5, 0.0}, {0.0, 0.25}})},
      {"a line through exact points",
       WorksheetFn::LinEst,
       {grid({{3.0}, {5.0}, {7.0}}), grid({{1.0}, {2.0}, {3.0}})},
       grid({{2.0, 1.0}})},
      {"a line through two points",
       WorksheetFn::LinEst,
       {grid({{1.0, -1.0}}), grid({{0.0, 2.0}})},
       grid({{-1.0, 1.0}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(c.fn, c.arguments), c.expected);
  }
}

TEST(WorksheetArrays, ReportTheWorksheetError) {
  using enum WorksheetFn;
  struct Case {
    const char* label;
    WorksheetFn fn;
    std::vector<Value> arguments;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"a row beyond the array", Index, {kNine, 4.0, 1.0}, kx::error::kXlRef},
      {"a column beyond the array", Index, {kNine, 1.0, 4.0}, kx::error::kXlRef},
      {"a negative row", Index, {kNine, -1.0, 1.0}, kx::error::kXlValue},
      {"a single row indexed as a column", Index, {kx::Array::vector({1.0, 2.0}), 2.0, 1.0}, kx::error::kXlRef},
      {"products of mismatched shapes", MMult, {kNine, grid({{1.0, 2.0}})}, kx::error::kXlValue},
      {"a product with a text", MMult, {grid({{1.0, "a"}}), grid({{1.0}, {2.0}})}, kx::error::kXlValue},
      {"a product with an empty cell", MMult, {range_of({{1.0, Value()}}), grid({{1.0}, {2.0}})}, kx::error::kXlValue},
      {"inverse of a singular matrix", MInverse, {grid({{1.0, 2.0}, {2.0, 4.0}})}, kx::error::kXlNum},
      {"inverse of a matrix singular in rounding", MInverse, {kNine}, kx::error::kXlNum},
      {"inverse of a zero row", MInverse, {grid({{0.0, 0.0}, {1.0, 2.0}})}, kx::error::kXlNum},
      {"inverse of a non-square matrix", MInverse, {grid({{1.0, 2.0}})}, kx::error::kXlValue},
      {"inverse with a text", MInverse, {grid({{1.0, "a"}, {0.0, 1.0}})}, kx::error::kXlValue},
      {"a line on a constant x", LinEst, {grid({{1.0}, {2.0}, {3.0}}), grid({{4.0}, {4.0}, {4.0}})}, kx::error::kXlNum},
      {"a line through one point", LinEst, {grid({{1.0}}), grid({{2.0}})}, kx::error::kXlNum},
      {"x and y of different lengths", LinEst, {grid({{1.0}, {2.0}, {3.0}}), grid({{1.0}, {2.0}})}, kx::error::kXlRef},
      {"y of several rows and columns", LinEst, {kNine, kNine}, kx::error::kXlRef},
      {"a text among the y", LinEst, {grid({{1.0}, {"a"}, {3.0}}), grid({{1.0}, {2.0}, {3.0}})}, kx::error::kXlValue},
      {"collinear x columns",
       LinEst,
       {grid({{1.0}, {2.0}, {4.0}}), grid({{1.0, 2.0}, {2.0, 4.0}, {3.0, 6.0}})},
       kx::error::kXlNum},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(error_of(c.fn, c.arguments), c.expected);
  }
}

}  // namespace
}  // namespace host
