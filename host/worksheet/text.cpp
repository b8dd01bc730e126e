// Text functions: joining, cutting, case, searching and replacing, conversion to and from
// numbers. Positions and lengths count characters, not the bytes of their UTF-8 form.
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/conversions.hpp"
#include "common/letter_case.hpp"
#include "common/text_compare.hpp"
#include "host/formula/coercion.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/criteria.hpp"
#include "host/worksheet/serial_dates.hpp"
#include "host/worksheet/sheet_functions.hpp"
#include "host/worksheet/text_format.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// A text a function builds may not exceed what a cell holds.
std::string checked_length(std::string text) {
  if (text.size() > kMaxTextLength) raise_error(kx::error::kXlValue, "the text would exceed 32767 characters");
  return text;
}

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offset of each character's start, and the text's size at the end.
std::vector<std::size_t> character_starts(std::string_view text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!is_continuation(text[i])) starts.push_back(i);
  }
  starts.push_back(text.size());
  return starts;
}

std::size_t length_of(std::string_view text) { return character_starts(text).size() - 1; }

// Characters [first, first + count) of a text, clamped to its end.
std::string characters(std::string_view text, std::size_t first, std::size_t count) {
  const std::vector<std::size_t> starts = character_starts(text);
  const std::size_t length = starts.size() - 1;
  if (first >= length) return {};
  const std::size_t last = std::min(length, first + std::min(count, length));
  return std::string(text.substr(starts[first], starts[last] - starts[first]));
}

double count_arg(const kx::Value& value, double fallback) {
  const double count = is_omitted(value) ? fallback : std::trunc(number_arg(value));
  if (count < 0.0) raise_error(kx::error::kXlValue, "the number of characters must not be negative");
  return count;
}

std::size_t as_size(double count) { return count > 1e9 ? std::size_t{1000000000} : static_cast<std::size_t>(count); }

// Each value of the arguments, ranges and arrays cell by cell, as a text.
std::vector<std::string> texts_of(Arguments args) {
  std::vector<std::string> texts;
  for (const kx::Value& argument : args) {
    const Grid grid(argument);
    for (std::size_t i = 0; i < grid.size(); ++i) texts.push_back(text_arg(grid.at(i)));
  }
  return texts;
}

kx::Value concatenate(Arguments args) {
  std::string joined;
  for (const kx::Value& argument : args) joined += text_arg(argument);
  return checked_length(std::move(joined));
}

kx::Value concat(Arguments args) {
  std::string joined;
  for (const std::string& text : texts_of(args)) joined += text;
  return checked_length(std::move(joined));
}

kx::Value text_join(Arguments args) {
  const std::string delimiter = text_arg(args[0]);
  const bool skip_empty = flag_arg(args[1]);
  std::string joined;
  bool first = true;
  for (const std::string& text : texts_of(args.subspan(2))) {
    if (skip_empty && text.empty()) continue;
    if (!first) joined += delimiter;
    joined += text;
    first = false;
    if (joined.size() > kMaxTextLength) break;
  }
  return checked_length(std::move(joined));
}

kx::Value left(Arguments args) { return characters(text_arg(args[0]), 0, as_size(count_arg(args[1], 1.0))); }

kx::Value right(Arguments args) {
  const std::string text = text_arg(args[0]);
  const std::size_t count = as_size(count_arg(args[1], 1.0));
  const std::size_t length = length_of(text);
  return count >= length ? text : characters(text, length - count, count);
}

kx::Value mid(Arguments args) {
  const double start = std::trunc(number_arg(args[1]));
  if (start < 1.0) raise_error(kx::error::kXlValue, "the start must be at least 1");
  return characters(text_arg(args[0]), as_size(start - 1.0), as_size(count_arg(args[2], 0.0)));
}

kx::Value length(Arguments args) { return static_cast<double>(length_of(text_arg(args[0]))); }
kx::Value upper(Arguments args) { return kx::to_upper_case(text_arg(args[0])); }
kx::Value lower(Arguments args) { return kx::to_lower_case(text_arg(args[0])); }
kx::Value proper(Arguments args) { return kx::to_proper_case(text_arg(args[0])); }

