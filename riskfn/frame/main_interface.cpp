// Main's properties and methods in interface order: the properties, Initialize, the model
// markers and rounding, the analysis functions, then sampling and distribution functions.
#include "riskfn/frame/main_interface.hpp"

#include "common/automation/binding.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/check_param.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"
#include "riskfn/frame/tools.hpp"

namespace riskfn {
namespace {

// A child as a late-bound object, and set from one of the right class.
template <class Child>
kx::Value child_value(const std::shared_ptr<Child>& child) {
  return child ? kx::Value(kx::ObjectRef(child)) : kx::Value();
}

template <class Child>
std::shared_ptr<Child> child_from(const kx::Value& value) {
  if (value.is_empty()) return nullptr;
  auto child = value.is_object() ? std::dynamic_pointer_cast<Child>(value.object()) : nullptr;
  if (!child) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the object is of another class");
  return child;
}

}  // namespace

kx::Interface main_interface() {
  using kx::DeclaredType;
  using kx::Value;
  kx::InterfaceBuilder<Main> builder("Main");
  builder
      .property("Application", DeclaredType::Variant, [](const Main& m) { return m.application(); },
                [](Main& m, const Value& v) { m.set_application(v); })
      .property("ThisWorkbook", DeclaredType::Variant, [](const Main& m) { return m.this_workbook(); },
                [](Main& m, const Value& v) { m.set_this_workbook(v); })
      .property("PDF", DeclaredType::Object, [](const Main& m) { return child_value(m.pdf()); },
                [](Main& m, const Value& v) { m.set_pdf(child_from<PDF>(v)); })
      .property("Tools", DeclaredType::Object, [](const Main& m) { return child_value(m.tools()); },
                [](Main& m, const Value& v) { m.set_tools(child_from<Tools>(v)); })
      .property("CheckParam", DeclaredType::Object, [](const Main& m) { return child_value(m.check_param()); },
                [](Main& m, const Value& v) { m.set_check_param(child_from<CheckParam>(v)); })
      .property("ChangeStats", DeclaredType::Object, [](const Main& m) { return child_value(m.change_stats()); },
                [](Main& m, const Value& v) { m.set_change_stats(child_from<ChangeStats>(v)); })
      .method<&Main::Initialize>("Initialize", {});
  return builder.build();
}

}  // namespace riskfn
