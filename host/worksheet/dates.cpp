// Date and time functions on the spreadsheet's serial numbers: days since 1899-12-30, the time
// of day as the fraction, and the fictitious 1900-02-29 (serial 60) that the first spreadsheets
// counted and every later one keeps, so serials 1 to 59 fall one day later than the count says.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/conversions.hpp"
#include "common/text_compare.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/serial_dates.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

namespace ch = std::chrono;

// Serial 60 is the 1900-02-29 that never was; from 61 on serials count real days.
constexpr std::int64_t kFictitiousLeapDay = 60;

constexpr ch::sys_days kOrigin = ch::sys_days(ch::year(1899) / 12 / 30);

bool is_leap(int year) { return ch::year(year).is_leap(); }

}  // namespace

int days_in_month(int year, int month) {
  if (year == 1900 && month == 2) return 29;  // as the serials count it
  return static_cast<int>(static_cast<unsigned>((ch::year(year) / month / ch::last).day()));
}

Date date_of(double serial) {
  check_domain(serial >= 0.0 && serial <= kLastSerial + 1.0, "the date lies outside 1900 to 9999");
  const auto whole = static_cast<std::int64_t>(std::floor(serial));
  if (whole == 0) return {1900, 1, 0};  // the spreadsheet's "January 0"
  if (whole == kFictitiousLeapDay) return {1900, 2, 29};
  const ch::year_month_day date(kOrigin + ch::days(whole < kFictitiousLeapDay ? whole + 1 : whole));
  return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
          static_cast<int>(static_cast<unsigned>(date.day()))};
}

// The serial of a year, month and day; months and days beyond their range carry over, as in DATE.
double serial_of(double year, double month, double day) {
  const double months_total = year * 12.0 + (month - 1.0);
  const double normal_year = std::floor(months_total / 12.0);
  const double normal_month = months_total - normal_year * 12.0 + 1.0;
  check_domain(normal_year >= 1899.0 && normal_year <= 9999.0, "the year lies outside 1900 to 9999");
  const ch::sys_days first = ch::sys_days(ch::year(static_cast<int>(normal_year)) / static_cast<int>(normal_month) / 1);
  check_domain(std::fabs(day) < 1e7, "the day is too far from the month");
  const double days = static_cast<double>((first - kOrigin).count()) + day - 1.0;
  const double serial = days < static_cast<double>(kFictitiousLeapDay + 1) ? days - 1.0 : days;
  check_domain(serial >= 0.0 && serial <= kLastSerial, "the date lies outside 1900 to 9999");
  return serial;
}

namespace {

using enum Takes;

// The three-letter month names DATEVALUE reads.
constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};

std::optional<int> month_named(std::string_view name) {
  if (name.size() < 3) return std::nullopt;
  const std::string lower = kx::to_lower_ascii(name.substr(0, 3));
  for (int i = 0; i < 12; ++i) {
    if (lower == kMonths[i]) return i + 1;
  }
  return std::nullopt;
}

std::vector<std::string> split_date(std::string_view text) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : text) {
    if (c == '-' || c == '/' || c == ' ' || c == ',' || c == '.') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

std::optional<int> whole_number(const std::string& text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

// A time of day, H:MM, H:MM:SS or H:MM:SS.fff, with AM or PM after a blank for hours 1 to
// 12: its fraction of a day. Hours beyond 23 carry into further days, as typed into a cell.
std::optional<double> parse_time(std::string_view text) {
  bool afternoon = false;
  bool twelve_hours = false;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() > 2) {
    const std::string suffix = kx::to_lower_ascii(text.substr(text.size() - 2));
    if (suffix == "am" || suffix == "pm") {
      twelve_hours = true;
      afternoon = suffix == "pm";
      text.remove_suffix(2);
      while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    }
  }
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t colon = text.find(':'); start <= text.size(); colon = text.find(':', start)) {
    fields.emplace_back(text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  if (fields.size() < 2 || fields.size() > 3) return std::nullopt;
  const auto hours = whole_number(fields[0]);
  const auto minutes = whole_number(fields[1]);
  double seconds = 0.0;
  if (fields.size() == 3) {
    const std::string& written = fields[2];
    const std::size_t point = written.find('.');
    const auto whole = whole_number(written.substr(0, point));
    if (!whole || written.size() > 12) return std::nullopt;
    seconds = *whole;
    if (point != std::string::npos) {
      const auto fraction = kx::parse_number("0" + written.substr(point));
      if (!fraction || written.find_first_not_of("0123456789", point + 1) != std::string::npos) return std::nullopt;
      seconds += *fraction;
    }
  }
  if (!hours || !minutes || *minutes > 59 || seconds >= 60.0) return std::nullopt;
  int hour = *hours;
  if (twelve_hours) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + (afternoon ? 12 : 0);
  }
  return (hour * 3600.0 + *minutes * 60.0 + seconds) / 86400.0;
}

std::optional<double> parse_calendar_date(std::string_view text);

}  // namespace

