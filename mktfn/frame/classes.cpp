#include "mktfn/frame/classes.hpp"

#include "common/text_compare.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/frame/tools.hpp"

namespace mktfn {

kx::ObjectRef create_object(std::string_view class_name) {
  if (kx::equals_ignore_case(class_name, "Main")) return Main::create();
  if (kx::equals_ignore_case(class_name, "Tools")) return std::make_shared<Tools>();
  return nullptr;
}

std::vector<const kx::Interface*> class_interfaces() {
  std::vector<const kx::Interface*> interfaces;
  for (const char* name : {"Main", "Tools"}) interfaces.push_back(create_object(name)->automation_interface());
  return interfaces;
}

}  // namespace mktfn
