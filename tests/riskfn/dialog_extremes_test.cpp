// The dialog at parameters near the ends of what it accepts, against mpmath's values
// (tests/data/make_dialog_extremes.py): shapes near 1E308, a thousand million million trials, a
// batch of billions.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/riskfn/dialog_fixture.hpp"

namespace riskfn {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  std::stringstream stream(text);
  std::string field;
  while (std::getline(stream, field, separator)) fields.push_back(field);
  return fields;
}

double shown_number(const std::string& text) {
  const bool percent = !text.empty() && text.back() == '%';
  const auto number = kx::parse_number(percent ? text.substr(0, text.size() - 1) : text);
  EXPECT_TRUE(number.has_value()) << text;
  return number.value_or(0.0) / (percent ? 100 : 1);
}

TEST_F(DialogTest, ExtremeParametersGiveTheTrueStatistics) {
  const std::map<std::string, int> statistics_rows = {{"mean", 4}, {"mode", 5}, {"median", 6}};
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/dialog_extremes.csv");
  std::string line;
  std::getline(file, line);
  int compared = 0;
  while (std::getline(file, line)) {
    const auto fields = split(line, ',');
    SCOPED_TRACE(fields[1] + " (" + fields[2] + ") " + fields[3]);
    fill(std::stoi(fields[0]), split(fields[2], ' '));
    const double expected = std::stod(fields[4]);
    if (const auto row = statistics_rows.find(fields[3]); row != statistics_rows.end()) {
      // Four decimals shown.
      EXPECT_NEAR(shown_number(dialog_.statistic(row->second)), expected, 0.5e-4 + 1e-15 * expected)
          << dialog_.statistic(row->second);
    } else {
      // P(X <= x) with the right marker at x, to the tenth of a percent shown.
      dialog_.place_markers();
      dialog_.move_markers(dialog_.left_x(), std::stod(fields[3]));
      dialog_.change_stats();
      EXPECT_NEAR(shown_number(dialog_.statistic(14)), expected, 0.0005 + 1e-9) << dialog_.statistic(14);
    }
    ++compared;
  }
  EXPECT_EQ(compared, 9);
}

}  // namespace
}  // namespace riskfn
