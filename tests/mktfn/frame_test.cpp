// The marketing component's frame: its published interface, the start-up wiring, the text
// lookup, the error value built from xlErrValue, and the argument conventions.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/session/session.hpp"
#include "mktfn/frame/classes.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/frame/tools.hpp"

namespace mktfn {
namespace {

using kx::Value;

std::vector<std::string> method_names(const kx::Interface& interface) {
  std::vector<std::string> names;
  for (const kx::Member& member : interface.members()) {
    if (member.kind == kx::MemberKind::Method && member.name != "Initialize") names.push_back(member.name);
  }
  return names;
}

TEST(MarketingFrame, PublishesTheSixtyEightFunctionsInInterfaceOrder) {
  const kx::Interface& interface = *Main::create()->automation_interface();
  const std::vector<std::string> expected = {
      "STANDBYkxBASS", "STANDBYkxBASSest",
      "OLDkxBASS",     "kxBDI",
      "kxBEI",         "kxBEP",
      "kxBEPR",        "kxBUYRATE",
      "kxCAGR",        "kxCDI",
      "kxCHIp",        "kxCODING",
      "kxCSII",        "kxCSIW",
      "kxDBAVG",       "kxDBCOUNT",
      "kxDBSUM",       "kxDHMS",
      "kxEI",          "kxEXPECT",
      "kxMSE",         "kxMAD",
      "kxRMSE",        "kxDW",
      "kxU",           "kxMAPE",
      "kxME",          "kxGROWTH",
      "kxGROWTHBACK",  "kxGRP",
      "kxHERF",        "kxLASP",
      "kxPAASCHEP",    "kxEDGEP",
      "kxFISHERP",     "kxLASQ",
      "kxPAASCHEQ",    "kxEDGEQ",
      "kxFISHERQ",     "kxINTERPOLE",
      "kxLEARN",       "kxMD1",
      "kxMG1",         "kxMMS",
      "kxMMSP",        "doArr",
      "kxMMSQ",        "kxMOI",
      "kxMSAR",        "kxPERFCV",
      "kxPERFO",       "kxPERFR",
      "kxPERTSD",      "kxPERTVAR",
      "kxPERTT",       "kxPREMIUM",
      "kxPRESS",       "kxRANGE",
      "kxRANK",        "kxREBUY",
      "kxREBUYS",      "kxRELATIVE",
      "kxSAMPLE",      "kxSAMPLEMIN",
      "kxSEASON",      "kxSHARE",
      "kxSIGNIF",      "kxVARc",
  };
  EXPECT_EQ(method_names(interface), expected);

  std::vector<std::string> variables;
  for (const kx::Member& member : interface.members()) {
    if (member.kind == kx::MemberKind::Property) variables.push_back(member.name);
  }
  EXPECT_EQ(variables,
            (std::vector<std::string>{"Application", "ThisWorkbook", "Tools", "P0", "Pw", "Pb", "xlErrValue"}));
}

TEST(MarketingFrame, DeclaresTypesPassingAndDefaults) {
  const struct {
    const char* name;
    const char* signature;
  } cases[] = {
      {"kxBEI",
       "kxBEI(ByVal Market_Share As Double, ByVal Average_Market_Price As Double, ByVal Brand_Price As Double, ByVal "
       "Loyalty_Index As Double, Optional ByVal Brand_Profit As Double = 0) As Double"},
      {"kxBEPR",
       "kxBEPR(ByRef Price As Variant, ByVal Variable_Cost As Double, ByVal Fix_Cost As Double, ByVal Commission As "
       "Single, Optional ByRef Do_Value As Boolean = False) As Double"},
      {"kxMMS",
       "kxMMS(ByRef Arrival_Rate As Integer, ByRef Service_Rate As Integer, ByRef Number_Servers As Integer, Optional "
       "ByRef Labels As Byte = 0, Optional ByRef Show_Time As Boolean = False, Optional ByRef Chart_Boundary As "
       "Variant, Optional ByRef Chart_Data As Boolean = False) As Variant"},
      {"kxU", "kxU(ByVal Actual_Data As Variant, ByVal Forecast_Data As Variant) As Double"},
      {"kxME", "kxME(ByVal Actual_Data As Variant, Optional ByRef Forecast_Data As Variant) As Double"},
      {"STANDBYkxBASSest", "STANDBYkxBASSest(ByRef Sales As Object) As Variant"},
      {"doArr",
       "doArr(ByRef iType As Variant, ByRef v1 As Variant, ByRef v2 As Variant, ByRef v3 As Variant, Optional ByRef v4 "
       "As Variant, Optional ByRef v5 As Variant) As Variant"},
  };
  const kx::Interface& interface = *Main::create()->automation_interface();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(interface.find(c.name), nullptr);
    EXPECT_EQ(kx::describe(*interface.find(c.name)), c.signature);
  }
}

TEST(MarketingFrame, InitializeWiresToolsAndASecondCallReplacesIt) {
  auto main = Main::create();
  kx::set_property(*main, "Application", Value("host application"));
  kx::set_property(*main, "ThisWorkbook", Value("add-in workbook"));
  std::vector<Value> none;
  kx::call_by_name(*main, "Initialize", none);

  const Value tools = kx::get_property(*main, "Tools");
  ASSERT_TRUE(tools.is_object());
  EXPECT_EQ(kx::get_property(*tools.object(), "Root"), Value(kx::ObjectRef(main)));
  EXPECT_EQ(kx::get_property(*tools.object(), "Application"), Value("host application"));
  EXPECT_EQ(kx::get_property(*tools.object(), "ThisWorkbook"), Value("add-in workbook"));

  kx::call_by_name(*main, "Initialize", none);
  EXPECT_NE(kx::get_property(*main, "Tools"), tools);
  EXPECT_THROW(kx::set_property(*main, "Tools", Value(kx::ObjectRef(main))), kx::Failure);
}

TEST(MarketingFrame, DroppingMainFreesTools) {
  std::weak_ptr<Tools> weak_tools;
  {
    auto main = Main::create();
    main->Initialize();
    weak_tools = main->tools();
  }
  EXPECT_TRUE(weak_tools.expired());
}

TEST(MarketingFrame, ErrorValuesCarryTheNumberOfXlErrValue) {
  auto main = Main::create();
  EXPECT_EQ(main->value_error(), Value(kx::ErrorValue{0}));  // never set by the add-in
  main->xlErrValue = 2015.0;
  EXPECT_EQ(main->value_error(), Value(kx::ErrorValue{2015}));
  EXPECT_EQ(trapped(*main, []() -> Value { throw kx::Failure(kx::error::kDivisionByZero); }),
            Value(kx::ErrorValue{2015}));
}

TEST(MarketingFrame, GetMLTextReadsTheFunctionSheetAtTheRowItself) {
  auto application = host::Spreadsheet::create();
  auto addin = host::open_addin_workbook(*application, "FRA");
  auto main = Main::create();
  main->set_application(Value(kx::ObjectRef(application)));
  main->Initialize();
  const struct {
    std::int16_t tool;
    std::int32_t row;
    Value expected;
  } cases[] = {
      {0, 5, Value(kx::to_text(addin->sheet("mlFunctions")->value(5, 5)))},
      {1, 1, Value("")},
      {-1, 5, Value("")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool);
    std::vector<Value> arguments = {Value(c.tool), Value(c.row)};
    EXPECT_EQ(kx::call_by_name(*main->tools(), "GetMLText", arguments), c.expected);
  }
  EXPECT_NE(addin->sheet("mlFunctions")->value(5, 5), Value());  // a real text, not an empty cell
}

TEST(MarketingFrame, SizesExistOnlyOnRanges) {
  auto application = host::Spreadsheet::create();
  auto sheet = application->add_book("Book1")->add_sheet("Sheet1");
  sheet->set_value(2, 1, 7.0);
  const Value range(sheet->range("A1:C4"));
  EXPECT_EQ(rows_count(range), 4);
  EXPECT_EQ(columns_count(range), 3);
  EXPECT_EQ(cells_count(range), 12);
  EXPECT_EQ(element(range, 4), Value(7.0));  // the fourth cell, row by row
  EXPECT_EQ(cell(range, 2, 1), Value(7.0));

  const Value array(kx::Array::vector({Value(1.0), Value(2.0)}, 1));
  EXPECT_EQ(element(array, 2), Value(2.0));
  const struct {
    const char* label;
    std::function<void()> call;
    std::int32_t number;
  } failures[] = {
      {"rows of an array", [&] { rows_count(array); }, kx::error::kObjectRequired},
      {"count of a number", [&] { cells_count(Value(3.0)); }, kx::error::kObjectRequired},
      {"element past the bounds", [&] { element(array, 3); }, kx::error::kSubscriptOutOfRange},
      {"element of a number", [&] { element(Value(3.0), 1); }, kx::error::kTypeMismatch},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.label);
    try {
      f.call();
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), f.number);
    }
  }
}

TEST(MarketingFrame, ASessionMakesItsFunctionsFormulaFunctions) {
  host::Session session({create_object("Main")});
  session.open_blank();
  const auto evaluation = session.engine().evaluate("kxLASP(1,2,3)");
  EXPECT_FALSE(evaluation.failure.has_value());
  EXPECT_EQ(evaluation.value, Value(200.0));
}

}  // namespace
}  // namespace mktfn
