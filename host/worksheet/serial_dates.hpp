// Dates as the spreadsheet's serial numbers: days since 1899-12-30, with the fictitious
// 1900-02-29 as serial 60, so that serials 1 to 59 fall one day later than the count says.
#pragma once

#include <cmath>
#include <optional>
#include <string_view>

namespace host::worksheet {

// 9999-12-31, the last day a serial may name.
inline constexpr double kLastSerial = 2958465.0;

struct Date {
  int year;
  int month;
  int day;
};

// The date of a serial (its whole part); serial 0 is the spreadsheet's "1900-01-00".
// Raises #NUM! outside 0 to kLastSerial.
Date date_of(double serial);
// The serial of a year, month and day; months and days beyond their range carry over, as in
// DATE. Raises #NUM! for a date outside 1900 to 9999.
double serial_of(double year, double month, double day);
int days_in_month(int year, int month);

// The years between two serials by a day-count basis: 0 US 30/360, 1 actual/actual,
// 2 actual/360, 3 actual/365, 4 European 30/360. Raises #NUM! for another basis.
double year_fraction(double start, double end, double basis);

// The serial of a date written as 2024-01-31, 1/31/2024 (month first), 31-Jan-2024 or
// Jan 31, 2024, of a time of day such as 16:48, 4:48:18 PM or 9:05:30.5 (its fraction of a
// day), or of a date and a time after a blank; nullopt for any other text.
std::optional<double> parse_date(std::string_view text);

// 1 Sunday ... 7 Saturday; serial 1 (1900-01-01) was a Sunday by the serials' count.
inline int weekday_sunday_first(double day) { return static_cast<int>(std::fmod(day - 1.0, 7.0)) + 1; }

}  // namespace host::worksheet
