// A workbook with a formula engine, and a small component whose members formulas can call:
// enough to test the engine without depending on the real components' functions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/automation/binding.hpp"
#include "common/host_services.hpp"
#include "host/document/address.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"

namespace host::testing {

// Shaped like a component's Main: Application and ThisWorkbook properties, Initialize, and
// worksheet functions of the kinds the engine must handle.
class Probe : public kx::Object {
 public:
  const kx::Interface* automation_interface() const override {
    static const kx::Interface interface = [] {
      kx::InterfaceBuilder<Probe> builder("Probe");
      builder
          .property(
              "Application", kx::DeclaredType::Variant, [](const Probe& p) { return p.application; },
              [](Probe& p, const kx::Value& v) { p.application = v; })
          .property(
              "ThisWorkbook", kx::DeclaredType::Variant, [](const Probe& p) { return p.this_workbook; },
              [](Probe& p, const kx::Value& v) { p.this_workbook = v; })
          .method<&Probe::Initialize>("Initialize", {})
          .method<&Probe::kxTICK>("kxTICK", {})
          .method<&Probe::kxCOUNT>("kxCOUNT", {kx::optional("Anything")})
          .method<&Probe::kxKIND>("kxKIND", {"Argument", kx::optional("Unused")})
          .method<&Probe::kxSEQUENCE>("kxSEQUENCE", {"Rows", "Columns"})
          .method<&Probe::kxTWICE>("kxTWICE", {"Number"})
          .method<&Probe::kxFAIL>("kxFAIL", {"Number"});
      return builder.build();
    }();
    return &interface;
  }

  void Initialize() { ++initialized; }
  // Marks its cell volatile through the host, as a sampling function does.
  double kxTICK() {
    kx::application_of(application)->mark_volatile();
    return ++ticks;
  }
  // Counts its calls, to see which cells a recalculation computed.
  double kxCOUNT(kx::Value) { return ++counted; }
  // What arrived: "missing", "range R C", or the value's kind.
  std::string kxKIND(kx::Value argument, kx::Value) {
    if (argument.is_missing()) return "missing";
    if (argument.is_range()) {
      return "range " + std::to_string(argument.range()->row_count()) + " " +
             std::to_string(argument.range()->column_count());
    }
    static const char* const kKinds[] = {"empty", "number", "boolean", "text", "error", "array", "range", "object"};
    return kKinds[static_cast<int>(argument.kind())];
  }
  // 1, 2, 3, ... in `rows` rows and `columns` columns.
  kx::Value kxSEQUENCE(std::int16_t rows, std::int16_t columns) {
    if (rows == 1 && columns == 1) return 1.0;
    kx::Array array(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
    for (std::size_t i = 0; i < array.size(); ++i) array.at(i) = static_cast<double>(i + 1);
    return array;
  }
  double kxTWICE(double number) { return 2 * number; }
  double kxFAIL(double) { throw kx::Failure(kx::error::kOverflow, "Overflow in the probe"); }

  kx::Value application;
  kx::Value this_workbook;
  int initialized = 0;
  int ticks = 0;
  int counted = 0;
};

// A workbook "model.xlsx" with sheets "Sheet1" and "My data", and an engine that knows the probe.
class FormulaTest : public ::testing::Test {
 protected:
  FormulaTest() {
    probe->application = kx::Value(kx::ObjectRef(application));
    book = application->add_book("model.xlsx");
    sheet = book->add_sheet("Sheet1");
    data = book->add_sheet("My data");
  }

  FormulaEngine& engine() {
    if (!engine_) engine_ = std::make_unique<FormulaEngine>(application, std::vector<kx::ObjectRef>{probe});
    return *engine_;
  }

  // "B2" on Sheet1.
  void set(std::string_view address, kx::Value value) {
    const auto area = parse_address(address);
    sheet->set_value(area->top, area->left, std::move(value));
  }
  void formula(std::string_view address, std::string text) {
    const auto area = parse_address(address);
    sheet->set_formula(area->top, area->left, std::move(text));
  }
  kx::Value at(std::string_view address) const {
    const auto area = parse_address(address);
    return sheet->value(area->top, area->left);
  }
  // Evaluates a formula in a scratch cell of Sheet1, after loading and computing the workbook.
  kx::Value eval(std::string_view text) {
    engine().load();
    engine().recalculate();
    return engine().evaluate(text).value;
  }

  std::shared_ptr<Spreadsheet> application = Spreadsheet::create();
  std::shared_ptr<Probe> probe = std::make_shared<Probe>();
  std::shared_ptr<Book> book;
  std::shared_ptr<Sheet> sheet;
  std::shared_ptr<Sheet> data;

 private:
  std::unique_ptr<FormulaEngine> engine_;
};

inline kx::Value error_value(std::int32_t number) { return kx::ErrorValue{number}; }

// A 2-D array from rows of values.
inline kx::Value array_of(std::initializer_list<std::initializer_list<kx::Value>> rows) {
  kx::Array array(rows.size(), rows.begin()->size());
  std::size_t r = 0;
  for (const auto& row : rows) {
    std::size_t c = 0;
    for (const auto& value : row) array.at(r, c++) = value;
    ++r;
  }
  return array;
}

}  // namespace host::testing
