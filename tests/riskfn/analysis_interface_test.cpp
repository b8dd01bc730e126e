// The analysis functions as Main publishes them: after utRoundDLL and before the sampling
// functions, with their declared parameters.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/automation/interface.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

TEST(AnalysisInterface, PublishedBetweenRoundingAndSampling) {
  const auto main = Main::create();
  const auto& members = main->automation_interface()->members();
  const auto rounding =
      std::find_if(members.begin(), members.end(), [](const kx::Member& m) { return m.name == "utRoundDLL"; });
  ASSERT_NE(rounding, members.end());
  const char* kDeclarations[] = {
      "kxHISTO(ByRef InputRng As Variant, Optional ByRef Classes As Variant, Optional ByRef pointerHisto As "
      "Variant) As Variant",
      "kxOPTNUM(ByRef InputRange As Variant, Optional ByRef StablePeriods As Variant, Optional ByRef "
      "SelectionLimit As Variant) As Variant",
      "kxWEIBULLEST(ByRef P1 As Variant, ByRef P2 As Variant, Optional ByRef OnlyOneValue As Integer = 0) As "
      "Variant",
      "kxCORREL(ByRef correlArray As Variant) As Variant",
  };
  auto member = rounding + 1;
  for (const char* declaration : kDeclarations) {
    ASSERT_NE(member, members.end());
    EXPECT_EQ(kx::describe(*member), declaration);
    ++member;
  }
  ASSERT_NE(member, members.end());
  EXPECT_EQ(member->name, "kxBETA");
}

}  // namespace
}  // namespace riskfn
