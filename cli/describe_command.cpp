#include "cli/describe_command.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "cli/density_plot.hpp"
#include "cli/plot_canvas.hpp"
#include "cli/terminal_text.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/dialog/distribution_dialog.hpp"
#include "host/session/session.hpp"
#include "riskfn/dialog/dialog_distributions.hpp"
#include "riskfn/dialog/interval_probability.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"

namespace cli {
namespace {

constexpr int kCurvePoints = 400;
constexpr double kMostBars = 2000;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kInvalidCall, message); }

std::string known_names(const host::DistributionDialog& dialog) {
  std::string names;
  for (const int code : riskfn::dialog::kCheckOrder) {
    if (!names.empty()) names += ", ";
    names += dialog.label(code);
  }
  return names;
}

// The code of an English display name, for a user who types it under another language.
int english_code(const std::string& name) {
  const kx::ObjectRef main = riskfn::create_object("Main");
  host::Session session({main});
  host::set_addin_language(session.application(), "GBR");
  const host::DistributionDialog english(session.application_ref(), main);
  return english.code_of(name);
}

// DIST as a display name (any case, in the chosen language or English) or a distribution code.
int distribution_code(const host::DistributionDialog& dialog, const std::string& name) {
  int code = dialog.code_of(name);
  if (code == 0) code = english_code(name);
  if (const std::optional<double> number = kx::parse_number(name)) {
    code = *number == std::trunc(*number) && std::fabs(*number) < 1000 ? static_cast<int>(*number) : 0;
  }
  if (riskfn::dialog::dialog_distribution(code) == nullptr)
    fail("unknown distribution '" + name + "'; one of: " + known_names(dialog));
  return code;
}

void check_parameters(const std::string& name, int expected, const std::vector<std::string>& parameters,
                      char separator) {
  const auto given = static_cast<int>(parameters.size());
  if (given != expected)
    fail(fmt::format("{} takes {} parameter{}, {} given", name, expected, expected == 1 ? "" : "s", given));
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    if (!kx::parse_number(parameters[i], separator))
      fail(fmt::format("parameter {} of {} is not a number: '{}'", i + 1, name, parameters[i]));
  }
}

// The dialog holds its interval markers in single precision.
bool fits_marker(double x) {
  return std::isfinite(x) && std::fabs(x) <= static_cast<double>(std::numeric_limits<float>::max());
}

void check_marker(const char* option, const std::optional<double>& x) {
  if (x && !fits_marker(*x)) fail(fmt::format("{} must be a number from -3.4E+38 to 3.4E+38, not {}", option, *x));
}

// Each box typed in turn, as a user fills them; a value the dialog refuses stays out of arrValues.
void type_parameters(host::DistributionDialog& dialog, int code, const std::vector<std::string>& parameters,
                     host::Spreadsheet& application) {
  dialog.select(code, parameters);
  for (std::size_t i = 0; i < parameters.size(); ++i) {
    const int number = static_cast<int>(i) + 1;
    const int beeps = application.beep_count();
    dialog.clear_parameter(number);
    dialog.type_parameter(number, parameters[i]);
    if (dialog.values().array().at(i).is_empty()) {
      fail(fmt::format("{} does not accept {} as parameter {}{}", dialog.label(code), parameters[i], number,
                       application.beep_count() > beeps ? " (it is beyond what the dialog can show)" : ""));
    }
  }
}

// P(X <= x) from the same functions as the dialog's interval rows, at full precision.
class Cumulative {
 public:
  Cumulative(const host::DistributionDialog& dialog, riskfn::Main& main, char decimal_separator)
      : code_(dialog.code()), parameters_(dialog.values(), decimal_separator), main_(main) {}
  double operator()(double x) const { return riskfn::dialog::cumulative_probability(code_, x, parameters_, main_); }

  // The smallest x with P(X <= x) >= p: whole numbers for a discrete distribution. Bisection on
  // the cumulative function, from the chart range outwards; none when the bounds run away.
  std::optional<double> quantile(double p, double start, double finish, bool discrete) const {
    double low = std::min(start, finish);
    double high = std::max(start, finish);
    double width = std::max(high - low, 1.0);
    for (int i = 0; i < 2100 && (*this)(low) >= p && p > 0.0; ++i, width *= 2) low -= width;
    width = std::max(high - low, 1.0);
    for (int i = 0; i < 2100 && (*this)(high) < p; ++i, width *= 2) high += width;
    if (!std::isfinite(low) || !std::isfinite(high) || (*this)(high) < p) return std::nullopt;
    if (discrete) {
      low = std::floor(low);
      high = std::ceil(high);
      while (high - low > 1) {
        const double middle = std::floor(low + (high - low) / 2);
        ((*this)(middle) >= p ? high : low) = middle;
      }
      return (*this)(low) >= p ? low : high;
    }
    for (int i = 0; i < 300 && high - low > 0; ++i) {
      const double middle = low + (high - low) / 2;
      if (middle <= low || middle >= high) break;
      ((*this)(middle) >= p ? high : low) = middle;
    }
    return high;
  }

 private:
  int code_;
  riskfn::dialog::Parameters parameters_;
  riskfn::Main& main_;
};

// A probability with enough digits to tell a small one from 0, and a large one from 1.
std::string probability_text(double p) {
  if (p <= 0.0) return "0";
  if (p >= 1.0) return "1";
  if (p < 0.001) return fmt::format("{:.3e}", p);
  if (1.0 - p < 0.001) return fmt::format("1 - {:.3e}", 1.0 - p);
  return fmt::format("{:.3f}%", 100.0 * p);
}

