// CheckParam: a child object of Main; checks the parameters typed into the distribution dialog.
#pragma once

#include <cstdint>

#include "common/value.hpp"
#include "riskfn/frame/component_child.hpp"

namespace riskfn {

class CheckParam : public ComponentChild {
 public:
  const kx::Interface* automation_interface() const override;

  // Checks and stores the value of the parameter box numbered checkIndex (decremented here),
  // then rewrites the description, statistics and chart range. 0 when nothing was typed,
  // else -1 or the chart's point count. Untrapped until the box is read; nothing after.
  // LeftX and RightX are accepted and not used; the medians that need the host's inverse
  // distributions call them through Application, which fails the same way WorksheetFunction does.
  std::int16_t DoCheckParamPart1(double& checkIndex, kx::Value& intPDF, kx::Value& Controls, kx::Value& cboDistr,
                                 kx::Value& arrLabels, kx::Value& arrValues, kx::Value& arrStats,
                                 kx::Value& WorksheetFunction, kx::Value& XStart, kx::Value& PointCount,
                                 kx::Value& delta, kx::Value& XFinish, kx::Value& txtValue1, kx::Value& txtValue2,
                                 kx::Value& LeftX, kx::Value& RightX);
  // Places the interval markers a twentieth of the chart inside each end; whole numbers for
  // a discrete distribution. Untrapped; returns 1.
  kx::Value DoCheckParamPart2(kx::Value& intPDF, kx::Value& XStart, kx::Value& XFinish, kx::Value& LeftX,
                              kx::Value& RightX);
};

}  // namespace riskfn
