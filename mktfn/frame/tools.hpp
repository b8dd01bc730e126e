// Tools: the text lookup of the marketing component, called by the add-in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/object.hpp"
#include "common/value.hpp"

namespace mktfn {

class Main;

class Tools : public kx::Object {
 public:
  const kx::Interface* automation_interface() const override;

  // Root does not keep Main alive: when the add-in drops Main, both objects go.
  std::shared_ptr<Main> root() const { return root_.lock(); }
  void set_root(const std::shared_ptr<Main>& root) { root_ = root; }
  const kx::Value& application() const { return application_; }
  void set_application(kx::Value value) { application_ = std::move(value); }
  const kx::Value& this_workbook() const { return this_workbook_; }
  void set_this_workbook(kx::Value value) { this_workbook_ = std::move(value); }

  // The text of row `intRow` of sheet mlFunctions (tool 0) in the current language; the empty
  // text for any other tool. Untrapped.
  std::string GetMLText(std::int16_t pToolID, std::int32_t& intRow);

 private:
  std::weak_ptr<Main> root_;
  kx::Value application_;
  kx::Value this_workbook_;
};

}  // namespace mktfn
