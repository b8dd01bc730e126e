#include "cli/csv_separator_check.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/files/csv_reader.hpp"

namespace cli {
namespace {

constexpr std::size_t kLinesLooked = 20;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// Most of the first lines separate their fields by ';', and commas outside quotes are fewer:
// decimal commas put commas outside quotes too, but the separators outnumber them.
bool separated_by_semicolons(const std::string& content) {
  std::size_t commas = 0;
  std::size_t semicolons = 0;
  std::size_t lines = 0;
  std::size_t lines_with_semicolons = 0;
  bool quoted = false;
  bool semicolon_here = false;
  for (std::size_t i = 0; i < content.size() && lines < kLinesLooked; ++i) {
    const char c = content[i];
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
  return semicolons > 0 && semicolons >= commas && 2 * lines_with_semicolons >= std::max<std::size_t>(1, lines);
}

// A ';' that a decimal comma's formulas separate arguments by; the host's own formulas have
// none outside texts, quoted sheet names and array constants.
bool separates_arguments_by_semicolons(std::string_view formula, char delimiter) {
  const std::string host_form = host::csv_formula(formula, {delimiter, ','});
  for (std::size_t i = 0; i < formula.size(); ++i) {
    if (formula[i] == ';' && host_form[i] == ',') return true;
  }
  return false;
}

// Calls `look` with every field as the reader takes it apart, and the line it starts on.
template <typename Look>
void each_field(const std::string& content, char delimiter, Look look) {
  std::string field;
  std::size_t line = 1;
  std::size_t field_line = 1;
  bool quoted = false;
  for (std::size_t i = 0; i <= content.size(); ++i) {
    const char c = i < content.size() ? content[i] : '\n';
    if (quoted) {
      if (c == '"' && i + 1 < content.size() && content[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
      if (c == '\n') ++line;
      continue;
    }
    if (c == '"' && field.empty()) {
      quoted = true;
    } else if (c == delimiter || c == '\n' || c == '\r') {
      look(field, field_line);
      field.clear();
      if (c == '\n') ++line;
      field_line = line;
    } else {
      field += c;
    }
  }
}

std::string shown(char delimiter) { return delimiter == '\t' ? "tab" : fmt::format("'{}'", delimiter); }

}  // namespace

host::CsvFormat csv_format_for(const std::string& path, std::optional<char> delimiter, std::optional<char> decimal) {
  host::CsvFormat format{delimiter.value_or(','), decimal.value_or('.')};
  if (kx::to_lower_ascii(std::filesystem::path(path).extension().string()) != ".csv") return format;
  // A model that cannot be opened is said by the reader, with its reason.
  std::ifstream file(path, std::ios::binary);
  const std::string content{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (!delimiter && separated_by_semicolons(content)) {
    fail(path +
         ": its fields are separated by ';', as where the decimal mark is a comma: read it with --delimiter ';' "
         "--decimal ',' (or --delimiter ';' alone where its numbers are written as 1.5)");
  }
  if (decimal) return format;
  const host::CsvFormat comma{format.delimiter, ','};
  each_field(content, format.delimiter, [&](const std::string& field, std::size_t line) {
    if (field.size() > 1 && field.front() == '=') {
      if (!separates_arguments_by_semicolons(field, format.delimiter)) return;
      fail(fmt::format("{}: line {}: the formula {} separates its arguments by ';', as where the decimal mark is a "
                       "comma: read the file with --delimiter {} --decimal ','",
                       path, line, field, shown(format.delimiter)));
    }
    if (field.find(',') == std::string::npos || host::csv_number(field, format) ||
        !host::csv_number(field, comma)) {
      return;
    }
    fail(fmt::format("{}: line {}: \"{}\" is a number only where the decimal mark is a comma: read the file with "
                     "--delimiter {} --decimal ',' (or --decimal '.' to keep it as text)",
                     path, line, field, shown(format.delimiter)));
  });
  return format;
}

}  // namespace cli
