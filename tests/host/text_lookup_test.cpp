// Multilingual texts of both components through the add-in workbook built into the host.
#include "common/text_lookup.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "common/automation/dispatch.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/document/spreadsheet.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/tools.hpp"

namespace host {
namespace {

using kx::Value;

class TextLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    addin = open_addin_workbook(*application);
    main->set_application(Value(kx::ObjectRef(application)));
    main->set_this_workbook(Value(kx::ObjectRef(addin)));
    main->Initialize();
  }

  std::string risk_text(std::int16_t tool, std::int32_t row) {
    std::vector<Value> arguments = {Value(tool), Value(row)};
    return kx::to_text(kx::call_by_name(*main->tools(), "GetMLText", arguments));
  }
  std::string marketing_text(std::int16_t tool, std::int32_t row) {
    return kx::lookup_text(kx::TextTables::Marketing, Value(kx::ObjectRef(application)), Value(), tool, row);
  }
  Value cell(const char* sheet, std::int32_t row, std::int32_t column) {
    return addin->sheet(sheet)->value(row, column);
  }

  std::shared_ptr<Spreadsheet> application = Spreadsheet::create();
  std::shared_ptr<Book> addin;
  std::shared_ptr<riskfn::Main> main = riskfn::Main::create();
};

TEST_F(TextLookupTest, ChoosesTheColumnByTheExactLanguageCode) {
  const std::pair<const char*, std::int32_t> cases[] = {
      {"GBR", 2}, {"ITA", 3}, {"ESP", 4}, {"FRA", 5}, {"GER", 6}, {"fra", 2}, {"", 2}, {"XYZ", 2},
  };
  for (const auto& [code, column] : cases) {
    SCOPED_TRACE(code);
    set_addin_language(*application, code);
    EXPECT_EQ(risk_text(0, 5), kx::to_text(cell("mlRisk", 6, column)));
    EXPECT_EQ(risk_text(1, 2), kx::to_text(cell("mlLearn", 3, column)));
    EXPECT_EQ(marketing_text(0, 5), kx::to_text(cell("mlFunctions", 5, column)));
  }
}

TEST_F(TextLookupTest, ToolsWithoutATableGiveTheEmptyText) {
  EXPECT_EQ(risk_text(2, 1), "");
  EXPECT_EQ(risk_text(-1, 1), "");
  EXPECT_EQ(marketing_text(1, 1), "");
}

TEST_F(TextLookupTest, EveryRowTheComponentsUseHasATextInEveryLanguage) {
  std::vector<std::int32_t> rows = {32, 33, 41, 42, 51, 52, 53};
  for (std::int32_t row = 252; row <= 289; ++row) rows.push_back(row);
  for (std::int32_t row = 321; row <= 434; ++row) rows.push_back(row);
  for (const std::string_view code : kLanguageCodes) {
    set_addin_language(*application, code);
    for (std::int32_t row : rows) {
      SCOPED_TRACE(std::string(code) + " row " + std::to_string(row));
      EXPECT_FALSE(risk_text(0, row).empty());
    }
  }
  set_addin_language(*application, "GBR");
  EXPECT_EQ(risk_text(0, 252 + 25), "Normal");
  EXPECT_EQ(risk_text(0, 252 + 1), "Beta");
}

TEST_F(TextLookupTest, NumbersBecomeTextAndFailuresPassThrough) {
  addin->sheet("mlRisk")->set_value(1000, 2, Value(12.0));
  EXPECT_EQ(risk_text(0, 999), "12");
  EXPECT_EQ(risk_text(0, 5000), "");  // an empty cell

  addin->sheet("mlRisk")->set_value(1001, 2, Value(kx::ErrorValue{kx::error::kXlNA}));
  const std::pair<std::int32_t, std::int32_t> failing[] = {
      {1000, kx::error::kTypeMismatch},  // an error value cannot become a text
      {2147483647, kx::error::kOverflow},
      {-5, kx::error::kHostFailure},
  };
  for (const auto& [row, number] : failing) {
    SCOPED_TRACE(row);
    try {
      risk_text(0, row);
      FAIL() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), number);
    }
  }
}

TEST_F(TextLookupTest, AMissingAddinWorkbookFailsTheCall) {
  auto bare = Spreadsheet::create();
  main->tools()->set_application(Value(kx::ObjectRef(bare)));
  EXPECT_THROW(risk_text(0, 5), kx::Failure);
}

}  // namespace
}  // namespace host