std::optional<double> parse_date(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return parse_calendar_date(text);
  // The time begins after the last blank before its first colon; a date may come before it.
  const std::size_t blank = text.rfind(' ', colon);
  const auto time = parse_time(blank == std::string_view::npos ? text : text.substr(blank + 1));
  if (!time) return std::nullopt;
  const std::string_view before = blank == std::string_view::npos ? std::string_view() : text.substr(0, blank);
  if (before.find_first_not_of(' ') == std::string_view::npos) return *time;
  const auto date = parse_calendar_date(before);
  if (!date) return std::nullopt;
  return *date + *time;
}

namespace {

std::optional<double> parse_calendar_date(std::string_view text) {
  const std::vector<std::string> parts = split_date(text);
  if (parts.size() != 3) return std::nullopt;
  std::optional<int> year;
  std::optional<int> month;
  std::optional<int> day;
  if (parts[0].size() == 4) {
    year = whole_number(parts[0]);
    month = whole_number(parts[1]);
    day = whole_number(parts[2]);
  } else if (const auto named = month_named(parts[1]); named && !whole_number(parts[1])) {
    day = whole_number(parts[0]);
    month = named;
    year = whole_number(parts[2]);
  } else if (const auto first = month_named(parts[0]); first && !whole_number(parts[0])) {
    month = first;
    day = whole_number(parts[1]);
    year = whole_number(parts[2]);
  } else {
    month = whole_number(parts[0]);
    day = whole_number(parts[1]);
    year = whole_number(parts[2]);
  }
  if (!year || !month || !day) return std::nullopt;
  if (*year < 100) *year += *year < 30 ? 2000 : 1900;
  if (*month < 1 || *month > 12 || *day < 1 || *day > days_in_month(*year, *month)) return std::nullopt;
  if (*year < 1900 || *year > 9999) return std::nullopt;
  return serial_of(*year, *month, *day);
}

// A date argument: a serial number, or a text that reads as a number or a date.
double date_arg(const kx::Value& value) {
  const kx::Value single = single_arg(value);
  if (single.is_text()) {
    if (const auto date = parse_date(single.text())) return *date;
  }
  const double serial = number_arg(single);
  check_domain(serial >= 0.0 && serial <= kLastSerial + 1.0, "the date lies outside 1900 to 9999");
  return serial;
}

double day_arg(const kx::Value& value) { return std::floor(date_arg(value)); }

kx::Value date(Arguments args) {
  double year = whole_arg(args[0]);
  check_domain(year >= 0.0 && year < 10000.0, "the year must lie between 0 and 9999");
  if (year < 1900.0) year += 1900.0;
  return serial_of(year, whole_arg(args[1]), whole_arg(args[2]));
}

kx::Value year_of(Arguments args) { return static_cast<double>(date_of(date_arg(args[0])).year); }
kx::Value month_of(Arguments args) { return static_cast<double>(date_of(date_arg(args[0])).month); }
kx::Value day_of(Arguments args) { return static_cast<double>(date_of(date_arg(args[0])).day); }

// The date `months` months on, its day kept or (end of month) moved to the month's last day.
double months_on(double start, double months, bool end_of_month) {
  const Date from = date_of(start);
  const double moved = static_cast<double>(from.year) * 12.0 + (from.month - 1) + std::trunc(months);
  const double year = std::floor(moved / 12.0);
  const double month = moved - year * 12.0 + 1.0;
  check_domain(year >= 1900.0 && year <= 9999.0, "the date lies outside 1900 to 9999");
  const int last = days_in_month(static_cast<int>(year), static_cast<int>(month));
  const int day = end_of_month ? last : std::min(std::max(from.day, 1), last);
  return serial_of(year, month, day);
}

kx::Value edate(Arguments args) { return months_on(date_arg(args[0]), number_arg(args[1]), false); }
kx::Value eomonth(Arguments args) { return months_on(date_arg(args[0]), number_arg(args[1]), true); }

// DATEDIF(start, end, unit): whole years, months or days between two dates, or the months
// and days left over after whole years or months ("YM", "MD", "YD").
kx::Value date_difference(Arguments args) {
  const double start = day_arg(args[0]);
  const double end = day_arg(args[1]);
  const std::string unit = kx::to_upper_ascii(text_arg(args[2]));
  check_domain(start <= end, "the start date must not come after the end date");
  const Date from = date_of(start);
  const Date to = date_of(end);
  int months = (to.year - from.year) * 12 + (to.month - from.month);
  if (to.day < from.day) --months;
  if (unit == "D") return end - start;
  if (unit == "M") return static_cast<double>(months);
  if (unit == "Y") return static_cast<double>(months / 12);
  if (unit == "YM") return static_cast<double>(months % 12);
  if (unit == "MD") {
    if (to.day >= from.day) return static_cast<double>(to.day - from.day);
    const int previous_month = to.month == 1 ? 12 : to.month - 1;
    const int previous_year = to.month == 1 ? to.year - 1 : to.year;
    return static_cast<double>(days_in_month(previous_year, previous_month) - from.day + to.day);
  }
  if (unit == "YD") {
    double anniversary = serial_of(to.year, from.month, from.day);
    if (anniversary > end) anniversary = serial_of(to.year - 1, from.month, from.day);
    return end - anniversary;
  }
  raise_error(kx::error::kXlNum, "the unit must be Y, M, D, MD, YM or YD");
}

kx::Value weekday(Arguments args) {
  const double day = day_arg(args[0]);
  const double type = is_omitted(args[1]) ? 1.0 : whole_arg(args[1]);
  const int sunday_first = weekday_sunday_first(day);   // 1..7
  const int monday_first = (sunday_first + 5) % 7 + 1;  // 1..7
  if (type == 1.0 || type == 17.0) return static_cast<double>(sunday_first);
  if (type == 2.0 || type == 11.0) return static_cast<double>(monday_first);
  if (type == 3.0) return static_cast<double>(monday_first - 1);
  if (type >= 12.0 && type <= 16.0) {
    const int start = static_cast<int>(type) - 10;  // 2 Tuesday ... 6 Saturday, Monday first
    return static_cast<double>((monday_first - start + 7) % 7 + 1);
  }
  raise_error(kx::error::kXlNum, "the return type must be 1, 2, 3 or 11 to 17");
}

// The days of the week that are no working days, bit k for the k-th day from Monday.
using WeekendMask = unsigned;
constexpr WeekendMask kSaturdaySunday = 0b1100000;

int weekday_monday_first(double day) { return (weekday_sunday_first(day) + 5) % 7; }  // 0 Monday ... 6 Sunday

bool is_weekend(double day, WeekendMask weekend) { return ((weekend >> weekday_monday_first(day)) & 1u) != 0; }

// The weekend of NETWORKDAYS.INTL and WORKDAY.INTL: 1 to 7 two days (1 Saturday and Sunday,
// 2 Sunday and Monday, ...), 11 to 17 one day (11 Sunday, 12 Monday, ...), or seven 0s and
// 1s from Monday on where 1 marks a weekend day. A week without working days is #VALUE!.
WeekendMask weekend_arg(const kx::Value& argument) {
  if (is_omitted(argument)) return kSaturdaySunday;
  const kx::Value value = single_arg(argument);
  WeekendMask mask = 0;
  if (value.is_text()) {
    const std::string& days = value.text();
    if (days.size() != 7 || days.find_first_not_of("01") != std::string::npos) {
      raise_error(kx::error::kXlValue, "the weekend text must be seven 0s and 1s");
    }
    for (std::size_t i = 0; i < 7; ++i) mask |= days[i] == '1' ? 1u << i : 0u;
    if (mask == 0b1111111) raise_error(kx::error::kXlValue, "a week needs a working day");
    return mask;
  }
  const double code = whole_arg(value);
  if (code >= 1.0 && code <= 7.0) {
    const int first = (static_cast<int>(code) + 4) % 7;  // 1: Saturday (5), 2: Sunday (6), 3: Monday (0), ...
    return (1u << first) | (1u << ((first + 1) % 7));
  }
  if (code >= 11.0 && code <= 17.0) return 1u << ((static_cast<int>(code) - 11 + 6) % 7);
  raise_error(kx::error::kXlNum, "the weekend number must be 1 to 7 or 11 to 17");
}

// The holidays, each once however often it is listed.
std::vector<double> holidays_of(const kx::Value& argument) {
  std::vector<double> days;
  if (is_omitted(argument)) return days;
  const Grid grid(argument);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (grid.at(i).is_empty()) continue;
    days.push_back(day_arg(grid.at(i)));
  }
  std::sort(days.begin(), days.end());
  days.erase(std::unique(days.begin(), days.end()), days.end());
  return days;
}

