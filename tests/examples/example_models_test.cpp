// The example models in examples/, read and computed by the host, against the values LibreOffice
// computed for every formula cell of the same files (tests/data/make_example_models.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "host/document/address.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/files/workbook_files.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {
namespace {

struct ReferenceCell {
  std::string file;
  std::string sheet;
  std::string cell;
  std::string formula;
  std::string expected;  // a number, "text" in quotes, TRUE/FALSE or an error's name
};

std::vector<ReferenceCell> reference_cells() {
  std::ifstream in(std::string(KX_TEST_DATA_DIR) + "/example_models.tsv");
  std::vector<ReferenceCell> cells;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() == 5) cells.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
  }
  return cells;
}

// A workbook opened alone in a host and computed, as `kx eval` computes it.
struct ComputedModel {
  explicit ComputedModel(const std::string& file)
      : application(Spreadsheet::create()), book(load_workbook(std::string(KX_SOURCE_DIR) + "/examples/" + file)) {
    application->add_book(book);
    engine = std::make_unique<FormulaEngine>(application);
    engine->load();
    engine->recalculate();
  }
  std::shared_ptr<Spreadsheet> application;
  std::shared_ptr<Book> book;
  std::unique_ptr<FormulaEngine> engine;
};

void expect_like_reference(const kx::Value& computed, const std::string& expected) {
  // LibreOffice writes 15 significant digits; the models' rates and fits settle well within this.
  constexpr double kRelativeTolerance = 1e-9;
  if (expected.size() >= 2 && expected.front() == '"') {
    ASSERT_TRUE(computed.is_text()) << kx::display_text(computed);
    EXPECT_EQ(computed.text(), expected.substr(1, expected.size() - 2));
  } else if (expected == "TRUE" || expected == "FALSE") {
    EXPECT_EQ(computed, kx::Value(expected == "TRUE")) << kx::display_text(computed);
  } else if (expected.front() == '#') {
    ASSERT_TRUE(computed.is_error()) << kx::display_text(computed);
    EXPECT_EQ(kx::display_text(computed), expected);
  } else {
    ASSERT_TRUE(computed.is_number()) << kx::display_text(computed);
    const double number = std::stod(expected);
    EXPECT_NEAR(computed.number(), number, kRelativeTolerance * std::max(1.0, std::fabs(number)));
  }
}

TEST(ExampleModels, EvaluateCellForCellLikeTheReferenceSpreadsheet) {
  const auto cells = reference_cells();
  ASSERT_GE(cells.size(), 400u);
  std::map<std::string, std::unique_ptr<ComputedModel>> models;
  for (const ReferenceCell& reference : cells) {
    SCOPED_TRACE(reference.file + " " + reference.sheet + "!" + reference.cell + " =" + reference.formula);
    auto& model = models[reference.file];
    if (!model) {
      model = std::make_unique<ComputedModel>(reference.file);
      for (const auto& problem : model->engine->problems()) {
        ADD_FAILURE() << problem.cell << ": " << problem.problem.message;
      }
      EXPECT_TRUE(model->engine->cycles().empty());
    }
    const auto sheet = model->book->find_sheet(reference.sheet);
    ASSERT_NE(sheet, nullptr);
    const auto area = parse_address(reference.cell);
    ASSERT_TRUE(area);
    expect_like_reference(sheet->value(area->top, area->left), reference.expected);
  }
  EXPECT_EQ(models.size(), 3u);
}

}  // namespace
}  // namespace host
