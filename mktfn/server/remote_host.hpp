// The client's host application as the server sees it: worksheet functions, workbooks, sheets and
// cells reached by requests to the client; ranges come back by value.
#pragma once

#include <memory>
#include <string>

#include "common/host_services.hpp"
#include "mktfn/protocol/value_json.hpp"
#include "mktfn/server/host_link.hpp"

namespace mktfn::server {

class RemoteApplication : public kx::Application {
 public:
  // `codec` turns the values of requests and answers into JSON and back; it must outlive this.
  RemoteApplication(HostLink& link, const protocol::ObjectCodec& codec, char decimal_separator)
      : link_(link), codec_(codec), decimal_separator_(decimal_separator) {}

  void mark_volatile() override;
  void set_status_bar(std::string_view text) override;
  std::string status_bar() const override;
  std::shared_ptr<kx::Workbook> workbook(std::string_view name) override;
  kx::Value call(kx::WorksheetFn fn, std::span<const kx::Value> args) override;
  std::shared_ptr<kx::WorksheetFunctionObject> worksheet_function() override;
  char decimal_separator() const override { return decimal_separator_; }
  void show_message(std::string_view text) override;

  // A worksheet function on the client, as a member of the application or, raising, of its
  // WorksheetFunction object.
  kx::Value call_on_client(kx::WorksheetFn fn, std::span<const kx::Value> args, bool raising);
  // A range of a workbook's sheet: {"workbook", "sheet"} with "address", or with "row" and "column".
  kx::RangeRef range_on_client(protocol::Json where);

 private:
  HostLink& link_;
  const protocol::ObjectCodec& codec_;
  char decimal_separator_;
};

// The marker of a workbook of the client: its name.
std::shared_ptr<kx::Workbook> remote_workbook(std::shared_ptr<RemoteApplication> application, std::string name);

}  // namespace mktfn::server
