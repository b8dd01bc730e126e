#include "host/dialog/fitting_dialog.hpp"

#include <algorithm>
#include <vector>

#include "common/automation/binding.hpp"
#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"

namespace host {

std::shared_ptr<FittingDialog> FittingDialog::create(std::string selection, bool continuous, bool discrete) {
  auto dialog = std::make_shared<FittingDialog>();
  dialog->distribution_list->text = std::move(selection);
  dialog->continuous_box->value = continuous;
  dialog->discrete_box->value = discrete;
  return dialog;
}

const kx::Interface* FittingDialog::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<FittingDialog> builder("frmSimDistrib");
    const auto control = [&](const char* name, std::shared_ptr<DialogControl> FittingDialog::*member) {
      builder.property(
          name, kx::DeclaredType::Object,
          [member](const FittingDialog& d) { return kx::Value(kx::ObjectRef(d.*member)); }, nullptr);
    };
    control("cboDistrFit", &FittingDialog::distribution_list);
    control("chkContin", &FittingDialog::continuous_box);
    control("chkDiscr", &FittingDialog::discrete_box);
    return builder.build();
  }();
  return &interface;
}

FittingOutcome FittingDialog::fit(kx::Object& pdf, const kx::RangeRef& data, std::int32_t timing_rows) {
  const kx::Value cells = data->value();
  std::vector<double> sorted;
  if (cells.is_array()) {
    for (const kx::Value& cell : cells.array().values()) sorted.push_back(kx::to_double(cell));
  } else {
    sorted.push_back(kx::to_double(cells));
  }
  std::sort(sorted.begin(), sorted.end());
  kx::Array test_data(sorted.size(), 4, 0, 0);
  for (std::size_t i = 0; i < sorted.size(); ++i) test_data.at(i, 3) = sorted[i];

  enum Argument { kTotTime, kInput, kFitted, kDialog, kFitIndex, kTestData, kName, kResult = 12, kTimes, kCount };
  std::vector<kx::Value> arguments(kCount);
  arguments[kInput] = kx::Value(data);
  arguments[kFitted] = 0;
  arguments[kDialog] = kx::Value(kx::ObjectRef(shared_from_this()));
  arguments[kTestData] = std::move(test_data);
  arguments[kName] = "";
  arguments[kResult] = kx::Array(27, 9, 0, 0);
  arguments[kTimes] = kx::Array(static_cast<std::size_t>(timing_rows) + 1, 3, 0, 0);
  kx::call_by_name(pdf, "FitPDF", arguments);

  return FittingOutcome{kx::to_double(arguments[kTotTime]), kx::to_int16(arguments[kFitted]), arguments[kFitIndex],
                        arguments[kResult].array(), arguments[kTimes].array()};
}

}  // namespace host
