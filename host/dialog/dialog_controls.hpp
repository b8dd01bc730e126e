// Stand-ins for the add-in's distribution dialog: its controls, their Controls collection and
// the form frmSimDistrib, as late-bound objects with the properties the components use.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/object.hpp"
#include "common/value.hpp"

namespace host {

// A text box, combo box, check box, command button or list box: Name, Text, Value, Caption,
// List, ColumnWidths.
class DialogControl : public kx::Object {
 public:
  DialogControl() = default;
  explicit DialogControl(std::string name) : name_(std::move(name)) {}
  const kx::Interface* automation_interface() const override;

  const std::string& name() const { return name_; }
  std::string text;
  kx::Value value;  // a check box's state
  std::string caption;
  kx::Value list;
  std::string column_widths;

 private:
  std::string name_;
};

// The form's Controls: Item(name) finds a control by its name, ignoring case.
class ControlsCollection : public kx::Object {
 public:
  const kx::Interface* automation_interface() const override;

  void add(std::shared_ptr<DialogControl> control) { controls_.push_back(std::move(control)); }
  // Fails with 5 when no control has the name.
  std::shared_ptr<DialogControl> item(const std::string& name) const;
  kx::ObjectRef Item(kx::Value& Index);

 private:
  std::vector<std::shared_ptr<DialogControl>> controls_;
};

// frmSimDistrib with cboDistr, txtValue1 to txtValue4, cmdStatistics and lstStats.
class DistributionForm : public kx::Object {
 public:
  static constexpr int kParameterBoxes = 4;

  DistributionForm();
  const kx::Interface* automation_interface() const override;

  const std::shared_ptr<ControlsCollection>& controls() const { return controls_; }
  const std::shared_ptr<DialogControl>& distribution_box() const { return distribution_box_; }
  // Parameter box 1 to 4.
  const std::shared_ptr<DialogControl>& parameter_box(int number) const;
  const std::shared_ptr<DialogControl>& statistics_button() const { return statistics_button_; }
  const std::shared_ptr<DialogControl>& statistics_list() const { return statistics_list_; }

 private:
  std::shared_ptr<ControlsCollection> controls_ = std::make_shared<ControlsCollection>();
  std::shared_ptr<DialogControl> distribution_box_;
  std::vector<std::shared_ptr<DialogControl>> parameter_boxes_;
  std::shared_ptr<DialogControl> statistics_button_;
  std::shared_ptr<DialogControl> statistics_list_;
};

}  // namespace host
