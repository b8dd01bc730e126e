// The .xlsx reader: orcus unpacks and parses the file and hands every cell to the
// import interfaces below, which write it into the workbook. Formula texts are kept as
// the file has them; they are already in the A1 form the host keeps.
#include "host/files/xlsx_reader.hpp"

#include <algorithm>
#include <optional>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <unordered_map>
#include <vector>

#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/files/book_builder.hpp"
#include "host/files/date_values.hpp"
#include "host/files/formula_text.hpp"
#include "host/files/xlsx_dropped_cells.hpp"
#include "host/files/xml_check.hpp"
#include "host/files/zip_check.hpp"

namespace host {
namespace {

namespace ss = orcus::spreadsheet;

// orcus counts rows and columns from 0.
std::int32_t one_based(std::int64_t index, std::int32_t count) {
  if (index < 0 || index >= count) fail_reading("a cell lies outside the sheet");
  return static_cast<std::int32_t>(index + 1);
}

class SharedStrings final : public ss::iface::import_shared_strings {
 public:
  explicit SharedStrings(const BookBuilder& builder) : builder_(builder) {}

  std::size_t append(std::string_view text) override { return store(text); }
  std::size_t add(std::string_view text) override { return store(text); }
  // Rich text keeps its characters; fonts and colours are no concern of the host.
  void set_segment_font(std::size_t) override {}
  void set_segment_bold(bool) override {}
  void set_segment_italic(bool) override {}
  void set_segment_font_name(std::string_view) override {}
  void set_segment_font_size(double) override {}
  void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
  void append_segment(std::string_view text) override {
    builder_.check_text(bytes_ + static_cast<std::int64_t>(segments_.size() + text.size()));
    segments_.append(text);
  }
  std::size_t commit_segments() override {
    const std::size_t index = store(segments_);
    segments_.clear();
    return index;
  }

  const std::string& at(std::size_t index) const {
    if (index >= strings_.size()) {
      fail_reading("a cell names shared text " + std::to_string(index) + ", which the file does not hold");
    }
    return strings_[index];
  }

 private:
  std::size_t store(std::string_view text) {
    // Each text costs its object too, so that a million empty texts count.
    bytes_ += static_cast<std::int64_t>(text.size() + sizeof(std::string));
    builder_.check_text(bytes_);
    strings_.emplace_back(text);
    return strings_.size() - 1;
  }

  const BookBuilder& builder_;
  std::vector<std::string> strings_;
  std::string segments_;
  std::int64_t bytes_ = 0;
};

// A defined name, for the workbook or for one sheet. The expression is in the A1 form the
// host keeps ("Inputs!$B$2:$B$9", "0.05").
class NameImport final : public ss::iface::import_named_expression {
 public:
  NameImport(BookBuilder& builder, const Sheet* scope) : builder_(builder), scope_(scope) {}

  void set_base_position(const ss::src_address_t&) override {}
  void set_named_expression(std::string_view name, std::string_view expression) override {
    name_ = name;
    expression_ = expression;
  }
  void set_named_range(std::string_view name, std::string_view range) override { set_named_expression(name, range); }
  void commit() override {
    // The names the spreadsheet program keeps for itself (print areas, filters) are no part of the model.
    if (!name_.starts_with("_xlnm.")) builder_.define_name(std::move(name_), std::move(expression_), scope_);
    name_.clear();
    expression_.clear();
  }

 private:
  BookBuilder& builder_;
  const Sheet* scope_;
  std::string name_;
  std::string expression_;
};

class SheetImport;

// One formula cell at a time: orcus sets its parts, then commits.
class FormulaImport final : public ss::iface::import_formula {
 public:
  explicit FormulaImport(SheetImport& sheet) : sheet_(sheet) {}

  void set_position(ss::row_t row, ss::col_t column) override {
    row_ = row;
    column_ = column;
  }
  void set_formula(ss::formula_grammar_t, std::string_view formula) override { text_ = std::string(formula); }
  void set_shared_formula_index(std::size_t index) override { shared_index_ = index; }
  void set_result_string(std::string_view value) override { cached_ = std::string(value); }
  void set_result_value(double value) override { cached_ = value; }
  void set_result_bool(bool value) override { cached_ = value; }
  void set_result_empty() override { cached_ = kx::Value(); }
  void commit() override;

