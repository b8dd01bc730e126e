// Names of the worksheet functions and the helpers shared by every host.
#include "common/host_services.hpp"

#include <array>
#include <vector>

#include "common/text_compare.hpp"

namespace kx {
namespace {

constexpr std::array<std::string_view, kWorksheetFnCount> kNames = {
    "NormInv",      "NormSInv",  "BetaInv",   "GammaInv",  "TInv",      "ChiInv",  "CritBinom", "NormDist",
    "NormSDist",    "GammaDist", "BinomDist", "ExponDist", "Poisson",   "Weibull", "BetaDist",  "HypGeomDist",
    "NegBinomDist", "TDist",     "ChiTest",   "GammaLn",   "Ln",        "Log",     "Pi",        "Fact",
    "Floor",        "Round",     "RoundUp",   "RoundDown", "Sum",       "Count",   "Min",       "Max",
    "Average",      "Stdev",     "Stdevp",    "Var",       "Varp",      "SumSq",   "SumXMY2",   "SumProduct",
    "SumIf",        "CountIf",   "Rank",      "Index",     "Transpose", "MMult",   "MInverse",  "LinEst",
};

}  // namespace

std::string_view worksheet_fn_name(WorksheetFn fn) { return kNames.at(static_cast<std::size_t>(fn)); }

std::optional<WorksheetFn> find_worksheet_fn(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (equals_ignore_case(kNames[i], name)) return static_cast<WorksheetFn>(i);
  }
  return std::nullopt;
}

RangeRef Range::item(std::int64_t index) const {
  const std::int64_t columns = column_count();
  if (index < 1 || columns <= 0)
    throw Failure(error::kHostFailure, "Range item " + std::to_string(index) + " is outside the range");
  const auto row = static_cast<std::int32_t>((index - 1) / columns + 1);
  const auto column = static_cast<std::int32_t>((index - 1) % columns + 1);
  return cells(row, column);
}

std::optional<double> Application::call_number(WorksheetFn fn, std::span<const double> args) {
  std::vector<Value> values(args.begin(), args.end());
  const Value result = call(fn, std::span<const Value>(values.data(), values.size()));
  if (!result.is_number()) return std::nullopt;
  return result.number();
}

Value Application::call_with_numbers(WorksheetFn fn, std::initializer_list<double> args) {
  const std::span<const double> numbers(args.begin(), args.size());
  if (const auto number = call_number(fn, numbers)) return *number;
  std::vector<Value> values(args.begin(), args.end());
  return call(fn, std::span<const Value>(values.data(), values.size()));
}

RangeRef Application::range(std::string_view address) const {
  throw Failure(error::kHostFailure, "This host has no range " + std::string(address));
}

std::shared_ptr<Application> application_of(const Value& value) {
  if (value.is_object()) {
    if (auto application = std::dynamic_pointer_cast<Application>(value.object())) return application;
  }
  throw Failure(error::kObjectNotSet, "Application is not set to the host application");
}

std::shared_ptr<Workbook> workbook_of(const Value& value) {
  if (value.is_object()) {
    if (auto workbook = std::dynamic_pointer_cast<Workbook>(value.object())) return workbook;
  }
  throw Failure(error::kObjectNotSet, "ThisWorkbook is not set to a workbook");
}

}  // namespace kx
