// What the four child classes of Main share: the back-reference to Main, their own copies
// of Application and ThisWorkbook, and the text lookup through Root.Tools.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/automation/binding.hpp"
#include "common/object.hpp"
#include "common/value.hpp"

namespace riskfn {

class Main;

class ComponentChild : public kx::Object {
 public:
  // Root does not keep Main alive: when the host drops Main, all five objects go.
  std::shared_ptr<Main> root() const { return root_.lock(); }
  void set_root(const std::shared_ptr<Main>& root) { root_ = root; }

  const kx::Value& application() const { return application_; }
  void set_application(kx::Value value) { application_ = std::move(value); }
  const kx::Value& this_workbook() const { return this_workbook_; }
  void set_this_workbook(kx::Value value) { this_workbook_ = std::move(value); }

 protected:
  // The text of a row in the current language, through Root.Tools.GetMLText; failures pass through.
  std::string text(std::int16_t tool, std::int32_t row) const;

  // Publishes Root, Application and ThisWorkbook, the properties every child has.
  template <class C>
  static void add_common_properties(kx::InterfaceBuilder<C>& builder);

 private:
  std::weak_ptr<Main> root_;
  kx::Value application_;
  kx::Value this_workbook_;
};

// Root as a late-bound object, and set from one.
kx::Value root_value(const ComponentChild& child);
void set_root_value(ComponentChild& child, const kx::Value& value);

template <class C>
void ComponentChild::add_common_properties(kx::InterfaceBuilder<C>& builder) {
  builder
      .property(
          "Root", kx::DeclaredType::Object, [](const C& self) { return root_value(self); },
          [](C& self, const kx::Value& value) { set_root_value(self, value); })
      .property(
          "Application", kx::DeclaredType::Variant, [](const C& self) { return self.application(); },
          [](C& self, const kx::Value& value) { self.set_application(value); })
      .property(
          "ThisWorkbook", kx::DeclaredType::Variant, [](const C& self) { return self.this_workbook(); },
          [](C& self, const kx::Value& value) { self.set_this_workbook(value); });
}

}  // namespace riskfn
