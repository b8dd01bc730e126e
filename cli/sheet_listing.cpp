#include "cli/sheet_listing.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <vector>

#include "cli/terminal_text.hpp"
#include "host/document/address.hpp"
#include "host/document/sheet.hpp"

namespace cli {
namespace {

struct SheetLine {
  std::string name;
  std::string used;
  std::int64_t formulas = 0;
  bool hidden = false;
};

SheetLine line_of(host::Sheet& sheet) {
  SheetLine line{terminal_safe(sheet.name()), "empty", 0, sheet.hidden()};
  std::int32_t top = host::kMaxRows + 1;
  std::int32_t left = host::kMaxColumns + 1;
  std::int32_t bottom = 0;
  std::int32_t right = 0;
  sheet.for_each_cell([&](std::int32_t row, std::int32_t column, host::Cell& cell) {
    top = std::min(top, row);
    left = std::min(left, column);
    bottom = std::max(bottom, row);
    right = std::max(right, column);
    if (cell.has_formula()) ++line.formulas;
  });
  if (bottom > 0) {
    line.used = host::column_letters(left) + std::to_string(top);
    if (bottom != top || right != left) line.used += ":" + host::column_letters(right) + std::to_string(bottom);
  }
  return line;
}

}  // namespace

std::string sheet_listing(const host::Book& book) {
  std::vector<SheetLine> lines;
  std::size_t name_width = 0;
  std::size_t used_width = 0;
  for (const auto& sheet : book.sheets()) {
    lines.push_back(line_of(*sheet));
    name_width = std::max(name_width, lines.back().name.size());
    used_width = std::max(used_width, lines.back().used.size());
  }
  std::string text = fmt::format("{}: {} sheet{}\n", terminal_safe(book.name()), lines.size(),
                                 lines.size() == 1 ? "" : "s");
  for (const SheetLine& line : lines) {
    text += fmt::format("  {:<{}}  {:<{}}  {} formula{}{}\n", line.name, name_width, line.used, used_width,
                        line.formulas, line.formulas == 1 ? "" : "s", line.hidden ? ", hidden" : "");
  }
  return text;
}

}  // namespace cli
