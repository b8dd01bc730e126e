// Main: the risk component's entry object. The add-in sets Application and ThisWorkbook,
// calls Initialize, and then calls the worksheet functions from cell formulas.
#pragma once

#include <memory>

#include "common/host_services.hpp"
#include "common/object.hpp"
#include "common/value.hpp"

namespace riskfn {

class PDF;
class Tools;
class CheckParam;
class ChangeStats;

class Main : public kx::Object {
 public:
  // Main is always shared: its children point back at it.
  static std::shared_ptr<Main> create();

  const kx::Interface* automation_interface() const override;

  const kx::Value& application() const { return application_; }
  void set_application(kx::Value value);
  const kx::Value& this_workbook() const { return this_workbook_; }
  void set_this_workbook(kx::Value value) { this_workbook_ = std::move(value); }

  const std::shared_ptr<PDF>& pdf() const { return pdf_; }
  const std::shared_ptr<Tools>& tools() const { return tools_; }
  const std::shared_ptr<CheckParam>& check_param() const { return check_param_; }
  const std::shared_ptr<ChangeStats>& change_stats() const { return change_stats_; }
  void set_pdf(std::shared_ptr<PDF> pdf) { pdf_ = std::move(pdf); }
  void set_tools(std::shared_ptr<Tools> tools) { tools_ = std::move(tools); }
  void set_check_param(std::shared_ptr<CheckParam> check_param) { check_param_ = std::move(check_param); }
  void set_change_stats(std::shared_ptr<ChangeStats> change_stats) { change_stats_ = std::move(change_stats); }

  // Creates PDF, Tools, CheckParam and ChangeStats in that order, points their Root here and
  // copies Application and ThisWorkbook into each as they are now. Untrapped.
  void Initialize();

  // The host application held in Application; fails with 91 when it is no application.
  kx::Application& host() const;

 protected:
  Main() = default;

 private:
  kx::Value application_;
  kx::Value this_workbook_;
  std::shared_ptr<kx::Application> host_;  // Application_ seen as the host, kept with it
  std::shared_ptr<PDF> pdf_;
  std::shared_ptr<Tools> tools_;
  std::shared_ptr<CheckParam> check_param_;
  std::shared_ptr<ChangeStats> change_stats_;
};

}  // namespace riskfn
