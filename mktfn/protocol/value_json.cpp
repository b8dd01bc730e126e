#include "mktfn/protocol/value_json.hpp"

#include <limits>
#include <string>
#include <vector>

#include "mktfn/protocol/range_snapshot.hpp"

namespace mktfn::protocol {
namespace {

[[noreturn]] void malformed(const std::string& what) { throw ProtocolError(code::kInvalidParams, what); }

Json array_to_json(const kx::Array& array, const ObjectCodec& objects) {
  if (array.dimensions() == 1) {
    Json elements = Json::array();
    for (const kx::Value& element : array.values()) elements.push_back(to_json(element, objects));
    return Json{{"array", std::move(elements)}, {"lower", {array.lower_bound(1)}}};
  }
  Json rows = Json::array();
  for (std::size_t r = 0; r < array.rows(); ++r) {
    Json row = Json::array();
    for (std::size_t c = 0; c < array.columns(); ++c) row.push_back(to_json(array.at(r, c), objects));
    rows.push_back(std::move(row));
  }
  return Json{{"array", std::move(rows)}, {"lower", {array.lower_bound(1), array.lower_bound(2)}}};
}

Json range_to_json(const kx::Range& range, const ObjectCodec& objects) {
  const kx::Value values = range.value();
  Json rows = Json::array();
  if (values.is_array()) {
    const kx::Array& array = values.array();
    for (std::size_t r = 0; r < array.rows(); ++r) {
      Json row = Json::array();
      for (std::size_t c = 0; c < array.columns(); ++c) row.push_back(to_json(array.at(r, c), objects));
      rows.push_back(std::move(row));
    }
  } else {
    rows.push_back(Json::array({to_json(values, objects)}));
  }
  return Json{{"range",
               {{"address", range.address()},
                {"row", range.row()},
                {"column", range.column()},
                {"rows", range.row_count()},
                {"columns", range.column_count()},
                {"values", std::move(rows)}}}};
}

std::int32_t int32_of(const Json& json, const char* what) {
  if (!json.is_number_integer()) malformed(std::string(what) + " must be a whole number");
  const auto number = json.get<std::int64_t>();
  if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
    malformed(std::string(what) + " is out of range");
  return static_cast<std::int32_t>(number);
}

// The rows of a two-dimensional block: equal lengths, cells decoded row by row.
std::vector<kx::Value> grid_of(const Json& rows, std::size_t& row_count, std::size_t& column_count,
                               const ObjectCodec& objects) {
  if (!rows.is_array()) malformed("The rows of an array or range must be a list");
  row_count = rows.size();
  column_count = row_count == 0 ? 0 : rows.front().size();
  std::vector<kx::Value> cells;
  cells.reserve(row_count * column_count);
  for (const Json& row : rows) {
    if (!row.is_array() || row.size() != column_count) malformed("Every row must be a list of the same length");
    for (const Json& cell : row) cells.push_back(from_json(cell, objects));
  }
  return cells;
}

kx::Value array_from_json(const Json& json, const ObjectCodec& objects) {
  const Json& elements = json.at("array");
  const Json lower = json.contains("lower") ? json.at("lower") : Json();
  if (!elements.is_array()) malformed("\"array\" must be a list");
  const bool one_dimension = lower.is_array() ? lower.size() == 1 : (elements.empty() || !elements.front().is_array());
  if (lower.is_array() && lower.size() != 1 && lower.size() != 2) malformed("\"lower\" holds one or two bounds");
  if (one_dimension) {
    std::vector<kx::Value> values;
    values.reserve(elements.size());
    for (const Json& element : elements) values.push_back(from_json(element, objects));
    return kx::Array::vector(std::move(values), lower.is_array() ? int32_of(lower[0], "A lower bound") : 0);
  }
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::vector<kx::Value> cells = grid_of(elements, rows, columns, objects);
  const std::int32_t row_base = lower.is_array() ? int32_of(lower[0], "A lower bound") : 1;
  const std::int32_t column_base = lower.is_array() ? int32_of(lower[1], "A lower bound") : 1;
  kx::Array array(rows, columns, row_base, column_base);
  std::move(cells.begin(), cells.end(), array.values().begin());
  return array;
}

kx::Value range_from_json(const Json& json, const ObjectCodec& objects) {
  const Json& range = json.at("range");
  if (!range.is_object()) malformed("\"range\" must be a JSON object");
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::vector<kx::Value> cells = grid_of(field(range, "values"), rows, columns, objects);
  const std::int32_t declared_rows = int32_of(field(range, "rows"), "\"rows\"");
  const std::int32_t declared_columns = int32_of(field(range, "columns"), "\"columns\"");
  if (rows != static_cast<std::size_t>(declared_rows) || columns != static_cast<std::size_t>(declared_columns) ||
      declared_rows < 1 || declared_columns < 1)
    malformed("A range's values must fill its rows and columns");
  try {
    return RangeSnapshot::create(text_field(range, "address"), int32_of(field(range, "row"), "\"row\""),
                                 int32_of(field(range, "column"), "\"column\""), declared_rows, declared_columns,
                                 std::move(cells));
  } catch (const kx::Failure& failure) {
    malformed(failure.what());
  }
}

}  // namespace

Json to_json(const kx::Value& value, const ObjectCodec& objects) {
  switch (value.kind()) {
    case kx::Value::Kind::Empty: return nullptr;
    case kx::Value::Kind::Number: return value.number();
    case kx::Value::Kind::Boolean: return value.boolean();
    case kx::Value::Kind::Text: return value.text();
    case kx::Value::Kind::Error:
      if (value.is_missing()) return Json{{"missing", true}};
      return Json{{"error", value.error().number}};
    case kx::Value::Kind::Array: return array_to_json(value.array(), objects);
    case kx::Value::Kind::Range: return range_to_json(*value.range(), objects);
    case kx::Value::Kind::Object: return objects.encode(value.object());
  }
  return nullptr;
}

kx::Value from_json(const Json& json, const ObjectCodec& objects) {
  switch (json.type()) {
    case Json::value_t::null: return kx::Value();
    case Json::value_t::boolean: return json.get<bool>();
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float: return json.get<double>();
    case Json::value_t::string: return json.get<std::string>();
    case Json::value_t::object:
      if (json.size() == 1 && json.contains("missing")) return kx::Value::missing();
      if (json.contains("error")) return kx::ErrorValue{int32_of(json.at("error"), "An error number")};
      if (json.contains("array")) return array_from_json(json, objects);
      if (json.contains("range")) return range_from_json(json, objects);
      if (json.contains("object") || json.contains("application") || json.contains("workbook"))
        return objects.decode(json);
      break;
    default: break;
  }
  malformed("Not a cell value: " + dump_message(json).substr(0, 80));
}

}  // namespace mktfn::protocol
