#include "host/files/xlsx_sheet_part.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <orcus/sax_parser.hpp>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/files/date_values.hpp"
#include "host/files/formula_text.hpp"
#include "host/files/number_text.hpp"
#include "host/formula/formula_errors.hpp"

namespace host {
namespace {

// The elements of a sheet part the walk needs; everything else only nests.
enum class Element { SheetData, Row, Cell, Formula, Value, InlineString, Run, Text, Other };

Element element_of(std::string_view name, Element parent) {
  struct Entry {
    std::string_view name;
    Element parent;
    Element element;
  };
  static constexpr Entry kElements[] = {
      {"row", Element::SheetData, Element::Row},    {"c", Element::Row, Element::Cell},
      {"f", Element::Cell, Element::Formula},       {"v", Element::Cell, Element::Value},
      {"is", Element::Cell, Element::InlineString}, {"r", Element::InlineString, Element::Run},
      {"t", Element::InlineString, Element::Text},  {"t", Element::Run, Element::Text},
  };
  if (name == "sheetData") return Element::SheetData;
  for (const auto& entry : kElements) {
    if (entry.name == name && entry.parent == parent) return entry.element;
  }
  return Element::Other;
}

std::size_t whole_number(std::string_view text) {
  std::size_t number = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), number);
  return status == std::errc() && end == text.data() + text.size() ? number : 0;
}

class SheetCells : public orcus::sax_handler {
 public:
  SheetCells(const XlsxCellContext& context, BookBuilder& builder, Sheet& sheet)
      : context_(context), builder_(builder), sheet_(sheet) {}

  // Rows and cells name their place in "r", a cell its type in "t" and its metadata in "cm";
  // a formula its kind in "t", its area in "ref" and its shared formula in "si".
  void attribute(const orcus::sax::parser_attribute& attribute) {
    const std::string_view name = attribute.name;
    if (name == "r") {
      place_ = attribute.value;
    } else if (name == "t") {
      type_attribute_ = attribute.value;
    } else if (name == "cm") {
      metadata_ = whole_number(attribute.value);
    } else if (name == "ref") {
      reference_ = attribute.value;
    } else if (name == "si") {
      shared_index_ = attribute.value;
    }
  }

  void start_element(const orcus::sax::parser_element& element) {
    const Element current = element_of(element.name, stack_.empty() ? Element::Other : stack_.back());
    switch (current) {
      case Element::Row: start_row(); break;
      case Element::Cell: start_cell(); break;
      case Element::Formula: start_formula(); break;
      case Element::Value: has_value_ = true; break;
      case Element::InlineString: has_inline_ = true; break;
      default: break;
    }
    stack_.push_back(current);
    place_.clear();
    type_attribute_.clear();
    reference_.clear();
    shared_index_.clear();
    metadata_ = 0;
  }

  void end_element(const orcus::sax::parser_element&) {
    if (stack_.empty()) return;
    const Element current = stack_.back();
    stack_.pop_back();
    if (current == Element::Cell) end_cell();
  }

  void characters(std::string_view text, bool) {
    if (stack_.empty()) return;
    // Only a value's text, a formula's and an inline string's own runs; phonetic runs (rPh) are no part of it.
    std::string* into = nullptr;
    switch (stack_.back()) {
      case Element::Value: into = &value_; break;
      case Element::Formula: into = &formula_; break;
      case Element::Text: into = &inline_; break;
      default: return;
    }
    builder_.check_text(static_cast<std::int64_t>(into->size() + text.size()));
    into->append(text);
  }

 private:
  struct SharedFormula {
    std::int32_t row;
    std::int32_t column;
    std::string text;
  };

  void start_row() {
    const std::string_view number = place_;
    std::int64_t row = 0;
    const auto [end, status] = std::from_chars(number.data(), number.data() + number.size(), row);
    const bool read = status == std::errc() && end == number.data() + number.size();
    row_ = read ? row : row_ + 1;
    column_ = 0;
  }

