// The distribution dialog's controls and arrays as the dialog methods receive them: late-bound
// objects and array variants, read and written in place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/value.hpp"

namespace riskfn::dialog {

// A property of the object a variant holds (424 when it holds none), and setting one.
kx::Value property_of(const kx::Value& object, std::string_view name);
void set_property_of(const kx::Value& object, std::string_view name, const kx::Value& value);

// The Text of a control, as a string.
std::string control_text(const kx::Value& control);

// The member of a Controls collection with the given name (its Item).
kx::Value control_named(const kx::Value& controls, const std::string& name);

// Array elements by the platform's subscripts (lower bounds included); 9 outside the array.
const kx::Value& element(const kx::Value& array, std::int32_t index);
const kx::Value& element(const kx::Value& array, std::int32_t row, std::int32_t column);
void set_element(kx::Value& array, std::int32_t index, kx::Value value);
void set_element(kx::Value& array, std::int32_t row, std::int32_t column, kx::Value value);

// The distribution parameters p0, p1, … held in arrValues; each converts when it is read,
// so a parameter that is no number fails only the statement that uses it. A parameter kept as
// text is in the user's locale, read with the host's decimal separator.
class Parameters {
 public:
  Parameters(const kx::Value& values, char decimal_separator)
      : values_(values), decimal_separator_(decimal_separator) {}
  double operator[](std::int32_t index) const;
  // The parameter as the description shows it: a number in its general form, a text as it stands.
  std::string shown(std::int32_t index, char decimal_separator) const;

 private:
  const kx::Value& values_;
  char decimal_separator_;
};

// The statistics and interval rows are texts in the pattern the dialog shows.
std::string fixed_text(double number, std::string_view pattern, char decimal_separator);

}  // namespace riskfn::dialog
