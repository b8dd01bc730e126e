#include "host/files/workbook_files.hpp"

#include <filesystem>
#include <fstream>
#include <new>

#include "common/text_compare.hpp"
#include "host/files/csv_reader.hpp"
#include "host/files/ods_reader.hpp"
#include "host/files/xlsx_reader.hpp"

namespace host {
namespace {

constexpr std::string_view kSupported = "use .csv, .xlsx, .ods or .fods";

std::string_view format_name(WorkbookFormat format) {
  switch (format) {
    case WorkbookFormat::Csv: return ".csv";
    case WorkbookFormat::Xlsx: return ".xlsx";
    case WorkbookFormat::Ods: return ".ods";
    case WorkbookFormat::FlatOds: return ".fods";
  }
  return "";
}

std::shared_ptr<Book> read_content(std::string_view content, WorkbookFormat format, const std::string& file_name,
                                   const ReadLimits& limits, const CsvFormat& csv) {
  if (static_cast<std::int64_t>(content.size()) > limits.max_file_bytes) {
    throw kx::Failure(kx::error::kHostFailure,
                      "the file is larger than " + std::to_string(limits.max_file_bytes) + " bytes");
  }
  switch (format) {
    case WorkbookFormat::Csv:
      return read_csv(content, file_name, std::filesystem::path(file_name).stem().string(), limits, csv);
    case WorkbookFormat::Xlsx: return read_xlsx(content, file_name, limits);
    case WorkbookFormat::Ods: return read_ods(content, file_name, limits);
    case WorkbookFormat::FlatOds: return read_flat_ods(content, file_name, limits);
  }
  throw kx::Failure(kx::error::kHostFailure, "the file type is unknown");
}

// Every failure of reading, with the file it concerns; the libraries' own exceptions
// say what they found malformed.
std::shared_ptr<Book> read_or_fail(std::string_view content, WorkbookFormat format, const std::string& file_name,
                                   const std::string& shown_path, const ReadLimits& limits, const CsvFormat& csv) {
  const std::string prefix = "Cannot read \"" + shown_path + "\": ";
  try {
    return read_content(content, format, file_name, limits, csv);
  } catch (const kx::Failure& failure) {
    throw kx::Failure(kx::error::kHostFailure, prefix + failure.what());
  } catch (const std::bad_alloc&) {
    throw kx::Failure(kx::error::kOutOfMemory, prefix + "there is not enough memory to hold it");
  } catch (const std::exception& failure) {
    throw kx::Failure(kx::error::kHostFailure, prefix + "it is no valid " + std::string(format_name(format)) +
                                                   " workbook (" + failure.what() + ")");
  } catch (...) {
    throw kx::Failure(kx::error::kHostFailure,
                      prefix + "it is no valid " + std::string(format_name(format)) + " workbook");
  }
}

// The whole file, or a failure saying why it cannot be had.
std::string file_content(const std::string& path, const ReadLimits& limits) {
  const std::string prefix = "Cannot read \"" + path + "\": ";
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) {
    throw kx::Failure(kx::error::kHostFailure, prefix + "there is no such file");
  }
  if (status.type() == std::filesystem::file_type::directory) {
    throw kx::Failure(kx::error::kHostFailure, prefix + "it is a directory");
  }
  // A file known to be too large is refused before a byte of it is read.
  if (status.type() == std::filesystem::file_type::regular) {
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > static_cast<std::uintmax_t>(limits.max_file_bytes)) {
      throw kx::Failure(kx::error::kHostFailure,
                        prefix + "the file is larger than " + std::to_string(limits.max_file_bytes) + " bytes");
    }
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) throw kx::Failure(kx::error::kHostFailure, prefix + "the file cannot be opened");
  // Read in pieces, so that a device or pipe without a size meets the limit too.
  std::string content;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    // Checked before the piece is added: growing past the limit would double the memory held.
    if (static_cast<std::int64_t>(content.size() + static_cast<std::size_t>(in.gcount())) > limits.max_file_bytes) {
      throw kx::Failure(kx::error::kHostFailure,
                        prefix + "the file is larger than " + std::to_string(limits.max_file_bytes) + " bytes");
    }
    content.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  if (in.bad()) throw kx::Failure(kx::error::kHostFailure, prefix + "the file cannot be read");
  return content;
}

}  // namespace

std::optional<WorkbookFormat> workbook_format(std::string_view path) {
  const std::string extension = kx::to_lower_ascii(std::filesystem::path(path).extension().string());
  if (extension == ".csv") return WorkbookFormat::Csv;
  if (extension == ".xlsx") return WorkbookFormat::Xlsx;
  if (extension == ".ods") return WorkbookFormat::Ods;
  if (extension == ".fods") return WorkbookFormat::FlatOds;
  return std::nullopt;
}

std::shared_ptr<Book> load_workbook(const std::string& path, const ReadLimits& limits, const CsvFormat& csv) {
  const auto format = workbook_format(path);
  if (!format) {
    const std::string extension = std::filesystem::path(path).extension().string();
    const std::string kind = extension.empty() ? "files without an extension" : "\"" + extension + "\" files";
    throw kx::Failure(kx::error::kHostFailure,
                      "Cannot read \"" + path + "\": " + kind + " are not supported (" + std::string(kSupported) + ")");
  }
  const std::string content = file_content(path, limits);
  return read_or_fail(content, *format, std::filesystem::path(path).filename().string(), path, limits, csv);
}

std::shared_ptr<Book> read_workbook(std::string_view content, WorkbookFormat format, const std::string& file_name,
                                    const ReadLimits& limits, const CsvFormat& csv) {
  return read_or_fail(content, format, file_name, file_name, limits, csv);
}

}  // namespace host