 private:
  SheetImport& sheet_;
  ss::row_t row_ = 0;
  ss::col_t column_ = 0;
  std::string text_;
  std::optional<std::size_t> shared_index_;
  kx::Value cached_;
};

class ArrayFormulaImport final : public ss::iface::import_array_formula {
 public:
  explicit ArrayFormulaImport(SheetImport& sheet) : sheet_(sheet) {}

  void set_range(const ss::range_t& range) override { range_ = range; }
  void set_formula(ss::formula_grammar_t, std::string_view formula) override { text_ = std::string(formula); }
  // Results come per cell of the range, counted from its top-left cell, which alone keeps one.
  void set_result_string(ss::row_t row, ss::col_t column, std::string_view value) override {
    if (row == 0 && column == 0) cached_ = std::string(value);
  }
  void set_result_value(ss::row_t row, ss::col_t column, double value) override {
    if (row == 0 && column == 0) cached_ = value;
  }
  void set_result_bool(ss::row_t row, ss::col_t column, bool value) override {
    if (row == 0 && column == 0) cached_ = value;
  }
  void set_result_empty(ss::row_t, ss::col_t) override {}
  void commit() override;

 private:
  SheetImport& sheet_;
  ss::range_t range_{};
  std::string text_;
  kx::Value cached_;
};

class SheetImport final : public ss::iface::import_sheet {
 public:
  SheetImport(BookBuilder& builder, const SharedStrings& strings, Sheet& sheet)
      : builder_(builder), strings_(strings), sheet_(sheet) {}

  std::string name() const { return sheet_.name(); }

  ss::iface::import_formula* get_formula() override { return &formula_; }
  ss::iface::import_named_expression* get_named_expression() override { return &names_; }
  ss::iface::import_array_formula* get_array_formula() override { return &array_formula_; }

  void set_auto(ss::row_t row, ss::col_t column, std::string_view text) override {
    put(row, column, std::string(text));
  }
  void set_string(ss::row_t row, ss::col_t column, ss::string_id_t index) override {
    put(row, column, strings_.at(index));
  }
  void set_value(ss::row_t row, ss::col_t column, double value) override { put(row, column, value); }
  void set_bool(ss::row_t row, ss::col_t column, bool value) override { put(row, column, value); }
  void set_date_time(ss::row_t row, ss::col_t column, int year, int month, int day, int hour, int minute,
                     double second) override {
    if (month < 1 || month > 12 || day < 1 || day > 31) fail_reading("a cell holds no valid date");
    const double days = static_cast<double>(civil_day(year, month, day) - kSpreadsheetOrigin);
    put(row, column, days + (hour * 3600.0 + minute * 60.0 + second) / 86400.0);
  }
  void set_format(ss::row_t, ss::col_t, std::size_t) override {}
  void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
  void fill_down_cells(ss::row_t row, ss::col_t column, ss::row_t count) override {
    const auto source_row = one_based(row, kMaxRows);
    const auto source_column = one_based(column, kMaxColumns);
    const Cell* source = sheet_.find(source_row, source_column);
    if (source == nullptr) return;
    const Cell copy = *source;
    for (std::int64_t offset = 1; offset <= count; ++offset) {
      const auto target_row = one_based(row + offset, kMaxRows);
      if (copy.has_formula()) {
        builder_.set_formula(sheet_, target_row, source_column,
                             shift_references(copy.formula_text, static_cast<std::int32_t>(offset), 0), copy.value);
      } else {
        builder_.set_value(sheet_, target_row, source_column, copy.value);
      }
    }
  }
  ss::range_size_t get_sheet_size() const override { return {kMaxRows, kMaxColumns}; }

