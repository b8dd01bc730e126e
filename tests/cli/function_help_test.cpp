// Help for every function: each entry names the parameters its function declares, in order, and
// its example evaluates without an error.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/automation/interface.hpp"
#include "host/formula/function_table.hpp"
#include "host/worksheet/function_help.hpp"
#include "mktfn/frame/classes.hpp"
#include "mktfn/functions/function_help.hpp"
#include "riskfn/analysis/analysis_help.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/sampling/sampling_help.hpp"
#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

using testing::Outcome;
using testing::run_kx;

using Tables = std::vector<std::span<const kx::FunctionHelp>>;

// The tables of the components' functions; the spreadsheet's own functions have one of their own.
Tables component_tables() {
  return {riskfn::sampling::sampling_help(), riskfn::analysis::analysis_help(), mktfn::function_help()};
}

std::vector<const kx::FunctionHelp*> entries(const Tables& tables) {
  std::vector<const kx::FunctionHelp*> all;
  for (const auto table : tables) {
    for (const kx::FunctionHelp& help : table) all.push_back(&help);
  }
  return all;
}

const kx::Member* published(std::string_view name) {
  for (const auto& interfaces : {riskfn::class_interfaces(), mktfn::class_interfaces()}) {
    for (const kx::Interface* interface : interfaces) {
      if (const kx::Member* member = interface->find(name)) return member;
    }
  }
  return nullptr;
}

// An error value among kx eval's results, which print error values as the spreadsheet shows them.
bool shows_an_error(const std::string& out) {
  for (const char* error :
       {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A", "#ERR", "#SPILL!", "#CALC!"}) {
    if (out.find(error) != std::string::npos) return true;
  }
  return false;
}

// The parameter names of a worksheet function as the function table lists them: "[basis]" is
// "basis", and "..." stands for the repeated tail.
std::vector<std::string> listed_parameters(std::string_view listed) {
  std::vector<std::string> names;
  while (!listed.empty()) {
    const std::size_t comma = listed.find(", ");
    std::string_view name = listed.substr(0, comma);
    if (name.starts_with('[') && name.ends_with(']')) name = name.substr(1, name.size() - 2);
    names.emplace_back(name);
    listed = comma == std::string_view::npos ? std::string_view() : listed.substr(comma + 2);
  }
  return names;
}

TEST(FunctionHelp, ListedParametersDropTheBrackets) {
  const std::vector<std::string> expected{"expression", "value1", "result1", "...", "default"};
  EXPECT_EQ(listed_parameters("expression, value1, result1, ..., [default]"), expected);
  EXPECT_TRUE(listed_parameters("").empty());
}

TEST(FunctionHelp, EntriesNameTheDeclaredParametersInOrder) {
  for (const kx::FunctionHelp* help : entries(component_tables())) {
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
  // The examples that read cells read them from one bundled workbook, loaded for all of them.
  std::vector<std::string> arguments{"eval", "--seed", "7", "--sheet",
                                     std::string(KX_SOURCE_DIR) + "/" + std::string(mktfn::kExampleSheet)};
  Tables tables = component_tables();
  tables.push_back(host::worksheet::function_help());
  for (const kx::FunctionHelp* help : entries(tables)) {
    if (!help->example_sheet.empty()) {
      EXPECT_EQ(help->example_sheet, mktfn::kExampleSheet) << help->name;
    }
    arguments.emplace_back(help->example);
  }
  const Outcome run = run_kx(arguments);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(shows_an_error(run.out)) << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(FunctionHelp, WorksheetEntriesNameTheListedParametersInOrder) {
  const host::FunctionTable table;
  for (const kx::FunctionHelp& help : host::worksheet::function_help()) {
    SCOPED_TRACE(std::string(help.name));
    const host::Function* function = table.find(help.name);
    ASSERT_NE(function, nullptr);
    ASSERT_NE(function->kind, host::Function::Kind::Member);
    const std::vector<std::string> names = listed_parameters(function->parameters);
    ASSERT_EQ(help.parameters.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
      EXPECT_EQ(help.parameters[i].name, names[i]);
      EXPECT_FALSE(help.parameters[i].meaning.empty());
    }
    EXPECT_FALSE(help.summary.empty());
  }
}

TEST(FunctionHelp, EveryWorksheetFunctionHasAnEntry) {
  const host::FunctionTable table;
  for (const host::Function* function : table.spreadsheet_functions()) {
    EXPECT_NE(kx::find_help(host::worksheet::function_help(), function->name), nullptr) << function->name;
  }
}

TEST(FunctionHelp, EveryMarketingFunctionHasAnEntry) {
  for (const kx::Interface* interface : mktfn::class_interfaces()) {
    if (interface->class_name() != "Main") continue;
    for (const kx::Member& member : interface->members()) {
      if (member.kind != kx::MemberKind::Method || member.name == "Initialize") continue;
      EXPECT_NE(kx::find_help(mktfn::function_help(), member.name), nullptr) << member.name;
    }
  }
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

TEST(FunctionHelp, AWorksheetFunctionByName) {
  const Outcome lookup = run_kx({"functions", "xlookup"});
  ASSERT_EQ(lookup.status, 0) << lookup.err;
  for (const char* text : {"XLOOKUP(lookup_value, lookup_array, return_array, [if_not_found]", "the value to look for",
                           "if_not_found", "=XLOOKUP(\"b\",{\"a\",\"b\",\"c\"},{10,20,30},\"none\")"})
    EXPECT_NE(lookup.out.find(text), std::string::npos) << text;
  const Outcome value = run_kx({"eval", "XLOOKUP(\"b\",{\"a\",\"b\",\"c\"},{10,20,30},\"none\")"});
  EXPECT_EQ(value.out, "20\n") << value.err;
}

TEST(FunctionHelp, AnExampleOnCellsNamesItsWorkbook) {
  const Outcome average = run_kx({"functions", "kxDBAVG"});
  ASSERT_EQ(average.status, 0) << average.err;
  for (const char* text : {"kxDBAVG(ByRef Label1 As Variant", "the number of the first key column",
                           "on the cells of examples/function_examples.csv", "=kxDBAVG(\"North\",1,\"B\",2,3,D2:F7)"})
    EXPECT_NE(average.out.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace cli
