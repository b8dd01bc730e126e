// The distribution dialog stand-in with riskfn started as the add-in starts it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/dialog/distribution_dialog.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"

namespace riskfn {

class DialogTest : public ::testing::Test {
 protected:
  // Selects the distribution and types each parameter in turn, as a user fills the boxes.
  void fill(int code, const std::vector<std::string>& parameters) {
    dialog_.select(code, parameters);
    for (std::size_t i = 0; i < parameters.size(); ++i)
      last_result_ = dialog_.type_parameter(static_cast<int>(i) + 1, parameters[i]);
  }

  int beeps() { return session_.application().beep_count(); }

  kx::ObjectRef main_ = riskfn::create_object("Main");
  host::Session session_{{main_}};
  host::DistributionDialog dialog_{session_.application_ref(), main_};
  std::int16_t last_result_ = 0;
};

}  // namespace riskfn
