#include "host/session/session.hpp"

#include "common/automation/dispatch.hpp"
#include "common/text_lookup.hpp"
#include "host/addin/addin_workbook.hpp"

namespace host {
namespace {

std::shared_ptr<Spreadsheet> started_application() {
  auto application = Spreadsheet::create();
  open_addin_workbook(*application);
  return application;
}

// What the add-in does with each component object it creates, in this order.
std::vector<kx::ObjectRef> started(std::vector<kx::ObjectRef> components,
                                   const std::shared_ptr<Spreadsheet>& application,
                                   const std::shared_ptr<Book>& addin) {
  for (const kx::ObjectRef& component : components) {
    const kx::Interface* interface = component ? component->automation_interface() : nullptr;
    if (interface == nullptr) continue;
    if (interface->find("Application"))
      kx::set_property(*component, "Application", kx::Value(kx::ObjectRef(application)));
    if (interface->find("ThisWorkbook")) kx::set_property(*component, "ThisWorkbook", kx::Value(kx::ObjectRef(addin)));
    // The add-in tells the marketing component which number the host's value error carries.
    if (interface->find("xlErrValue")) kx::set_property(*component, "xlErrValue", kx::Value(kx::error::kXlValue));
    if (interface->find("Initialize")) kx::call_by_name(*component, "Initialize", {});
  }
  return components;
}

}  // namespace

Session::Session(std::vector<kx::ObjectRef> components)
    : application_(started_application()),
      addin_(application_->book(kx::kAddinWorkbookName)),
      engine_(application_, started(std::move(components), application_, addin_)) {}

void Session::open(std::shared_ptr<Book> book) {
  application_->add_book(std::move(book));
  engine_.load();
}

void Session::open_blank() {
  application_->add_book("Book1")->add_sheet("Sheet1");
  engine_.load();
}

}  // namespace host