// Spaces at both ends removed and runs of spaces inside made one.
kx::Value trim(Arguments args) {
  const std::string text = text_arg(args[0]);
  std::string out;
  for (const char c : text) {
    if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// FIND (case and wildcards taken literally) and SEARCH (without case, with wildcards): the
// 1-based character position of the first match at or after `start`.
template <bool Search>
kx::Value position_of(Arguments args) {
  // SEARCH compares both texts in lower case: every letter maps to one, so positions keep.
  const std::string wanted = Search ? kx::to_lower_case(text_arg(args[0])) : text_arg(args[0]);
  const std::string within = Search ? kx::to_lower_case(text_arg(args[1])) : text_arg(args[1]);
  const double start = is_omitted(args[2]) ? 1.0 : std::trunc(number_arg(args[2]));
  const std::vector<std::size_t> starts = character_starts(within);
  const std::size_t length = starts.size() - 1;
  if (start < 1.0 || start > static_cast<double>(length + (wanted.empty() ? 1 : 0))) {
    raise_error(kx::error::kXlValue, "the start lies outside the text");
  }
  const auto first = static_cast<std::size_t>(start) - 1;
  if (wanted.empty()) return start;
  for (std::size_t i = first; i < length; ++i) {
    const std::string_view rest = std::string_view(within).substr(starts[i]);
    bool found = false;
    if (!Search) {
      found = rest.starts_with(wanted);
    } else if (has_wildcards(wanted)) {
      found = wildcard_match(wanted + "*", rest);
    } else {
      found = rest.size() >= wanted.size() && kx::equals_ignore_case(rest.substr(0, wanted.size()), wanted);
    }
    if (found) return static_cast<double>(i + 1);
  }
  raise_error(kx::error::kXlValue, "the text was not found");
}

// SUBSTITUTE(text, old, new, [instance]): every occurrence, or only the instance-th.
kx::Value substitute(Arguments args) {
  const std::string text = text_arg(args[0]);
  const std::string old_text = text_arg(args[1]);
  const std::string new_text = text_arg(args[2]);
  const double instance = is_omitted(args[3]) ? 0.0 : std::trunc(number_arg(args[3]));
  if (!is_omitted(args[3]) && instance < 1.0) raise_error(kx::error::kXlValue, "the instance must be at least 1");
  if (old_text.empty()) return text;
  std::string out;
  std::size_t from = 0;
  double seen = 0.0;
  for (std::size_t at = text.find(old_text); at != std::string::npos; at = text.find(old_text, at + old_text.size())) {
    seen += 1.0;
    if (instance != 0.0 && seen != instance) continue;
    out += text.substr(from, at - from);
    out += new_text;
    from = at + old_text.size();
    if (out.size() > kMaxTextLength) break;
  }
  out += text.substr(from);
  return checked_length(std::move(out));
}

kx::Value replace(Arguments args) {
  const std::string text = text_arg(args[0]);
  const double start = std::trunc(number_arg(args[1]));
  const double count = count_arg(args[2], 0.0);
  if (start < 1.0) raise_error(kx::error::kXlValue, "the start must be at least 1");
  const std::size_t length = length_of(text);
  const std::size_t first = std::min(as_size(start - 1.0), length);
  return checked_length(characters(text, 0, first) + text_arg(args[3]) +
                        characters(text, first + as_size(count), length));
}

// VALUE: a text as a number, reading percentages, thousands separators and dates too.
kx::Value value_of_text(Arguments args) {
  const kx::Value single = single_arg(args[0]);
  if (!single.is_text()) return number_arg(single);
  std::string text = single.text();
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  double scale = 1.0;
  if (!text.empty() && text.back() == '%') {
    text.pop_back();
    scale = 0.01;
  }
  std::string plain;
  for (const char c : text) {
    if (c != ',' && c != '$') plain += c;
  }
  if (const auto number = kx::parse_number(plain)) return *number * scale;
  if (const auto date = parse_date(text)) return *date;
  raise_error(kx::error::kXlValue, "\"" + single.text() + "\" is not a number");
}

kx::Value repeat(Arguments args) {
  const std::string text = text_arg(args[0]);
  const double times = std::trunc(number_arg(args[1]));
  if (times < 0.0) raise_error(kx::error::kXlValue, "the count must not be negative");
  if (text.empty() || times == 0.0) return std::string();
  if (times * static_cast<double>(text.size()) > static_cast<double>(kMaxTextLength)) {
    raise_error(kx::error::kXlValue, "the text would exceed 32767 characters");
  }
  std::string out;
  for (double i = 0; i < times; i += 1.0) out += text;
  return out;
}

kx::Value exact(Arguments args) { return text_arg(args[0]) == text_arg(args[1]); }

// FIXED(number, [decimals], [no_commas]).
kx::Value fixed(Arguments args) {
  const double x = number_arg(args[0]);
  const double decimals = is_omitted(args[1]) ? 2.0 : std::trunc(number_arg(args[1]));
  const bool no_commas = !is_omitted(args[2]) && flag_arg(args[2]);
  check_domain(decimals <= 127.0, "at most 127 decimals");
  std::string format = no_commas ? "0" : "#,##0";
  if (decimals > 0.0) format.append(".").append(static_cast<std::size_t>(std::min(decimals, 15.0)), '0');
  double rounded = x;
  if (decimals < 0.0) {
    const double unit = std::pow(10.0, -decimals);
    rounded = std::round(x / unit) * unit;
  }
  return format_text(rounded, format);
}

kx::Value text_of_value(Arguments args) {
  const kx::Value value = single_arg(args[0]);
  const std::string format = text_arg(args[1]);
  if (value.is_text()) {
    // A text that reads as a number is formatted as that number; other texts stay as they are.
    if (const auto number = kx::parse_number(value.text())) return format_text(*number, format);
    return format_text(value.text(), format);
  }
  return format_text(number_arg(value), format);
}

constexpr SheetFunction kFunctions[] = {
    {"TEXT", 2, 2, kSingleValues, text_of_value, "value, format_text"},
    {"CONCATENATE", 1, kUnlimited, kSingleValues, concatenate, "text1, ..."},
    {"CONCAT", 1, kUnlimited, kArrays, concat, "text1, ..."},
    {"TEXTJOIN", 3, kUnlimited, kArrays, text_join, "delimiter, ignore_empty, text1, ..."},
    {"LEFT", 1, 2, kSingleValues, left, "text, [num_chars]"},
    {"RIGHT", 1, 2, kSingleValues, right, "text, [num_chars]"},
    {"MID", 3, 3, kSingleValues, mid, "text, start_num, num_chars"},
    {"LEN", 1, 1, kSingleValues, length, "text"},
    {"UPPER", 1, 1, kSingleValues, upper, "text"},
    {"LOWER", 1, 1, kSingleValues, lower, "text"},
    {"PROPER", 1, 1, kSingleValues, proper, "text"},
    {"TRIM", 1, 1, kSingleValues, trim, "text"},
    {"FIND", 2, 3, kSingleValues, position_of<false>, "find_text, within_text, [start_num]"},
    {"SEARCH", 2, 3, kSingleValues, position_of<true>, "find_text, within_text, [start_num]"},
    {"SUBSTITUTE", 3, 4, kSingleValues, substitute, "text, old_text, new_text, [instance_num]"},
    {"REPLACE", 4, 4, kSingleValues, replace, "old_text, start_num, num_chars, new_text"},
    {"VALUE", 1, 1, kSingleValues, value_of_text, "text"},
    {"REPT", 2, 2, kSingleValues, repeat, "text, number_times"},
    {"EXACT", 2, 2, kSingleValues, exact, "text1, text2"},
    {"FIXED", 1, 3, kSingleValues, fixed, "number, [decimals], [no_commas]"},
};

}  // namespace

Family text_functions() { return kFunctions; }

}  // namespace host::worksheet
