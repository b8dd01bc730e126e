#include "host/files/xlsx_dropped_cells.hpp"

#include <charconv>
#include <orcus/sax_parser.hpp>
#include <utility>
#include <vector>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/files/date_values.hpp"
#include "host/formula/formula_errors.hpp"

namespace host {
namespace {

using Attributes = std::vector<std::pair<std::string, std::string>>;

std::string_view attribute_named(const Attributes& attributes, std::string_view name) {
  for (const auto& [key, value] : attributes) {
    if (key == name) return value;
  }
  return {};
}

// Collects the attributes of every element of one name. Names are compared without their
// namespace prefix: the parts' elements and attributes are known by their local names alone.
class ElementCollector : public orcus::sax_handler {
 public:
  explicit ElementCollector(std::string_view name) : name_(name) {}

  void attribute(const orcus::sax::parser_attribute& attribute) {
    attributes_.emplace_back(attribute.name, attribute.value);
  }
  void start_element(const orcus::sax::parser_element& element) {
    if (element.name == name_) found_.push_back(std::move(attributes_));
    attributes_.clear();
  }
  void end_element(const orcus::sax::parser_element&) { attributes_.clear(); }

  std::vector<Attributes> take() { return std::move(found_); }

 private:
  std::string_view name_;
  Attributes attributes_;
  std::vector<Attributes> found_;
};

template <typename Handler>
void parse_xml(const std::string& xml, Handler& handler) {
  orcus::sax_parser<Handler> parser(xml.data(), xml.size(), handler);
  parser.parse();
}

std::vector<Attributes> elements_named(const std::string& xml, std::string_view name) {
  ElementCollector collector(name);
  parse_xml(xml, collector);
  return collector.take();
}

// A relationship's target as a part name: from the archive's root when it starts with "/",
// else from the folder of the part that names it.
std::string target_part(std::string_view source_part, std::string_view target) {
  std::vector<std::string_view> segments;
  auto add = [&segments](std::string_view path) {
    while (!path.empty()) {
      const std::size_t slash = std::min(path.find('/'), path.size());
      const std::string_view segment = path.substr(0, slash);
      if (segment == "..") {
        if (!segments.empty()) segments.pop_back();
      } else if (!segment.empty() && segment != ".") {
        segments.push_back(segment);
      }
      path.remove_prefix(std::min(slash + 1, path.size()));
    }
  };
  if (!target.starts_with('/')) {
    const std::size_t folder_end = source_part.rfind('/');
    if (folder_end != std::string_view::npos) add(source_part.substr(0, folder_end));
  }
  add(target);
  std::string name;
  for (const std::string_view segment : segments) {
    if (!name.empty()) name += '/';
    name += segment;
  }
  return name;
}

// The relationships a part has ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
std::vector<Attributes> relationships_of(const PartText& part_text, std::string_view part) {
  const std::size_t folder_end = part.rfind('/');
  const std::string_view folder = folder_end == std::string_view::npos ? "" : part.substr(0, folder_end + 1);
  const std::string_view file = part.substr(folder.size());
  const auto xml = part_text(std::string(folder) + "_rels/" + std::string(file) + ".rels");
  return xml ? elements_named(*xml, "Relationship") : std::vector<Attributes>{};
}

std::optional<std::string> related_part(const std::vector<Attributes>& relationships, std::string_view source_part,
                                        std::string_view type_suffix, std::string_view id = {}) {
  for (const auto& relationship : relationships) {
    if (!id.empty() && attribute_named(relationship, "Id") != id) continue;
    if (!attribute_named(relationship, "Type").ends_with(type_suffix)) continue;
    return target_part(source_part, attribute_named(relationship, "Target"));
  }
  return std::nullopt;
}

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

class SheetCells : public orcus::sax_handler {
 public:
  SheetCells(BookBuilder& builder, Sheet& sheet) : builder_(builder), sheet_(sheet) {}

  // Rows and cells name their place in "r" and a cell its type in "t"; nothing else is needed.
  void attribute(const orcus::sax::parser_attribute& attribute) {
    if (attribute.name == "r") place_ = attribute.value;
    if (attribute.name == "t") type_attribute_ = attribute.value;
  }

