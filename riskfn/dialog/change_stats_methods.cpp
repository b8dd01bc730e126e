// The methods of ChangeStats: the interval rows of the statistics column, with the list copy,
// and the chart density.
#include <cfloat>
#include <cmath>

#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/value.hpp"
#include "riskfn/dialog/dialog_distributions.hpp"
#include "riskfn/dialog/dialog_values.hpp"
#include "riskfn/dialog/interval_probability.hpp"
#include "riskfn/dialog/statement_rule.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {
namespace {

constexpr int kInverseGauss = 19;
constexpr std::int32_t kHideStatisticsText = 42;  // the caption while the statistics list shows
constexpr std::int32_t kStatisticsRows = 17;

Main& main_of(const ComponentChild& child) {
  const std::shared_ptr<Main> main = child.root();
  if (!main) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set: Root");
  return *main;
}

// The platform's conversion to single precision: a finite double beyond its range overflows.
float single(double x) {
  if (!std::isfinite(x) || std::fabs(x) > FLT_MAX) throw kx::Failure(kx::error::kOverflow, "Overflow");
  return static_cast<float>(x);
}

}  // namespace

std::int16_t ChangeStats::DoChangeStats(kx::Value& intPDF, float& LeftX, float& RightX, kx::Value& arrStats,
                                        kx::Value& arrValues, kx::Value& cboDistr, kx::Value& arrLabels,
                                        kx::Value& /*XFinish*/, kx::Value& cmdStatistics, kx::Value& lstStats,
                                        kx::Value& tWorksheetFunction, kx::Value& tfrmSimDistrib) {
  std::int16_t step = 1;
  dialog::StatementRule rule;
  rule.skip_failures(false);
  try {
    worksheet_function_ = tWorksheetFunction;
    form_ = tfrmSimDistrib;
    if (kx::to_double(intPDF) == 0) return step;
    const char separator = kx::application_of(application())->decimal_separator();
    const auto write = [&](std::int32_t row, double value, std::string_view pattern) {
      rule.run([&] { dialog::set_element(arrStats, 2, row, dialog::fixed_text(value, pattern, separator)); });
    };

    write(11, LeftX, "0.0000");
    step = 2;
    const int code = dialog::selected_code(arrLabels, dialog::control_text(cboDistr), dialog::kCheckOrder);
    const dialog::Parameters p(arrValues, separator);
    Main& main = main_of(*this);
    // The exact cumulative probability for every distribution, held in single precision.
    const auto probability_below = [&](float x) { return single(dialog::cumulative_probability(code, x, p, main)); };
    if (code == kInverseGauss) rule.skip_failures(true);
    float below_left = 0;
    rule.run([&] { below_left = probability_below(LeftX); });
    write(12, below_left, "0.0%");
    write(13, RightX, "0.0000");
    step = 3;
    float below_right = 0;
    rule.run([&] { below_right = probability_below(RightX); });
    step = 4;
    write(14, below_right, "0.0%");
    step = 5;
    write(15, RightX - LeftX, "0.0000");
    step = 6;
    write(16, below_right - below_left, "0.0%");
    step = 7;

    if (kx::to_text(dialog::property_of(cmdStatistics, "Caption")) == text(0, kHideStatisticsText)) {
      step = 8;
      kx::Array list(kStatisticsRows + 1, 3, 0, 0);
      for (std::int32_t row = 0; row < kStatisticsRows; ++row) {
        list.at(static_cast<std::size_t>(row), 0) = dialog::element(arrStats, 1, row);
        list.at(static_cast<std::size_t>(row), 1) = dialog::element(arrStats, 2, row);
      }
      step = 9;
      dialog::set_property_of(lstStats, "List", kx::Value(std::move(list)));
      dialog::set_property_of(lstStats, "ColumnWidths", kx::Value("55;120"));
      step = 10;
    }
    step = 11;
  } catch (const std::exception&) {
    // The call ends at its first failure; the step tells how far it came.
  }
  return step;
}

float ChangeStats::CalcPDF(float& px, kx::Value& arrLabels, kx::Value& arrValues, bool& bBool) {
  try {
    const kx::Value distribution_box = dialog::property_of(form_, "cboDistr");
    const int code = dialog::selected_code(arrLabels, dialog::control_text(distribution_box), dialog::kDensityOrder);
    if (code == 0) return 0;
    const char separator = kx::application_of(application())->decimal_separator();
    return single(dialog::chart_density(code, px, dialog::Parameters(arrValues, separator), main_of(*this), bBool));
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace riskfn
