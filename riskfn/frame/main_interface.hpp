// The published interface of Main, in interface order.
#pragma once

#include "common/automation/interface.hpp"

namespace riskfn {

kx::Interface main_interface();

}  // namespace riskfn
