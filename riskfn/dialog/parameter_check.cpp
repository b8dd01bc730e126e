// The checks of a typed value, one per distribution code, and the rewriting of the statistics
// column and chart range. Every statement after the value is read obeys the skip-on-failure
// rule, except in the Binomial branch, where the first failure beeps and ends the call.
#include "riskfn/dialog/parameter_check.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <variant>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "riskfn/dialog/chart_range.hpp"
#include "riskfn/dialog/dialog_distributions.hpp"
#include "riskfn/dialog/dialog_values.hpp"
#include "riskfn/dialog/distribution_statistics.hpp"
#include "riskfn/dialog/statement_rule.hpp"

namespace riskfn::dialog {
namespace {

enum class Verdict { Accept, Drop, Beep };

// The typed value with what its check may look at: the parameter boxes as numbers.
struct Typed {
  double v;
  std::int32_t index;
  const Parameters& p;
  StatementRule& rule;
  const ParameterDialog& dialog;
  char decimal_separator;

  double box(const kx::Value& control) const {
    return kx::to_double(kx::Value(control_text(control)), decimal_separator);
  }
  double first() const { return box(dialog.txtValue1); }
  double second() const { return box(dialog.txtValue2); }
  double ratio() const { return kx::checked::div(first(), second()); }
  // A limit whose test fails (a box that is no number, a ratio over 0) does not refuse.
  template <class Condition>
  bool exceeds(Condition&& condition) const {
    return rule.holds(condition);
  }
};

using Check = Verdict (*)(const Typed& t);

Verdict accept(const Typed&) { return Verdict::Accept; }
Verdict positive(const Typed& t) { return t.v > 0 ? Verdict::Accept : Verdict::Drop; }

// Low and high bounds at parameters `low` and `low + 1`: neither may pass the other.
Verdict ordered_bounds(const Typed& t, std::int32_t low) {
  if (t.index == low && t.exceeds([&] { return t.v >= t.p[low + 1]; })) return Verdict::Drop;
  if (t.index == low + 1 && t.exceeds([&] { return t.v <= t.p[low]; })) return Verdict::Drop;
  return Verdict::Accept;
}

// Mean and deviation: beyond this ratio the chart cannot show the spread.
Verdict mean_deviation(const Typed& t) {
  if (t.index == 1 && !(t.v > 0)) return Verdict::Drop;
  if (t.exceeds([&] { return t.ratio() > 3000000; })) return Verdict::Beep;
  return Verdict::Accept;
}

const std::map<int, Check> kChecks = {
    {1, accept},
    {2,
     [](const Typed& t) {
       if (t.index <= 1) return positive(t);
       return ordered_bounds(t, 2);
     }},
    {3,
     [](const Typed& t) {
       if (t.index == 0) return positive(t);
       if (t.index == 1 && !(t.v > 0 && t.v < 1)) return Verdict::Drop;
       return Verdict::Accept;
     }},
    {4,
     [](const Typed& t) {
       if (!(t.v > 0)) return Verdict::Drop;
       return t.exceeds([&] { return t.first() > 230; }) ? Verdict::Beep : Verdict::Accept;
     }},
    {9, accept},
    {10, positive},
    {11, positive},
    {12,
     [](const Typed& t) { return t.exceeds([&] { return t.ratio() > 1000000; }) ? Verdict::Beep : Verdict::Accept; }},
    {13,
     [](const Typed& t) {
       if (!(t.v > 0)) return Verdict::Drop;
       return t.exceeds([&] { return t.first() > 200000000000.0; }) ? Verdict::Beep : Verdict::Accept;
     }},
    {15, [](const Typed& t) { return t.v > 0.00009 ? Verdict::Accept : Verdict::Beep; }},
    {17, accept},
    {18,
     [](const Typed& t) {
       if (t.exceeds([&] { return t.second() > 32767; })) return Verdict::Beep;
       return ordered_bounds(t, 0);
     }},
    {19, [](const Typed& t) { return t.exceeds([&] { return t.first() > 1e18; }) ? Verdict::Beep : Verdict::Accept; }},
    // Logistic stores the value before its check: see check_parameter.
    {20,
     [](const Typed& t) { return t.exceeds([&] { return t.ratio() > 1000000; }) ? Verdict::Beep : Verdict::Accept; }},
    {22, mean_deviation},
    {24,
     [](const Typed& t) {
       if (t.index == 0 && !(kx::round_half_even(t.v) > 0)) return Verdict::Drop;
       return Verdict::Accept;
     }},
    {25, mean_deviation},
    {26, accept},
    {27, accept},
    {30, accept},
    {31,
     [](const Typed& t) {
       if (t.exceeds([&] { return t.first() > 116; })) return Verdict::Beep;
       return positive(t);
     }},
    {32, accept},
    {33, accept},
    {34, accept},
    {36, [](const Typed& t) { return ordered_bounds(t, 0); }},
    {37, accept},
};

constexpr int kLogistic = 20;
constexpr int kBinomial = 3;
constexpr int kNegativeBinomial = 24;

// Binomial keeps its parameters as four-decimal texts, Negative binomial its successes as a
// whole number's text; both put every later box into the second parameter.
void store(int code, const Typed& t, kx::Value& values, char separator) {
  if (code == kBinomial) {
    set_element(values, t.index == 0 ? 0 : 1, fixed_text(t.v, "0.0000", separator));
  } else if (code == kNegativeBinomial) {
    if (t.index == 0) {
      set_element(values, 0, fixed_text(kx::round_half_even(t.v), "0", separator));
    } else {
      set_element(values, 1, t.v);
    }
  } else {
    set_element(values, t.index, t.v);
  }
}

// Writes the statistics rows, each as one statement; a number is shown as four-decimal text.
class StatisticsWriter {
 public:
  StatisticsWriter(kx::Value& arrStats, StatementRule& rule, const DialogHost& host)
      : arrStats_(arrStats), rule_(rule), host_(host) {}

