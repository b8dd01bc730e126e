// PDF.FitPDF and PDF.StoreFitData: the fitting run over the candidates, with progress in the
// status bar, a row and a time per candidate, and the ranking when all were asked for.
#include <array>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/number_format.hpp"
#include "riskfn/fitting/candidates.hpp"
#include "riskfn/fitting/cumulative_values.hpp"
#include "riskfn/fitting/fit_distance.hpp"
#include "riskfn/fitting/result_table.hpp"
#include "riskfn/fitting/sample_summary.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace riskfn {
namespace {

using fitting::Candidate;
using fitting::CandidateFit;
using fitting::FitContext;
using fitting::Kind;
using fitting::Sample;
using fitting::table_cell;
using kx::Value;
using kx::WorksheetFn;

constexpr std::int32_t kStartRow = 321;
constexpr std::int32_t kNotApplicableRow = 51;
constexpr std::int32_t kStudentNotApplicableRow = 383;
constexpr std::int32_t kAllDistributionsRow = 41;
constexpr std::int32_t kTimingTitleRows[] = {322, 323};
constexpr std::int32_t kResultTitleRow = 350;

// Controls of the dialog are read late-bound: frmSimDistrib.<control>.<property>.
Value control_property(const kx::ObjectRef& dialog, const char* control, const char* property) {
  if (!dialog) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set: no fitting dialog");
  const Value found = kx::get_property(*dialog, control);
  if (!found.is_object() || !found.object())
    throw kx::Failure(kx::error::kObjectRequired, std::string("Object required: ") + control);
  return kx::get_property(*found.object(), property);
}

struct Admitted {
  bool continuous;
  bool discrete;
  bool admits(Kind kind) const { return kind == Kind::Continuous ? continuous : discrete; }
};

kx::RangeRef input_range(const kx::Application& application, const Value& rngInput) {
  if (rngInput.is_range()) return rngInput.range();
  if (rngInput.is_text()) return application.range(rngInput.text());
  throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the input is neither a range nor an address");
}

// Column 3 of rows 0 .. n - 1 of FitTestData.
std::vector<double> observations(const Value& FitTestData, float count) {
  if (!FitTestData.is_array()) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: FitTestData is no array");
  std::vector<double> values(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = kx::to_double(table_cell(FitTestData.array(), static_cast<std::int32_t>(i), 3));
  return values;
}

}  // namespace

std::string PDF::FitPDF(Value& totTime, Value& rngInput, std::int16_t& NumFittedPDFs, kx::ObjectRef& frmSimDistrib,
                        Value& FitIndex, Value& FitTestData, std::string& FitPDFName, Value& Coef1, Value& Coef2,
                        Value& Coef3, Value& Coef4, Value& Coef5, Value& FitResult, Value& elapsedTime) {
  std::optional<kx::Array> results;
  std::optional<kx::Array> timings;
  const std::array<Value*, 5> coefficients = {&Coef1, &Coef2, &Coef3, &Coef4, &Coef5};
  // A failure of the run itself ends it; what it wrote stays, and the call returns normally.
  try {
    const std::shared_ptr<kx::Application> application = kx::application_of(this->application());
    const char separator = application->decimal_separator();
    application->set_status_bar(risk_text(kStartRow));
    if (cumulatives()) cumulatives()->clear();  // what an earlier run left belongs to other data
    totTime = 0.0;
    const std::shared_ptr<kx::WorksheetFunctionObject> worksheet = application->worksheet_function();
    const kx::RangeRef range = input_range(*application, rngInput);
    const float count = static_cast<float>(range->row_count());
    const std::vector<double> sorted = observations(FitTestData, count);
    const Sample sample = fitting::summarise(*application, *worksheet, Value(range), count, sorted);

    NumFittedPDFs = 0;
    const std::string selection = kx::to_text(control_property(frmSimDistrib, "cboDistrFit", "Text"));
    results = fitting::writable_table(FitResult);
    timings = fitting::writable_table(elapsedTime);
    table_cell(*timings, 0, 1) = risk_text(kTimingTitleRows[0]);
    table_cell(*timings, 0, 2) = risk_text(kTimingTitleRows[1]);
    const Admitted admitted{kx::to_boolean(control_property(frmSimDistrib, "chkContin", "Value")),
                            kx::to_boolean(control_property(frmSimDistrib, "chkDiscr", "Value"))};

    const std::shared_ptr<Main> main = root();
    if (!main) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set: PDF.Root");
    const FitContext context{
        *main, *application, *worksheet, sample, risk_text(kNotApplicableRow), risk_text(kStudentNotApplicableRow)};
    const bool all = selection == risk_text(kAllDistributionsRow);
    std::array<std::string, 8> titles;
    for (std::int32_t i = 0; i < 8; ++i) titles[i] = risk_text(kResultTitleRow + i);
    const std::string last_item = kx::format_general(static_cast<double>(count) - 1.0);
    std::vector<std::optional<double>> distances(1);
    const std::int32_t timing_rows = timings->upper_bound(1);

    for (const Candidate& candidate : fitting::candidates()) {
      if (!admitted.admits(candidate.kind)) continue;
      const std::string name = risk_text(fitting::kNameRowBase + candidate.code);
      if (!all && selection != name) continue;

      const auto start = std::chrono::steady_clock::now();
      FitIndex = 0.0;
      if (NumFittedPDFs == INT16_MAX) throw kx::Failure(kx::error::kOverflow, "Overflow: too many fitted candidates");
      ++NumFittedPDFs;

      // A candidate whose estimate or cumulative function fails is not applicable; the run goes on.
      CandidateFit fit;
      std::optional<double> distance;
      const std::string progress = risk_text(candidate.progress_row) + " - Item: ";
      std::string status = progress;  // rebuilt in place for every observation, without allocating
      try {
        candidate.estimate(context, fit);
        if (candidate.kind == Kind::Discrete && !fitting::counts_only(sorted)) fit.applicable = false;
        const auto report = [&](std::size_t i) {
          status.resize(progress.size());
          char digits[24];
          status.append(digits, std::to_chars(digits, digits + sizeof digits, i).ptr);
          status += " von ";
          status += last_item;
          application->set_status_bar(status);
        };
        const auto cumulative = [&](double x) { return candidate.cumulative(x, fit, context); };
        if (fit.applicable && candidate.kind == Kind::Discrete) {
          distance = fitting::fit_distance(sorted, count, true,
                                           fitting::RememberedCumulative(cumulative, candidate.whole_steps), report);
        } else if (fit.applicable) {
          std::vector<double> values = fitting::cumulative_at_each(sorted, cumulative);
          std::size_t next = 0;
          distance = fitting::fit_distance(sorted, count, false, [&](double) { return values[next++]; }, report);
          if (cumulatives()) cumulatives()->keep(candidate.code, fit, std::move(values));
        }
      } catch (const kx::Failure&) {
        distance.reset();
      }

      FitIndex = distance ? Value(*distance) : Value(context.not_applicable);
      FitPDFName = name;
      for (std::size_t slot = 0; slot < coefficients.size(); ++slot) *coefficients[slot] = fit.slots[slot];
      fitting::store_fit_row(*results, titles, NumFittedPDFs, name, FitIndex, fit.slots, separator);
      distances.push_back(distance);

      const std::int32_t timing_row = candidate.shared_timing_row != 0 && candidate.timing_row > timing_rows
                                          ? candidate.shared_timing_row
                                          : candidate.timing_row;
      table_cell(*timings, timing_row, 1) =
          candidate.timing_name_row != 0 ? risk_text(candidate.timing_name_row) : name;
      const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
      const std::string milliseconds = kx::format_number(elapsed.count(), "0.0", separator);
      table_cell(*timings, timing_row, 2) = milliseconds;
      totTime = kx::to_double(totTime) + static_cast<double>(kx::to_single(Value(milliseconds), separator));
    }
    for (std::int32_t row = 1; row <= timing_rows; ++row) table_cell(*timings, row, 0) = static_cast<double>(row);
    if (all) fitting::rank_fit_rows(*results, NumFittedPDFs, distances);
  } catch (const std::exception&) {
  }
  if (results) FitResult = Value(std::move(*results));
  if (timings) elapsedTime = Value(std::move(*timings));
  return {};
}

Value PDF::StoreFitData(Value& FitResult, std::int16_t& NumFittedPDFs, std::string& FitPDFName, Value& FitIndex,
                        Value& Coef1, Value& Coef2, Value& Coef3, Value& Coef4, Value& Coef5) {
  const char separator = kx::application_of(application())->decimal_separator();
  std::array<std::string, 8> titles;
  for (std::int32_t i = 0; i < 8; ++i) titles[i] = risk_text(kResultTitleRow + i);
  const std::array<Value, 5> parameters = {Coef1, Coef2, Coef3, Coef4, Coef5};
  kx::Array table = fitting::writable_table(FitResult);
  try {
    fitting::store_fit_row(table, titles, NumFittedPDFs, FitPDFName, FitIndex, parameters, separator);
  } catch (...) {
    FitResult = Value(std::move(table));
    throw;
  }
  FitResult = Value(std::move(table));
  return Value();
}

}  // namespace riskfn