bool is_working_day(double day, WeekendMask weekend, const std::vector<double>& holidays) {
  return !is_weekend(day, weekend) && !std::binary_search(holidays.begin(), holidays.end(), day);
}

double working_days(double start, double end, WeekendMask weekend, const std::vector<double>& holidays) {
  const double sign = start <= end ? 1.0 : -1.0;
  if (start > end) std::swap(start, end);
  // Whole weeks hold the same working days each; only the rest is walked.
  const double weeks = std::floor((end - start + 1.0) / 7.0);
  double count = weeks * static_cast<double>(7 - std::popcount(weekend));
  for (double day = start + weeks * 7.0; day <= end; day += 1.0) count += is_weekend(day, weekend) ? 0.0 : 1.0;
  for (const double holiday : holidays) {
    if (holiday >= start && holiday <= end && !is_weekend(holiday, weekend)) count -= 1.0;
  }
  return sign * count;
}

double working_day_after(double day, double steps, WeekendMask weekend, const std::vector<double>& holidays) {
  // No date range holds more working days than this: the walk stays bounded.
  check_domain(std::fabs(steps) <= kLastSerial, "the number of days is too large");
  const double direction = steps < 0.0 ? -1.0 : 1.0;
  for (double left = std::fabs(steps); left > 0.0;) {
    day += direction;
    check_domain(day >= 1.0 && day <= kLastSerial, "the date lies outside 1900 to 9999");
    if (is_working_day(day, weekend, holidays)) left -= 1.0;
  }
  return day;
}

