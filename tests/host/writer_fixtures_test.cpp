// Workbooks written by the programs analysts use (openpyxl, pandas, XlsxWriter, LibreOffice,
// Gnumeric) read and compute as their script says they must, cell for cell.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"

namespace host {
namespace {

using kx::Value;

const std::string kWriters = std::string(KX_TEST_DATA_DIR) + "/writers";

Value expected_value(const nlohmann::json& typed) {
  const std::string kind = typed["kind"];
  if (kind == "number") return typed["value"].get<double>();
  if (kind == "boolean") return typed["value"].get<bool>();
  if (kind == "error") return kx::ErrorValue{typed["value"].get<std::int32_t>()};
  return typed["value"].get<std::string>();
}

TEST(WriterFixtures, EveryCellIsWhatTheWriterWrote) {
  std::ifstream in(kWriters + "/writers_expected.json");
  ASSERT_TRUE(in);
  const auto fixtures = nlohmann::json::parse(in);
  ASSERT_EQ(fixtures.size(), 7u);
  for (const auto& [file, fixture] : fixtures.items()) {
    SCOPED_TRACE(file);
    const auto book = load_workbook(kWriters + "/" + file);
    EXPECT_TRUE(book->read_warnings().empty()) << book->read_warnings().front();
    ASSERT_EQ(book->sheets().size(), fixture["sheets"].size());
    for (std::size_t i = 0; i < book->sheets().size(); ++i) {
      EXPECT_EQ(book->sheets()[i]->name(), fixture["sheets"][i]["name"].get<std::string>());
      EXPECT_EQ(book->sheets()[i]->hidden(), fixture["sheets"][i]["hidden"].get<bool>()) << book->sheets()[i]->name();
    }
    // With the risk component, whose model markers and sampling function the model calls.
    Session session({riskfn::create_object("Main")});
    session.open(book);
    FormulaEngine& engine = session.engine();
    engine.recalculate();
    EXPECT_TRUE(engine.problems().empty()) << engine.problems().front().problem.message;
    std::set<std::string> listed;
    for (const auto& cell : fixture["cells"]) {
      const std::string place = cell["sheet"].get<std::string>() + "!" + cell["cell"].get<std::string>();
      SCOPED_TRACE(place);
      listed.insert(place);
      const auto area = parse_address(cell["cell"].get<std::string>());
      ASSERT_TRUE(area);
      const Value& actual = book->sheet(cell["sheet"].get<std::string>())->value(area->top, area->left);
      const Value expected = expected_value(cell["value"]);
      if (expected.is_number() && actual.is_number()) {
        EXPECT_NEAR(actual.number(), expected.number(), 1e-12 * std::fabs(expected.number()));
      } else {
        EXPECT_EQ(actual, expected) << kx::display_text(actual);
      }
    }
    // Nothing more than the writer wrote.
    for (const auto& sheet : book->sheets()) {
      sheet->for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
        const std::string place = sheet->name() + "!" + column_letters(column) + std::to_string(row);
        if (!cell.value.is_empty()) {
          EXPECT_TRUE(listed.contains(place)) << place;
        }
      });
    }
  }
}

}  // namespace
}  // namespace host
