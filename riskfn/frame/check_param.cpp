#include "riskfn/frame/check_param.hpp"

namespace riskfn {

const kx::Interface* CheckParam::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<CheckParam> builder("CheckParam");
    add_common_properties(builder);
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
