// p-values and standard errors of maximum-likelihood fits against scipy
// (tests/data/make_fit_goodness.py), through kx fit --json.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "riskfn/fitting/goodness_of_fit.hpp"
#include "tests/cli/kx_program.hpp"

namespace riskfn {
namespace {

TEST(GoodnessOfFit, AgreesWithScipyOnThreeDataSets) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/fit_goodness.json");
  const auto cases = nlohmann::json::parse(file);
  ASSERT_EQ(cases.size(), 3U);
  for (const auto& expected : cases) {
    const std::string set = expected["set"];
    SCOPED_TRACE(set);
    const cli::testing::Outcome run =
        cli::testing::run_kx({"fit", std::string(KX_TEST_DATA_DIR) + "/fit_goodness_" + set + ".csv", "--method", "mle",
                              "--dist", expected["family"], "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report["candidates"].size(), 1U);
    const auto& fit = report["candidates"][0];
    for (std::size_t i = 0; i < expected["parameters"].size(); ++i) {
      EXPECT_NEAR(fit["parameters"][i].get<double>(), expected["parameters"][i].get<double>(),
                  1e-5 * std::fabs(expected["parameters"][i].get<double>()));
      EXPECT_NEAR(fit["standard_errors"][i].get<double>(), expected["standard_errors"][i].get<double>(),
                  1e-3 * expected["standard_errors"][i].get<double>());
    }
    EXPECT_NEAR(fit["ks_p_value"].get<double>(), expected["ks_p_value"].get<double>(), 1e-4);
    EXPECT_NEAR(fit["ad_p_value"].get<double>(), expected["ad_p_value"].get<double>(), 0.02);
    EXPECT_EQ(fit["chi_square_classes"], expected["chi_square_classes"]);
    EXPECT_NEAR(fit["chi_square_p_value"].get<double>(), expected["chi_square_p_value"].get<double>(), 1e-4);
  }
}

// The parametric bootstrap repeats exactly and agrees with scipy's within its sampling error.
TEST(GoodnessOfFit, BootstrapAgreesWithScipyAndRepeats) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/fit_goodness.json");
  const auto cases = nlohmann::json::parse(file);
  for (const auto& expected : cases) {
    const std::string set = expected["set"];
    SCOPED_TRACE(set);
    const std::vector<std::string> arguments{
        "fit", std::string(KX_TEST_DATA_DIR) + "/fit_goodness_" + set + ".csv", "--method", "mle", "--dist",
        expected["family"], "--bootstrap", "200", "--json"};
    const cli::testing::Outcome first = cli::testing::run_kx(arguments);
    ASSERT_EQ(first.status, 0) << first.err;
    const auto report = nlohmann::json::parse(first.out);
    // The candidates repeat exactly; the timings do not.
    EXPECT_EQ(nlohmann::json::parse(cli::testing::run_kx(arguments).out)["candidates"], report["candidates"]);
    const auto& fit = report["candidates"][0];
    EXPECT_EQ(fit["p_values_by"], "bootstrap");
    EXPECT_EQ(fit["bootstrap_replicates"], 200);
    EXPECT_NEAR(fit["ks_p_value"].get<double>(), expected["bootstrap_ks_p_value"].get<double>(), 0.1);
    EXPECT_NEAR(fit["ad_p_value"].get<double>(), expected["bootstrap_ad_p_value"].get<double>(), 0.1);
  }
}

// Known points of the limiting distributions: Kolmogorov's 5% and 1% points (1.3581, 1.6276),
// and the Anderson-Darling 5% and 1% points (2.492, 3.857).
TEST(GoodnessOfFit, LimitingDistributionsAtTheirCriticalPoints) {
  struct Case {
    const char* label;
    double p_value;
    double expected;
  };
  const Case cases[] = {
      {"KS 5%", fitting::kolmogorov_p_value(1.3581 / 10.0, 100.0), 0.05},
      {"KS 1%", fitting::kolmogorov_p_value(1.6276 / 10.0, 100.0), 0.01},
      {"KS small", fitting::kolmogorov_p_value(0.5 / 10.0, 100.0), 0.9639},
      {"AD 5%", fitting::anderson_darling_p_value(2.492), 0.05},
      {"AD 1%", fitting::anderson_darling_p_value(3.857), 0.01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_NEAR(c.p_value, c.expected, 5e-4);
  }
}

}  // namespace
}  // namespace riskfn
