// Whole-number functions: divisors and multiples, factorial forms, combinations and
// permutations with repetition, power series, and numbers written in other bases and in
// Roman numerals.
#include <algorithm>
#include <boost/math/special_functions/binomial.hpp>
#include <boost/math/special_functions/factorials.hpp>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

// Whole numbers up to 2^53 are exact in a double; GCD and LCM refuse larger ones.
constexpr double kLargestWhole = 9007199254740992.0;

// The whole numbers of GCD, LCM and MULTINOMIAL: every argument's numbers, truncated,
// none negative.
std::vector<double> whole_numbers(Arguments args) {
  std::vector<double> numbers = numbers_of(args);
  for (double& n : numbers) {
    n = std::trunc(n);
    check_domain(n >= 0.0, "the numbers must not be negative");
    check_domain(n < kLargestWhole, "the numbers must be below 2^53");
  }
  return numbers;
}

kx::Value greatest_common_divisor(Arguments args) {
  std::uint64_t divisor = 0;
  for (const double n : whole_numbers(args)) divisor = std::gcd(divisor, static_cast<std::uint64_t>(n));
  return static_cast<double>(divisor);
}

kx::Value least_common_multiple(Arguments args) {
  double multiple = 1.0;
  for (const double n : whole_numbers(args)) {
    if (n == 0.0) return 0.0;
    const double divisor =
        static_cast<double>(std::gcd(static_cast<std::uint64_t>(multiple), static_cast<std::uint64_t>(n)));
    multiple = multiple / divisor * n;
    check_domain(multiple < kLargestWhole, "the multiple is too large");
  }
  return multiple;
}

// (a1 + a2 + ...)! / (a1! a2! ...), built as a product of binomial coefficients.
kx::Value multinomial(Arguments args) {
  double result = 1.0;
  double total = 0.0;
  for (const double n : whole_numbers(args)) {
    total += n;
    check_domain(total <= 4294967295.0, "the numbers are too large");
    result *= boost::math::binomial_coefficient<double>(static_cast<unsigned>(total), static_cast<unsigned>(n),
                                                        BoostPolicy());
    check_domain(std::isfinite(result), "the result is too large");
  }
  return result;
}

// Sum of coefficient_i * x^(n + (i-1) m).
kx::Value series_sum(Arguments args) {
  const double x = number_arg(args[0]);
  const double n = number_arg(args[1]);
  const double m = number_arg(args[2]);
  const Grid coefficients(args[3]);
  double sum = 0.0;
  for (std::size_t i = 0; i < coefficients.size(); ++i) {
    const kx::Value& cell = coefficients.at(i);
    if (!cell.is_number()) {
      if (cell.is_error()) raise_error(cell.error().number, "a coefficient holds an error value");
      raise_error(kx::error::kXlValue, "the coefficients must be numbers");
    }
    sum += cell.number() * std::pow(x, n + static_cast<double>(i) * m);
  }
  return sum;
}

kx::Value double_factorial(Arguments args) {
  const double n = whole_arg(args[0]);
  check_domain(n >= 0.0, "the number must not be negative");
  if (n == 0.0) return 1.0;
  check_domain(n < 301.0, "the double factorial is too large");
  return boost::math::double_factorial<double>(static_cast<unsigned>(n), BoostPolicy());
}

double counted(const kx::Value& value) {
  const double n = whole_arg(value);
  check_domain(n >= 0.0, "the counts must not be negative");
  return n;
}

// Combinations with repetition: COMBIN(n + k - 1, k).
kx::Value combinations_with_repetition(Arguments args) {
  const double n = counted(args[0]);
  const double k = counted(args[1]);
  check_domain(n >= k || n > 0.0, "COMBINA needs number >= number_chosen or number > 0");
  if (k == 0.0) return 1.0;
  check_domain(n + k - 1.0 <= 4294967295.0, "the numbers are too large");
  return boost::math::binomial_coefficient<double>(static_cast<unsigned>(n + k - 1.0), static_cast<unsigned>(k),
                                                   BoostPolicy());
}

kx::Value permutations(Arguments args) {
  const double n = counted(args[0]);
  const double k = counted(args[1]);
  check_domain(k <= n, "PERMUT needs number_chosen <= number");
  double result = 1.0;
  for (double i = n - k + 1.0; i <= n; ++i) {
    result *= i;
    check_domain(std::isfinite(result), "the result is too large");
  }
  return result;
}

kx::Value permutations_with_repetition(Arguments args) {
  const double n = counted(args[0]);
  const double k = counted(args[1]);
  return std::pow(n, k);
}

constexpr std::string_view kDigits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

double radix_arg(const kx::Value& value) {
  const double radix = whole_arg(value);
  check_domain(radix >= 2.0 && radix <= 36.0, "the radix must be from 2 to 36");
  return radix;
}

