// Test helpers for the worksheet functions: a range over a block of a sheet held in an array,
// and the reference cases of tests/data/worksheet_misc.json turned into cell values.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "common/host_services.hpp"
#include "common/value.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/worksheet_functions.hpp"

namespace host::testing {

using kx::Value;

// A block of cells on a sheet whose cells are an array; cells outside the sheet are empty.
class SheetRange : public kx::Range {
 public:
  SheetRange(std::shared_ptr<kx::Array> sheet, std::int32_t top, std::int32_t left, std::int32_t rows,
             std::int32_t columns)
      : sheet_(std::move(sheet)), top_(top), left_(left), rows_(rows), columns_(columns) {}

  // The whole of `cells` as a range at the top-left corner of its own sheet.
  static kx::RangeRef of(kx::Array cells) {
    auto sheet = std::make_shared<kx::Array>(std::move(cells));
    const auto rows = static_cast<std::int32_t>(sheet->rows());
    const auto columns = static_cast<std::int32_t>(sheet->columns());
    return std::make_shared<SheetRange>(sheet, 1, 1, rows, columns);
  }

  std::int32_t row() const override { return top_; }
  std::int32_t column() const override { return left_; }
  std::int32_t row_count() const override { return rows_; }
  std::int32_t column_count() const override { return columns_; }
  kx::RangeRef cells(std::int32_t row, std::int32_t column) const override {
    return std::make_shared<SheetRange>(sheet_, top_ + row - 1, left_ + column - 1, 1, 1);
  }
  kx::RangeRef rows(std::int32_t index) const override {
    return std::make_shared<SheetRange>(sheet_, top_ + index - 1, left_, 1, columns_);
  }
  kx::RangeRef columns(std::int32_t index) const override {
    return std::make_shared<SheetRange>(sheet_, top_, left_ + index - 1, rows_, 1);
  }
  Value value() const override {
    if (rows_ == 1 && columns_ == 1) return cell(top_, left_);
    kx::Array block(static_cast<std::size_t>(rows_), static_cast<std::size_t>(columns_));
    for (std::int32_t i = 0; i < rows_; ++i) {
      for (std::int32_t j = 0; j < columns_; ++j) block.at(i, j) = cell(top_ + i, left_ + j);
    }
    return block;
  }
  void set_value(const Value&) override { ADD_FAILURE() << "the worksheet functions must not write into a range"; }
  std::string text() const override { return {}; }
  std::string address() const override { return fmt::format("R{}C{}", top_, left_); }

 private:
  Value cell(std::int32_t row, std::int32_t column) const {
    if (row < 1 || column < 1 || row > static_cast<std::int32_t>(sheet_->rows()) ||
        column > static_cast<std::int32_t>(sheet_->columns())) {
      return Value();
    }
    return sheet_->at(static_cast<std::size_t>(row - 1), static_cast<std::size_t>(column - 1));
  }

  std::shared_ptr<kx::Array> sheet_;
  std::int32_t top_;
  std::int32_t left_;
  std::int32_t rows_;
  std::int32_t columns_;
};

// A two-dimensional array, lower bounds 1, from rows of values.
inline kx::Array grid(const std::vector<std::vector<Value>>& rows) {
  kx::Array array(rows.size(), rows.empty() ? 0 : rows.front().size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    for (std::size_t j = 0; j < rows[i].size(); ++j) array.at(i, j) = rows[i][j];
  }
  return array;
}

inline Value range_of(const std::vector<std::vector<Value>>& rows) { return SheetRange::of(grid(rows)); }

inline Value call(kx::WorksheetFn fn, const std::vector<Value>& arguments) {
  return compute_worksheet_fn(fn, arguments);
}

// The worksheet error a call raises, or nothing when it computes.
inline std::optional<std::int32_t> error_of(kx::WorksheetFn fn, const std::vector<Value>& arguments) {
  try {
    compute_worksheet_fn(fn, arguments);
    return std::nullopt;
  } catch (const kx::Failure& failure) {
    return failure.number();
  }
}

// ---- Reference cases from JSON ----

inline std::vector<std::vector<Value>> rows_of(const nlohmann::json& rows);

inline Value value_of(const nlohmann::json& item) {
  if (item.is_null()) return Value();
  if (item.is_boolean()) return Value(item.get<bool>());
  if (item.is_number()) return Value(item.get<double>());
  if (item.is_string()) return Value(item.get<std::string>());
  if (item.contains("missing")) return Value::missing();
  if (item.contains("array")) return Value(grid(rows_of(item["array"])));
  return range_of(rows_of(item["range"]));
}

inline std::vector<std::vector<Value>> rows_of(const nlohmann::json& rows) {
  std::vector<std::vector<Value>> result;
  for (const auto& row : rows) {
    std::vector<Value>& cells = result.emplace_back();
    for (const auto& cell : row) cells.push_back(value_of(cell));
  }
  return result;
}

struct ReferenceCase {
  std::string label;
  kx::WorksheetFn fn;
  std::vector<Value> arguments;
  std::vector<std::vector<double>> expected;  // one number is a 1x1 matrix
};

inline std::vector<ReferenceCase> reference_cases(const std::string& section) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/worksheet_misc.json");
  const nlohmann::json document = nlohmann::json::parse(file);
  std::vector<ReferenceCase> cases;
  for (const auto& item : document.at(section)) {
    ReferenceCase& c = cases.emplace_back();
    c.label = item["label"].get<std::string>();
    c.fn = kx::find_worksheet_fn(item["function"].get<std::string>()).value();
    for (const auto& argument : item["args"]) c.arguments.push_back(value_of(argument));
    const auto& expected = item["expected"];
    if (expected.is_number()) {
      c.expected = {{expected.get<double>()}};
    } else {
      c.expected = expected.get<std::vector<std::vector<double>>>();
    }
  }
  return cases;
}

// Compares a result with a reference matrix: each cell within `tolerance` relative to the
// largest reference value of its column. A column is the natural scale: the columns of an
// inverse carry the scales of the matrix's rows, and cells near zero are held to their column.
inline void expect_matrix_near(const Value& result, const std::vector<std::vector<double>>& expected,
                               double tolerance) {
  std::vector<double> scale(expected.front().size(), 0.0);
  for (const auto& row : expected) {
    for (std::size_t j = 0; j < row.size(); ++j) scale[j] = std::max(scale[j], std::fabs(row[j]));
  }
  if (expected.size() == 1 && expected.front().size() == 1 && !result.is_array()) {
    ASSERT_TRUE(result.is_number());
    EXPECT_LE(std::fabs(result.number() - expected[0][0]), tolerance * scale[0]) << "got " << result.number();
    return;
  }
  ASSERT_TRUE(result.is_array());
  const kx::Array& cells = result.array();
  ASSERT_EQ(cells.rows(), expected.size());
  ASSERT_EQ(cells.columns(), expected.front().size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    for (std::size_t j = 0; j < expected[i].size(); ++j) {
      ASSERT_TRUE(cells.at(i, j).is_number());
      EXPECT_LE(std::fabs(cells.at(i, j).number() - expected[i][j]), tolerance * scale[j])
          << "cell " << i + 1 << "," << j + 1 << " got " << cells.at(i, j).number();
    }
  }
}

}  // namespace host::testing
