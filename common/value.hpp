// The cell value: everything that crosses an interface between host, components and tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "common/failure.hpp"
#include "common/object.hpp"

namespace kx {

class Range;
class Array;

struct Empty {
  bool operator==(const Empty&) const = default;
};

// A worksheet error value carrying its error number.
struct ErrorValue {
  std::int32_t number = 0;
  bool operator==(const ErrorValue&) const = default;
};

using ArrayRef = std::shared_ptr<const Array>;
using RangeRef = std::shared_ptr<Range>;

class Value {
 public:
  enum class Kind { Empty, Number, Boolean, Text, Error, Array, Range, Object };

  Value() = default;
  Value(Empty) {}
  Value(double number) : data_(number) {}
  Value(int number) : data_(static_cast<double>(number)) {}
  Value(bool flag) : data_(flag) {}
  Value(std::string text) : data_(std::move(text)) {}
  Value(const char* text) : data_(std::string(text)) {}
  Value(ErrorValue error) : data_(error) {}
  Value(Array array);
  Value(ArrayRef array) : data_(std::move(array)) {}
  Value(RangeRef range) : data_(std::move(range)) {}
  Value(ObjectRef object) : data_(std::move(object)) {}

  // The missing-argument marker: an error value with the parameter-not-found number.
  static Value missing() { return ErrorValue{error::kParamNotFound}; }

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool is_empty() const { return kind() == Kind::Empty; }
  bool is_number() const { return kind() == Kind::Number; }
  bool is_boolean() const { return kind() == Kind::Boolean; }
  bool is_text() const { return kind() == Kind::Text; }
  bool is_error() const { return kind() == Kind::Error; }
  bool is_missing() const { return is_error() && error().number == error::kParamNotFound; }
  bool is_array() const { return kind() == Kind::Array; }
  bool is_range() const { return kind() == Kind::Range; }
  bool is_object() const { return kind() == Kind::Object; }

  double number() const { return std::get<double>(data_); }
  bool boolean() const { return std::get<bool>(data_); }
  const std::string& text() const { return std::get<std::string>(data_); }
  ErrorValue error() const { return std::get<ErrorValue>(data_); }
  const Array& array() const { return *std::get<ArrayRef>(data_); }
  const ArrayRef& array_ref() const { return std::get<ArrayRef>(data_); }
  const RangeRef& range() const { return std::get<RangeRef>(data_); }
  const ObjectRef& object() const { return std::get<ObjectRef>(data_); }

  // Same kind and same content; arrays compare element-wise, ranges and objects by identity.
  friend bool operator==(const Value& a, const Value& b);

 private:
  std::variant<Empty, double, bool, std::string, ErrorValue, ArrayRef, RangeRef, ObjectRef> data_;
};

// An array of one or two dimensions with its lower bounds. A one-dimensional array
// behaves as a single row where a spreadsheet needs rows and columns.
class Array {
 public:
  // Two dimensions; lower bounds 1 as for a range's value.
  Array(std::size_t rows, std::size_t columns, std::int32_t row_base = 1, std::int32_t column_base = 1);
  // One dimension.
  static Array vector(std::size_t size, std::int32_t base = 0);
  static Array vector(std::vector<Value> values, std::int32_t base = 0);

  int dimensions() const { return dimensions_; }
  std::size_t rows() const { return rows_; }
  std::size_t columns() const { return columns_; }
  std::size_t size() const { return values_.size(); }
  std::int32_t lower_bound(int dimension) const { return dimension == 1 ? row_base_ : column_base_; }
  // Upper bound of a dimension as the platform reports it (lower bound + extent - 1).
  std::int32_t upper_bound(int dimension) const;

  // Zero-based access; for one dimension use the column or at(i).
  const Value& at(std::size_t row, std::size_t column) const { return values_.at(row * columns_ + column); }
  Value& at(std::size_t row, std::size_t column) { return values_.at(row * columns_ + column); }
  const Value& at(std::size_t index) const { return values_.at(index); }
  Value& at(std::size_t index) { return values_.at(index); }

  std::span<const Value> values() const { return values_; }
  std::span<Value> values() { return values_; }

  friend bool operator==(const Array& a, const Array& b) = default;

 private:
  Array() = default;
  int dimensions_ = 2;
  std::size_t rows_ = 0;
  std::size_t columns_ = 0;
  std::int32_t row_base_ = 1;
  std::int32_t column_base_ = 1;
  std::vector<Value> values_;
};

inline Value::Value(Array array) : data_(std::make_shared<const Array>(std::move(array))) {}

}  // namespace kx