kx::Value in_base(Arguments args) {
  const double number = whole_arg(args[0]);
  const double radix = radix_arg(args[1]);
  const double length = is_omitted(args[2]) ? 0.0 : whole_arg(args[2]);
  check_domain(number >= 0.0 && number < kLargestWhole, "the number must be from 0 to 2^53");
  check_domain(length >= 0.0 && length <= 255.0, "the minimum length must be from 0 to 255");
  std::string digits;
  for (double rest = number; rest > 0.0; rest = std::floor(rest / radix)) {
    digits += kDigits[static_cast<std::size_t>(std::fmod(rest, radix))];
  }
  digits.resize(std::max(digits.size(), std::max<std::size_t>(1, static_cast<std::size_t>(length))), '0');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

kx::Value from_base(Arguments args) {
  const std::string text = kx::to_upper_ascii(text_arg(args[0]));
  const double radix = radix_arg(args[1]);
  check_domain(text.size() <= 255, "the text is longer than 255 characters");
  double number = 0.0;
  for (const char c : text) {
    const std::size_t digit = kDigits.find(c);
    check_domain(digit != std::string_view::npos && static_cast<double>(digit) < radix,
                 "the text holds a character that is no digit of the radix");
    number = number * radix + static_cast<double>(digit);
  }
  check_domain(number < kLargestWhole, "the number is too large");
  return number;
}

struct Numeral {
  int value;
  const char* text;
  int form;  // the most concise form that writes it; 0 is the classic one
};

// Descending, so that the greedy choice writes each number with the pairs its form allows.
constexpr Numeral kNumerals[] = {
    {1000, "M", 0}, {999, "IM", 4}, {995, "VM", 3}, {990, "XM", 2}, {950, "LM", 1}, {900, "CM", 0}, {500, "D", 0},
    {499, "ID", 4}, {495, "VD", 3}, {490, "XD", 2}, {450, "LD", 1}, {400, "CD", 0}, {100, "C", 0},  {99, "IC", 2},
    {95, "VC", 1},  {90, "XC", 0},  {50, "L", 0},   {49, "IL", 2},  {45, "VL", 1},  {40, "XL", 0},  {10, "X", 0},
    {9, "IX", 0},   {5, "V", 0},    {4, "IV", 0},   {1, "I", 0},
};

kx::Value roman(Arguments args) {
  const double number = whole_arg(args[0]);
  double form = 0.0;
  if (!is_omitted(args[1])) {
    const kx::Value given = single_arg(args[1]);
    form = given.is_boolean() ? (given.boolean() ? 0.0 : 4.0) : whole_arg(given);
  }
  if (number < 0.0 || number > 3999.0) raise_error(kx::error::kXlValue, "ROMAN needs a number from 0 to 3999");
  if (form < 0.0 || form > 4.0) raise_error(kx::error::kXlValue, "the form must be from 0 to 4");
  std::string text;
  int rest = static_cast<int>(number);
  for (const Numeral& numeral : kNumerals) {
    if (numeral.form > form) continue;
    for (; rest >= numeral.value; rest -= numeral.value) text += numeral.text;
  }
  return text;
}

int numeral_value(char c) {
  switch (c) {
    case 'I': return 1;
    case 'V': return 5;
    case 'X': return 10;
    case 'L': return 50;
    case 'C': return 100;
    case 'D': return 500;
    case 'M': return 1000;
    default: raise_error(kx::error::kXlValue, "the text is no Roman numeral");
  }
}

// Each numeral adds its value, or subtracts it when a larger one follows.
kx::Value arabic(Arguments args) {
  std::string text = kx::to_upper_ascii(text_arg(args[0]));
  if (text.size() > 255) raise_error(kx::error::kXlValue, "the text is longer than 255 characters");
  const std::size_t first = text.find_first_not_of(' ');
  text = first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(' ') - first + 1);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.erase(0, 1);
  double total = 0.0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int value = numeral_value(text[i]);
    const bool subtracted = i + 1 < text.size() && numeral_value(text[i + 1]) > value;
    total += subtracted ? -value : value;
  }
  return negative ? -total : total;
}

constexpr SheetFunction kFunctions[] = {
    {"GCD", 1, kUnlimited, kArrays, greatest_common_divisor, "number1, ..."},
    {"LCM", 1, kUnlimited, kArrays, least_common_multiple, "number1, ..."},
    {"MULTINOMIAL", 1, kUnlimited, kArrays, multinomial, "number1, ..."},
    {"SERIESSUM", 4, 4, kArrays, series_sum, "x, n, m, coefficients"},
    {"FACTDOUBLE", 1, 1, kSingleValues, double_factorial, "number"},
    {"COMBINA", 2, 2, kSingleValues, combinations_with_repetition, "number, number_chosen"},
    {"PERMUT", 2, 2, kSingleValues, permutations, "number, number_chosen"},
    {"PERMUTATIONA", 2, 2, kSingleValues, permutations_with_repetition, "number, number_chosen"},
    {"BASE", 2, 3, kSingleValues, in_base, "number, radix, [min_length]"},
    {"DECIMAL", 2, 2, kSingleValues, from_base, "text, radix"},
    {"ROMAN", 1, 2, kSingleValues, roman, "number, [form]"},
    {"ARABIC", 1, 1, kSingleValues, arabic, "text"},
};

}  // namespace

Family number_theory_functions() { return kFunctions; }

}  // namespace host::worksheet
