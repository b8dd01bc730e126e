#include "riskfn/frame/component_child.hpp"

#include "common/failure.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/tools.hpp"

namespace riskfn {

std::string ComponentChild::text(std::int16_t tool, std::int32_t row) const {
  const std::shared_ptr<Main> main = root();
  if (!main || !main->tools()) throw kx::Failure(kx::error::kObjectNotSet, "Root.Tools is not set");
  return main->tools()->GetMLText(tool, row);
}

kx::Value root_value(const ComponentChild& child) {
  if (auto main = child.root()) return kx::Value(kx::ObjectRef(main));
  return kx::Value();
}

void set_root_value(ComponentChild& child, const kx::Value& value) {
  if (value.is_empty()) {
    child.set_root(nullptr);
    return;
  }
  auto main = value.is_object() ? std::dynamic_pointer_cast<Main>(value.object()) : nullptr;
  if (!main) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: Root must be a Main object");
  child.set_root(main);
}

}  // namespace riskfn
