#include "riskfn/frame/tools.hpp"

#include "common/text_lookup.hpp"

namespace riskfn {

const kx::Interface* Tools::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<Tools> builder("Tools");
    add_common_properties(builder);
    builder.method<&Tools::GetMLText>("GetMLText", {"pToolID", "intRow"});
    return builder.build();
  }();
  return &interface;
}

std::string Tools::GetMLText(std::int16_t pToolID, std::int32_t& intRow) {
  return kx::lookup_text(kx::TextTables::Risk, application(), this_workbook(), pToolID, intRow);
}

}  // namespace riskfn
