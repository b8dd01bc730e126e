// Lookup and reference functions: VLOOKUP, HLOOKUP, MATCH, XLOOKUP, LOOKUP, CHOOSE, OFFSET,
// ROWS and COLUMNS. Exact matches in a range go through an index of the range's cells, kept
// with the sheet until one of those cells changes: a simulation repeats the same lookups at
// every recalculation.
#include <algorithm>
#include <cmath>
#include <compare>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "common/conversions.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/document/cell_range.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/criteria.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

const CellRange* cells_of(const kx::Value& value) {
  return value.is_range() ? dynamic_cast<const CellRange*>(value.range().get()) : nullptr;
}

// One row or one column to search: a range's cells read in place, or an array's elements.
class Line {
 public:
  // The row (`across`) or column of `source` at `offset`: the first column of a VLOOKUP table,
  // the first row of an HLOOKUP one.
  Line(const kx::Value& source, bool across, std::size_t offset) : across_(across) {
    if (const CellRange* range = cells_of(source)) {
      range_ = range;
      row_ = range->row() + static_cast<std::int32_t>(across ? offset : 0);
      column_ = range->column() + static_cast<std::int32_t>(across ? 0 : offset);
      length_ = static_cast<std::size_t>(across ? range->column_count() : range->row_count());
      return;
    }
    grid_.emplace(source);
    offset_ = offset;
    length_ = across ? grid_->columns() : grid_->rows();
  }

  // A one-row or one-column argument, whichever way it lies.
  static Line vector_of(const kx::Value& source) {
    std::size_t rows = 0;
    std::size_t columns = 0;
    if (const CellRange* range = cells_of(source)) {
      rows = static_cast<std::size_t>(range->row_count());
      columns = static_cast<std::size_t>(range->column_count());
    } else {
      const Grid grid(source);
      rows = grid.rows();
      columns = grid.columns();
    }
    if (rows != 1 && columns != 1) raise_error(kx::error::kXlNA, "the lookup array must be one row or one column");
    return Line(source, rows == 1 && columns > 1, 0);
  }

  std::size_t size() const { return length_; }
  bool across() const { return across_; }
  const kx::Value& at(std::size_t i) const {
    if (range_ != nullptr) {
      const auto step = static_cast<std::int32_t>(i);
      return range_->sheet()->value(row_ + (across_ ? 0 : step), column_ + (across_ ? step : 0));
    }
    return across_ ? grid_->at(offset_, i) : grid_->at(i, offset_);
  }
  const CellRange* range() const { return range_; }
  std::int32_t row() const { return row_; }
  std::int32_t column() const { return column_; }

 private:
  bool across_;
  const CellRange* range_ = nullptr;
  std::int32_t row_ = 0;
  std::int32_t column_ = 0;
  std::optional<Grid> grid_;
  std::size_t offset_ = 0;
  std::size_t length_ = 0;
};

// --- Exact matches ----------------------------------------------------------------------------

// The key under which a value is found by an exact match; none for what never matches.
std::optional<std::string> key_of(const kx::Value& value) {
  switch (value.kind()) {
    case kx::Value::Kind::Number: {
      const double x = value.number() == 0.0 ? 0.0 : value.number();  // -0 finds 0
      std::string key(1 + sizeof x, 'n');
      std::memcpy(key.data() + 1, &x, sizeof x);
      return key;
    }
    case kx::Value::Kind::Text: {
      std::string key = kx::to_lower_ascii(value.text());
      key.insert(key.begin(), 't');
      return key;
    }
    case kx::Value::Kind::Boolean: return value.boolean() ? std::string("b1") : std::string("b0");
    default: return std::nullopt;
  }
}

// The first position of each value of a range's line.
struct ExactIndex {
  std::unordered_map<std::string, std::uint32_t> first;
};
constexpr int kExactIndexMemo = 1;
// Shorter lines are searched directly: building the index would cost more than it saves.
constexpr std::size_t kIndexFrom = 16;

const ExactIndex& index_of_line(const Line& line) {
  const CellRange& range = *line.range();
  const Sheet& sheet = *range.sheet();
  const std::int32_t bottom = line.across() ? line.row() : line.row() + static_cast<std::int32_t>(line.size()) - 1;
  const std::int32_t right = line.across() ? line.column() + static_cast<std::int32_t>(line.size()) - 1 : line.column();
  if (auto kept = sheet.area_memo(kExactIndexMemo, line.row(), line.column(), bottom, right)) {
    return *std::static_pointer_cast<ExactIndex>(kept);
  }
  auto index = std::make_shared<ExactIndex>();
  index->first.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (auto key = key_of(line.at(i))) index->first.try_emplace(std::move(*key), static_cast<std::uint32_t>(i));
  }
  sheet.keep_area_memo(kExactIndexMemo, line.row(), line.column(), bottom, right, index);
  return *index;
}

