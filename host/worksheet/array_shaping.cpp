// Arrays cut, picked, stacked and reshaped: TAKE, DROP, CHOOSEROWS, CHOOSECOLS, HSTACK,
// VSTACK, TOCOL, TOROW, WRAPROWS, WRAPCOLS and EXPAND. Each checks what it builds against the
// formula's budget before it allocates.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

const kx::Value kNotAvailable = kx::ErrorValue{kx::error::kXlNA};

kx::Array checked_array(double rows, double columns, std::string_view function) {
  if (rows * columns > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded(std::string(function) + " would build " + kx::format_general(rows * columns) +
                        " elements, more than the " + std::to_string(kMaxFormulaArrayCells) + " a formula may build");
  }
  if (rows < 1.0 || columns < 1.0) raise_error(kx::error::kXlValue, "the result would be empty");
  return kx::Array(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
}

// The rows [first, first + count) and columns likewise of a grid.
kx::Value block(const Grid& grid, std::size_t first_row, std::size_t rows, std::size_t first_column,
                std::size_t columns, std::string_view function) {
  kx::Array result = checked_array(static_cast<double>(rows), static_cast<double>(columns), function);
  for (std::size_t r = 0; r < rows; ++r) {
    for (std::size_t c = 0; c < columns; ++c) result.at(r, c) = grid.at(first_row + r, first_column + c);
  }
  return result;
}

// How many lines TAKE keeps (or DROP leaves out) from which end: a negative count counts
// from the end; an omitted one keeps all (drops none).
struct Span {
  std::size_t first;
  std::size_t count;
};

Span taken(std::size_t extent, const kx::Value& count_arg, bool take) {
  if (is_omitted(count_arg)) return {0, extent};
  const double count = whole_arg(count_arg);
  const auto n = static_cast<std::size_t>(std::min(std::fabs(count), static_cast<double>(extent)));
  if (take) {
    if (count == 0.0) raise_error(kx::error::kXlValue, "TAKE of no rows or columns is empty");
    return count > 0.0 ? Span{0, n} : Span{extent - n, n};
  }
  return count >= 0.0 ? Span{n, extent - n} : Span{0, extent - n};
}

template <bool Take>
kx::Value take_or_drop(Arguments args) {
  const Grid grid(args[0]);
  const Span rows = taken(grid.rows(), args[1], Take);
  const Span columns = taken(grid.columns(), args[2], Take);
  return block(grid, rows.first, rows.count, columns.first, columns.count, Take ? "TAKE" : "DROP");
}

// The 0-based lines an index list names: 1 is the first, -1 the last.
std::vector<std::size_t> chosen_lines(Arguments indexes, std::size_t extent) {
  std::vector<std::size_t> lines;
  for (const kx::Value& argument : indexes) {
    const Grid grid(argument);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const double index = std::trunc(number_arg(grid.at(i)));
      if (index == 0.0 || std::fabs(index) > static_cast<double>(extent)) {
        raise_error(kx::error::kXlValue, "an index lies outside the array");
      }
      lines.push_back(index > 0.0 ? static_cast<std::size_t>(index) - 1 : extent - static_cast<std::size_t>(-index));
    }
  }
  return lines;
}

template <bool Rows>
kx::Value choose_lines(Arguments args) {
  const Grid grid(args[0]);
  const std::vector<std::size_t> lines = chosen_lines(args.subspan(1), Rows ? grid.rows() : grid.columns());
  const double rows = Rows ? static_cast<double>(lines.size()) : static_cast<double>(grid.rows());
  const double columns = Rows ? static_cast<double>(grid.columns()) : static_cast<double>(lines.size());
  kx::Array result = checked_array(rows, columns, Rows ? "CHOOSEROWS" : "CHOOSECOLS");
  ArrayTextBudget text(Rows ? "CHOOSEROWS" : "CHOOSECOLS");
  for (std::size_t r = 0; r < result.rows(); ++r) {
    for (std::size_t c = 0; c < result.columns(); ++c) {
      result.at(r, c) = Rows ? grid.at(lines[r], c) : grid.at(r, lines[c]);
      text.count(result.at(r, c));
    }
  }
  return result;
}

// VSTACK puts the arrays below one another, HSTACK beside; the narrower are padded with #N/A.
template <bool Vertical>
kx::Value stack(Arguments args) {
  std::vector<Grid> grids;
  double along = 0.0;
  double across = 0.0;
  for (const kx::Value& argument : args) {
    const Grid& grid = grids.emplace_back(argument);
    along += static_cast<double>(Vertical ? grid.rows() : grid.columns());
    across = std::max(across, static_cast<double>(Vertical ? grid.columns() : grid.rows()));
  }
  kx::Array result =
      checked_array(Vertical ? along : across, Vertical ? across : along, Vertical ? "VSTACK" : "HSTACK");
  ArrayTextBudget text(Vertical ? "VSTACK" : "HSTACK");
  std::size_t offset = 0;
  for (const Grid& grid : grids) {
    for (std::size_t r = 0; r < (Vertical ? grid.rows() : result.rows()); ++r) {
      for (std::size_t c = 0; c < (Vertical ? result.columns() : grid.columns()); ++c) {
        const bool inside = r < grid.rows() && c < grid.columns();
        kx::Value& element = Vertical ? result.at(offset + r, c) : result.at(r, offset + c);
        element = inside ? grid.at(r, c) : kNotAvailable;
        text.count(element);
      }
    }
    offset += Vertical ? grid.rows() : grid.columns();
  }
  return result;
}