kx::Value network_days(Arguments args) {
  return working_days(day_arg(args[0]), day_arg(args[1]), kSaturdaySunday, holidays_of(args[2]));
}

kx::Value network_days_intl(Arguments args) {
  return working_days(day_arg(args[0]), day_arg(args[1]), weekend_arg(args[2]), holidays_of(args[3]));
}

kx::Value work_day(Arguments args) {
  return working_day_after(day_arg(args[0]), whole_arg(args[1]), kSaturdaySunday, holidays_of(args[2]));
}

kx::Value work_day_intl(Arguments args) {
  return working_day_after(day_arg(args[0]), whole_arg(args[1]), weekend_arg(args[2]), holidays_of(args[3]));
}

// DAYS360(start, end, [european]): months of 30 days. The US method moves a start on the
// month's last day to the 30th, and an end on the 31st to the next month's 1st when the start
// is before the 30th; the European one moves every 31st to the 30th.
kx::Value days_360(Arguments args) {
  const Date from = date_of(day_arg(args[0]));
  const Date to = date_of(day_arg(args[1]));
  const bool european = !is_omitted(args[2]) && flag_arg(args[2]);
  int d1 = from.day;
  int d2 = to.day;
  int m2 = to.month;
  if (european) {
    d1 = std::min(d1, 30);
    d2 = std::min(d2, 30);
  } else {
    if (d1 == days_in_month(from.year, from.month)) d1 = 30;
    if (d2 == 31) {
      if (d1 < 30) {
        d2 = 1;
        ++m2;
      } else {
        d2 = 30;
      }
    }
  }
  return (to.year - from.year) * 360.0 + (m2 - from.month) * 30.0 + (d2 - d1);
}

