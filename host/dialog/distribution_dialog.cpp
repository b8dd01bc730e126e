#include "host/dialog/distribution_dialog.hpp"

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "common/text_lookup.hpp"

namespace host {
namespace {

// Where the chart starts before any distribution chose its range.
constexpr double kInitialPoints = 100;

constexpr std::int32_t kDistributionNameRow = 252;  // + code
constexpr std::int32_t kCaptionRow = 358;           // + statistics row
constexpr std::int32_t kHideStatisticsRow = 42;     // the button's caption while the list shows
constexpr std::int32_t kShowStatisticsRow = 375;

kx::Value object_value(const std::shared_ptr<kx::Object>& object) { return kx::Value(kx::ObjectRef(object)); }

}  // namespace

DistributionDialog::DistributionDialog(std::shared_ptr<Spreadsheet> application, const kx::ObjectRef& main)
    : application_(std::move(application)),
      x_start_(0.0),
      x_finish_(1.0),
      delta_(1.0 / (kInitialPoints - 1)),
      point_count_(kInitialPoints),
      left_x_(0.0),
      right_x_(0.0) {
  check_param_ = kx::get_property(*main, "CheckParam").object();
  change_stats_ = kx::get_property(*main, "ChangeStats").object();
  if (!check_param_ || !change_stats_) throw kx::Failure(kx::error::kObjectNotSet, "Main is not initialized");

  kx::Array labels(kHighestCode + 1, 1, 0, 0);
  for (int code = 0; code <= kHighestCode; ++code)
    labels.at(static_cast<std::size_t>(code), 0) = text(kDistributionNameRow + code);
  labels_ = kx::Value(std::move(labels));

  kx::Array stats(2, kStatisticsRows, 1, 0);
  for (std::int32_t row = 0; row < kStatisticsRows; ++row)
    stats.at(0, static_cast<std::size_t>(row)) = text(kCaptionRow + row);
  stats_ = kx::Value(std::move(stats));
  values_ = kx::Value(kx::Array::vector(DistributionForm::kParameterBoxes, 0));
}

std::string DistributionDialog::text(std::int32_t row) const {
  const kx::Value application{kx::ObjectRef(application_)};
  const kx::Value addin{kx::ObjectRef(application_->book(kx::kAddinWorkbookName))};
  return kx::lookup_text(kx::TextTables::Risk, application, addin, 0, row);
}

std::string DistributionDialog::label(int code) const {
  if (code < 0 || code > kHighestCode) return {};
  return labels_.array().at(static_cast<std::size_t>(code), 0).text();
}

int DistributionDialog::code_of(const std::string& name) const {
  const std::string wanted = kx::to_lower_ascii(name);
  for (int code = 1; code <= kHighestCode; ++code) {
    if (kx::to_lower_ascii(label(code)) == wanted) return code;
  }
  return 0;
}

void DistributionDialog::select(int code, const std::vector<std::string>& initial) {
  code_ = code;
  form_->distribution_box()->text = label(code);
  kx::Array values = kx::Array::vector(DistributionForm::kParameterBoxes, 0);
  for (std::size_t i = 0; i < initial.size() && i < values.size(); ++i) {
    const std::optional<double> number = kx::parse_number(initial[i], application_->decimal_separator());
    values.at(i) = number ? kx::Value(*number) : kx::Value(initial[i]);
    form_->parameter_box(static_cast<int>(i) + 1)->text = initial[i];
  }
  values_ = kx::Value(std::move(values));
}

void DistributionDialog::clear_parameter(int number) {
  kx::Array values = values_.array();
  values.at(static_cast<std::size_t>(number - 1)) = kx::Value();
  values_ = kx::Value(std::move(values));
}

std::int16_t DistributionDialog::type_parameter(int number, const std::string& text) {
  form_->parameter_box(number)->text = text;
  std::vector<kx::Value> arguments = {
      kx::Value(number),
      kx::Value(code_),
      object_value(form_->controls()),
      object_value(form_->distribution_box()),
      labels_,
      values_,
      stats_,
      object_value(application_->worksheet_function()),
      x_start_,
      point_count_,
      delta_,
      x_finish_,
      object_value(form_->parameter_box(1)),
      object_value(form_->parameter_box(2)),
      left_x_,
      right_x_,
  };
  const kx::Value result = kx::call_by_name(*check_param_, "DoCheckParamPart1", arguments);
  values_ = arguments[5];
  stats_ = arguments[6];
  x_start_ = arguments[8];
  point_count_ = arguments[9];
  delta_ = arguments[10];
  x_finish_ = arguments[11];
  return kx::to_int16(result);
}

kx::Value DistributionDialog::place_markers() {
  std::vector<kx::Value> arguments = {kx::Value(code_), x_start_, x_finish_, left_x_, right_x_};
  kx::Value result = kx::call_by_name(*check_param_, "DoCheckParamPart2", arguments);
  left_x_ = arguments[3];
  right_x_ = arguments[4];
  return result;
}

void DistributionDialog::move_markers(double left, double right) {
  left_x_ = kx::Value(left);
  right_x_ = kx::Value(right);
}

std::int16_t DistributionDialog::change_stats(bool statistics_shown) {
  form_->statistics_button()->caption = text(statistics_shown ? kHideStatisticsRow : kShowStatisticsRow);
  std::vector<kx::Value> arguments = {
      kx::Value(code_),
      left_x_,
      right_x_,
      stats_,
      values_,
      object_value(form_->distribution_box()),
      labels_,
      x_finish_,
      object_value(form_->statistics_button()),
      object_value(form_->statistics_list()),
      object_value(application_->worksheet_function()),
      object_value(form_),
  };
  const kx::Value result = kx::call_by_name(*change_stats_, "DoChangeStats", arguments);
  stats_ = arguments[3];
  return kx::to_int16(result);
}

float DistributionDialog::chart_value(double x, bool cumulative) {
  std::vector<kx::Value> arguments = {kx::Value(x), labels_, values_, kx::Value(cumulative)};
  return kx::to_single(kx::call_by_name(*change_stats_, "CalcPDF", arguments));
}

std::string DistributionDialog::statistic(std::int32_t row) const {
  return kx::to_text(stats_.array().at(1, static_cast<std::size_t>(row)));
}

std::string DistributionDialog::caption(std::int32_t row) const {
  return kx::to_text(stats_.array().at(0, static_cast<std::size_t>(row)));
}

double DistributionDialog::x_start() const { return kx::to_double(x_start_); }
double DistributionDialog::x_finish() const { return kx::to_double(x_finish_); }
double DistributionDialog::delta() const { return kx::to_double(delta_); }
double DistributionDialog::point_count() const { return kx::to_double(point_count_); }
double DistributionDialog::left_x() const { return kx::to_double(left_x_); }
double DistributionDialog::right_x() const { return kx::to_double(right_x_); }

}  // namespace host
