// Parsing and matching the criteria of SumIf and CountIf.
#include "host/worksheet/criteria.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "common/conversions.hpp"
#include "common/letter_case.hpp"
#include "common/text_compare.hpp"
#include "common/text_order.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/serial_dates.hpp"

namespace host::worksheet {
namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// "60%" as 0.6.
std::optional<double> percent_of(std::string_view text) {
  if (text.size() < 2 || text.back() != '%') return std::nullopt;
  const auto number = kx::parse_number(text.substr(0, text.size() - 1));
  if (!number) return std::nullopt;
  return *number / 100.0;
}

// The error number a text such as "#N/A" names.
std::optional<std::int32_t> error_named(std::string_view text) {
  for (const std::int32_t number : {kx::error::kXlNull, kx::error::kXlDiv0, kx::error::kXlValue, kx::error::kXlRef,
                                    kx::error::kXlName, kx::error::kXlNum, kx::error::kXlNA}) {
    if (kx::equals_ignore_case(text, error_text(number))) return number;
  }
  return std::nullopt;
}

}  // namespace

bool has_wildcards(std::string_view text) { return text.find_first_of("*?~") != std::string_view::npos; }

namespace {

// The match itself, ASCII letters without case.
bool ascii_wildcard_match(std::string_view pattern, std::string_view text) {
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string_view::npos;  // pattern position after the last *
  std::size_t star_text = 0;                  // text position that * has reached
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_text = t;
      continue;
    }
    if (p < pattern.size()) {
      const bool escaped = pattern[p] == '~' && p + 1 < pattern.size();
      const char wanted = escaped ? pattern[p + 1] : pattern[p];
      if ((!escaped && wanted == '?') || lower(wanted) == lower(text[t])) {
        p += escaped ? 2 : 1;
        ++t;
        continue;
      }
    }
    if (star == std::string_view::npos) return false;
    p = star;
    t = ++star_text;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view text) {
  // Beyond ASCII both sides are taken in lower case first (É matches é).
  if (kx::is_ascii(pattern) && kx::is_ascii(text)) return ascii_wildcard_match(pattern, text);
  return ascii_wildcard_match(kx::to_lower_case(pattern), kx::to_lower_case(text));
}

Criterion::Criterion(const kx::Value& criterion) {
  if (criterion.is_array() || criterion.is_range()) {
    const Grid grid(criterion);
    if (grid.size() != 1) raise_error(kx::error::kXlValue, "the criterion must be a single value");
    *this = Criterion(grid.at(0, 0));
    return;
  }
  if (criterion.is_boolean()) {
    operand_ = criterion.boolean();
    return;
  }
  if (criterion.is_error() && !criterion.is_missing()) {
    operand_ = criterion.error();  // matches the cells holding that error
    return;
  }
  if (!criterion.is_text()) {
    // A number; an empty cell or omitted criterion counts as 0.
    operand_ = number_arg(criterion);
    return;
  }
  // Longer operators first, so that "<=" is not read as "<" followed by "=".
  static constexpr std::array<std::pair<std::string_view, Comparison>, 6> kOperators = {{
      {"<=", Comparison::kLessOrEqual},
      {">=", Comparison::kGreaterOrEqual},
      {"<>", Comparison::kNotEqual},
      {"<", Comparison::kLess},
      {">", Comparison::kGreater},
      {"=", Comparison::kEqual},
  }};
  std::string_view text = criterion.text();
  bool has_operator = false;
  for (const auto& [symbol, comparison] : kOperators) {
    if (text.starts_with(symbol)) {
      comparison_ = comparison;
      text.remove_prefix(symbol.size());
      has_operator = true;
      break;
    }
  }
  if (text.empty() && (comparison_ == Comparison::kEqual || comparison_ == Comparison::kNotEqual)) {
    operand_ = Blank{.empty_text_counts = !has_operator};
  } else if (const auto number = kx::parse_number(text)) {
    operand_ = *number;
  } else if (const auto share = percent_of(text)) {
    operand_ = *share;
  } else if (const auto date = parse_date(text)) {
    operand_ = *date;
  } else if (const auto error = error_named(text)) {
    operand_ = kx::ErrorValue{*error};
  } else if (kx::equals_ignore_case(text, "TRUE") || kx::equals_ignore_case(text, "FALSE")) {
    operand_ = kx::equals_ignore_case(text, "TRUE");
  } else {
    operand_ = std::string(text);
  }
}

bool Criterion::matches(const kx::Value& cell) const {
  if (const auto* error = std::get_if<kx::ErrorValue>(&operand_)) {
    const bool same = cell.is_error() && cell.error() == *error;
    if (comparison_ == Comparison::kEqual) return same;
    return comparison_ == Comparison::kNotEqual && !same;
  }
  // An error value equals nothing but itself: "<>x" and "<>" count it.
  if (cell.is_error()) return comparison_ == Comparison::kNotEqual;
  switch (comparison_) {
    case Comparison::kEqual: return equals(cell);
    case Comparison::kNotEqual: return !equals(cell);
    default: return compares(cell);
  }
}

bool Criterion::equals(const kx::Value& cell) const {
  if (const auto* blank = std::get_if<Blank>(&operand_)) {
    return cell.is_empty() || (blank->empty_text_counts && cell.is_text() && cell.text().empty());
  }
  if (const auto* number = std::get_if<double>(&operand_)) {
    if (cell.is_number()) return cell.number() == *number;
    // A text that reads as the number counts as that number.
    if (cell.is_text()) return kx::parse_number(cell.text()) == *number;
    return false;
  }
  if (const auto* flag = std::get_if<bool>(&operand_)) return cell.is_boolean() && cell.boolean() == *flag;
  return cell.is_text() && wildcard_match(std::get<std::string>(operand_), cell.text());
}

bool Criterion::compares(const kx::Value& cell) const {
  int order = 0;  // sign of cell - operand
  if (const auto* number = std::get_if<double>(&operand_)) {
    if (!cell.is_number()) return false;
    order = (cell.number() > *number) - (cell.number() < *number);
  } else if (const auto* flag = std::get_if<bool>(&operand_)) {
    if (!cell.is_boolean()) return false;
    order = static_cast<int>(cell.boolean()) - static_cast<int>(*flag);
  } else {
    if (!cell.is_text()) return false;
    const std::weak_ordering texts = kx::compare_texts(cell.text(), std::get<std::string>(operand_));
    order = (texts > 0) - (texts < 0);
  }
  switch (comparison_) {
    case Comparison::kLess: return order < 0;
    case Comparison::kLessOrEqual: return order <= 0;
    case Comparison::kGreater: return order > 0;
    default: return order >= 0;
  }
}

}  // namespace host::worksheet
