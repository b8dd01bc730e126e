// The dialog's statistics column and interval rows against SciPy's values
// (tests/data/make_dialog_statistics.py).
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/riskfn/dialog_fixture.hpp"

namespace riskfn {
namespace {

std::vector<std::vector<std::string>> read_csv(const std::string& name) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/" + name);
  EXPECT_TRUE(file.is_open()) << name;
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, ',')) fields.push_back(field);
    rows.push_back(fields);
  }
  return rows;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> result;
  std::stringstream stream(text);
  std::string word;
  while (stream >> word) result.push_back(word);
  return result;
}

double number(const std::string& text) { return kx::parse_number(text).value_or(NAN); }

// The rows show four decimals (or one of a percentage): the reference must round to what is shown.
constexpr double kShownDecimals = 0.5e-4 + 1e-9;
constexpr double kShownPercent = 0.05 + 1e-6;

TEST_F(DialogTest, StatisticsAgreeWithTheReferenceToTheDecimalsShown) {
  struct Row {
    int column;
    int statistics_row;
    const char* name;
  };
  const Row rows[] = {{3, 4, "mean"},     {4, 8, "variance"},  {5, 7, "deviation"},
                      {6, 9, "skewness"}, {7, 10, "kurtosis"}, {8, 6, "median"}};
  const auto cases = read_csv("dialog_statistics.csv");
  ASSERT_EQ(cases.size(), 52u);
  for (const auto& reference : cases) {
    SCOPED_TRACE(reference[1] + " (" + reference[2] + ")");
    fill(std::stoi(reference[0]), words(reference[2]));
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      const double expected = number(reference[static_cast<std::size_t>(row.column)]);
      EXPECT_NEAR(number(dialog_.statistic(row.statistics_row)), expected, kShownDecimals + 1e-12 * std::fabs(expected))
          << dialog_.statistic(row.statistics_row);
    }
  }
}

TEST_F(DialogTest, IntervalProbabilitiesAreTheTrueCumulativeProbabilities) {
  const auto cases = read_csv("dialog_intervals.csv");
  ASSERT_GT(cases.size(), 70u);
  for (const auto& reference : cases) {
    SCOPED_TRACE(reference[1] + " (" + reference[2] + ") at " + reference[3]);
    fill(std::stoi(reference[0]), words(reference[2]));
    dialog_.place_markers();
    // The right marker sits at x, the left one at the chart's start: P(X <= x) shows in row 14.
    dialog_.move_markers(dialog_.left_x(), number(reference[3]));
    EXPECT_EQ(dialog_.change_stats(), 11);
    const std::string shown = dialog_.statistic(14);
    ASSERT_FALSE(shown.empty());
    EXPECT_NEAR(number(shown.substr(0, shown.size() - 1)), 100 * number(reference[4]), kShownPercent) << shown;
  }
}

}  // namespace
}  // namespace riskfn
