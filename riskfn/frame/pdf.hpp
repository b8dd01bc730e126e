// PDF: a child object of Main.
#pragma once

#include "riskfn/frame/component_child.hpp"

namespace riskfn {

class PDF : public ComponentChild {
 public:
  const kx::Interface* automation_interface() const override;
};

}  // namespace riskfn
