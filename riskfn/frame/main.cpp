#include "riskfn/frame/main.hpp"

#include "common/automation/binding.hpp"
#include "riskfn/frame/change_stats.hpp"
#include "riskfn/frame/check_param.hpp"
#include "riskfn/frame/main_interface.hpp"
#include "riskfn/frame/pdf.hpp"
#include "riskfn/frame/tools.hpp"

namespace riskfn {

std::shared_ptr<Main> Main::create() {
  struct Constructible : Main {};
  return std::make_shared<Constructible>();
}

void Main::set_application(kx::Value value) {
  application_ = std::move(value);
  host_ = application_.is_object() ? std::dynamic_pointer_cast<kx::Application>(application_.object()) : nullptr;
}

kx::Application& Main::host() const {
  if (!host_) throw kx::Failure(kx::error::kObjectNotSet, "Main.Application is not set to the host application");
  return *host_;
}

namespace {

template <class Child>
std::shared_ptr<Child> wired_child(Main& main) {
  auto child = std::make_shared<Child>();
  child->set_root(std::static_pointer_cast<Main>(main.shared_from_this()));
  child->set_application(main.application());
  child->set_this_workbook(main.this_workbook());
  return child;
}

}  // namespace

void Main::Initialize() {
  pdf_ = wired_child<PDF>(*this);
  tools_ = wired_child<Tools>(*this);
  check_param_ = wired_child<CheckParam>(*this);
  change_stats_ = wired_child<ChangeStats>(*this);
}

const kx::Interface* Main::automation_interface() const {
  static const kx::Interface interface = main_interface();
  return &interface;
}

}  // namespace riskfn
