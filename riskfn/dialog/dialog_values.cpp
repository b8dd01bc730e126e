#include "riskfn/dialog/dialog_values.hpp"

#include <span>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/number_format.hpp"

namespace riskfn::dialog {
namespace {

kx::Object& object_in(const kx::Value& value) {
  if (!value.is_object() || !value.object()) throw kx::Failure(kx::error::kObjectRequired, "Object required");
  return *value.object();
}

std::size_t offset(std::int32_t subscript, std::int32_t lower, std::size_t extent) {
  const std::int64_t at = std::int64_t{subscript} - lower;
  if (at < 0 || static_cast<std::size_t>(at) >= extent)
    throw kx::Failure(kx::error::kSubscriptOutOfRange, "Subscript out of range");
  return static_cast<std::size_t>(at);
}

const kx::Array& array_in(const kx::Value& value) {
  if (!value.is_array()) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: an array is expected");
  return value.array();
}

std::size_t position(const kx::Array& array, std::int32_t index) {
  if (array.dimensions() != 1) throw kx::Failure(kx::error::kSubscriptOutOfRange, "Subscript out of range");
  return offset(index, array.lower_bound(1), array.size());
}

std::size_t position(const kx::Array& array, std::int32_t row, std::int32_t column) {
  if (array.dimensions() != 2) throw kx::Failure(kx::error::kSubscriptOutOfRange, "Subscript out of range");
  return offset(row, array.lower_bound(1), array.rows()) * array.columns() +
         offset(column, array.lower_bound(2), array.columns());
}

// The array is shared by value; writing copies it unless this variant is its only holder.
void write(kx::Value& holder, std::size_t at, kx::Value value) {
  kx::Array copy = array_in(holder);
  copy.at(at) = std::move(value);
  holder = kx::Value(std::move(copy));
}

}  // namespace

kx::Value property_of(const kx::Value& object, std::string_view name) {
  return kx::get_property(object_in(object), name);
}

void set_property_of(const kx::Value& object, std::string_view name, const kx::Value& value) {
  kx::set_property(object_in(object), name, value);
}

std::string control_text(const kx::Value& control) { return kx::to_text(property_of(control, "Text")); }

kx::Value control_named(const kx::Value& controls, const std::string& name) {
  kx::Value arguments[] = {kx::Value(name)};
  return kx::call_by_name(object_in(controls), "Item", arguments);
}

const kx::Value& element(const kx::Value& array, std::int32_t index) {
  const kx::Array& values = array_in(array);
  return values.at(position(values, index));
}

const kx::Value& element(const kx::Value& array, std::int32_t row, std::int32_t column) {
  const kx::Array& values = array_in(array);
  return values.at(position(values, row, column));
}

void set_element(kx::Value& array, std::int32_t index, kx::Value value) {
  write(array, position(array_in(array), index), std::move(value));
}

void set_element(kx::Value& array, std::int32_t row, std::int32_t column, kx::Value value) {
  write(array, position(array_in(array), row, column), std::move(value));
}

double Parameters::operator[](std::int32_t index) const {
  return kx::to_double(element(values_, index), decimal_separator_);
}

std::string Parameters::shown(std::int32_t index, char decimal_separator) const {
  return kx::to_text(element(values_, index), decimal_separator);
}

std::string fixed_text(double number, std::string_view pattern, char decimal_separator) {
  return kx::format_number(number, pattern, decimal_separator);
}

}  // namespace riskfn::dialog
