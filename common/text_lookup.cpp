#include "common/text_lookup.hpp"

#include "common/conversions.hpp"
#include "common/host_services.hpp"

namespace kx {

std::int32_t language_column(const std::string& code) {
  static constexpr std::pair<const char*, std::int32_t> kColumns[] = {
      {"GBR", 2}, {"ITA", 3}, {"ESP", 4}, {"FRA", 5}, {"GER", 6}};
  for (const auto& [language, column] : kColumns) {
    if (code == language) return column;
  }
  return 2;
}

std::string lookup_text(TextTables tables, const Value& application, const Value& this_workbook, std::int16_t tool,
                        std::int32_t row) {
  const auto host = application_of(application);
  const auto addin = host->workbook(kAddinWorkbookName);
  const std::string code = to_text(addin->worksheet("matcov")->range("E2")->value());
  const std::int32_t column = language_column(code);

  const char* sheet = nullptr;
  std::int32_t sheet_row = row;
  std::shared_ptr<Workbook> workbook;
  if (tables == TextTables::Risk) {
    if (tool == 0) sheet = "mlRisk";
    if (tool == 1) sheet = "mlLearn";
    if (sheet == nullptr) return {};
    // The risk tables keep a header row above the first text.
    if (row == INT32_MAX) throw Failure(error::kOverflow);
    sheet_row = row + 1;
    workbook = workbook_of(this_workbook);
  } else {
    if (tool != 0) return {};
    sheet = "mlFunctions";
    workbook = addin;
  }
  return to_text(workbook->worksheet(sheet)->cells(sheet_row, column)->value());
}

}  // namespace kx
