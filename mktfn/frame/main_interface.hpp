// The published interface of Main, in interface order.
#pragma once

#include "common/automation/interface.hpp"

namespace mktfn {

kx::Interface main_interface();

}  // namespace mktfn