  void commit_formula(ss::row_t row, ss::col_t column, std::string text, std::optional<std::size_t> shared_index,
                      kx::Value cached) {
    const auto at_row = one_based(row, kMaxRows);
    const auto at_column = one_based(column, kMaxColumns);
    if (!text.empty()) {
      if (shared_index) shared_[*shared_index] = SharedFormula{at_row, at_column, text};
      builder_.set_formula(sheet_, at_row, at_column, std::move(text), std::move(cached));
      return;
    }
    if (shared_index) {
      // The cells a shared formula fills carry only its number; the text is the first cell's, moved.
      const auto found = shared_.find(*shared_index);
      if (found == shared_.end()) {
        fail_reading(BookBuilder::cell_name(sheet_, at_row, at_column) +
                     " uses a shared formula that no cell before it holds");
      }
      const SharedFormula& origin = found->second;
      builder_.set_formula(sheet_, at_row, at_column,
                           shift_references(origin.text, at_row - origin.row, at_column - origin.column),
                           std::move(cached));
      return;
    }
    // A formula element without a formula keeps the value it shows.
    builder_.set_value(sheet_, at_row, at_column, std::move(cached));
  }

  void commit_array_formula(const ss::range_t& range, std::string text, kx::Value cached) {
    // The formula sits in the top-left cell; the engine spills its result over the rest.
    builder_.set_formula(sheet_, one_based(range.first.row, kMaxRows), one_based(range.first.column, kMaxColumns),
                         std::move(text), std::move(cached));
  }

 private:
  struct SharedFormula {
    std::int32_t row;
    std::int32_t column;
    std::string text;
  };

  void put(ss::row_t row, ss::col_t column, kx::Value value) {
    builder_.set_value(sheet_, one_based(row, kMaxRows), one_based(column, kMaxColumns), std::move(value));
  }

  BookBuilder& builder_;
  const SharedStrings& strings_;
  Sheet& sheet_;
  FormulaImport formula_{*this};
  ArrayFormulaImport array_formula_{*this};
  NameImport names_{builder_, &sheet_};
  std::unordered_map<std::size_t, SharedFormula> shared_;
};

void FormulaImport::commit() {
  sheet_.commit_formula(row_, column_, std::move(text_), shared_index_, std::move(cached_));
  text_.clear();
  shared_index_.reset();
  cached_ = kx::Value();
}

void ArrayFormulaImport::commit() {
  sheet_.commit_array_formula(range_, std::move(text_), std::move(cached_));
  text_.clear();
  cached_ = kx::Value();
}

// Reads the cell ranges of shared and array formulas ("C1:C3").
class ReferenceResolver final : public ss::iface::import_reference_resolver {
 public:
  ss::src_address_t resolve_address(std::string_view address) override {
    const Area area = parse(address);
    return {0, area.top - 1, area.left - 1};
  }
  ss::src_range_t resolve_range(std::string_view range) override {
    const Area area = parse(range);
    return {{0, area.top - 1, area.left - 1}, {0, area.bottom - 1, area.right - 1}};
  }

 private:
  static Area parse(std::string_view text) {
    const auto area = parse_address(text);
    if (!area) fail_reading("\"" + std::string(text) + "\" is no cell range");
    return *area;
  }
};

class XlsxImport final : public ss::iface::import_factory {
 public:
  explicit XlsxImport(BookBuilder& builder) : builder_(builder), strings_(builder), names_(builder, nullptr) {}

  ss::iface::import_shared_strings* get_shared_strings() override { return &strings_; }
  ss::iface::import_named_expression* get_named_expression() override { return &names_; }
  ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
    return &resolver_;
  }
  ss::iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override {
    Sheet& sheet = builder_.add_sheet(std::string(name));
    sheets_.push_back(std::make_unique<SheetImport>(builder_, strings_, sheet));
    return sheets_.back().get();
  }
  ss::iface::import_sheet* get_sheet(std::string_view name) override {
    for (const auto& sheet : sheets_) {
      if (kx::equals_ignore_case(sheet->name(), name)) return sheet.get();
    }
    return nullptr;
  }
  ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
    return index >= 0 && static_cast<std::size_t>(index) < sheets_.size() ? sheets_[index].get() : nullptr;
  }
  void finalize() override {}

 private:
  BookBuilder& builder_;
  SharedStrings strings_;
  ReferenceResolver resolver_;
  NameImport names_;
  std::vector<std::unique_ptr<SheetImport>> sheets_;
};

