#include "mktfn/frame/main.hpp"

#include "common/conversions.hpp"
#include "mktfn/frame/main_interface.hpp"
#include "mktfn/frame/tools.hpp"

namespace mktfn {

std::shared_ptr<Main> Main::create() {
  struct Constructible : Main {};
  return std::make_shared<Constructible>();
}

const kx::Interface* Main::automation_interface() const {
  static const kx::Interface interface = main_interface();
  return &interface;
}

void Main::set_application(kx::Value value) {
  application_ = std::move(value);
  host_ = application_.is_object() ? std::dynamic_pointer_cast<kx::Application>(application_.object()) : nullptr;
}

kx::Application& Main::host() const {
  if (!host_) throw kx::Failure(kx::error::kObjectNotSet, "Main.Application is not set to the host application");
  return *host_;
}

kx::Value Main::value_error() const { return kx::ErrorValue{kx::to_int32(xlErrValue)}; }

void Main::Initialize() {
  auto tools = std::make_shared<Tools>();
  tools->set_root(std::static_pointer_cast<Main>(shared_from_this()));
  tools->set_application(application_);
  tools->set_this_workbook(this_workbook_);
  tools_ = std::move(tools);
}

}  // namespace mktfn
