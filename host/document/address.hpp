// A1 addresses: "B2", "$B$2:D9", "Sheet2!A1:A10", "'My sheet'!A1".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host {

inline constexpr std::int32_t kMaxRows = 1048576;
inline constexpr std::int32_t kMaxColumns = 16384;

// A rectangle of cells, 1-based and inclusive, with the sheet it names if any.
struct Area {
  std::string sheet;  // empty: the sheet the address is read on
  std::int32_t top = 1;
  std::int32_t left = 1;
  std::int32_t bottom = 1;
  std::int32_t right = 1;

  std::int32_t row_count() const { return bottom - top + 1; }
  std::int32_t column_count() const { return right - left + 1; }
};

// "A" -> 1, "XFD" -> 16384; nullopt when it is no column name within the sheet.
std::optional<std::int32_t> column_number(std::string_view letters);
std::string column_letters(std::int32_t column);

// Parses an address; nullopt when it is none. Corners may come in any order.
std::optional<Area> parse_address(std::string_view address);

// "$A$1" for one cell, "$A$1:$B$3" for several (the platform's absolute form).
std::string format_address(std::int32_t top, std::int32_t left, std::int32_t bottom, std::int32_t right);

}  // namespace host