// The value of attribute `name` inside one tag, quoted either way; empty when it has none.
std::string_view attribute_of(std::string_view tag, std::string_view name) {
  for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    const bool starts =
        at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n' || tag[at - 1] == '\r');
    std::size_t rest = at + name.size();
    while (rest < tag.size() && tag[rest] == ' ') ++rest;
    if (!starts || rest + 1 >= tag.size() || tag[rest] != '=') continue;
    ++rest;
    while (rest < tag.size() && tag[rest] == ' ') ++rest;
    if (rest >= tag.size() || (tag[rest] != '"' && tag[rest] != '\'')) continue;
    const std::size_t close = tag.find(tag[rest], rest + 1);
    if (close == std::string_view::npos) return {};
    return tag.substr(rest + 1, close - rest - 1);
  }
  return {};
}

// orcus keeps a result for every cell an array formula covers before any of it reaches us,
// so a few bytes naming A1:CV1048576 would take gigabytes. The engine spills the formula's
// result from its first cell anyway; an area larger than the cell limit is refused here.
void check_array_formula_areas(std::string_view xml, std::int64_t max_cells) {
  for (std::size_t at = xml.find("array"); at != std::string_view::npos; at = xml.find("array", at + 1)) {
    const std::size_t open = xml.rfind('<', at);
    const std::size_t close = xml.find('>', at);
    if (open == std::string_view::npos || close == std::string_view::npos) continue;
    const std::string_view tag = xml.substr(open, close - open);
    if (attribute_of(tag, "t") != "array") continue;
    const std::string_view reference = attribute_of(tag, "ref");
    const auto area = parse_address(reference);
    if (!area) continue;
    const std::int64_t cells = std::int64_t{area->row_count()} * area->column_count();
    if (cells > max_cells) {
      fail_reading("an array formula covers " + std::string(reference) + ", more than " + std::to_string(max_cells) +
                   " cells");
    }
  }
}

// A part unpacked and checked whole: orcus would read a damaged one as data.
std::string unpacked_text(orcus::zip_archive& archive, const ZipPart& part) {
  std::vector<unsigned char> data;
  if (!archive.read_file_entry(part.name, data)) fail_reading("its part " + part.name + " cannot be unpacked");
  check_unpacked_part(part, data);
  // With the zero bytes the unpacker may pad it with, as orcus reads it.
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// orcus parses the parts it needs on its own, so every part that is XML is looked at first.
void check_xml_parts(orcus::zip_archive& archive, const std::vector<ZipPart>& parts, const ReadLimits& limits) {
  for (const ZipPart& part : parts) {
    const std::string& name = part.name;
    if (name.ends_with('/')) continue;  // a folder holds no bytes
    const std::string text = unpacked_text(archive, part);
    const auto first = text.find_first_not_of(" \t\r\n");
    const bool xml_named = name.ends_with(".xml") || name.ends_with(".rels");
    if (xml_named || (first != std::string_view::npos && text[first] == '<') || text.starts_with("\xEF\xBB\xBF")) {
      check_xml_part(text, "its part " + name);
      check_array_formula_areas(text, limits.max_cells);
    }
  }
}

}  // namespace

std::shared_ptr<Book> read_xlsx(std::string_view content, const std::string& book_name, const ReadLimits& limits) {
  const auto parts = check_zip_archive(content, limits.max_file_bytes);
  // Without its table of contents orcus finds nothing to read, and says nothing.
  if (find_part(parts, "[Content_Types].xml") == nullptr) {
    fail_reading("it holds no [Content_Types].xml, so it is no .xlsx workbook");
  }
  orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  orcus::zip_archive archive(&stream);
  archive.load();
  check_xml_parts(archive, parts, limits);
  BookBuilder builder(book_name, limits);
  XlsxImport factory(builder);
  orcus::orcus_xlsx filter(&factory);
  filter.read_stream(content);
  read_dropped_cells(
      [&](std::string_view name) -> std::optional<std::string> {
        const ZipPart* part = find_part(parts, name);
        return part == nullptr ? std::nullopt : std::optional(unpacked_text(archive, *part));
      },
      builder);
  return builder.finish();
}

}  // namespace host
