#include "mktfn/server/remote_host.hpp"

#include <vector>

namespace mktfn::server {
namespace {

using protocol::Json;

class RemoteWorksheet : public kx::Worksheet {
 public:
  RemoteWorksheet(std::shared_ptr<RemoteApplication> application, std::string workbook, std::string name)
      : application_(std::move(application)), workbook_(std::move(workbook)), name_(std::move(name)) {}

  std::string name() const override { return name_; }
  kx::RangeRef range(std::string_view address) override {
    return application_->range_on_client({{"workbook", workbook_}, {"sheet", name_}, {"address", address}});
  }
  kx::RangeRef cells(std::int32_t row, std::int32_t column) override {
    return application_->range_on_client({{"workbook", workbook_}, {"sheet", name_}, {"row", row}, {"column", column}});
  }

 private:
  std::shared_ptr<RemoteApplication> application_;
  std::string workbook_;
  std::string name_;
};

// Sheets are checked when their cells are read: a missing workbook or sheet fails there, with
// the client host's own failure.
class RemoteWorkbook : public kx::Workbook {
 public:
  RemoteWorkbook(std::shared_ptr<RemoteApplication> application, std::string name)
      : application_(std::move(application)), name_(std::move(name)) {}

  std::string name() const override { return name_; }
  std::shared_ptr<kx::Worksheet> worksheet(std::string_view name) override {
    return std::make_shared<RemoteWorksheet>(application_, name_, std::string(name));
  }

 private:
  std::shared_ptr<RemoteApplication> application_;
  std::string name_;
};

class RemoteWorksheetFunction : public kx::WorksheetFunctionObject {
 public:
  explicit RemoteWorksheetFunction(std::shared_ptr<RemoteApplication> application)
      : application_(std::move(application)) {}
  kx::Value call(kx::WorksheetFn fn, std::span<const kx::Value> args) override {
    return application_->call_on_client(fn, args, true);
  }

 private:
  std::shared_ptr<RemoteApplication> application_;
};

}  // namespace

std::shared_ptr<kx::Workbook> remote_workbook(std::shared_ptr<RemoteApplication> application, std::string name) {
  return std::make_shared<RemoteWorkbook>(std::move(application), std::move(name));
}

void RemoteApplication::mark_volatile() { link_.request("host.volatile", Json::object()); }

void RemoteApplication::set_status_bar(std::string_view text) { link_.request("host.status_bar", {{"text", text}}); }

std::string RemoteApplication::status_bar() const {
  const Json answer = link_.request("host.status_bar", Json::object());
  return answer.is_string() ? answer.get<std::string>() : std::string();
}

std::shared_ptr<kx::Workbook> RemoteApplication::workbook(std::string_view name) {
  return remote_workbook(std::static_pointer_cast<RemoteApplication>(shared_from_this()), std::string(name));
}

kx::Value RemoteApplication::call(kx::WorksheetFn fn, std::span<const kx::Value> args) {
  return call_on_client(fn, args, false);
}

std::shared_ptr<kx::WorksheetFunctionObject> RemoteApplication::worksheet_function() {
  return std::make_shared<RemoteWorksheetFunction>(std::static_pointer_cast<RemoteApplication>(shared_from_this()));
}

void RemoteApplication::show_message(std::string_view text) { link_.request("host.message", {{"text", text}}); }

kx::Value RemoteApplication::call_on_client(kx::WorksheetFn fn, std::span<const kx::Value> args, bool raising) {
  Json arguments = Json::array();
  for (const kx::Value& argument : args) arguments.push_back(protocol::to_json(argument, codec_));
  const Json answer = link_.request(
      "host.call",
      {{"function", kx::worksheet_fn_name(fn)}, {"arguments", std::move(arguments)}, {"raising", raising}});
  return protocol::from_json(answer, codec_);
}

kx::RangeRef RemoteApplication::range_on_client(Json where) {
  const kx::Value range = protocol::from_json(link_.request("host.range", std::move(where)), codec_);
  if (!range.is_range())
    throw kx::Failure(kx::error::kHostFailure, "The client answered a range request with no range");
  return range.range();
}

}  // namespace mktfn::server
