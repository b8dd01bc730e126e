// The .ods reader: orcus unpacks the file and parses its content.xml, and the handler
// below walks the tables. orcus's own .ods import is not used: it drops boolean,
// percentage, currency and time cells, places the cells after a merged cell one column
// too far left and writes a repeated row only once.
#include "host/files/ods_reader.hpp"

#include <algorithm>
#include <charconv>
#include <orcus/sax_ns_parser.hpp>
#include <orcus/xml_namespace.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <unordered_set>
#include <vector>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/files/book_builder.hpp"
#include "host/files/date_values.hpp"
#include "host/files/formula_text.hpp"
#include "host/files/number_text.hpp"
#include "host/files/xml_check.hpp"
#include "host/files/zip_check.hpp"

namespace host {
namespace {

constexpr std::string_view kOfficeNamespace = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kTableNamespace = "urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr std::string_view kTextNamespace = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kCalcExtNamespace = "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";
constexpr std::string_view kStyleNamespace = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";

enum class Namespace { Office, Table, Text, CalcExt, Style, Other };

Namespace namespace_of(orcus::xmlns_id_t id) {
  const std::string_view uri = id != nullptr ? std::string_view(id) : std::string_view();
  if (uri == kOfficeNamespace) return Namespace::Office;
  if (uri == kTableNamespace) return Namespace::Table;
  if (uri == kTextNamespace) return Namespace::Text;
  if (uri == kCalcExtNamespace) return Namespace::CalcExt;
  if (uri == kStyleNamespace) return Namespace::Style;
  return Namespace::Other;
}

// The elements the walk cares about; everything else only nests.
enum class Element {
  Spreadsheet,
  Table,
  RowGroup,
  Row,
  Cell,
  Paragraph,
  Spaces,
  Tab,
  LineBreak,
  Annotation,
  NullDate,
  NamedRange,
  NamedExpression,
  Style,
  TableProperties,
  Other
};

Element element_of(Namespace ns, std::string_view name) {
  struct Entry {
    Namespace ns;
    std::string_view name;
    Element element;
  };
  static constexpr Entry kElements[] = {
      {Namespace::Office, "spreadsheet", Element::Spreadsheet},
      {Namespace::Office, "annotation", Element::Annotation},
      {Namespace::Table, "table", Element::Table},
      {Namespace::Table, "table-header-rows", Element::RowGroup},
      {Namespace::Table, "table-row-group", Element::RowGroup},
      {Namespace::Table, "table-rows", Element::RowGroup},
      {Namespace::Table, "table-row", Element::Row},
      {Namespace::Table, "table-cell", Element::Cell},
      // A cell hidden under a merged one still takes its column and keeps its content.
      {Namespace::Table, "covered-table-cell", Element::Cell},
      {Namespace::Table, "null-date", Element::NullDate},
      {Namespace::Table, "named-range", Element::NamedRange},
      {Namespace::Table, "named-expression", Element::NamedExpression},
      {Namespace::Text, "p", Element::Paragraph},
      {Namespace::Text, "s", Element::Spaces},
      {Namespace::Text, "tab", Element::Tab},
      {Namespace::Text, "line-break", Element::LineBreak},
      {Namespace::Style, "style", Element::Style},
      {Namespace::Style, "table-properties", Element::TableProperties},
  };
  for (const auto& entry : kElements) {
    if (entry.ns == ns && entry.name == name) return entry.element;
  }
  return Element::Other;
}

// A repeat count, at least 1 and at most `most` (anything past the sheet's edge is alike).
std::int64_t count_of(std::string_view text, std::int64_t most) {
  if (text.empty()) return 1;
  std::int64_t count = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), count);
  if (status == std::errc::result_out_of_range && text.front() != '-') return most;
  if (status != std::errc() || end != text.data() + text.size() || count < 1) return 1;
  return std::min(count, most);
}

// A formula's stored error by the text the cell shows.
kx::Value error_value(std::string_view text) {
  if (const auto error = kx::error_named(text)) return *error;
  // The office suite's own errors ("Err:502") have no worksheet number; #VALUE! is the nearest.
  return kx::ErrorValue{kx::error::kXlValue};
}