bool matches_exactly(const kx::Value& cell, const kx::Value& wanted, bool wildcards) {
  if (wildcards && cell.is_text()) return wildcard_match(wanted.text(), cell.text());
  return !cell.is_empty() && same_value(cell, wanted);
}

// The first (or, searching backwards, the last) position holding the wanted value. Texts with
// wildcards match as patterns when the function allows them.
std::optional<std::size_t> find_exact(const Line& line, const kx::Value& wanted, bool allow_wildcards,
                                      bool backwards = false) {
  const bool wildcards = allow_wildcards && wanted.is_text() && has_wildcards(wanted.text());
  if (!wildcards && !backwards && line.range() != nullptr && line.size() >= kIndexFrom) {
    const auto key = key_of(wanted);
    if (!key) return std::nullopt;
    const ExactIndex& index = index_of_line(line);
    const auto found = index.first.find(*key);
    if (found == index.first.end()) return std::nullopt;
    return found->second;
  }
  for (std::size_t k = 0; k < line.size(); ++k) {
    const std::size_t i = backwards ? line.size() - 1 - k : k;
    if (matches_exactly(line.at(i), wanted, wildcards)) return i;
  }
  return std::nullopt;
}

// --- Ordered searches ------------------------------------------------------------------------

bool same_kind(const kx::Value& a, const kx::Value& b) { return a.kind() == b.kind(); }

// The order of a cell against the wanted value; nullopt when they cannot be compared (another
// kind of value, an empty cell, an error).
std::optional<std::weak_ordering> order_of(const kx::Value& cell, const kx::Value& wanted) {
  if (!same_kind(cell, wanted)) return std::nullopt;
  return kx::compare_values(cell, wanted);
}

// In a line sorted ascending (or descending), the last position whose value does not pass the
// wanted one: the largest value <= wanted (descending: the smallest >= wanted). Cells that
// cannot be compared are stepped over, as the spreadsheet's binary search does.
std::optional<std::size_t> find_sorted(const Line& line, const kx::Value& wanted, bool descending) {
  std::size_t low = 0;
  std::size_t high = line.size();  // the answer lies before high
  std::optional<std::size_t> found;
  while (low < high) {
    std::size_t middle = low + (high - low) / 2;
    // Step to a comparable cell inside [low, high).
    std::size_t probe = middle;
    while (probe < high && !order_of(line.at(probe), wanted)) ++probe;
    if (probe == high) {
      high = middle;
      continue;
    }
    const std::weak_ordering order = *order_of(line.at(probe), wanted);
    const bool within = descending ? order >= 0 : order <= 0;
    if (within) {
      found = probe;
      low = probe + 1;
    } else {
      high = middle;
    }
  }
  return found;
}

enum class MatchMode { kExact, kNextSmaller, kNextLarger, kWildcard };

// A linear search that takes the exact value, or else the nearest one on the asked side.
std::optional<std::size_t> find_nearest(const Line& line, const kx::Value& wanted, MatchMode mode, bool backwards) {
  if (auto exact = find_exact(line, wanted, mode == MatchMode::kWildcard, backwards)) return exact;
  if (mode == MatchMode::kExact || mode == MatchMode::kWildcard) return std::nullopt;
  std::optional<std::size_t> best;
  for (std::size_t k = 0; k < line.size(); ++k) {
    const std::size_t i = backwards ? line.size() - 1 - k : k;
    const auto order = order_of(line.at(i), wanted);
    if (!order) continue;
    const bool on_side = mode == MatchMode::kNextSmaller ? *order < 0 : *order > 0;
    if (!on_side) continue;
    if (!best) {
      best = i;
      continue;
    }
    const std::weak_ordering against_best = kx::compare_values(line.at(i), line.at(*best));
    if (mode == MatchMode::kNextSmaller ? against_best > 0 : against_best < 0) best = i;
  }
  return best;
}

// --- Arguments and results -------------------------------------------------------------------

kx::Value wanted_value(const kx::Value& argument) {
  const kx::Value wanted = single_arg(argument);
  if (wanted.is_error() && !is_omitted(wanted)) raise_error(wanted.error().number, "the lookup value is an error");
  if (wanted.is_empty() || is_omitted(wanted)) return 0.0;  // an empty cell is looked up as 0
  return wanted;
}

std::size_t extent(const kx::Value& value, bool across) {
  if (const CellRange* range = cells_of(value)) {
    return static_cast<std::size_t>(across ? range->column_count() : range->row_count());
  }
  const Grid grid(value);
  return across ? grid.columns() : grid.rows();
}

