#include "host/dialog/dialog_controls.hpp"

#include "common/automation/binding.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"

namespace host {
namespace {

using kx::DeclaredType;
using kx::Value;

// A text property of a control.
void add_text(kx::InterfaceBuilder<DialogControl>& builder, const char* name, std::string DialogControl::*field) {
  builder.property(
      name, DeclaredType::Text, [field](const DialogControl& c) { return Value(c.*field); },
      [field](DialogControl& c, const Value& v) { c.*field = kx::to_text(v); });
}

template <class Child>
Value object_value(const std::shared_ptr<Child>& child) {
  return Value(kx::ObjectRef(child));
}

}  // namespace

const kx::Interface* DialogControl::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<DialogControl> builder("Control");
    builder.property(
        "Name", DeclaredType::Text, [](const DialogControl& c) { return Value(c.name()); }, nullptr);
    add_text(builder, "Text", &DialogControl::text);
    builder.property(
        "Value", DeclaredType::Variant, [](const DialogControl& c) { return c.value; },
        [](DialogControl& c, const Value& v) { c.value = v; });
    add_text(builder, "Caption", &DialogControl::caption);
    add_text(builder, "ColumnWidths", &DialogControl::column_widths);
    builder.property(
        "List", DeclaredType::Variant, [](const DialogControl& c) { return c.list; },
        [](DialogControl& c, const Value& v) { c.list = v; });
    return builder.build();
  }();
  return &interface;
}

std::shared_ptr<DialogControl> ControlsCollection::item(const std::string& name) const {
  const std::string wanted = kx::to_lower_ascii(name);
  for (const auto& control : controls_) {
    if (kx::to_lower_ascii(control->name()) == wanted) return control;
  }
  throw kx::Failure(kx::error::kInvalidCall, "Could not find the specified object: " + name);
}

kx::ObjectRef ControlsCollection::Item(kx::Value& Index) { return item(kx::to_text(Index)); }

const kx::Interface* ControlsCollection::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<ControlsCollection> builder("Controls");
    builder.method<&ControlsCollection::Item>("Item", {"Index"});
    return builder.build();
  }();
  return &interface;
}

DistributionForm::DistributionForm()
    : distribution_box_(std::make_shared<DialogControl>("cboDistr")),
      statistics_button_(std::make_shared<DialogControl>("cmdStatistics")),
      statistics_list_(std::make_shared<DialogControl>("lstStats")) {
  controls_->add(distribution_box_);
  for (int number = 1; number <= kParameterBoxes; ++number) {
    parameter_boxes_.push_back(std::make_shared<DialogControl>("txtValue" + std::to_string(number)));
    controls_->add(parameter_boxes_.back());
  }
  controls_->add(statistics_button_);
  controls_->add(statistics_list_);
}

const std::shared_ptr<DialogControl>& DistributionForm::parameter_box(int number) const {
  if (number < 1 || number > kParameterBoxes) throw kx::Failure(kx::error::kSubscriptOutOfRange);
  return parameter_boxes_[static_cast<std::size_t>(number - 1)];
}

const kx::Interface* DistributionForm::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<DistributionForm> builder("frmSimDistrib");
    builder
        .property(
            "Controls", DeclaredType::Object, [](const DistributionForm& f) { return object_value(f.controls()); },
            nullptr)
        .property(
            "cboDistr", DeclaredType::Object,
            [](const DistributionForm& f) { return object_value(f.distribution_box()); }, nullptr)
        .property(
            "cmdStatistics", DeclaredType::Object,
            [](const DistributionForm& f) { return object_value(f.statistics_button()); }, nullptr)
        .property(
            "lstStats", DeclaredType::Object,
            [](const DistributionForm& f) { return object_value(f.statistics_list()); }, nullptr);
    for (int number = 1; number <= kParameterBoxes; ++number) {
      builder.property(
          "txtValue" + std::to_string(number), DeclaredType::Object,
          [number](const DistributionForm& f) { return object_value(f.parameter_box(number)); }, nullptr);
    }
    return builder.build();
  }();
  return &interface;
}

}  // namespace host