// A cell read from the file, kept until its row ends because the row may repeat.
struct PendingCell {
  std::int32_t column;
  std::int32_t count;  // the same cell in this many columns
  kx::Value value;
  std::string formula;  // empty for a plain value
  bool intersects = false;  // a formula other than an array formula: the format has no dynamic arrays
};

// The attributes of the cell being read.
struct CellAttributes {
  std::int64_t repeat = 1;
  std::string value_type;
  std::string calc_value_type;
  std::string value;
  std::string boolean_value;
  std::string date_value;
  std::string time_value;
  std::optional<std::string> string_value;
  std::string formula;
  std::int64_t matrix_rows = 1;
  std::int64_t matrix_columns = 1;
  bool array = false;  // an array formula, even of one cell
};

class ContentHandler : public orcus::sax_ns_handler {
 public:
  explicit ContentHandler(BookBuilder& builder) : builder_(builder) {}

  // The XML declaration's attributes.
  void attribute(std::string_view, std::string_view) {}

  void attribute(const orcus::sax_ns_parser_attribute& attribute) {
    attributes_.push_back({namespace_of(attribute.ns), std::string(attribute.name), std::string(attribute.value)});
  }

  void start_element(const orcus::sax_ns_parser_element& element) {
    const Element parent = stack_.empty() ? Element::Other : stack_.back();
    Element current = element_of(namespace_of(element.ns), element.name);
    switch (current) {
      case Element::Spreadsheet:
        // Only the document's own spreadsheet holds sheets, not one nested in a table.
        if (sheet_ != nullptr || in_cell_) current = Element::Other;
        break;
      case Element::Table:
        // Tables inside cells are drawings' business, not sheets.
        if (parent == Element::Spreadsheet && sheet_ == nullptr) {
          start_table();
        } else {
          current = Element::Other;
        }
        break;
      case Element::RowGroup:
        if (sheet_ == nullptr || in_cell_) current = Element::Other;
        break;
      case Element::Row:
        if (sheet_ != nullptr && !in_cell_ && (parent == Element::Table || parent == Element::RowGroup)) {
          start_row();
        } else {
          current = Element::Other;
        }
        break;
      case Element::Cell:
        if (parent == Element::Row) {
          start_cell();
        } else {
          current = Element::Other;
        }
        break;
      case Element::Paragraph:
        // Only a cell's own paragraphs hold its text; an annotation's lie deeper.
        if (parent == Element::Cell) {
          if (paragraphs_++ > 0) append_text("\n");
          paragraph_open_ = true;
        } else {
          current = Element::Other;
        }
        break;
      case Element::Spaces:
        if (collecting()) append_spaces(count_of(attribute_value(Namespace::Text, "c"), kMaxSpaces));
        break;
      case Element::Tab:
        if (collecting()) append_text("\t");
        break;
      case Element::LineBreak:
        if (collecting()) append_text("\n");
        break;
      case Element::Annotation: ++annotations_; break;
      case Element::NamedRange:
      case Element::NamedExpression:
        if (!in_cell_) define_name(current == Element::NamedRange);
        break;
      case Element::Style: style_ = attribute_value(Namespace::Style, "name"); break;
      case Element::TableProperties:
        // A sheet is hidden by its table style.
        if (parent == Element::Style && attribute_value(Namespace::Table, "display") == "false") {
          hidden_styles_.insert(style_);
        }
        break;
      case Element::NullDate:
        if (const auto origin = parse_iso_date_time(attribute_value(Namespace::Table, "date-value"))) origin_ = *origin;
        break;
      default: break;
    }
    stack_.push_back(current);
    attributes_.clear();
  }

  void end_element(const orcus::sax_ns_parser_element&) {
    attributes_.clear();
    if (stack_.empty()) return;
    const Element current = stack_.back();
    stack_.pop_back();
    switch (current) {
      case Element::Table: sheet_ = nullptr; break;
      case Element::Row: end_row(); break;
      case Element::Cell: end_cell(); break;
      case Element::Paragraph: paragraph_open_ = false; break;
      case Element::Annotation: --annotations_; break;
      default: break;
    }
  }

  void characters(std::string_view text, bool) {
    if (collecting()) append_text(text);
  }

