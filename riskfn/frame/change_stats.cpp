#include "riskfn/frame/change_stats.hpp"

namespace riskfn {

const kx::Interface* ChangeStats::automation_interface() const {
  static const kx::Interface interface = [] {
    kx::InterfaceBuilder<ChangeStats> builder("ChangeStats");
    add_common_properties(builder);
    return builder.build();
  }();
  return &interface;
}

}  // namespace riskfn