  void start_cell() {
    type_ = type_attribute_;
    cell_metadata_ = metadata_;
    const std::string_view address = place_;
    if (address.empty()) {
      ++column_;
    } else {
      const auto area = parse_address(address);
      if (!area || area->row_count() != 1 || area->column_count() != 1) {
        fail_reading("sheet \"" + sheet_.name() + "\" has a cell at " + quoted_excerpt(address) + ", which is no cell");
      }
      row_ = area->top;
      column_ = area->left;
    }
    has_formula_ = has_value_ = has_inline_ = false;
    value_.clear();
    formula_.clear();
    inline_.clear();
  }

  void start_formula() {
    has_formula_ = true;
    formula_kind_ = type_attribute_;
    formula_area_ = reference_;
    formula_shared_ = shared_index_;
  }

  void end_cell() {
    if (has_formula_) {
      formula_cell();
      return;
    }
    if (covered()) return;  // an array formula's result, which the engine spills again
    write(shown_value());
  }

  // The value the cell shows, by its type.
  kx::Value shown_value() {
    // Without its text element an inline text cell holds nothing, as spreadsheets read it; with
    // an empty one it holds the empty text.
    if (type_ == "inlineStr") return has_inline_ ? kx::Value(std::move(inline_)) : kx::Value();
    if (!has_value_) return {};
    if (type_.empty() || type_ == "n") return number_value();
    if (type_ == "s") return shared_string();
    if (type_ == "b") return boolean_value();
    if (type_ == "str") return std::move(value_);
    if (type_ == "e") return error_value();
    if (type_ == "d") return date_value();
    warn("has the cell type " + quoted_excerpt(type_) + ", which no spreadsheet defines; its " +
         quoted_excerpt(value_) + " is read as text");
    return std::move(value_);
  }

  void formula_cell() {
    const std::int32_t row = this->row();
    const std::int32_t column = this->column();
    kx::Value cached = shown_value();
    std::string text = std::move(formula_);
    if (formula_kind_ == "shared" && !formula_shared_.empty()) {
      if (!text.empty()) {
        shared_[formula_shared_] = SharedFormula{row, column, text};
      } else {
        // The cells a shared formula fills carry only its number; the text is the first cell's, moved.
        const auto found = shared_.find(formula_shared_);
        if (found == shared_.end()) {
          fail_reading(BookBuilder::cell_name(sheet_, row, column) +
                       " uses a shared formula that no cell before it holds");
        }
        const SharedFormula& origin = found->second;
        text = shift_references(origin.text, row - origin.row, column - origin.column);
      }
    }
    // A data table's cells, and a formula element without a formula, keep the values they show.
    if (text.empty() || formula_kind_ == "dataTable") {
      write(std::move(cached));
      return;
    }
    const bool array = formula_kind_ == "array";
    if (array) cover(row, column);
    const bool dynamic = cell_metadata_ > 0 && cell_metadata_ < context_.dynamic_metadata.size() &&
                         context_.dynamic_metadata[cell_metadata_];
    builder_.set_formula(sheet_, row, column, std::move(text), std::move(cached), !array && !dynamic);
  }

  // The other cells of an array formula hold its results, which the engine computes again.
  // They come after its top-left cell, so each column remembers down to which row it is covered.
  void cover(std::int32_t row, std::int32_t column) {
    const auto area = parse_address(formula_area_);
    if (!area || (area->row_count() == 1 && area->column_count() == 1)) return;
    const std::int64_t cells = std::int64_t{area->row_count()} * area->column_count();
    if (cells > builder_.limits().max_cells) {
      fail_reading("an array formula covers " + formula_area_ + ", more than " +
                   std::to_string(builder_.limits().max_cells) + " cells");
    }
    if (area->top != row || area->left != column) return;
    builder_.charge_cells(cells - 1);
    if (covered_until_.empty()) covered_until_.assign(static_cast<std::size_t>(kMaxColumns) + 1, 0);
    for (std::int32_t at = area->left; at <= area->right; ++at) {
      covered_until_[static_cast<std::size_t>(at)] = std::max(covered_until_[static_cast<std::size_t>(at)], area->bottom);
    }
  }

