// Loading a workbook file for a command, with what could not be read said on standard error.
#pragma once

#include <memory>
#include <string>

#include "host/document/book.hpp"

namespace cli {

// Prints each cell the file held in a form the host cannot keep, one "warning:" line each.
void print_read_warnings(const std::string& path, const host::Book& book);

// host::load_workbook, then print_read_warnings.
std::shared_ptr<host::Book> load_workbook_reporting(const std::string& path);

}  // namespace cli
