// Dates and times of workbook files as the numbers a spreadsheet keeps for them:
// days since an origin, the time of day as the fraction.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace host {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t civil_day(std::int64_t year, int month, int day);

// The origin spreadsheets count dates from, so that 1900-03-01 is day 61.
inline const std::int64_t kSpreadsheetOrigin = civil_day(1899, 12, 30);

// Days since 1970-01-01 of an ISO date with an optional time ("2024-03-01",
// "2024-03-01T12:30:00.5"); nullopt when the text is no such date.
std::optional<double> parse_iso_date_time(std::string_view text);

// The serial number of an ISO date with an optional time ("2024-01-31",
// "2024-01-31T12:00:00"), or of a time alone ("13:45:30", a fraction of a day), as the
// host's date functions count: 1900-01-01 is 1 and the fictitious 1900-02-29 is 60, so
// 1900-03-01 is 61; a time on 1899-12-30 or 31 is the time alone. nullopt when the text
// is no such date or time or the date lies outside 1899-12-30 to 9999-12-31.
std::optional<double> iso_date_serial(std::string_view text);

// Days of an ISO duration as .ods files give times ("PT12H30M00S", "P1DT2H", "-PT1H");
// nullopt when the text is no such duration.
std::optional<double> parse_iso_duration(std::string_view text);

}  // namespace host
