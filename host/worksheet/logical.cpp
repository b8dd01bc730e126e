// Logical and information functions: IFS, IFNA, XOR, SWITCH, the IS tests, NA, TRUE and FALSE.
#include <cstddef>
#include <string>

#include "common/host_services.hpp"
#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

bool is_error_of(const kx::Value& value, std::int32_t number) {
  return value.is_error() && value.error().number == number;
}

kx::Value first_true(Arguments args) {
  if (args.size() % 2 != 0) raise_error(kx::error::kXlValue, "IFS takes conditions and values in pairs");
  for (std::size_t i = 0; i < args.size(); i += 2) {
    if (flag_arg(single_arg(args[i]))) return args[i + 1];
  }
  raise_error(kx::error::kXlNA, "no condition is TRUE");
}

// IFNA(value, value_if_na): an array keeps its other errors.
kx::Value if_na(Arguments args) {
  const kx::Value replacement = is_omitted(args[1]) ? kx::Value(0.0) : single_arg(args[1]);
  const kx::Value value = args[0].is_range() ? args[0].range()->value() : args[0];
  if (!value.is_array()) return is_error_of(value, kx::error::kXlNA) ? replacement : value;
  kx::Array result = value.array();
  for (kx::Value& element : result.values()) {
    if (is_error_of(element, kx::error::kXlNA)) element = replacement;
  }
  return result;
}

// TRUE when an odd number of the values are TRUE. In ranges and arrays booleans and numbers
// count and texts are skipped; of the texts given directly only TRUE and FALSE count.
kx::Value exclusive_or(Arguments args) {
  bool result = false;
  bool any = false;
  for (const kx::Value& argument : args) {
    const Grid grid(argument);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const kx::Value& cell = grid.at(i);
      if (cell.is_error() && !is_omitted(cell)) raise_error(cell.error().number, "a value holds an error");
      if (!grid.is_single_value() && !cell.is_boolean() && !cell.is_number()) continue;
      if (cell.is_text() && !kx::equals_ignore_case(cell.text(), "TRUE") &&
          !kx::equals_ignore_case(cell.text(), "FALSE")) {
        continue;
      }
      result = result != flag_arg(cell);
      any = true;
    }
  }
  if (!any) raise_error(kx::error::kXlValue, "there are no logical values");
  return result;
}

kx::Value switch_on(Arguments args) {
  const kx::Value expression = single_arg(args[0]);
  if (expression.is_error()) return expression;
  std::size_t i = 1;
  for (; i + 1 < args.size(); i += 2) {
    const kx::Value candidate = single_arg(args[i]);
    if (candidate.is_error()) return candidate;
    if (same_value(expression, candidate)) return args[i + 1];
  }
  if (i < args.size()) return args[i];  // the default
  raise_error(kx::error::kXlNA, "no value matches and there is no default");
}

template <bool (*Test)(const kx::Value&)>
kx::Value test_of(Arguments args) {
  return Test(single_arg(args[0]));
}

bool any_error(const kx::Value& v) { return v.is_error(); }
bool error_not_na(const kx::Value& v) { return v.is_error() && !is_error_of(v, kx::error::kXlNA); }
bool not_available(const kx::Value& v) { return is_error_of(v, kx::error::kXlNA); }
bool number(const kx::Value& v) { return v.is_number(); }
bool text(const kx::Value& v) { return v.is_text(); }
bool blank(const kx::Value& v) { return v.is_empty(); }
bool logical(const kx::Value& v) { return v.is_boolean(); }

kx::Value not_available_value(Arguments) { return kx::ErrorValue{kx::error::kXlNA}; }
kx::Value true_value(Arguments) { return true; }
kx::Value false_value(Arguments) { return false; }

constexpr SheetFunction kFunctions[] = {
    {"IFS", 2, kUnlimited, kArrays, first_true, "logical_test1, value_if_true1, ..."},
    {"IFNA", 2, 2, kArrays, if_na, "value, value_if_na"},
    {"XOR", 1, kUnlimited, kArrays, exclusive_or, "logical1, ..."},
    {"SWITCH", 3, kUnlimited, kArrays, switch_on, "expression, value1, result1, ..., [default]"},
    {"ISERROR", 1, 1, kSingleValues, test_of<any_error>, "value"},
    {"ISERR", 1, 1, kSingleValues, test_of<error_not_na>, "value"},
    {"ISNA", 1, 1, kSingleValues, test_of<not_available>, "value"},
    {"ISNUMBER", 1, 1, kSingleValues, test_of<number>, "value"},
    {"ISTEXT", 1, 1, kSingleValues, test_of<text>, "value"},
    {"ISBLANK", 1, 1, kSingleValues, test_of<blank>, "value"},
    {"ISLOGICAL", 1, 1, kSingleValues, test_of<logical>, "value"},
    {"NA", 0, 0, kSingleValues, not_available_value, ""},
    {"TRUE", 0, 0, kSingleValues, true_value, ""},
    {"FALSE", 0, 0, kSingleValues, false_value, ""},
};

}  // namespace

Family logical_functions() { return kFunctions; }

}  // namespace host::worksheet
