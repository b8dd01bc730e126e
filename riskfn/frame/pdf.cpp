#include "riskfn/frame/pdf.hpp"

namespace riskfn {

const kx::Interface* PDF::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<PDF> builder("PDF");
    add_common_properties(builder);
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
