// The methods of CheckParam: the prologue of the parameter check, and the interval markers.
#include <cmath>

#include "common/conversions.hpp"
#include "common/host_services.hpp"
#include "riskfn/dialog/dialog_distributions.hpp"
#include "riskfn/dialog/dialog_values.hpp"
#include "riskfn/dialog/parameter_check.hpp"
#include "riskfn/frame/check_param.hpp"

namespace riskfn {

std::int16_t CheckParam::DoCheckParamPart1(double& checkIndex, kx::Value& intPDF, kx::Value& Controls,
                                           kx::Value& cboDistr, kx::Value& arrLabels, kx::Value& arrValues,
                                           kx::Value& arrStats, kx::Value& /*WorksheetFunction*/, kx::Value& XStart,
                                           kx::Value& PointCount, kx::Value& delta, kx::Value& XFinish,
                                           kx::Value& txtValue1, kx::Value& txtValue2, kx::Value& /*LeftX*/,
                                           kx::Value& /*RightX*/) {
  if (kx::to_double(intPDF) == 0) return 0;
  checkIndex -= 1;
  // A box that does not exist (a checkIndex with a fraction) fails here, to the dialog.
  const std::string typed =
      dialog::control_text(dialog::control_named(Controls, "txtValue" + kx::format_general(checkIndex + 1)));
  if (typed.empty()) return 0;

  std::shared_ptr<kx::Application> host;
  try {
    host = kx::application_of(application());
  } catch (const std::exception&) {
    // Without a host the statements that need one fail one by one.
  }
  const dialog::DialogHost dialog_host{host.get(), [this](std::int32_t row) { return text(0, row); }};
  dialog::ParameterDialog dialog{cboDistr,   arrLabels, arrValues, arrStats,  XStart,
                                 PointCount, delta,     XFinish,   txtValue1, txtValue2};
  return dialog::check_parameter(dialog, checkIndex, typed, dialog_host);
}

kx::Value CheckParam::DoCheckParamPart2(kx::Value& intPDF, kx::Value& XStart, kx::Value& XFinish, kx::Value& LeftX,
                                        kx::Value& RightX) {
  const double start = kx::to_double(XStart);
  const double margin = kx::to_double(XFinish) / 20 - start / 20;  // the span itself overflows for ends near 1E308
  const double code = kx::to_double(intPDF);
  const bool continuous = code == std::trunc(code) && dialog::is_continuous(static_cast<int>(code));
  // A discrete chart puts its markers on whole numbers, where the probability is.
  const auto place = [&](double x) { return kx::Value(continuous ? x : kx::round_half_even(x)); };
  LeftX = place(start + margin);
  RightX = place(kx::to_double(XFinish) - margin);
  return kx::Value(1);
}

}  // namespace riskfn
