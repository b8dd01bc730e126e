#include "cli/workbook_loading.hpp"

#include <fmt/format.h>

#include "cli/terminal_text.hpp"
#include "host/files/workbook_files.hpp"

namespace cli {

void print_read_warnings(const std::string& path, const host::Book& book) {
  for (const std::string& line : book.read_warnings()) print_error_line(fmt::format("warning: {}: {}", path, line));
}

std::shared_ptr<host::Book> load_workbook_reporting(const std::string& path) {
  auto book = host::load_workbook(path);
  print_read_warnings(path, *book);
  return book;
}

}  // namespace cli
