// Reading workbook files (.csv, .xlsx, .ods, .fods) into the host's document model.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/document/book.hpp"

namespace host {

enum class WorkbookFormat { Csv, Xlsx, Ods, FlatOds };

// Bounds that keep a small hostile file from asking for gigabytes; a reader that meets
// one fails with a message naming it.
struct ReadLimits {
  std::int64_t max_cells = 10'000'000;  // cells written, all sheets together
  // Formula cells among them. Each keeps its own text and parsed formula, about 1 KB, so a
  // formula repeated across a sheet must stop here, not at gigabytes.
  std::int64_t max_formula_cells = 1'000'000;
  std::int64_t max_text_bytes = 512LL << 20;  // texts and formula texts together
  std::int64_t max_file_bytes = 1LL << 30;    // the file, and each part unpacked from it
};

// How a CSV file separates its fields and writes its numbers: where the decimal mark is a
// comma, fields are separated by ';', numbers read "1.234,5" and formulas separate their
// arguments by ';' ("=kxNORMAL(1,5;0,5)").
struct CsvFormat {
  char delimiter = ',';
  char decimal = '.';  // '.' or ','
};

// The format named by a path's extension, compared without case; nullopt for any other.
std::optional<WorkbookFormat> workbook_format(std::string_view path);

// Loads a workbook file by its extension. The workbook is named after the file (without
// its directory); a CSV file gives one sheet named after the file without its extension.
// A formula cell keeps its text without the leading "=", in the A1 form of the .xlsx
// format ("SUM(B1:B3)", "'Model Sheet'!B2*2"), and the result the file last stored for it
// as its value (empty when the file stored none). Fails with kx::Failure (host failure,
// 1004) and a message naming the file when it is missing, unreadable, of another type,
// malformed or beyond the limits. `csv` applies to a .csv file only.
std::shared_ptr<Book> load_workbook(const std::string& path, const ReadLimits& limits = {},
                                    const CsvFormat& csv = {});

// The same from the file's content; file_name names the workbook (and the CSV sheet).
std::shared_ptr<Book> read_workbook(std::string_view content, WorkbookFormat format, const std::string& file_name,
                                    const ReadLimits& limits = {}, const CsvFormat& csv = {});

}  // namespace host