// The ISO week: weeks start on Monday, and week 1 holds the year's first Thursday.
double iso_week(double day) {
  const double thursday = day - weekday_monday_first(day) + 3.0;
  const double first_of_year = serial_of(date_of(thursday).year, 1, 1);
  return std::floor((thursday - first_of_year) / 7.0) + 1.0;
}

kx::Value iso_week_number(Arguments args) { return iso_week(day_arg(args[0])); }

// WEEKNUM(serial, [return_type]): week 1 holds January 1; weeks start on Sunday (1, 17),
// Monday (2, 11), Tuesday (12) ... Saturday (16); 21 is the ISO week.
kx::Value week_number(Arguments args) {
  const double day = day_arg(args[0]);
  const double type = is_omitted(args[1]) ? 1.0 : whole_arg(args[1]);
  if (type == 21.0) return iso_week(day);
  int start = 0;  // the week's first day, 0 Monday ... 6 Sunday
  if (type == 1.0 || type == 17.0) {
    start = 6;
  } else if (type == 2.0 || type == 11.0) {
    start = 0;
  } else if (type >= 12.0 && type <= 16.0) {
    start = static_cast<int>(type) - 11;
  } else {
    raise_error(kx::error::kXlNum, "the return type must be 1, 2, 11 to 17 or 21");
  }
  const double first_of_year = serial_of(date_of(day).year, 1, 1);
  const int offset = (weekday_monday_first(first_of_year) - start + 7) % 7;
  return std::floor((day - first_of_year + offset) / 7.0) + 1.0;
}

bool is_last_of_february(const Date& date) { return date.month == 2 && date.day == days_in_month(date.year, 2); }

}  // namespace

double year_fraction(double start, double end, double basis) {
  check_domain(basis >= 0.0 && basis <= 4.0, "the basis must be 0 to 4");
  if (start > end) std::swap(start, end);
  const Date from = date_of(start);
  const Date to = date_of(end);
  const double days = end - start;
  if (basis == 2.0) return days / 360.0;
  if (basis == 3.0) return days / 365.0;
  if (basis == 0.0 || basis == 4.0) {
    int d1 = from.day;
    int d2 = to.day;
    if (basis == 4.0) {
      d1 = std::min(d1, 30);
      d2 = std::min(d2, 30);
    } else {
      if (is_last_of_february(from)) {
        if (is_last_of_february(to)) d2 = 30;
        d1 = 30;
      }
      if (d2 == 31 && d1 >= 30) d2 = 30;
      if (d1 == 31) d1 = 30;
    }
    return ((to.year - from.year) * 360.0 + (to.month - from.month) * 30.0 + (d2 - d1)) / 360.0;
  }
  // Actual/actual: within one year, by the length of the year the period touches.
  const bool within_a_year =
      to.year == from.year ||
      (to.year == from.year + 1 && (to.month < from.month || (to.month == from.month && to.day <= from.day)));
  if (within_a_year) {
    bool leap = false;
    if (to.year == from.year) {
      leap = is_leap(from.year);
    } else {
      const auto covers_leap_day = [&](int year) {
        if (!is_leap(year)) return false;
        const double leap_day = serial_of(year, 2, 29);
        return leap_day >= start && leap_day <= end;
      };
      leap = covers_leap_day(from.year) || covers_leap_day(to.year) || (is_last_of_february(to) && is_leap(to.year));
    }
    return days / (leap ? 366.0 : 365.0);
  }
  double year_days = 0.0;
  for (int year = from.year; year <= to.year; ++year) year_days += is_leap(year) ? 366.0 : 365.0;
  return days / (year_days / static_cast<double>(to.year - from.year + 1));
}