 private:
  // More spaces than this in one run are no text anyone wrote.
  static constexpr std::int64_t kMaxSpaces = 1 << 20;

  bool collecting() const { return paragraph_open_ && annotations_ == 0; }

  std::string_view attribute_value(Namespace ns, std::string_view name) const {
    for (const auto& attribute : attributes_) {
      if (attribute.ns == ns && attribute.name == name) return attribute.value;
    }
    return {};
  }

  bool has_attribute(Namespace ns, std::string_view name) const {
    return std::any_of(attributes_.begin(), attributes_.end(),
                       [&](const Attribute& attribute) { return attribute.ns == ns && attribute.name == name; });
  }

  void append_text(std::string_view text) {
    builder_.check_text(static_cast<std::int64_t>(text_.size() + text.size()));
    text_.append(text);
  }

  void append_spaces(std::int64_t count) {
    builder_.check_text(static_cast<std::int64_t>(text_.size()) + count);
    text_.append(static_cast<std::size_t>(count), ' ');
  }

  void start_table() {
    sheet_ = &builder_.add_sheet(std::string(attribute_value(Namespace::Table, "name")));
    sheet_->set_hidden(hidden_styles_.contains(std::string(attribute_value(Namespace::Table, "style-name"))));
    row_ = 1;
    covered_.clear();
  }

  // A named range or expression: inside a table it belongs to that sheet, after the tables
  // to the workbook. One that has no A1 form is kept as written and shows #NAME? where used.
  void define_name(bool range) {
    std::string name(attribute_value(Namespace::Table, "name"));
    const std::string_view written = range ? attribute_value(Namespace::Table, "cell-range-address")
                                           : attribute_value(Namespace::Table, "expression");
    std::optional<std::string> formula = range ? open_range_to_a1(written) : open_formula_to_a1(written);
    // The office suite writes expressions with and without the "of:=" prefix.
    if (!formula && !range) formula = open_formula_to_a1("of:=" + std::string(written));
    builder_.define_name(std::move(name), formula ? std::move(*formula) : std::string(written), sheet_);
  }

  void start_row() {
    row_repeat_ = count_of(attribute_value(Namespace::Table, "number-rows-repeated"), kMaxRows + 1LL);
    column_ = 1;
    pending_.clear();
  }

  void start_cell() {
    in_cell_ = true;
    paragraphs_ = 0;
    paragraph_open_ = false;
    text_.clear();
    cell_ = CellAttributes{};
    cell_.repeat = count_of(attribute_value(Namespace::Table, "number-columns-repeated"), kMaxColumns + 1LL);
    cell_.value_type = attribute_value(Namespace::Office, "value-type");
    cell_.calc_value_type = attribute_value(Namespace::CalcExt, "value-type");
    cell_.value = attribute_value(Namespace::Office, "value");
    cell_.boolean_value = attribute_value(Namespace::Office, "boolean-value");
    cell_.date_value = attribute_value(Namespace::Office, "date-value");
    cell_.time_value = attribute_value(Namespace::Office, "time-value");
    if (has_attribute(Namespace::Office, "string-value")) {
      cell_.string_value = std::string(attribute_value(Namespace::Office, "string-value"));
    }
    cell_.formula = attribute_value(Namespace::Table, "formula");
    const std::string_view matrix_rows = attribute_value(Namespace::Table, "number-matrix-rows-spanned");
    const std::string_view matrix_columns = attribute_value(Namespace::Table, "number-matrix-columns-spanned");
    cell_.matrix_rows = count_of(matrix_rows, kMaxRows);
    cell_.matrix_columns = count_of(matrix_columns, kMaxColumns);
    cell_.array = !matrix_rows.empty() || !matrix_columns.empty();
  }