  // Row `row` from `statistic`; the value it showed, or nothing when it failed or has no rule.
  std::optional<Statistic> write(std::int32_t row, StatisticFn statistic, const Parameters& p) {
    if (statistic == nullptr) return std::nullopt;
    std::optional<Statistic> shown;
    rule_.run([&] {
      Statistic value = statistic(p, application());
      write(row, value);
      shown = std::move(value);
    });
    return shown;
  }

  std::optional<Statistic> write(std::int32_t row, const Statistic& value) {
    std::optional<Statistic> shown;
    rule_.run([&] {
      write_text(row, value);
      shown = value;
    });
    return shown;
  }

 private:
  void write_text(std::int32_t row, const Statistic& value) {
    if (const double* number = std::get_if<double>(&value)) {
      set_element(arrStats_, 2, row, fixed_text(kx::checked::finite(*number), "0.0000", host_.decimal_separator()));
    } else if (const TextRow* text = std::get_if<TextRow>(&value)) {
      set_element(arrStats_, 2, row, host_.text(text->row));
    } else {
      set_element(arrStats_, 2, row, std::get<std::string>(value));
    }
  }

  kx::Application& application() const {
    if (host_.application == nullptr) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set");
    return *host_.application;
  }

  kx::Value& arrStats_;
  StatementRule& rule_;
  const DialogHost& host_;
};

std::optional<double> number_in(const std::optional<Statistic>& statistic) {
  if (!statistic) return std::nullopt;
  if (const double* number = std::get_if<double>(&*statistic)) return *number;
  return std::nullopt;
}

// Rows 2 to 10; the standard deviation is the root of the variance, or the variance's text.
Moments write_statistics(const StatisticsRule& rule, const Parameters& p, StatisticsWriter& writer) {
  Moments moments;
  moments.minimum = number_in(writer.write(2, rule.minimum, p));
  moments.maximum = number_in(writer.write(3, rule.maximum, p));
  moments.mean = number_in(writer.write(4, rule.mean, p));
  writer.write(5, rule.mode, p);
  writer.write(6, rule.median, p);
  const std::optional<Statistic> variance = writer.write(8, rule.variance, p);
  if (const std::optional<double> number = number_in(variance)) {
    moments.deviation = number_in(writer.write(7, std::sqrt(*number)));
  } else if (variance) {
    writer.write(7, *variance);
  }
  writer.write(9, rule.skewness, p);
  writer.write(10, rule.kurtosis, p);
  return moments;
}

// Name, parameters separated by ";", closing parenthesis: Normal (100;15).
std::string description(const DialogDistribution& distribution, const Parameters& p, char separator) {
  std::string text(distribution.prefix);
  for (std::int32_t i = 0; i < distribution.parameter_count; ++i) {
    if (i > 0) text += ';';
    text += p.shown(i, separator);
  }
  return text + ")";
}

}  // namespace

std::int16_t check_parameter(ParameterDialog& dialog, double index, const std::string& typed, const DialogHost& host) {
  StatementRule rule;
  try {
    const char separator = host.decimal_separator();
    // The typed text as a double: single precision would show 0.1 as 0.100000001490116.
    const double v = kx::parse_number(typed, separator).value_or(0.0);
    std::int16_t result = -1;
    std::string selected;
    rule.run([&] { selected = control_text(dialog.cboDistr); });
    const int code = selected_code(dialog.arrLabels, selected, kCheckOrder);
    if (code == 0) return result;
    if (code == kBinomial) rule.skip_failures(false);

    const Parameters p(dialog.arrValues, separator);
    const Typed value{
        v, static_cast<std::int32_t>(std::clamp(kx::round_half_even(index), -1.0, 1e6)), p, rule, dialog, separator};
    if (code == kLogistic) rule.run([&] { store(code, value, dialog.arrValues, separator); });
    const Verdict verdict = kChecks.at(code)(value);
    if (verdict == Verdict::Beep) host.beep();
    if (verdict != Verdict::Accept) return result;
    if (code != kLogistic) rule.run([&] { store(code, value, dialog.arrValues, separator); });

    const DialogDistribution& distribution = *dialog_distribution(code);
    rule.run([&] { set_element(dialog.arrStats, 2, 0, description(distribution, p, separator)); });
    StatisticsWriter writer(dialog.arrStats, rule, host);
    const Moments moments = write_statistics(*statistics_rule(code), p, writer);
    Chart chart{dialog.XStart,   dialog.XFinish, dialog.delta, dialog.PointCount, result, rule, p, moments, v,
                host.application};
    set_chart_range(code, chart);
    return result;
  } catch (const std::exception&) {
    // Only the Binomial branch lets a failure out of a statement.
    host.beep();
    return -1;
  }
}

}  // namespace riskfn::dialog
