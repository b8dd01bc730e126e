// A Main wired to our spreadsheet host, for the tests of the sampling functions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/uniform_generator.hpp"
#include "common/value.hpp"
#include "host/document/spreadsheet.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {

class SamplingTest : public ::testing::Test {
 protected:
  void SetUp() override { main_->set_application(kx::Value(kx::ObjectRef(spreadsheet_))); }
  void TearDown() override { kx::uniform_generator().set_fixed_seed(std::nullopt); }

  // A call by name, as a cell formula makes it.
  kx::Value call(std::string_view name, std::vector<kx::Value> arguments) {
    return kx::call_by_name(*main_, name, arguments);
  }

  std::shared_ptr<host::Spreadsheet> spreadsheet_ = host::Spreadsheet::create();
  std::shared_ptr<Main> main_ = Main::create();
};

inline const kx::Value kMissing = kx::Value::missing();
inline const std::string kShowMode = "ShowMode";

// Where a value's comparison with an expected number is worth a trace line.
inline std::string describe_value(const kx::Value& value) {
  switch (value.kind()) {
    case kx::Value::Kind::Number: return std::to_string(value.number());
    case kx::Value::Kind::Error: return "error " + std::to_string(value.error().number);
    case kx::Value::Kind::Text: return "text \"" + value.text() + "\"";
    case kx::Value::Kind::Empty: return "empty";
    default: return "another kind";
  }
}

}  // namespace riskfn
