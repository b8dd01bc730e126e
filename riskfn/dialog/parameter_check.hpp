// A parameter typed into the distribution dialog: its check, its storage, and the description,
// statistics and chart range rewritten from all current parameters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace riskfn::dialog {

// The dialog's controls, arrays and chart variables, written in place.
struct ParameterDialog {
  kx::Value& cboDistr;
  kx::Value& arrLabels;
  kx::Value& arrValues;
  kx::Value& arrStats;
  kx::Value& XStart;
  kx::Value& PointCount;
  kx::Value& delta;
  kx::Value& XFinish;
  kx::Value& txtValue1;
  kx::Value& txtValue2;
};

// What the check needs of the host: the application (null when there is none) for the
// worksheet functions, the beep and the decimal separator, and the add-in's texts of tool 0.
struct DialogHost {
  kx::Application* application = nullptr;
  std::function<std::string(std::int32_t row)> text;

  char decimal_separator() const { return application ? application->decimal_separator() : '.'; }
  void beep() const {
    if (application) application->beep();
  }
};

// Everything after the changed box was read: the value `typed` into parameter `index` (0 for
// the first) of the selected distribution. Raises nothing; returns -1, or the chart's point
// count for the distributions that choose it.
std::int16_t check_parameter(ParameterDialog& dialog, double index, const std::string& typed, const DialogHost& host);

}  // namespace riskfn::dialog
