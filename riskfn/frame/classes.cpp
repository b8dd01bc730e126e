#include "riskfn/frame/classes.hpp"

#include "common/text_compare.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/check_param.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"
#include "riskfn/frame/tools.hpp"

namespace riskfn {

kx::ObjectRef create_object(std::string_view class_name) {
  if (kx::equals_ignore_case(class_name, "Main")) return Main::create();
  if (kx::equals_ignore_case(class_name, "PDF")) return std::make_shared<PDF>();
  if (kx::equals_ignore_case(class_name, "Tools")) return std::make_shared<Tools>();
  if (kx::equals_ignore_case(class_name, "CheckParam")) return std::make_shared<CheckParam>();
  if (kx::equals_ignore_case(class_name, "ChangeStats")) return std::make_shared<ChangeStats>();
  return nullptr;
}

std::vector<const kx::Interface*> class_interfaces() {
  std::vector<const kx::Interface*> interfaces;
  for (const char* name : {"Main", "PDF", "Tools", "CheckParam", "ChangeStats"}) {
    interfaces.push_back(create_object(name)->automation_interface());
  }
  return interfaces;
}

}  // namespace riskfn
