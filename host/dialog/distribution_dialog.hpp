// The distribution dialog played as the add-in plays it: its form and controls, the arrays it
// owns (arrLabels, arrValues, arrStats) and its chart variables, handed by reference to
// riskfn's CheckParam and ChangeStats through their automation interfaces.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/object.hpp"
#include "common/value.hpp"
#include "host/dialog/dialog_controls.hpp"
#include "host/document/spreadsheet.hpp"

namespace host {

class DistributionDialog {
 public:
  static constexpr int kHighestCode = 37;
  static constexpr std::int32_t kStatisticsRows = 17;

  // `main` is riskfn's Main, started in `application` with the add-in workbook open. Fails
  // with the failure of a text lookup or of a missing child object.
  DistributionDialog(std::shared_ptr<Spreadsheet> application, const kx::ObjectRef& main);

  // arrLabels(code, 0): the display name of a code, text row 252 + code.
  std::string label(int code) const;
  // The code whose display name is `name`, ignoring case; 0 when none is.
  int code_of(const std::string& name) const;

  // Picks a distribution in cboDistr; its parameter boxes and arrValues start with `initial`,
  // as the dialog shows a distribution's starting values.
  void select(int code, const std::vector<std::string>& initial);
  // Empties parameter `number` (1 to 4) of arrValues, so that a refused value shows as missing.
  void clear_parameter(int number);
  // Types `text` into parameter box `number` (1 to 4) and calls DoCheckParamPart1.
  std::int16_t type_parameter(int number, const std::string& text);
  // DoCheckParamPart2: the markers a twentieth inside the chart's ends.
  kx::Value place_markers();
  // The user drags the markers.
  void move_markers(double left, double right);
  // DoChangeStats, with the statistics list shown or not.
  std::int16_t change_stats(bool statistics_shown = true);
  // CalcPDF at a chart point.
  float chart_value(double x, bool cumulative = false);

  const kx::Value& values() const { return values_; }
  // arrStats(2, row) and its caption arrStats(1, row), as texts.
  std::string statistic(std::int32_t row) const;
  std::string caption(std::int32_t row) const;
  double x_start() const;
  double x_finish() const;
  double delta() const;
  double point_count() const;
  double left_x() const;
  double right_x() const;
  const DistributionForm& form() const { return *form_; }
  int code() const { return code_; }

 private:
  std::string text(std::int32_t row) const;

  std::shared_ptr<Spreadsheet> application_;
  kx::ObjectRef check_param_;
  kx::ObjectRef change_stats_;
  std::shared_ptr<DistributionForm> form_ = std::make_shared<DistributionForm>();
  int code_ = 0;
  kx::Value labels_;
  kx::Value values_;
  kx::Value stats_;
  kx::Value x_start_;
  kx::Value x_finish_;
  kx::Value delta_;
  kx::Value point_count_;
  kx::Value left_x_;
  kx::Value right_x_;
};

}  // namespace host
