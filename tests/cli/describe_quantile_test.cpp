// `kx describe` both ways: the quantile for a probability against scipy, probabilities precise
// enough to tell a small one from 0, names in English under another language, and the CDF plot.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

using testing::Outcome;
using testing::run_kx;

// The number after "x for P(X<=x) = P" in describe's output.
double quantile_in(const std::string& out) {
  const auto at = out.find("x for P(X<=x)");
  EXPECT_NE(at, std::string::npos) << out;
  std::istringstream line(out.substr(at + 16));
  double p = 0, x = 0;
  line >> p >> x;
  return x;
}

// tests/data/make_describe_quantiles.py
TEST(DescribeQuantile, AgreesWithAnIndependentComputation) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/describe_quantiles.csv");
  std::string line;
  std::getline(file, line);
  int compared = 0;
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    std::stringstream row(line);
    for (std::string field; std::getline(row, field, ',');) fields.push_back(field);
    SCOPED_TRACE(line);
    std::vector<std::string> arguments{"describe", fields[0]};
    std::istringstream parameters(fields[1]);
    for (std::string p; parameters >> p;) arguments.push_back(p);
    arguments.insert(arguments.end(), {"--p", fields[2]});
    const Outcome run = run_kx(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    const double expected = std::stod(fields[3]);
    EXPECT_NEAR(quantile_in(run.out), expected, 1e-8 * std::max(1.0, std::fabs(expected)));
    ++compared;
  }
  EXPECT_GE(compared, 15);
}

TEST(DescribeQuantile, SmallProbabilitiesAreNotZero) {
  const Outcome run = run_kx({"describe", "Normal", "100", "15", "--left", "50", "--right", "55"});
  ASSERT_EQ(run.status, 0) << run.err;
  // P(X <= 50) = 4.29e-4 and P(X <= 55) = 0.135% (scipy: norm.cdf(50, 100, 15), norm.cdf(55, 100, 15)).
  EXPECT_NE(run.out.find("4.291e-04"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("0.135%"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("-Infinite"), std::string::npos) << run.out;
}

TEST(DescribeQuantile, EnglishNamesUnderAnotherLanguageAndTheCumulativePlot) {
  const Outcome german = run_kx({"--lang", "GER", "describe", "triangular", "1", "2", "4"});
  EXPECT_EQ(german.status, 0) << german.err;
  EXPECT_NE(german.out.find("Verteilung    Triangular (1;2;4)"), std::string::npos) << german.out;
  const auto picture = std::filesystem::temp_directory_path() / fmt::format("kx_cdf_{}.png", getpid());
  const Outcome plot = run_kx({"describe", "Gamma", "2", "3", "--cdf", "--plot", picture.string()});
  EXPECT_EQ(plot.status, 0) << plot.err;
  EXPECT_GT(std::filesystem::file_size(picture), 1000U);
  std::filesystem::remove(picture);
}

}  // namespace
}  // namespace cli