std::string statistics_text(const host::DistributionDialog& dialog, const Cumulative& cumulative) {
  std::size_t width = 0;
  for (std::int32_t row = 0; row < host::DistributionDialog::kStatisticsRows; ++row)
    width = std::max(width, dialog.caption(row).size());
  const auto line = [&](const std::string& caption, const std::string& value) {
    return fmt::format("{:<{}}  {}\n", caption, width, terminal_safe(value));
  };
  std::string text = line(dialog.caption(0), dialog.statistic(0));
  text += '\n';
  // An unbounded minimum lies at minus infinity; the dialog writes the same word at both ends.
  const std::string unbounded_minimum = dialog.statistic(2) == dialog.statistic(3) ? "-" : "";
  text += line(dialog.caption(2), unbounded_minimum + dialog.statistic(2));
  for (std::int32_t row = 3; row <= 10; ++row) text += line(dialog.caption(row), dialog.statistic(row));
  text += '\n';
  text += line("Chart", fmt::format("{:g} to {:g} by {:g}, {:g} points", dialog.x_start(), dialog.x_finish(),
                                    dialog.delta(), dialog.point_count()));
  text += '\n';
  // The interval rows: the markers and width as the dialog shows them, the probabilities precise.
  const double left = cumulative(dialog.left_x());
  const double right = cumulative(dialog.right_x());
  text += line(dialog.caption(11), dialog.statistic(11));
  text += line(dialog.caption(12), probability_text(left));
  text += line(dialog.caption(13), dialog.statistic(13));
  text += line(dialog.caption(14), probability_text(right));
  text += line(dialog.caption(15), dialog.statistic(15));
  text += line(dialog.caption(16), probability_text(std::max(0.0, right - left)));
  return text;
}

// CalcPDF over the chart: whole numbers for a discrete distribution, an even grid otherwise.
DensityChart density_chart(host::DistributionDialog& dialog, bool discrete, const std::string& interval_probability,
                           const Cumulative* cumulative) {
  DensityChart chart;
  chart.title = terminal_safe(dialog.statistic(0));
  chart.discrete = discrete;
  chart.cumulative = cumulative != nullptr;
  chart.left = dialog.left_x();
  chart.right = dialog.right_x();
  chart.footer = fmt::format("{} {}   ({} to {})", dialog.caption(16), interval_probability, dialog.statistic(11),
                             dialog.statistic(13));
  const double start = dialog.x_start();
  const double finish = dialog.x_finish();
  if (!std::isfinite(start) || !std::isfinite(finish) || finish < start) return chart;
  if (discrete) {
    const double first = std::ceil(start);
    const double step = std::max(1.0, std::ceil((std::floor(finish) - first + 1) / kMostBars));
    for (double x = first; x <= finish; x += step) chart.x.push_back(x);
  } else {
    for (int i = 0; i < kCurvePoints; ++i) chart.x.push_back(start + (finish - start) * i / (kCurvePoints - 1));
  }
  for (const double x : chart.x) chart.y.push_back(cumulative ? (*cumulative)(x) : dialog.chart_value(x));
  return chart;
}

}  // namespace

int run_describe(const DescribeOptions& options) {
  if (!options.plot_path.empty()) check_plot_path(options.plot_path);
  const kx::ObjectRef main = riskfn::create_object("Main");
  host::Session session({main});
  host::set_addin_language(session.application(), options.language);
  const char separator = options.decimal_separator == "," ? ',' : '.';
  session.application().set_decimal_separator(separator);
  host::DistributionDialog dialog(session.application_ref(), main);

  const int code = distribution_code(dialog, options.distribution);
  check_parameters(dialog.label(code), riskfn::dialog::dialog_distribution(code)->parameter_count, options.parameters,
                   separator);
  type_parameters(dialog, code, options.parameters, session.application());
  dialog.place_markers();
  check_marker("--left", options.left);
  check_marker("--right", options.right);
  if (options.left || options.right)
    dialog.move_markers(options.left.value_or(dialog.left_x()), options.right.value_or(dialog.right_x()));
  if (!fits_marker(dialog.left_x()) || !fits_marker(dialog.right_x())) {
    fail(
        fmt::format("{}: the chart's interval markers at {:g} and {:g} are beyond what the dialog can show "
                    "(its markers hold numbers from -3.4E+38 to 3.4E+38); give --left and --right inside that",
                    dialog.statistic(0), dialog.left_x(), dialog.right_x()));
  }
  dialog.change_stats();
  riskfn::Main& risk = dynamic_cast<riskfn::Main&>(*main);
  const Cumulative cumulative(dialog, risk, separator);
  std::fputs(statistics_text(dialog, cumulative).c_str(), stdout);
  const bool discrete = !riskfn::dialog::is_continuous(code);
  if (!options.probabilities.empty()) std::fputs("\n", stdout);
  for (const double p : options.probabilities) {
    const std::optional<double> x = cumulative.quantile(p, dialog.x_start(), dialog.x_finish(), discrete);
    std::fputs(fmt::format("x for P(X<=x) = {:<8g}  {}\n", p, x ? fmt::format("{:.10g}", *x) : "none").c_str(), stdout);
  }

  if (!options.plot_path.empty()) {
    const std::string interval =
        probability_text(std::max(0.0, cumulative(dialog.right_x()) - cumulative(dialog.left_x())));
    draw_density(options.plot_path,
                 density_chart(dialog, discrete, interval, options.cumulative_plot ? &cumulative : nullptr));
    std::printf("Plot written to %s\n", terminal_safe(options.plot_path).c_str());
  }
  return 0;
}

}  // namespace cli