  // The value a cell shows, from its type and the attribute that type reads. Where the type is
  // unknown or its value does not read, the cell's text is what it shows, and the user is told.
  kx::Value shown_value(std::int32_t column) {
    const std::string& type = cell_.value_type;
    // Only a formula has an error for its result; LibreOffice reads a plain cell marked so by its value.
    if (cell_.calc_value_type == "error" && !cell_.formula.empty()) return error_value(text_);
    const std::string_view read = type_value();
    if (type == "float" || type == "percentage" || type == "currency") {
      if (const auto number = file_number(read)) return *number;
      // LibreOffice writes a number past the largest double so.
      if (read == "INF" || read == "-INF") return kx::ErrorValue{kx::error::kXlNum};
    } else if (type == "boolean") {
      if (read == "true") return true;
      if (read == "false") return false;
    } else if (type == "date") {
      if (const auto days = parse_iso_date_time(read)) return *days - origin_;
    } else if (type == "time") {
      if (const auto days = parse_iso_duration(read)) return *days;
    } else if (type == "string" && cell_.string_value) {
      return *cell_.string_value;
    }
    kx::Value shown = paragraphs_ > 0 ? kx::Value(text_) : kx::Value();
    // A formula's stored result matters little: the engine computes it again.
    if (!type.empty() && type != "string" && !shown.is_empty() && cell_.formula.empty()) {
      const std::string what =
          read.empty() ? "a value of type " + quoted_excerpt(type) : "the " + type + " " + quoted_excerpt(read);
      builder_.warn(*sheet_, static_cast<std::int32_t>(std::min<std::int64_t>(row_, kMaxRows)), column,
                    "holds " + what + ", which the host cannot read; its text is kept");
    }
    return shown;
  }

  // The attribute holding the value of the cell's type; empty for a type without one.
  std::string_view type_value() const {
    const std::string& type = cell_.value_type;
    if (type == "float" || type == "percentage" || type == "currency") return cell_.value;
    if (type == "boolean") return cell_.boolean_value;
    if (type == "date") return cell_.date_value;
    if (type == "time") return cell_.time_value;
    return {};
  }

  std::string formula_text() const {
    if (cell_.formula.empty()) return {};
    if (auto translated = open_formula_to_a1(cell_.formula)) return std::move(*translated);
    // Kept as written, so that the cell shows why it cannot be computed.
    const auto equals = cell_.formula.find('=');
    return equals == std::string::npos ? cell_.formula : cell_.formula.substr(equals + 1);
  }

  void end_cell() {
    in_cell_ = false;
    paragraph_open_ = false;
    const std::int64_t first_column = column_;
    column_ += cell_.repeat;
    std::string formula = formula_text();
    kx::Value value = shown_value(static_cast<std::int32_t>(std::min<std::int64_t>(first_column, kMaxColumns)));
    // An empty paragraph without a type shows nothing; a cell typed as text holds the empty text.
    if (formula.empty() && value.is_text() && value.text().empty() && cell_.value_type != "string") return;
    if (formula.empty() && value.is_empty()) return;
    if (first_column + cell_.repeat - 1 > kMaxColumns) {
      fail_reading("sheet \"" + sheet_->name() + "\" has more columns than a sheet holds (" +
                   std::to_string(kMaxColumns) + ")");
    }
    if (!formula.empty() && cell_.matrix_rows * cell_.matrix_columns > 1) {
      cover_array(row_, first_column, cell_.matrix_rows, cell_.matrix_columns);
    }
    const bool intersects = !formula.empty() && !cell_.array;
    pending_.push_back({static_cast<std::int32_t>(first_column), static_cast<std::int32_t>(cell_.repeat),
                        std::move(value), std::move(formula), intersects});
  }

  // The other cells of an array formula hold its cached results, which the engine recomputes.
  void cover_array(std::int64_t top, std::int64_t left, std::int64_t rows, std::int64_t columns) {
    builder_.charge_cells(rows * columns - 1);
    for (std::int64_t row = top; row < top + rows && row <= kMaxRows; ++row) {
      for (std::int64_t column = left; column < left + columns && column <= kMaxColumns; ++column) {
        if (row != top || column != left) covered_.insert(key(row, column));
      }
    }
  }

  static std::uint64_t key(std::int64_t row, std::int64_t column) {
    return static_cast<std::uint64_t>(row) << 32 | static_cast<std::uint64_t>(column);
  }

