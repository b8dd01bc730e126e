// Correlation matrices fed to kxCORREL are checked before `kx simulate` runs; --fix-correlations
// runs the nearest valid one, compared here with the one numpy gives (tests/data).
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <Eigen/Cholesky>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;
using testing::model_file;

// A model of k correlated normal inputs: the matrix in the top k rows, kxCORREL spilling over
// the next row, the inputs below it and their sum as the output.
std::string model_with(const std::vector<std::vector<double>>& matrix) {
  const std::size_t k = matrix.size();
  std::string csv;
  for (const auto& row : matrix) {
    for (std::size_t c = 0; c < k; ++c) csv += fmt::format("{}{}", c ? "," : "", row[c]);
    csv += "\n";
  }
  const std::string last = fmt::format("{}{}", static_cast<char>('A' + k - 1), k);
  csv += fmt::format("\"=kxCORREL(A1:{})\"\n", last);
  for (std::size_t c = 0; c < k; ++c) {
    const char column = static_cast<char>('A' + c);
    csv += fmt::format("{}\"=kxNORMAL(0,1,{}{},\"\"\"\")\"", c ? "," : "", column, k + 1);
  }
  csv += fmt::format("\n\"=SUM(A{0}:{1}{0})+kxOUTPUT()\"\n", k + 2, static_cast<char>('A' + k - 1));
  return csv;
}

TEST(SimulateCorrelations, InvalidMatrixStopsTheRunNamingItsRange) {
  struct Case {
    const char* label;
    std::vector<std::vector<double>> matrix;
    const char* message;
  };
  const Case cases[] = {
      {"not positive semi-definite",
       {{1, 0.9, 0.7}, {0.9, 1, -0.4}, {0.7, -0.4, 1}},
       "!A1:C3: not positive semi-definite: its smallest eigenvalue is -0.353636"},
      {"not symmetric", {{1, 0.5, 0}, {0.4, 1, 0}, {0, 0, 1}}, "!A1:C3: not symmetric: B1 is 0.5, A2 is 0.4"},
      {"diagonal", {{1, 0.5}, {0.5, 0.9}}, "!A1:B2: its diagonal must hold 1, and B2 is 0.9"},
      {"beyond one", {{1, 1.2, 0}, {1.2, 1, 0}, {0, 0, 1}}, "a correlation must lie from -1 to 1, and B1 is 1.2"},
      {"one correlation beyond one", {{-1.5}}, "!A1:A1: a correlation must lie from -1 to 1, and A1 is -1.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path model = model_file("invalid.csv", model_with(c.matrix));
    const Outcome run = run_kx({"simulate", model.string(), "-n", "100"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("--fix-correlations"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
    fs::remove(model);
  }
}

TEST(SimulateCorrelations, FixGivesTheNearestCorrelationMatrix) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/nearest_correlation.json");
  const auto cases = nlohmann::json::parse(file);
  ASSERT_FALSE(cases.empty());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const auto matrix = cases[i]["matrix"].get<std::vector<std::vector<double>>>();
    const auto nearest = cases[i]["nearest"].get<std::vector<std::vector<double>>>();
    const fs::path model = model_file("fix.csv", model_with(matrix));
    const Outcome run = run_kx({"simulate", model.string(), "-n", "2000", "--seed", "3", "--json", "--fix-correlations"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report["fixed_correlations"].size(), 1U);
    const auto& fixed = report["fixed_correlations"][0];
    const auto used = fixed["used"].get<std::vector<std::vector<double>>>();
    const std::size_t k = matrix.size();
    Eigen::MatrixXd m(k, k);
    double largest = 0;
    for (std::size_t r = 0; r < k; ++r) {
      for (std::size_t c = 0; c < k; ++c) {
        EXPECT_NEAR(used[r][c], nearest[r][c], 1e-6) << r << "," << c;
        m(static_cast<Eigen::Index>(r), static_cast<Eigen::Index>(c)) = used[r][c];
        largest = std::max(largest, std::abs(used[r][c] - matrix[r][c]));
      }
    }
    EXPECT_TRUE(Eigen::LDLT<Eigen::MatrixXd>(m).isPositive());  // positive semidefinite
    EXPECT_DOUBLE_EQ(fixed["largest_change"].get<double>(), largest);
    // The inputs take the repaired correlations: the first pair's rank correlation follows its
    // normal one, 6/pi asin(r/2).
    const double expected = 6 / M_PI * std::asin(nearest[0][1] * 0.999999 / 2);
    EXPECT_NEAR(report["input_correlations"][0][1].get<double>(), expected, 0.06);
    fs::remove(model);
  }
}

TEST(SimulateCorrelations, ValidMatricesRunAsTheyAre) {
  // The bundled model's matrix is valid: nothing is fixed, and the flag changes nothing.
  const Outcome plain = run_kx({"simulate", "-n", "300", "--seed", "2", "--json"});
  const Outcome fixing = run_kx({"simulate", "-n", "300", "--seed", "2", "--json", "--fix-correlations"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out, fixing.out);
  const auto report = nlohmann::json::parse(plain.out);
  EXPECT_TRUE(report["fixed_correlations"].empty());
  // The report sets the correlations asked for beside those the run achieved.
  struct Pair {
    const char* first;
    const char* second;
    double asked;
  };
  const Pair pairs[] = {{"Market share", "Unit price", -0.6}, {"Market share", "Unit cost", 0}, {"Unit price", "Unit cost", 0.5}};
  ASSERT_EQ(report["asked_correlations"].size(), std::size(pairs));
  for (std::size_t i = 0; i < std::size(pairs); ++i) {
    SCOPED_TRACE(pairs[i].first);
    const auto& shown = report["asked_correlations"][i];
    EXPECT_EQ(shown["inputs"], nlohmann::json::array({pairs[i].first, pairs[i].second}));
    EXPECT_EQ(shown["asked"].get<double>(), pairs[i].asked);
    EXPECT_NEAR(shown["achieved"].get<double>(), pairs[i].asked, 0.15);  // 300 iterations
  }
}

}  // namespace
}  // namespace cli
