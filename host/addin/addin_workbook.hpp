// The add-in workbook korvex.xla: its text sheets and the language setting in matcov!E2.
#pragma once

#include <memory>
#include <string_view>

#include "host/document/book.hpp"
#include "host/document/spreadsheet.hpp"

namespace host {

// The three-letter codes the text sheets have columns for, in column order from 2.
inline constexpr std::string_view kLanguageCodes[] = {"GBR", "ITA", "ESP", "FRA", "GER"};

std::shared_ptr<Book> make_addin_workbook(std::string_view language = "GBR");

// Opens the add-in workbook in the application unless it is open already; returns it.
std::shared_ptr<Book> open_addin_workbook(Spreadsheet& application, std::string_view language = "GBR");

// Writes the language code into matcov!E2 of an open add-in workbook.
void set_addin_language(Spreadsheet& application, std::string_view language);

}  // namespace host
