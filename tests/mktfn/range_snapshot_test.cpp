// A range sent by value at the sheet's far edge: offsets from it must neither overflow nor reach
// cells that were not sent.
#include "mktfn/protocol/range_snapshot.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace mktfn::protocol {
namespace {

constexpr std::int32_t kLast = std::numeric_limits<std::int32_t>::max();

TEST(RangeSnapshot, ABlockAtTheLastRowAndColumnReadsItsCellsAndNoOthers) {
  const kx::RangeRef corner = RangeSnapshot::create("$X$1", kLast, kLast, 1, 1, {kx::Value(30.0)});
  EXPECT_EQ(corner->cells(1, 1)->value(), kx::Value(30.0));
  EXPECT_EQ(corner->rows(1)->value(), kx::Value(30.0));
  EXPECT_EQ(corner->columns(1)->value(), kx::Value(30.0));
  const struct {
    const char* label;
    std::int32_t row;
    std::int32_t column;
  } outside[] = {{"below", 2, 1},         {"right", 1, 2}, {"far below", kLast, 1},
                 {"far right", 1, kLast}, {"above", 0, 1}, {"far above", std::numeric_limits<std::int32_t>::min(), 1}};
  for (const auto& c : outside) {
    SCOPED_TRACE(c.label);
    EXPECT_THROW(corner->cells(c.row, c.column), kx::Failure);
  }
}

TEST(RangeSnapshot, ABlockThatWouldEndPastTheLastRowOrColumnIsRefused) {
  const struct {
    const char* label;
    std::int32_t row;
    std::int32_t column;
    std::int32_t rows;
    std::int32_t columns;
  } cases[] = {{"two rows from the last", kLast, 1, 2, 1},
               {"two columns from the last", 1, kLast, 1, 2},
               {"row zero", 0, 1, 1, 1},
               {"a negative column", 1, -5, 1, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<kx::Value> cells(static_cast<std::size_t>(c.rows) * static_cast<std::size_t>(c.columns));
    EXPECT_THROW(RangeSnapshot::create("$A$1", c.row, c.column, c.rows, c.columns, std::move(cells)), kx::Failure);
  }
}

}  // namespace
}  // namespace mktfn::protocol