// The values of a grid in one line, by row or by column, leaving out blanks (ignore 1),
// errors (2) or both (3).
std::vector<kx::Value> flattened(Arguments args) {
  const Grid grid(args[0]);
  const double ignore = number_or(args[1], 0.0);
  if (ignore < 0.0 || ignore > 3.0 || ignore != std::trunc(ignore)) {
    raise_error(kx::error::kXlValue, "ignore must be 0, 1, 2 or 3");
  }
  const bool by_column = !is_omitted(args[2]) && flag_arg(args[2]);
  const bool skip_blanks = ignore == 1.0 || ignore == 3.0;
  const bool skip_errors = ignore == 2.0 || ignore == 3.0;
  std::vector<kx::Value> values;
  const std::size_t outer = by_column ? grid.columns() : grid.rows();
  const std::size_t inner = by_column ? grid.rows() : grid.columns();
  for (std::size_t i = 0; i < outer; ++i) {
    for (std::size_t j = 0; j < inner; ++j) {
      const kx::Value& value = by_column ? grid.at(j, i) : grid.at(i, j);
      if ((skip_blanks && value.is_empty()) || (skip_errors && value.is_error())) continue;
      values.push_back(value);
    }
  }
  if (values.empty()) raise_error(kx::error::kXlValue, "no value is left");
  return values;
}

template <bool Column>
kx::Value to_line(Arguments args) {
  const std::vector<kx::Value> values = flattened(args);
  kx::Array result(Column ? values.size() : 1, Column ? 1 : values.size());
  for (std::size_t i = 0; i < values.size(); ++i) result.at(i) = values[i];
  return result;
}

// WRAPROWS fills rows of `wrap_count` values, WRAPCOLS columns; the last is padded.
template <bool Rows>
kx::Value wrap(Arguments args) {
  const Grid grid(args[0]);
  if (grid.rows() > 1 && grid.columns() > 1) raise_error(kx::error::kXlValue, "only a row or a column can be wrapped");
  const double wrap_count = whole_arg(args[1]);
  if (wrap_count < 1.0) raise_error(kx::error::kXlNum, "the wrap count must be at least 1");
  const kx::Value pad = is_omitted(args[2]) ? kNotAvailable : single_arg(args[2]);
  const auto width = static_cast<std::size_t>(std::min(wrap_count, static_cast<double>(grid.size())));
  const std::size_t lines = (grid.size() + width - 1) / width;
  kx::Array result = checked_array(static_cast<double>(Rows ? lines : width), static_cast<double>(Rows ? width : lines),
                                   Rows ? "WRAPROWS" : "WRAPCOLS");
  ArrayTextBudget text(Rows ? "WRAPROWS" : "WRAPCOLS");
  for (std::size_t i = 0; i < lines * width; ++i) {
    const std::size_t line = i / width;
    const std::size_t k = i % width;
    kx::Value& element = Rows ? result.at(line, k) : result.at(k, line);
    element = i < grid.size() ? grid.at(i) : pad;
    text.count(element);
  }
  return result;
}

// EXPAND(array, rows, [columns], [pad_with]): the array grown to rows by columns.
kx::Value expand(Arguments args) {
  const Grid grid(args[0]);
  const double rows = is_omitted(args[1]) ? static_cast<double>(grid.rows()) : whole_arg(args[1]);
  const double columns = is_omitted(args[2]) ? static_cast<double>(grid.columns()) : whole_arg(args[2]);
  if (rows < static_cast<double>(grid.rows()) || columns < static_cast<double>(grid.columns())) {
    raise_error(kx::error::kXlValue, "EXPAND cannot shrink an array");
  }
  const kx::Value pad = is_omitted(args[3]) ? kNotAvailable : single_arg(args[3]);
  kx::Array result = checked_array(rows, columns, "EXPAND");
  ArrayTextBudget text("EXPAND");
  for (std::size_t r = 0; r < result.rows(); ++r) {
    for (std::size_t c = 0; c < result.columns(); ++c) {
      result.at(r, c) = r < grid.rows() && c < grid.columns() ? grid.at(r, c) : pad;
      text.count(result.at(r, c));
    }
  }
  return result;
}

constexpr SheetFunction kFunctions[] = {
    {"TAKE", 2, 3, kArrays, take_or_drop<true>, "array, rows, [columns]"},
    {"DROP", 2, 3, kArrays, take_or_drop<false>, "array, rows, [columns]"},
    {"CHOOSEROWS", 2, kUnlimited, kArrays, choose_lines<true>, "array, row_num1, ..."},
    {"CHOOSECOLS", 2, kUnlimited, kArrays, choose_lines<false>, "array, col_num1, ..."},
    {"VSTACK", 1, kUnlimited, kArrays, stack<true>, "array1, ..."},
    {"HSTACK", 1, kUnlimited, kArrays, stack<false>, "array1, ..."},
    {"TOCOL", 1, 3, kArrays, to_line<true>, "array, [ignore], [scan_by_column]"},
    {"TOROW", 1, 3, kArrays, to_line<false>, "array, [ignore], [scan_by_column]"},
    {"WRAPROWS", 2, 3, kArrays, wrap<true>, "vector, wrap_count, [pad_with]"},
    {"WRAPCOLS", 2, 3, kArrays, wrap<false>, "vector, wrap_count, [pad_with]"},
    {"EXPAND", 2, 4, kArrays, expand, "array, rows, [columns], [pad_with]"},
};

}  // namespace

Family array_shaping_functions() { return kFunctions; }

}  // namespace host::worksheet