// Cell (row, column) of a table, 0-based, without reading the rest of a range.
kx::Value cell_of(const kx::Value& table, std::size_t row, std::size_t column) {
  if (const CellRange* range = cells_of(table)) {
    return range->sheet()->value(range->row() + static_cast<std::int32_t>(row),
                                 range->column() + static_cast<std::int32_t>(column));
  }
  return Grid(table).at(row, column);
}

kx::Value not_found() { raise_error(kx::error::kXlNA, "the value was not found"); }

// VLOOKUP and HLOOKUP: `across` for HLOOKUP, whose table is searched along its first row.
kx::Value table_lookup(Arguments args, bool across) {
  const kx::Value wanted = wanted_value(args[0]);
  const double index = whole_arg(args[2]);
  if (index < 1.0) raise_error(kx::error::kXlValue, "the column index must be at least 1");
  if (index > static_cast<double>(extent(args[1], !across))) {
    raise_error(kx::error::kXlRef, "the index reaches beyond the table");
  }
  const bool approximate = is_omitted(args[3]) || flag_arg(args[3]);
  const Line line(args[1], across, 0);
  const auto found = approximate ? find_sorted(line, wanted, false) : find_exact(line, wanted, true);
  if (!found) return not_found();
  const auto other = static_cast<std::size_t>(index) - 1;
  return across ? cell_of(args[1], other, *found) : cell_of(args[1], *found, other);
}

kx::Value vertical_lookup(Arguments args) { return table_lookup(args, false); }
kx::Value horizontal_lookup(Arguments args) { return table_lookup(args, true); }

kx::Value match(Arguments args) {
  const kx::Value wanted = wanted_value(args[0]);
  const double type = number_or(args[2], 1.0);
  const Line line = Line::vector_of(args[1]);
  std::optional<std::size_t> found;
  if (type == 0.0) {
    found = find_exact(line, wanted, true);
  } else {
    found = find_sorted(line, wanted, type < 0.0);
  }
  if (!found) return not_found();
  return static_cast<double>(*found + 1);
}

// The row (or column) of the return array that pairs with position i of the lookup line: a
// range stays a range, so that SUM(XLOOKUP(...)) and further references work.
kx::Value returned_slice(const kx::Value& returned, bool across, std::size_t i) {
  if (const CellRange* range = cells_of(returned)) {
    const auto place = static_cast<std::int32_t>(i) + 1;
    kx::RangeRef slice = across ? range->columns(place) : range->rows(place);
    if (slice->count() == 1) return slice->value();
    return slice;
  }
  const Grid grid(returned);
  if (grid.is_single_value()) return grid.at(0);
  const std::size_t length = across ? grid.rows() : grid.columns();
  if (length == 1) return across ? grid.at(0, i) : grid.at(i, 0);
  kx::Array slice(across ? length : 1, across ? 1 : length);
  for (std::size_t k = 0; k < length; ++k) slice.at(k) = across ? grid.at(k, i) : grid.at(i, k);
  return slice;
}

kx::Value extended_lookup(Arguments args) {
  const kx::Value given = single_arg(args[0]);
  const kx::Value wanted = wanted_value(given);
  const Line line = Line::vector_of(args[1]);
  if (extent(args[2], line.across()) != line.size()) {
    raise_error(kx::error::kXlValue, "the return array must be as long as the lookup array");
  }
  const double mode_number = number_or(args[4], 0.0);
  const double search = number_or(args[5], 1.0);
  if (mode_number != 0.0 && mode_number != -1.0 && mode_number != 1.0 && mode_number != 2.0) {
    raise_error(kx::error::kXlValue, "the match mode must be 0, -1, 1 or 2");
  }
  if (search != 1.0 && search != -1.0 && search != 2.0 && search != -2.0) {
    raise_error(kx::error::kXlValue, "the search mode must be 1, -1, 2 or -2");
  }
  const auto mode = mode_number == 0.0    ? MatchMode::kExact
                    : mode_number == -1.0 ? MatchMode::kNextSmaller
                    : mode_number == 1.0  ? MatchMode::kNextLarger
                                          : MatchMode::kWildcard;
  std::optional<std::size_t> found;
  if (given.is_empty()) {
    // A blank lookup value finds the first (or, searching backwards, last) blank cell.
    for (std::size_t k = 0; k < line.size() && !found; ++k) {
      const std::size_t i = search < 0.0 ? line.size() - 1 - k : k;
      if (line.at(i).is_empty()) found = i;
    }
    if (found) return returned_slice(args[2], line.across(), *found);
  }
  if (std::fabs(search) == 2.0 && mode != MatchMode::kWildcard) {
    // A binary search over sorted data: the last value not past the wanted one.
    const bool descending = search < 0.0;
    found = find_sorted(line, wanted, descending);
    const bool exact = found && kx::compare_values(line.at(*found), wanted) == 0;
    if (!exact) {
      const bool want_smaller = (mode == MatchMode::kNextSmaller) != descending;
      if (mode == MatchMode::kExact) {
        found.reset();
      } else if (!want_smaller) {
        // The next position holds the next larger (descending: smaller) value.
        const std::size_t next = found ? *found + 1 : 0;
        found = next < line.size() ? std::optional<std::size_t>(next) : std::nullopt;
      }
    }
  } else {
    found = find_nearest(line, wanted, mode, search < 0.0);
  }
  if (!found) {
    if (!is_omitted(args[3])) return args[3];
    return not_found();
  }
  return returned_slice(args[2], line.across(), *found);
}

