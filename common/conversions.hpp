// Conversions of cell values to the declared types, with the platform's rules:
// booleans are -1 and 0, empty is 0, integers round halves to the even neighbour.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/value.hpp"

namespace kx {

// Reads a number from text: surrounding blanks allowed, the given decimal separator,
// an optional exponent. Empty text or anything else is no number.
std::optional<double> parse_number(std::string_view text, char decimal_separator = '.');

// Each raises a Failure: type mismatch (13) for a value of the wrong kind, overflow (6)
// for a number outside the target type. A one-cell range converts through its value.
double to_double(const Value& value, char decimal_separator = '.');
float to_single(const Value& value, char decimal_separator = '.');
std::int16_t to_int16(const Value& value, char decimal_separator = '.');
std::int32_t to_int32(const Value& value, char decimal_separator = '.');
std::uint8_t to_byte(const Value& value, char decimal_separator = '.');
bool to_boolean(const Value& value, char decimal_separator = '.');
std::string to_text(const Value& value, char decimal_separator = '.');

// Rounds to a whole number with halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double round_half_even(double x);

// The general form of a number: up to 15 significant digits, no grouping, an exponent
// only for very large or very small magnitudes ("1E+20", "1.5E-10"). Other digit counts
// (1 to 17) lay out the same way; 17 reads back as the same double.
std::string format_general(double number, char decimal_separator = '.', int significant_digits = 15);

// The text a cell shows: numbers in the general form, TRUE/FALSE, "#NUM!" and the like.
std::string display_text(const Value& value, char decimal_separator = '.');

// The worksheet error a standard error's text names ("#N/A", "#DIV/0!"); nullopt for any other text.
std::optional<ErrorValue> error_named(std::string_view text);

// Ordering of cell values as the spreadsheet sorts them: numbers (empty counts as 0)
// before texts (compared without case) before booleans. Error values cannot be compared.
std::weak_ordering compare_values(const Value& a, const Value& b);

}  // namespace kx
