// ChangeStats: a child object of Main; the distribution dialog's interval rows and chart density.
#pragma once

#include <cstdint>

#include "common/value.hpp"
#include "riskfn/frame/component_child.hpp"

namespace riskfn {

class ChangeStats : public ComponentChild {
 public:
  const kx::Interface* automation_interface() const override;

  // Writes the interval rows 11 to 16 for the markers LeftX and RightX and, when the statistics
  // are shown, copies the column into lstStats. Keeps the worksheet-function object and the form
  // for CalcPDF. Trapped: returns the last step reached, 11 when all went well.
  std::int16_t DoChangeStats(kx::Value& intPDF, float& LeftX, float& RightX, kx::Value& arrStats, kx::Value& arrValues,
                             kx::Value& cboDistr, kx::Value& arrLabels, kx::Value& XFinish, kx::Value& cmdStatistics,
                             kx::Value& lstStats, kx::Value& tWorksheetFunction, kx::Value& tfrmSimDistrib);
  // The chart's value at px for the distribution selected on the kept form: the density, or
  // the cumulative probability where bBool asks for it and the distribution offers it.
  // Trapped: any failure gives 0.
  float CalcPDF(float& px, kx::Value& arrLabels, kx::Value& arrValues, bool& bBool);

 private:
  kx::Value worksheet_function_;  // tWorksheetFunction of the last DoChangeStats
  kx::Value form_;                // tfrmSimDistrib of the last DoChangeStats
};

}  // namespace riskfn