// LOOKUP(value, lookup_vector, [result_vector]), or LOOKUP(value, array): a wide array is
// searched along its first row and gives its last row, a tall one its first and last column.
kx::Value vector_lookup(Arguments args) {
  const kx::Value wanted = wanted_value(args[0]);
  if (is_omitted(args[2])) {
    const bool across = extent(args[1], true) > extent(args[1], false);
    const Line line(args[1], across, 0);
    const auto found = find_sorted(line, wanted, false);
    if (!found) return not_found();
    const std::size_t last = extent(args[1], !across) - 1;
    return across ? cell_of(args[1], last, *found) : cell_of(args[1], *found, last);
  }
  const Line line = Line::vector_of(args[1]);
  const auto found = find_sorted(line, wanted, false);
  if (!found) return not_found();
  const Line results = Line::vector_of(args[2]);
  if (*found >= results.size()) raise_error(kx::error::kXlNA, "the result vector is shorter");
  return results.at(*found);
}

kx::Value choose(Arguments args) {
  const double index = whole_arg(args[0]);
  if (index < 1.0 || index >= static_cast<double>(args.size())) {
    raise_error(kx::error::kXlValue, "the index does not name one of the values");
  }
  return args[static_cast<std::size_t>(index)];
}

// A whole column or row counts every row or column of the sheet, not only the used ones.
kx::Value row_count(Arguments args) {
  if (const CellRange* range = cell_range_of(args[0])) return static_cast<double>(range->logical_rows());
  return static_cast<double>(extent(args[0], false));
}
kx::Value column_count(Arguments args) {
  if (const CellRange* range = cell_range_of(args[0])) return static_cast<double>(range->logical_columns());
  return static_cast<double>(extent(args[0], true));
}

// OFFSET(reference, rows, cols, [height], [width]): a range moved and resized, still a range.
kx::Value offset(Arguments args) {
  const CellRange* base = cells_of(args[0]);
  if (base == nullptr) raise_error(kx::error::kXlValue, "OFFSET needs a reference");
  const double top = base->row() + whole_arg(args[1]);
  const double left = base->column() + whole_arg(args[2]);
  const double height = is_omitted(args[3]) ? base->row_count() : whole_arg(args[3]);
  const double width = is_omitted(args[4]) ? base->column_count() : whole_arg(args[4]);
  if (height < 1.0 || width < 1.0) raise_error(kx::error::kXlRef, "the height and width must be at least 1");
  const double bottom = top + height - 1.0;
  const double right = left + width - 1.0;
  if (top < 1.0 || left < 1.0 || bottom > kMaxRows || right > kMaxColumns) {
    raise_error(kx::error::kXlRef, "the reference leaves the sheet");
  }
  return base->sheet()->area(static_cast<std::int32_t>(top), static_cast<std::int32_t>(left),
                             static_cast<std::int32_t>(bottom), static_cast<std::int32_t>(right));
}

constexpr SheetFunction kFunctions[] = {
    {"VLOOKUP", 3, 4, kArrays, vertical_lookup, "lookup_value, table_array, col_index_num, [range_lookup]", false,
     true},
    {"HLOOKUP", 3, 4, kArrays, horizontal_lookup, "lookup_value, table_array, row_index_num, [range_lookup]", false,
     true},
    {"MATCH", 2, 3, kArrays, match, "lookup_value, lookup_array, [match_type]", false, true},
    {"XLOOKUP", 3, 6, kArrays, extended_lookup,
     "lookup_value, lookup_array, return_array, [if_not_found], [match_mode], [search_mode]"},
    {"LOOKUP", 2, 3, kArrays, vector_lookup, "lookup_value, lookup_vector, [result_vector]"},
    {"CHOOSE", 2, kUnlimited, kArrays, choose, "index_num, value1, ..."},
    {"ROWS", 1, 1, kArrays, row_count, "array"},
    {"COLUMNS", 1, 1, kArrays, column_count, "array"},
    {"OFFSET", 3, 5, kArrays, offset, "reference, rows, cols, [height], [width]", true},
};

}  // namespace

Family lookup_functions() { return kFunctions; }

}  // namespace host::worksheet
