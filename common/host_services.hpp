// The host spreadsheet as the components see it: application, workbooks, sheets, ranges
// and worksheet functions. The host implements these; the components know nothing else of it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/value.hpp"

namespace kx {

class Worksheet;

// A rectangular block of cells on one sheet. Indices are 1-based and relative to the block,
// and may reach outside it as the host's ranges allow.
class Range : public Object {
 public:
  virtual std::int32_t row() const = 0;
  virtual std::int32_t column() const = 0;
  virtual std::int32_t row_count() const = 0;
  virtual std::int32_t column_count() const = 0;
  std::int64_t count() const { return std::int64_t{row_count()} * column_count(); }

  virtual RangeRef cells(std::int32_t row, std::int32_t column) const = 0;
  // The i-th cell, row by row.
  RangeRef item(std::int64_t index) const;
  virtual RangeRef rows(std::int32_t index) const = 0;
  virtual RangeRef columns(std::int32_t index) const = 0;

  // One cell: its value. Several: a two-dimensional array with lower bounds 1.
  virtual Value value() const = 0;
  virtual void set_value(const Value& value) = 0;
  // The displayed text of the first cell.
  virtual std::string text() const = 0;
  virtual std::string address() const = 0;
};

class Worksheet : public Object {
 public:
  virtual std::string name() const = 0;
  // An address such as "A1" or "B2:D9" on this sheet.
  virtual RangeRef range(std::string_view address) = 0;
  virtual RangeRef cells(std::int32_t row, std::int32_t column) = 0;
};

class Workbook : public Object {
 public:
  virtual std::string name() const = 0;
  // Worksheets(name) and Sheets(name); a sheet that does not exist fails with 9.
  virtual std::shared_ptr<Worksheet> worksheet(std::string_view name) = 0;
};

// The worksheet functions the components call, by their host names.
enum class WorksheetFn {
  NormInv,
  NormSInv,
  BetaInv,
  GammaInv,
  TInv,
  ChiInv,
  CritBinom,
  NormDist,
  NormSDist,
  GammaDist,
  BinomDist,
  ExponDist,
  Poisson,
  Weibull,
  BetaDist,
  HypGeomDist,
  NegBinomDist,
  TDist,
  ChiTest,
  GammaLn,
  Ln,
  Log,
  Pi,
  Fact,
  Floor,
  Round,
  RoundUp,
  RoundDown,
  Sum,
  Count,
  Min,
  Max,
  Average,
  Stdev,
  Stdevp,
  Var,
  Varp,
  SumSq,
  SumXMY2,
  SumProduct,
  SumIf,
  CountIf,
  Rank,
  Index,
  Transpose,
  MMult,
  MInverse,
  LinEst,
};
inline constexpr int kWorksheetFnCount = static_cast<int>(WorksheetFn::LinEst) + 1;

std::string_view worksheet_fn_name(WorksheetFn fn);
// Case-insensitive lookup of a host name ("NORMINV", "NormInv").
std::optional<WorksheetFn> find_worksheet_fn(std::string_view name);

// The application's WorksheetFunction object: the same functions, raising a failure
// where the application's members give an error value.
class WorksheetFunctionObject : public Object {
 public:
  virtual Value call(WorksheetFn fn, std::span<const Value> args) = 0;
  Value call(WorksheetFn fn, std::initializer_list<Value> args) {
    return call(fn, std::span<const Value>(args.begin(), args.size()));
  }
};

class Application : public Object {
 public:
  // Marks the calling cell for recalculation at every recalculation.
  virtual void mark_volatile() = 0;
  virtual void set_status_bar(std::string_view text) = 0;
  virtual std::string status_bar() const = 0;
  // Workbooks(name); a workbook that is not open fails with 9.
  virtual std::shared_ptr<Workbook> workbook(std::string_view name) = 0;
  // Range(address): an address on the active workbook, or on the sheet it names. A host
  // without workbooks of its own fails with 1004.
  virtual RangeRef range(std::string_view address) const;
  // A worksheet function as a member of the application: an error value when it cannot compute.
  virtual Value call(WorksheetFn fn, std::span<const Value> args) = 0;
  Value call(WorksheetFn fn, std::initializer_list<Value> args) {
    return call(fn, std::span<const Value>(args.begin(), args.size()));
  }
  // The same for numbers: the number it gives, or nullopt where call() gives anything else (an
  // error value), which call() then tells. A host answers the quantiles the sampling functions
  // draw by the million here without building values; this default goes through call().
  virtual std::optional<double> call_number(WorksheetFn fn, std::span<const double> args);
  // call() of numbers through call_number: a value other than a number is built only for an
  // error, as call() gives it.
  Value call_with_numbers(WorksheetFn fn, std::initializer_list<double> args);
  virtual std::shared_ptr<WorksheetFunctionObject> worksheet_function() = 0;
  // A modal message box with an OK button; returns when the user has read it.
  virtual void show_message(std::string_view text) = 0;
  // The platform's default beep, for a value a dialog refuses.
  virtual void beep() {}
  // The user's decimal separator, for formatting and reading numbers.
  virtual char decimal_separator() const { return '.'; }
};

// The application held in a variant property; anything else fails as an unset object does.
std::shared_ptr<Application> application_of(const Value& value);
std::shared_ptr<Workbook> workbook_of(const Value& value);

}  // namespace kx
