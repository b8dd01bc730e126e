#include "cli/describe_command.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cli/density_plot.hpp"
#include "cli/plot_canvas.hpp"
#include "cli/terminal_text.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/dialog/distribution_dialog.hpp"
#include "host/session/session.hpp"
#include "riskfn/dialog/dialog_distributions.hpp"
#include "riskfn/frame/classes.hpp"

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

// DIST as a display name (any case) or a distribution code.
int distribution_code(const host::DistributionDialog& dialog, const std::string& name) {
  int code = dialog.code_of(name);
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

std::string statistics_text(const host::DistributionDialog& dialog) {
  std::size_t width = 0;
  for (std::int32_t row = 0; row < host::DistributionDialog::kStatisticsRows; ++row)
    width = std::max(width, dialog.caption(row).size());
  const auto line = [&](const std::string& caption, const std::string& value) {
    return fmt::format("{:<{}}  {}\n", caption, width, terminal_safe(value));
  };
  std::string text = line(dialog.caption(0), dialog.statistic(0));
  text += '\n';
  for (std::int32_t row = 2; row <= 10; ++row) text += line(dialog.caption(row), dialog.statistic(row));
  text += '\n';
  text += line("Chart", fmt::format("{:g} to {:g} by {:g}, {:g} points", dialog.x_start(), dialog.x_finish(),
                                    dialog.delta(), dialog.point_count()));
  text += '\n';
  for (std::int32_t row = 11; row <= 16; ++row) text += line(dialog.caption(row), dialog.statistic(row));
  return text;
}

// CalcPDF over the chart: whole numbers for a discrete distribution, an even grid otherwise.
DensityChart density_chart(host::DistributionDialog& dialog, bool discrete) {
  DensityChart chart;
  chart.title = terminal_safe(dialog.statistic(0));
  chart.discrete = discrete;
  chart.left = dialog.left_x();
  chart.right = dialog.right_x();
  chart.footer = fmt::format("{} {}   ({} to {})", dialog.caption(16), dialog.statistic(16), dialog.statistic(11),
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
  for (const double x : chart.x) chart.y.push_back(dialog.chart_value(x));
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
  if (options.left || options.right)
    dialog.move_markers(options.left.value_or(dialog.left_x()), options.right.value_or(dialog.right_x()));
  dialog.change_stats();
  std::fputs(statistics_text(dialog).c_str(), stdout);

  if (!options.plot_path.empty()) {
    draw_density(options.plot_path, density_chart(dialog, !riskfn::dialog::is_continuous(code)));
    std::printf("Plot written to %s\n", terminal_safe(options.plot_path).c_str());
  }
  return 0;
}

}  // namespace cli