  void end_row() {
    const std::int64_t first_row = row_;
    row_ += row_repeat_;
    if (pending_.empty()) return;
    if (first_row + row_repeat_ - 1 > kMaxRows) {
      fail_reading("sheet \"" + sheet_->name() + "\" has more rows than a sheet holds (" + std::to_string(kMaxRows) +
                   ")");
    }
    // A repeated row multiplies its cells; a few bytes must not cost minutes before the limit says no.
    std::int64_t cells = 0;
    std::int64_t formulas = 0;
    for (const PendingCell& cell : pending_) {
      cells += cell.count;
      if (!cell.formula.empty()) formulas += cell.count;
    }
    builder_.check_cells(cells * row_repeat_);
    builder_.check_formulas(formulas * row_repeat_);
    for (std::int64_t row = first_row; row < first_row + row_repeat_; ++row) {
      for (const PendingCell& cell : pending_) {
        for (std::int32_t column = cell.column; column < cell.column + cell.count; ++column) {
          write(static_cast<std::int32_t>(row), column, cell);
        }
      }
    }
  }

  void write(std::int32_t row, std::int32_t column, const PendingCell& cell) {
    if (cell.formula.empty()) {
      if (covered_.count(key(row, column)) == 0) builder_.set_value(*sheet_, row, column, cell.value);
      return;
    }
    builder_.set_formula(*sheet_, row, column, cell.formula, cell.value, cell.intersects);
  }

  struct Attribute {
    Namespace ns;
    std::string name;
    std::string value;
  };

  BookBuilder& builder_;
  std::vector<Element> stack_;
  std::vector<Attribute> attributes_;
  Sheet* sheet_ = nullptr;
  double origin_ = static_cast<double>(kSpreadsheetOrigin);
  std::int64_t row_ = 1;
  std::int64_t row_repeat_ = 1;
  std::int64_t column_ = 1;
  std::vector<PendingCell> pending_;
  std::unordered_set<std::uint64_t> covered_;
  std::string style_;                           // the style being read
  std::unordered_set<std::string> hidden_styles_;  // table styles that hide their sheets
  bool in_cell_ = false;
  CellAttributes cell_;
  std::string text_;
  int paragraphs_ = 0;
  bool paragraph_open_ = false;
  int annotations_ = 0;
};

// Sheets from the XML holding the document's body: content.xml, or the whole flat document.
std::shared_ptr<Book> read_content(std::string_view xml, const std::string& book_name, const ReadLimits& limits) {
  BookBuilder builder(book_name, limits);
  ContentHandler handler(builder);
  orcus::xmlns_repository namespaces;
  orcus::xmlns_context context = namespaces.create_context();
  orcus::sax_ns_parser<ContentHandler> parser(xml.data(), xml.size(), context, handler);
  parser.parse();
  return builder.finish();
}

}  // namespace

std::shared_ptr<Book> read_ods(std::string_view content, const std::string& book_name, const ReadLimits& limits) {
  const auto parts = check_zip_archive(content, limits.max_file_bytes);
  const ZipPart* content_part = find_part(parts, "content.xml");
  if (content_part == nullptr) fail_reading("it holds no content.xml, so it is no .ods workbook");
  orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  orcus::zip_archive archive(&stream);
  archive.load();
  std::vector<unsigned char> xml;
  if (!archive.read_file_entry("content.xml", xml)) fail_reading("its content.xml cannot be unpacked");
  check_unpacked_part(*content_part, xml);
  // The unpacker pads the text with zero bytes, which are no part of it.
  std::size_t size = xml.size();
  while (size > 0 && xml[size - 1] == 0) --size;
  xml.push_back(0);
  const std::string_view text(reinterpret_cast<const char*>(xml.data()), size);
  check_xml_part(text, "its part content.xml");
  return read_content(text, book_name, limits);
}

std::shared_ptr<Book> read_flat_ods(std::string_view content, const std::string& book_name, const ReadLimits& limits) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (content.starts_with(kByteOrderMark)) content.remove_prefix(kByteOrderMark.size());
  const auto first = content.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || content[first] != '<') {
    fail_reading("it is no XML document, so it is no .fods workbook");
  }
  check_xml_part(content, "the document");
  // The parser may look one byte past the end; a copy ends in a zero byte.
  const std::string xml(content);
  return read_content(xml, book_name, limits);
}

}  // namespace host
