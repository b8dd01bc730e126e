#include "cli/simulate_arguments.hpp"

#include <charconv>
#include <cctype>
#include <cmath>

#include "common/failure.hpp"

namespace cli {
namespace {

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> number_of(std::string_view text) {
  double x = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, x);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(x)) return std::nullopt;
  return x;
}

void parse_percentiles(std::string_view text, ReportSettings& into) {
  into.percentiles.clear();
  into.percentile_labels.clear();
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = trimmed(text.substr(start, comma - start));
    const auto k = number_of(item);
    if (!k || *k < 0 || *k > 100)
      fail("--percentiles: '" + std::string(item) + "' is no percentile from 0 to 100 (write them as 1,10,50,90,99)");
    into.percentiles.push_back(*k);
    into.percentile_labels.emplace_back(item);
    start = comma + 1;
  }
}

Target parse_target(std::string_view text) {
  const std::size_t at = text.rfind("<=");
  const std::string_view value = trimmed(at == std::string_view::npos ? text : text.substr(at + 2));
  const auto x = number_of(value);
  if (!x)
    fail("--target: '" + std::string(text) + "' is neither a number nor OUTPUT<=NUMBER (as in \"Net present value<=0\")");
  if (at == std::string_view::npos) return {"", *x};
  const std::string_view output = trimmed(text.substr(0, at));
  if (output.empty()) fail("--target: '" + std::string(text) + "' names no output before <=");
  return {std::string(output), *x};
}

Scenario parse_scenario(std::string_view text) {
  const std::size_t at = text.find_last_of("<>");
  const auto wrong = [&] {
    fail("--scenario: '" + std::string(text) +
         "' is not OUTPUT<SHARE% or OUTPUT>SHARE% (as \"Net present value<10%\"), nor OUTPUT<VALUE or OUTPUT>VALUE");
  };
  if (at == std::string_view::npos) wrong();
  const std::string_view output = trimmed(text.substr(0, at));
  std::string_view bound = trimmed(text.substr(at + 1));
  host::ScenarioCondition condition;
  condition.below = text[at] == '<';
  condition.percentile = bound.ends_with('%');
  if (condition.percentile) bound.remove_suffix(1);
  const auto x = number_of(trimmed(bound));
  if (output.empty() || !x || (condition.percentile && (*x <= 0 || *x >= 100))) wrong();
  condition.value = *x;
  return {std::string(output), condition, std::string(text)};
}

host::CellSetting parse_setting(std::string_view text) {
  const std::size_t at = text.find('=');
  if (at == std::string_view::npos || at == 0)
    fail("--set: '" + std::string(text) + "' is not CELL=VALUE (as in B4=0.25 or Model!B4=0.25)");
  return {std::string(trimmed(text.substr(0, at))), std::string(text.substr(at + 1))};
}

host::Precision parse_precision(std::string_view text) {
  const bool relative = text.ends_with('%');
  const auto x = number_of(trimmed(relative ? text.substr(0, text.size() - 1) : text));
  if (!x || *x <= 0)
    fail("--precision: '" + std::string(text) + "' is no positive amount (as 1% of the mean, or 0.5 in the outputs' units)");
  return {relative ? *x / 100 : *x, relative};
}

Part parse_part(std::string_view text) {
  const std::size_t slash = text.find('/');
  const auto whole = [](std::string_view digits) -> std::optional<std::int64_t> {
    std::int64_t n = 0;
    const char* end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, n);
    if (digits.empty() || error != std::errc() || stop != end) return std::nullopt;
    return n;
  };
  const auto part = whole(text.substr(0, slash));
  const auto parts = slash == std::string_view::npos ? std::nullopt : whole(text.substr(slash + 1));
  if (!part || !parts || *parts < 1 || *part < 1 || *part > *parts)
    fail("--part: '" + std::string(text) + "' is not K/N with K from 1 to N (as 2/8, the second of eight shares)");
  return {*part, *parts};
}

char parse_delimiter(std::string_view text) {
  if (text == "tab" || text == "\\t" || text == "\t") return '\t';
  // A quote starts a quoted field and a line break ends a record; letters and digits begin values.
  if (text.size() != 1 || text[0] == '"' || text[0] == '\r' || text[0] == '\n' || std::isalnum(static_cast<unsigned char>(text[0])))
    fail("--delimiter: '" + std::string(text) + "' is no field separator (as ';', ',', '|' or tab)");
  return text[0];
}

}  // namespace cli
