#include "cli/csv_separator_check.hpp"

#include <algorithm>

#include "common/failure.hpp"

namespace cli {
namespace {

constexpr std::size_t kLinesLooked = 20;

}  // namespace

void refuse_semicolon_csv(const host::WorkbookFile& file) {
  if (file.format != host::WorkbookFormat::Csv) return;
  // Decimal commas put commas outside quotes too; the separators outnumber them and are on
  // most lines.
  std::size_t commas = 0;
  std::size_t semicolons = 0;
  std::size_t lines = 0;
  std::size_t lines_with_semicolons = 0;
  bool quoted = false;
  bool semicolon_here = false;
  for (std::size_t at = 0; lines < kLinesLooked && at < file.content.size(); ++at) {
    const char c = file.content[at];
    if (c == '"') quoted = !quoted;  // a doubled quote inside a field toggles twice
    if (quoted) continue;
    if (c == ',') ++commas;
    if (c == ';') {
      ++semicolons;
      semicolon_here = true;
    }
    if (c == '\n') {
      ++lines;
      if (semicolon_here) ++lines_with_semicolons;
      semicolon_here = false;
    }
  }
  if (semicolon_here) ++lines_with_semicolons;
  if (semicolons > 0 && semicolons >= commas && 2 * lines_with_semicolons >= std::max<std::size_t>(1, lines)) {
    throw kx::Failure(kx::error::kHostFailure,
                      file.path +
                          ": its fields are separated by ';', as where the decimal mark is a comma; kx reads CSV "
                          "models with ',' between fields and '.' in numbers: save it that way, or as .xlsx or .ods");
  }
}

}  // namespace cli
