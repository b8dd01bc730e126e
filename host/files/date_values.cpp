#include "host/files/date_values.hpp"

#include <charconv>
#include <string>

namespace host {
namespace {

// Reads digits (and, when allowed, one fraction) at the front of text and drops them.
std::optional<double> take_number(std::string_view& text, bool fraction_allowed) {
  std::size_t end = 0;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == 0 || end > 9) return std::nullopt;
  if (fraction_allowed && end < text.size() && text[end] == '.') {
    ++end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  }
  double number = 0;
  const auto [last, status] = std::from_chars(text.data(), text.data() + end, number);
  if (status != std::errc() || last != text.data() + end) return std::nullopt;
  text.remove_prefix(end);
  return number;
}

bool take(std::string_view& text, char expected) {
  if (text.empty() || text.front() != expected) return false;
  text.remove_prefix(1);
  return true;
}

int days_in_month(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::int64_t civil_day(std::int64_t year, int month, int day) {
  // Counts from March, so that the leap day ends a year (H. Hinnant's days_from_civil).
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

std::optional<double> parse_iso_date_time(std::string_view text) {
  const auto year = take_number(text, false);
  if (!year || !take(text, '-')) return std::nullopt;
  const auto month = take_number(text, false);
  if (!month || !take(text, '-')) return std::nullopt;
  const auto day = take_number(text, false);
  if (!day || *month < 1 || *month > 12) return std::nullopt;
  const auto whole_year = static_cast<std::int64_t>(*year);
  if (*day < 1 || *day > days_in_month(whole_year, static_cast<int>(*month))) return std::nullopt;
  double days = static_cast<double>(civil_day(whole_year, static_cast<int>(*month), static_cast<int>(*day)));
  if (text.empty()) return days;
  if (!take(text, 'T')) return std::nullopt;
  const auto hour = take_number(text, false);
  if (!hour || !take(text, ':')) return std::nullopt;
  const auto minute = take_number(text, false);
  if (!minute) return std::nullopt;
  double second = 0;
  if (take(text, ':')) {
    const auto seconds = take_number(text, true);
    if (!seconds) return std::nullopt;
    second = *seconds;
  }
  // A zone suffix ("Z") says nothing a spreadsheet keeps.
  if (!text.empty() && !(text == "Z")) return std::nullopt;
  if (*hour > 24 || *minute > 59 || second >= 61) return std::nullopt;
  return days + (*hour * 3600 + *minute * 60 + second) / 86400;
}

std::optional<double> iso_date_serial(std::string_view text) {
  // A time alone ("13:45:30") is a fraction of a day; on 1970-01-01, the day counted from
  // here, nothing else adds to it.
  if (text.size() > 2 && text[2] == ':') {
    const auto time = parse_iso_date_time("1970-01-01T" + std::string(text));
    return time && *time < 1.0 ? time : std::nullopt;
  }
  const auto days = parse_iso_date_time(text);
  if (!days) return std::nullopt;
  const double serial = *days - static_cast<double>(kSpreadsheetOrigin);
  constexpr double kFirstOfMarch1900 = 61.0;
  constexpr double kAfterLastDay = 2958466.0;  // 10000-01-01
  if (serial < 0.0 || serial >= kAfterLastDay) return std::nullopt;
  if (serial < 1.0) return serial;
  // Counted from 1899-12-30, days before 1900-03-01 lie one above the spreadsheet's serials.
  return serial < kFirstOfMarch1900 ? serial - 1.0 : serial;
}

std::optional<double> parse_iso_duration(std::string_view text) {
  const bool negative = take(text, '-');
  if (!take(text, 'P')) return std::nullopt;
  double days = 0;
  bool any = false;
  if (!text.empty() && text.front() != 'T') {
    const auto count = take_number(text, false);
    if (!count || !take(text, 'D')) return std::nullopt;
    days += *count;
    any = true;
  }
  if (take(text, 'T')) {
    constexpr struct {
      char unit;
      double per_day;
    } kUnits[] = {{'H', 24}, {'M', 24 * 60}, {'S', 24 * 60 * 60}};
    for (const auto& unit : kUnits) {
      std::string_view rest = text;
      const auto count = take_number(rest, unit.unit == 'S');
      if (!count || !take(rest, unit.unit)) continue;
      days += *count / unit.per_day;
      text = rest;
      any = true;
    }
  }
  if (!any || !text.empty()) return std::nullopt;
  return negative ? -days : days;
}

}  // namespace host
