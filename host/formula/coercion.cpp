#include "host/formula/coercion.hpp"

#include "common/conversions.hpp"
#include "common/text_compare.hpp"
#include "host/worksheet/serial_dates.hpp"

namespace host {
namespace {

// Cells and constants are read with the decimal point, whatever the user's locale.
constexpr char kDecimalPoint = '.';

}  // namespace

const kx::Value& single_of(const kx::Value& value) {
  if (!value.is_array()) return value;
  if (value.array().size() != 1) give_error(kx::error::kXlValue);
  return value.array().at(0);
}

double number_of(const kx::Value& value) {
  const kx::Value& single = single_of(value);
  switch (single.kind()) {
    case kx::Value::Kind::Number: return single.number();
    case kx::Value::Kind::Boolean: return single.boolean() ? 1.0 : 0.0;
    case kx::Value::Kind::Empty: return 0.0;
    case kx::Value::Kind::Text:
      if (const auto number = kx::parse_number(single.text(), kDecimalPoint)) return *number;
      // A date written as text counts as its serial, as a date typed into a cell would.
      if (const auto date = worksheet::parse_date(single.text())) return *date;
      give_error(kx::error::kXlValue);
    case kx::Value::Kind::Error:
      if (single.is_missing()) return 0.0;
      give_error(single.error().number);
    default: give_error(kx::error::kXlValue);
  }
}

bool logical_of(const kx::Value& value) {
  const kx::Value& single = single_of(value);
  switch (single.kind()) {
    case kx::Value::Kind::Boolean: return single.boolean();
    case kx::Value::Kind::Number: return single.number() != 0.0;
    case kx::Value::Kind::Empty: return false;
    case kx::Value::Kind::Text:
      if (kx::equals_ignore_case(single.text(), "TRUE")) return true;
      if (kx::equals_ignore_case(single.text(), "FALSE")) return false;
      give_error(kx::error::kXlValue);
    case kx::Value::Kind::Error:
      if (single.is_missing()) return false;
      give_error(single.error().number);
    default: give_error(kx::error::kXlValue);
  }
}

std::string text_of(const kx::Value& value) {
  const kx::Value& single = single_of(value);
  switch (single.kind()) {
    case kx::Value::Kind::Text: return single.text();
    case kx::Value::Kind::Number: return kx::format_general(single.number(), kDecimalPoint);
    case kx::Value::Kind::Boolean: return single.boolean() ? "TRUE" : "FALSE";
    case kx::Value::Kind::Empty: return {};
    case kx::Value::Kind::Error:
      if (single.is_missing()) return {};
      give_error(single.error().number);
    default: give_error(kx::error::kXlValue);
  }
}

}  // namespace host
