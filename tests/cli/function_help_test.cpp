// Help for every function: each entry names the parameters its function declares, in order, and
// its example evaluates without an error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/automation/interface.hpp"
#include "riskfn/analysis/analysis_help.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/sampling/sampling_help.hpp"
#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

using testing::Outcome;
using testing::run_kx;

std::vector<const kx::FunctionHelp*> entries() {
  std::vector<const kx::FunctionHelp*> all;
  for (const auto table : {riskfn::sampling::sampling_help(), riskfn::analysis::analysis_help()}) {
    for (const kx::FunctionHelp& help : table) all.push_back(&help);
  }
  return all;
}

const kx::Member* published(std::string_view name) {
  for (const kx::Interface* interface : riskfn::class_interfaces()) {
    if (const kx::Member* member = interface->find(name)) return member;
  }
  return nullptr;
}

TEST(FunctionHelp, EntriesNameTheDeclaredParametersInOrder) {
  for (const kx::FunctionHelp* help : entries()) {
    SCOPED_TRACE(std::string(help->name));
    const kx::Member* member = published(help->name);
    ASSERT_NE(member, nullptr);
    ASSERT_EQ(help->parameters.size(), member->parameters.size());
    for (std::size_t i = 0; i < member->parameters.size(); ++i) {
      EXPECT_EQ(help->parameters[i].name, member->parameters[i].name);
      EXPECT_FALSE(help->parameters[i].meaning.empty());
    }
  }
}

TEST(FunctionHelp, EveryExampleEvaluatesWithoutAnError) {
  std::vector<std::string> arguments{"eval", "--seed", "7"};
  for (const kx::FunctionHelp* help : entries()) arguments.emplace_back(help->example);
  const Outcome run = run_kx(arguments);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.find("#ERR"), std::string::npos) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(FunctionHelp, OneFunctionByNameInAnyCase) {
  const Outcome gamma = run_kx({"functions", "kxgamma"});
  ASSERT_EQ(gamma.status, 0) << gamma.err;
  for (const char* text : {"kxGAMMA(ByVal scaleP As Double", "the shape k", "the scale theta", "=kxGAMMA(4.8,2.1,,\"\")"})
    EXPECT_NE(gamma.out.find(text), std::string::npos) << text;
  const Outcome missing = run_kx({"eval", "kxNORMAL(100,15)"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("for example =kxNORMAL(100,15,,\"\")"), std::string::npos) << missing.err;
  EXPECT_EQ(run_kx({"functions", "nosuch"}).status, 1);
}

}  // namespace
}  // namespace cli