  bool covered() const {
    return !covered_until_.empty() && column_ >= 1 && column_ <= kMaxColumns &&
           row_ <= covered_until_[static_cast<std::size_t>(column_)];
  }

  kx::Value number_value() {
    if (value_.empty()) return {};
    if (const auto number = file_number(value_)) return *number;
    if (value_ == "INF" || value_ == "-INF") return kx::ErrorValue{kx::error::kXlNum};  // LibreOffice's overflow
    warn("holds the number " + quoted_excerpt(value_) + ", which no double holds; it is read as #NUM!");
    return kx::ErrorValue{kx::error::kXlNum};
  }

  kx::Value shared_string() {
    std::size_t index = 0;
    const auto [end, status] = std::from_chars(value_.data(), value_.data() + value_.size(), index);
    if (status != std::errc() || end != value_.data() + value_.size() || index >= context_.shared_strings.size()) {
      fail_reading("a cell names shared text " + quoted_excerpt(value_) + ", which the file does not hold");
    }
    return context_.shared_strings[index];
  }

  kx::Value boolean_value() {
    if (value_ == "1" || value_ == "true") return true;
    if (value_ == "0" || value_ == "false") return false;
    warn("holds the boolean " + quoted_excerpt(value_) + ", which is neither 0 nor 1; it is read as text");
    return std::move(value_);
  }

  kx::Value error_value() {
    if (const auto error = kx::error_named(value_)) return *error;
    if (value_ == "#SPILL!") return kx::ErrorValue{kErrSpill};
    // LibreOffice reads an error it does not know as a name it does not know.
    warn("holds the error " + quoted_excerpt(value_) + ", which the host does not know; it is read as #NAME?");
    return kx::ErrorValue{kx::error::kXlName};
  }

  kx::Value date_value() {
    if (const auto serial = iso_date_serial(value_)) return *serial;
    warn("holds the date " + quoted_excerpt(value_) + ", which is no date from 1900 to 9999; it is read as text");
    return std::move(value_);
  }

  // Rows and columns beyond the sheet go to the builder as one past its edge, which it refuses.
  std::int32_t row() const { return static_cast<std::int32_t>(std::clamp<std::int64_t>(row_, 0, kMaxRows + 1LL)); }
  std::int32_t column() const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(column_, 0, kMaxColumns + 1LL));
  }

  void write(kx::Value value) { builder_.set_value(sheet_, row(), column(), std::move(value)); }
  void warn(const std::string& message) { builder_.warn(sheet_, row(), column(), message); }

  const XlsxCellContext& context_;
  BookBuilder& builder_;
  Sheet& sheet_;
  std::vector<Element> stack_;
  // The attributes of the element being started.
  std::string place_;
  std::string type_attribute_;
  std::string reference_;
  std::string shared_index_;
  std::size_t metadata_ = 0;
  // The cell being read.
  std::int64_t row_ = 0;
  std::int64_t column_ = 0;
  std::string type_;
  std::size_t cell_metadata_ = 0;
  bool has_formula_ = false;
  bool has_value_ = false;
  bool has_inline_ = false;
  std::string value_;
  std::string formula_;
  std::string inline_;
  std::string formula_kind_;
  std::string formula_area_;
  std::string formula_shared_;
  std::unordered_map<std::string, SharedFormula> shared_;
  std::vector<std::int32_t> covered_until_;  // by column: the last row an array formula covers
};

}  // namespace

void read_sheet_part(const std::string& xml, const XlsxCellContext& context, Sheet& sheet, BookBuilder& builder) {
  SheetCells cells(context, builder, sheet);
  orcus::sax_parser<SheetCells> parser(xml.data(), xml.size(), cells);
  parser.parse();
}

}  // namespace host
