// Tools: the text lookup of the risk component.
#pragma once

#include <cstdint>
#include <string>

#include "riskfn/frame/component_child.hpp"

namespace riskfn {

class Tools : public ComponentChild {
 public:
  const kx::Interface* automation_interface() const override;

  // The text of row `intRow` of tool `pToolID` (0 risk texts, 1 learning texts) in the
  // current language. Untrapped.
  std::string GetMLText(std::int16_t pToolID, std::int32_t& intRow);
};

}  // namespace riskfn
