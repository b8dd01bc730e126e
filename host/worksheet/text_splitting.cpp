// Texts cut at delimiters: the part before or after the n-th delimiter (TEXTBEFORE,
// TEXTAFTER) and a text split into rows and columns (TEXTSPLIT). Each takes one delimiter or
// an array of them, matched with or without case.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/text_compare.hpp"
#include "host/formula/limits.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// Where a delimiter stands in the text: bytes [start, end).
struct Match {
  std::size_t start;
  std::size_t end;
};

std::vector<std::string> delimiters_of(const kx::Value& argument, bool ignore_case) {
  std::vector<std::string> delimiters;
  const Grid grid(argument);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    const kx::Value& cell = grid.at(i);
    if (cell.is_error() && !is_omitted(cell)) raise_error(cell.error().number, "a delimiter is an error value");
    const std::string text = text_arg(cell);
    delimiters.push_back(ignore_case ? kx::to_lower_ascii(text) : text);
  }
  return delimiters;
}

bool ignores_case(const kx::Value& match_mode) {
  const double mode = number_or(match_mode, 0.0);
  if (mode != 0.0 && mode != 1.0) raise_error(kx::error::kXlValue, "the match mode must be 0 or 1");
  return mode == 1.0;
}

// The delimiters' places from left to right, none overlapping; at each place the first
// listed delimiter that stands there. Empty delimiters are left out.
std::vector<Match> matches_in(const std::string& text, const std::vector<std::string>& delimiters) {
  std::vector<Match> matches;
  for (std::size_t at = 0; at < text.size();) {
    std::optional<Match> found;
    for (const std::string& delimiter : delimiters) {
      if (!delimiter.empty() && text.compare(at, delimiter.size(), delimiter) == 0) {
        found = Match{at, at + delimiter.size()};
        break;
      }
    }
    if (found) {
      matches.push_back(*found);
      at = found->end;
    } else {
      ++at;
    }
  }
  return matches;
}

// TEXTBEFORE and TEXTAFTER: the n-th delimiter from the start (from the end when n is
// negative); match_end makes the text's end (or start) a delimiter too. An empty delimiter
// stands at the start (or the end).
template <bool Before>
kx::Value text_around(Arguments args) {
  const std::string text = text_arg(single_arg(args[0]));
  const bool ignore_case = ignores_case(args[3]);
  const std::vector<std::string> delimiters = delimiters_of(args[1], ignore_case);
  const double instance = is_omitted(args[2]) ? 1.0 : std::trunc(number_arg(args[2]));
  const bool end_is_delimiter = !is_omitted(args[4]) && number_arg(args[4]) != 0.0;
  if (instance == 0.0 || std::fabs(instance) > static_cast<double>(text.size()) + 1.0) {
    raise_error(kx::error::kXlValue, "the instance must not be 0 nor exceed the text's length");
  }
  const bool forward = instance > 0.0;
  std::vector<Match> matches = matches_in(ignore_case ? kx::to_lower_ascii(text) : text, delimiters);
  const bool has_empty =
      std::any_of(delimiters.begin(), delimiters.end(), [](const std::string& d) { return d.empty(); });
  const Match edge = forward ? Match{text.size(), text.size()} : Match{0, 0};
  if (has_empty) matches.insert(forward ? matches.begin() : matches.end(), forward ? Match{0, 0} : edge);
  if (end_is_delimiter) matches.insert(forward ? matches.end() : matches.begin(), edge);
  const auto n = static_cast<std::size_t>(std::fabs(instance));
  if (n > matches.size()) {
    if (!is_omitted(args[5])) return single_arg(args[5]);
    raise_error(kx::error::kXlNA, "the text holds too few delimiters");
  }
  const Match& chosen = forward ? matches[n - 1] : matches[matches.size() - n];
  return Before ? text.substr(0, chosen.start) : text.substr(chosen.end);
}

std::vector<std::string> split(const std::string& text, const std::vector<std::string>& delimiters, bool ignore_case,
                               bool ignore_empty) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  const auto keep = [&](std::string part) {
    if (!(ignore_empty && part.empty())) parts.push_back(std::move(part));
  };
  for (const Match& m : matches_in(ignore_case ? kx::to_lower_ascii(text) : text, delimiters)) {
    keep(text.substr(from, m.start - from));
    from = m.end;
  }
  keep(text.substr(from));
  return parts;
}

// TEXTSPLIT(text, col_delimiter, [row_delimiter], [ignore_empty], [match_mode], [pad_with]):
// rows at the row delimiters, columns at the column delimiters, short rows padded.
kx::Value text_split(Arguments args) {
  const std::string text = text_arg(single_arg(args[0]));
  const bool ignore_case = ignores_case(args[4]);
  const std::vector<std::string> columns_at = delimiters_of(args[1], ignore_case);
  const std::vector<std::string> rows_at =
      is_omitted(args[2]) ? std::vector<std::string>() : delimiters_of(args[2], ignore_case);
  const bool ignore_empty = !is_omitted(args[3]) && flag_arg(single_arg(args[3]));
  const auto all_empty = [](const std::vector<std::string>& ds) {
    return std::all_of(ds.begin(), ds.end(), [](const std::string& d) { return d.empty(); });
  };
  if (all_empty(columns_at) && all_empty(rows_at)) raise_error(kx::error::kXlValue, "TEXTSPLIT needs a delimiter");
  std::vector<std::vector<std::string>> table;
  std::size_t width = 1;
  for (const std::string& line : split(text, rows_at, ignore_case, ignore_empty)) {
    table.push_back(split(line, columns_at, ignore_case, ignore_empty));
    width = std::max(width, table.back().size());
  }
  if (table.empty()) raise_error(kx::error::kXlValue, "nothing is left of the text");
  if (static_cast<double>(table.size()) * static_cast<double>(width) > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded("TEXTSPLIT would build more than the " + std::to_string(kMaxFormulaArrayCells) +
                        " elements a formula may build");
  }
  const kx::Value pad = is_omitted(args[5]) ? kx::Value(kx::ErrorValue{kx::error::kXlNA}) : single_arg(args[5]);
  kx::Array result(table.size(), width);
  ArrayTextBudget built("TEXTSPLIT");
  for (std::size_t row = 0; row < table.size(); ++row) {
    for (std::size_t column = 0; column < width; ++column) {
      result.at(row, column) = column < table[row].size() ? kx::Value(table[row][column]) : pad;
      built.count(result.at(row, column));
    }
  }
  return result;
}

constexpr SheetFunction kFunctions[] = {
    {"TEXTBEFORE", 2, 6, kArrays, text_around<true>,
     "text, delimiter, [instance_num], [match_mode], [match_end], [if_not_found]"},
    {"TEXTAFTER", 2, 6, kArrays, text_around<false>,
     "text, delimiter, [instance_num], [match_mode], [match_end], [if_not_found]"},
    {"TEXTSPLIT", 2, 6, kArrays, text_split,
     "text, col_delimiter, [row_delimiter], [ignore_empty], [match_mode], [pad_with]"},
};

}  // namespace

Family text_splitting_functions() { return kFunctions; }

}  // namespace host::worksheet