namespace {

kx::Value year_fraction_of(Arguments args) {
  return year_fraction(day_arg(args[0]), day_arg(args[1]), is_omitted(args[2]) ? 0.0 : whole_arg(args[2]));
}

kx::Value days_between(Arguments args) { return day_arg(args[0]) - day_arg(args[1]); }

// DATEVALUE(date_text) and TIMEVALUE(time_text): the date's serial without the time of day,
// and the time of day without the date.
template <bool Time>
kx::Value date_or_time_value(Arguments args) {
  const kx::Value text = single_arg(args[0]);
  if (text.is_error()) raise_error(text.error().number, "the argument holds an error value");
  if (!text.is_text()) raise_error(kx::error::kXlValue, Time ? "TIMEVALUE needs a text" : "DATEVALUE needs a text");
  const auto serial = parse_date(text.text());
  if (!serial) raise_error(kx::error::kXlValue, "\"" + text.text() + (Time ? "\" is no time" : "\" is no date"));
  return Time ? *serial - std::floor(*serial) : std::floor(*serial);
}

kx::Value time_of_day(Arguments args) {
  const double seconds = whole_arg(args[0]) * 3600.0 + whole_arg(args[1]) * 60.0 + whole_arg(args[2]);
  check_domain(seconds >= 0.0 && seconds < 32768.0 * 3600.0, "the time must not be negative");
  return std::fmod(seconds, 86400.0) / 86400.0;
}

// The whole seconds of the time of day, after rounding to the millisecond: 12:29:59.997 is
// still in minute 29, as the reference spreadsheet shows it.
double second_of_day(const kx::Value& value) {
  const double serial = date_arg(value);
  const double milliseconds = std::round((serial - std::floor(serial)) * 86400000.0);
  return std::fmod(std::floor(milliseconds / 1000.0), 86400.0);
}

kx::Value hour_of(Arguments args) { return std::floor(second_of_day(args[0]) / 3600.0); }
kx::Value minute_of(Arguments args) { return std::floor(std::fmod(second_of_day(args[0]), 3600.0) / 60.0); }
kx::Value second_of(Arguments args) { return std::fmod(second_of_day(args[0]), 60.0); }

// The local date and time as a serial number.
double now_serial() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const double day = serial_of(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
  return day + (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
}

kx::Value today(Arguments) { return std::floor(now_serial()); }
kx::Value now(Arguments) { return now_serial(); }

constexpr SheetFunction kFunctions[] = {
    {"DATE", 3, 3, kSingleValues, date, "year, month, day"},
    {"YEAR", 1, 1, kSingleValues, year_of, "serial_number"},
    {"MONTH", 1, 1, kSingleValues, month_of, "serial_number"},
    {"DAY", 1, 1, kSingleValues, day_of, "serial_number"},
    {"EDATE", 2, 2, kSingleValues, edate, "start_date, months"},
    {"EOMONTH", 2, 2, kSingleValues, eomonth, "start_date, months"},
    {"DATEDIF", 3, 3, kSingleValues, date_difference, "start_date, end_date, unit"},
    {"NETWORKDAYS", 2, 3, kArrays, network_days, "start_date, end_date, [holidays]"},
    {"WORKDAY", 2, 3, kArrays, work_day, "start_date, days, [holidays]"},
    {"WEEKDAY", 1, 2, kSingleValues, weekday, "serial_number, [return_type]"},
    {"YEARFRAC", 2, 3, kSingleValues, year_fraction_of, "start_date, end_date, [basis]"},
    {"NETWORKDAYS.INTL", 2, 4, kArrays, network_days_intl, "start_date, end_date, [weekend], [holidays]"},
    {"WORKDAY.INTL", 2, 4, kArrays, work_day_intl, "start_date, days, [weekend], [holidays]"},
    {"DAYS360", 2, 3, kSingleValues, days_360, "start_date, end_date, [method]"},
    {"WEEKNUM", 1, 2, kSingleValues, week_number, "serial_number, [return_type]"},
    {"ISOWEEKNUM", 1, 1, kSingleValues, iso_week_number, "date"},
    {"DAYS", 2, 2, kSingleValues, days_between, "end_date, start_date"},
    {"DATEVALUE", 1, 1, kSingleValues, date_or_time_value<false>, "date_text"},
    {"TIMEVALUE", 1, 1, kSingleValues, date_or_time_value<true>, "time_text"},
    {"TIME", 3, 3, kSingleValues, time_of_day, "hour, minute, second"},
    {"HOUR", 1, 1, kSingleValues, hour_of, "serial_number"},
    {"MINUTE", 1, 1, kSingleValues, minute_of, "serial_number"},
    {"SECOND", 1, 1, kSingleValues, second_of, "serial_number"},
    {"TODAY", 0, 0, kSingleValues, today, "", true},
    {"NOW", 0, 0, kSingleValues, now, "", true},
};

}  // namespace

Family date_functions() { return kFunctions; }

}  // namespace host::worksheet