  void start_element(const orcus::sax::parser_element& element) {
    const Element current = element_of(element.name, stack_.empty() ? Element::Other : stack_.back());
    switch (current) {
      case Element::Row: start_row(); break;
      case Element::Cell: start_cell(); break;
      case Element::Formula: has_formula_ = true; break;
      case Element::Value: has_value_ = true; break;
      case Element::InlineString: has_inline_ = true; break;
      default: break;
    }
    stack_.push_back(current);
    place_.clear();
    type_attribute_.clear();
  }

  void end_element(const orcus::sax::parser_element&) {
    place_.clear();
    type_attribute_.clear();
    if (stack_.empty()) return;
    const Element current = stack_.back();
    stack_.pop_back();
    if (current == Element::Cell) end_cell();
  }

  void characters(std::string_view text, bool) {
    if (stack_.empty()) return;
    // Only a value's text and an inline string's own runs; phonetic runs (rPh) are no part of it.
    if (dropped_ && (stack_.back() == Element::Value || stack_.back() == Element::Text)) {
      builder_.check_text(static_cast<std::int64_t>(text_.size() + text.size()));
      text_.append(text);
    }
  }

 private:
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
    // orcus imports these types, and every formula.
    dropped_ = !type_.empty() && type_ != "n" && type_ != "s" && type_ != "b";
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
    text_.clear();
  }

  void end_cell() {
    if (has_formula_ || !dropped_) return;
    if (type_ == "inlineStr") {
      if (has_inline_ && !text_.empty()) write(text_);
      return;
    }
    if (!has_value_) return;
    if (type_ == "str") {
      write(text_);
    } else if (type_ == "e") {
      write(error_value());
    } else if (type_ == "d") {
      write(date_value());
    } else {
      warn("has the cell type " + quoted_excerpt(type_) + ", which no spreadsheet defines; its " +
           quoted_excerpt(text_) + " is read as text");
      write(text_);
    }
  }

  kx::Value error_value() {
    if (const auto error = kx::error_named(text_)) return *error;
    if (text_ == "#SPILL!") return kx::ErrorValue{kErrSpill};
    // LibreOffice reads an error it does not know as a name it does not know.
    warn("holds the error " + quoted_excerpt(text_) + ", which the host does not know; it is read as #NAME?");
    return kx::ErrorValue{kx::error::kXlName};
  }

  kx::Value date_value() {
    if (const auto serial = iso_date_serial(text_)) return *serial;
    warn("holds the date " + quoted_excerpt(text_) + ", which is no date from 1900 to 9999; it is read as text");
    return text_;
  }

  // Rows and columns beyond the sheet go to the builder as one past its edge, which it refuses.
  std::int32_t row() const { return static_cast<std::int32_t>(std::clamp<std::int64_t>(row_, 0, kMaxRows + 1LL)); }
  std::int32_t column() const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(column_, 0, kMaxColumns + 1LL));
  }

  void write(kx::Value value) { builder_.set_value(sheet_, row(), column(), std::move(value)); }
  void warn(const std::string& message) { builder_.warn(sheet_, row(), column(), message); }

  BookBuilder& builder_;
  Sheet& sheet_;
  std::vector<Element> stack_;
  std::string place_;
  std::string type_attribute_;
  std::int64_t row_ = 0;
  std::int64_t column_ = 0;
  std::string type_;
  bool dropped_ = false;
  bool has_formula_ = false;
  bool has_value_ = false;
  bool has_inline_ = false;
  std::string text_;
};

}  // namespace

void read_dropped_cells(const PartText& part_text, BookBuilder& builder) {
  const auto workbook = related_part(relationships_of(part_text, ""), "", "/officeDocument");
  if (!workbook) return;
  const auto workbook_xml = part_text(*workbook);
  if (!workbook_xml) return;
  const auto relationships = relationships_of(part_text, *workbook);
  for (const auto& entry : elements_named(*workbook_xml, "sheet")) {
    Sheet* sheet = builder.find_sheet(attribute_named(entry, "name"));
    const auto part = related_part(relationships, *workbook, "/worksheet", attribute_named(entry, "id"));
    if (sheet == nullptr || !part) continue;  // a chart sheet, which holds no cells
    const auto xml = part_text(*part);
    if (!xml) continue;
    SheetCells cells(builder, *sheet);
    parse_xml(*xml, cells);
  }
}

}  // namespace host
