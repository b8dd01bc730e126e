#include "cli/value_text.hpp"

#include "cli/terminal_text.hpp"
#include "common/conversions.hpp"
#include "host/formula/formula_errors.hpp"

namespace cli {
namespace {

std::string scalar_text(const kx::Value& value, int digits) {
  switch (value.kind()) {
    case kx::Value::Kind::Number: return kx::format_general(value.number(), '.', digits);
    case kx::Value::Kind::Boolean: return value.boolean() ? "TRUE" : "FALSE";
    case kx::Value::Kind::Text: return terminal_safe(value.text());
    case kx::Value::Kind::Empty: return "0";  // as a cell that shows an empty one
    case kx::Value::Kind::Error:
      if (value.error().number == host::kErrSpill) return "#SPILL!";
      return kx::display_text(value);  // #N/A, #DIV/0!, ...; other numbers as #ERR(n)
    default: return "#ERR(" + std::to_string(kx::error::kXlValue) + ")";  // no single value
  }
}

}  // namespace

std::string value_text(const kx::Value& value, int digits) {
  if (!value.is_array()) return scalar_text(value, digits);
  const kx::Array& array = value.array();
  std::string text;
  for (std::size_t row = 0; row < array.rows(); ++row) {
    if (row > 0) text += '\n';
    for (std::size_t column = 0; column < array.columns(); ++column) {
      if (column > 0) text += '\t';
      text += scalar_text(array.at(row, column), digits);
    }
  }
  return text;
}

}  // namespace cli
