// A marketing Main wired to our spreadsheet host, with helpers that lay figures out on a sheet
// and hand them over as ranges, as cell formulas do.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/failure.hpp"
#include "common/value.hpp"
#include "host/document/book.hpp"
#include "host/document/sheet.hpp"
#include "host/document/spreadsheet.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {

// The number the add-in stores in xlErrValue, as our host's session does.
inline constexpr std::int32_t kValueError = kx::error::kXlValue;

inline const kx::Value kMissing = kx::Value::missing();

// A call and the number it gives.
struct NumberCase {
  const char* label;
  const char* function;
  std::vector<kx::Value> arguments;
  double expected;
};

// A call that fails: the number of the failed call, or kGivesValueError when the xlErrValue
// error value comes back as the result.
inline constexpr int kGivesValueError = -1;
struct FailureCase {
  const char* label;
  const char* function;
  std::vector<kx::Value> arguments;
  int failure;
};

class MarketingTest : public ::testing::Test {
 protected:
  MarketingTest() {
    main_->set_application(kx::Value(kx::ObjectRef(spreadsheet_)));
    main_->xlErrValue = kValueError;
    sheet_ = spreadsheet_->add_book("figures.xlsx")->add_sheet("Sheet1");
  }

  // A call by name, as a cell formula makes it.
  kx::Value call(std::string_view name, std::vector<kx::Value> arguments) {
    return kx::call_by_name(*main_, name, arguments);
  }
  // The error number of a failed call, or -1 when it did not fail.
  int failure_of(std::string_view name, std::vector<kx::Value> arguments) {
    try {
      call(name, std::move(arguments));
    } catch (const kx::Failure& failure) {
      return failure.number();
    }
    return -1;
  }

  void expect_numbers(std::span<const NumberCase> cases, double tolerance) {
    for (const NumberCase& c : cases) {
      SCOPED_TRACE(c.label);
      EXPECT_NEAR(call(c.function, c.arguments).number(), c.expected, tolerance);
    }
  }
  void expect_failures(std::span<const FailureCase> cases) {
    for (const FailureCase& c : cases) {
      SCOPED_TRACE(c.label);
      if (c.failure == kGivesValueError) {
        const kx::Value result = call(c.function, c.arguments);
        EXPECT_TRUE(result.is_error() && result.error().number == kValueError);
      } else {
        EXPECT_EQ(failure_of(c.function, c.arguments), c.failure);
      }
    }
  }

  // Rows of cells written from (top, left) on, handed over as one range.
  kx::Value table(std::int32_t top, std::int32_t left, const std::vector<std::vector<kx::Value>>& rows) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      width = std::max(width, rows[i].size());
      for (std::size_t j = 0; j < rows[i].size(); ++j) {
        sheet_->set_value(top + static_cast<std::int32_t>(i), left + static_cast<std::int32_t>(j), rows[i][j]);
      }
    }
    return kx::Value(sheet_->area(top, left, top + static_cast<std::int32_t>(rows.size()) - 1,
                                  left + static_cast<std::int32_t>(width) - 1));
  }
  // A column of numbers from (top, left) down.
  kx::Value column(std::int32_t top, std::int32_t left, const std::vector<double>& numbers) {
    std::vector<std::vector<kx::Value>> rows;
    for (const double x : numbers) rows.push_back({x});
    return table(top, left, rows);
  }
  // A row of numbers from (top, left) rightwards.
  kx::Value row(std::int32_t top, std::int32_t left, const std::vector<double>& numbers) {
    return table(top, left, {std::vector<kx::Value>(numbers.begin(), numbers.end())});
  }

  std::shared_ptr<host::Spreadsheet> spreadsheet_ = host::Spreadsheet::create();
  std::shared_ptr<Main> main_ = Main::create();
  std::shared_ptr<host::Sheet> sheet_;
};

// The numbers of a result array, row by row.
inline std::vector<double> numbers_in(const kx::Value& result) {
  std::vector<double> numbers;
  if (!result.is_array()) {
    ADD_FAILURE() << "the result is no array";
    return numbers;
  }
  for (const kx::Value& value : result.array().values()) numbers.push_back(value.is_number() ? value.number() : NAN);
  return numbers;
}

inline bool is_value_error(const kx::Value& result) {
  return result.is_error() && result.error().number == kValueError;
}

// The reference values made by tests/data/make_marketing_values.py.
inline const nlohmann::json& marketing_values() {
  static const nlohmann::json values = [] {
    std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/marketing_values.json");
    return nlohmann::json::parse(file);
  }();
  return values;
}

}  // namespace mktfn
