#include "mktfn/frame/tools.hpp"

#include "common/automation/binding.hpp"
#include "common/text_lookup.hpp"
#include "mktfn/frame/main.hpp"

namespace mktfn {

const kx::Interface* Tools::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<Tools> builder("Tools");
    builder
        .property(
            "Root", kx::DeclaredType::Object,
            [](const Tools& self) { return self.root() ? kx::Value(kx::ObjectRef(self.root())) : kx::Value(); },
            [](Tools& self, const kx::Value& value) {
              if (value.is_empty()) return self.set_root(nullptr);
              auto main = value.is_object() ? std::dynamic_pointer_cast<Main>(value.object()) : nullptr;
              if (!main) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: Root must be a Main object");
              self.set_root(main);
            })
        .property(
            "Application", kx::DeclaredType::Variant, [](const Tools& self) { return self.application(); },
            [](Tools& self, const kx::Value& value) { self.set_application(value); })
        .property(
            "ThisWorkbook", kx::DeclaredType::Variant, [](const Tools& self) { return self.this_workbook(); },
            [](Tools& self, const kx::Value& value) { self.set_this_workbook(value); })
        .method<&Tools::GetMLText>("GetMLText", {"pToolID", "intRow"});
    return builder.build();
  }();
  return &interface;
}

std::string Tools::GetMLText(std::int16_t pToolID, std::int32_t& intRow) {
  return kx::lookup_text(kx::TextTables::Marketing, application(), this_workbook(), pToolID, intRow);
}

}  // namespace mktfn
