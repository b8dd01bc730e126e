// Maximum-likelihood fits and goodness-of-fit statistics against scipy
// (tests/data/make_fit_likelihood.py).
#include "riskfn/fitting/likelihood.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/riskfn/fitting_fixture.hpp"

namespace riskfn {
namespace {

std::vector<std::string> fields_of(const std::string& text, char separator) {
  std::vector<std::string> fields;
  std::stringstream stream(text);
  for (std::string field; std::getline(stream, field, separator);) fields.push_back(field);
  return fields;
}

std::map<std::string, std::vector<double>> read_samples() {
  std::map<std::string, std::vector<double>> samples;
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/fit_samples.csv");
  std::string line;
  std::getline(file, line);
  while (std::getline(file, line)) {
    const auto fields = fields_of(line, ',');
    samples[fields[0]].push_back(std::stod(fields[1]));
  }
  for (auto& [name, values] : samples) std::sort(values.begin(), values.end());
  return samples;
}

// The rows of a data file of tests/data after its header, each split at its commas.
std::vector<std::vector<std::string>> data_rows(const std::string& name) {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/" + name);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  std::getline(file, line);
  while (std::getline(file, line)) rows.push_back(fields_of(line, ','));
  return rows;
}

void expect_relative(double actual, double expected, double tolerance, const char* what) {
  EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::fabs(expected))) << what;
}

TEST_F(FittingTest, LikelihoodFitsAgreeWithScipy) {
  const auto samples = read_samples();
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/fit_likelihood.csv");
  std::string line;
  std::getline(file, line);
  std::map<std::int32_t, int> compared;
  constexpr double kTolerance = 1e-6;
  while (std::getline(file, line)) {
    const auto fields = fields_of(line, ',');
    const std::int32_t code = std::stoi(fields[1]);
    SCOPED_TRACE(fields[0] + " " + name_of(code));
    const fitting::CandidateSet set(*main_, samples.at(fields[0]));
    const fitting::Candidate* candidate = fitting::CandidateSet::find(code);
    ASSERT_NE(candidate, nullptr);
    ASSERT_TRUE(fitting::has_likelihood_fit(*candidate));
    const fitting::FittedCandidate fitted = fitting::fit_by_likelihood(set, *candidate);
    ASSERT_TRUE(fitted.fit.applicable);
    const auto parameters = fields_of(fields[2], ';');
    for (std::size_t i = 0; i < parameters.size(); ++i)
      expect_relative(fitted.fit.parameter(i), std::stod(parameters[i]), kTolerance, "parameter");
    const auto statistics = fitting::fit_statistics(set, fitted);
    ASSERT_TRUE(statistics && statistics->log_likelihood && statistics->anderson_darling);
    expect_relative(*statistics->log_likelihood, std::stod(fields[3]), kTolerance, "log-likelihood");
    expect_relative(*statistics->anderson_darling, std::stod(fields[4]), 1e-5, "Anderson-Darling");
    expect_relative(*statistics->kolmogorov_smirnov, std::stod(fields[5]), 1e-5, "Kolmogorov-Smirnov");
    const double k = static_cast<double>(parameters.size());
    const double n = static_cast<double>(set.sorted().size());
    EXPECT_DOUBLE_EQ(*statistics->aic, 2.0 * k - 2.0 * *statistics->log_likelihood);
    EXPECT_DOUBLE_EQ(*statistics->bic, k * std::log(n) - 2.0 * *statistics->log_likelihood);
    ++compared[code];
  }
  EXPECT_EQ(compared.size(), 6U);
}

// The candidates whose estimates come from a search (Newton's method on the score), against
// scipy's fits polished on their score equations (tests/data/make_fit_likelihood_searches.py):
// the same estimates, and a log-likelihood no lower.
TEST_F(FittingTest, SearchedLikelihoodFitsAgreeWithScipy) {
  const auto samples = read_samples();
  int compared = 0;
  constexpr double kTolerance = 1e-6;
  for (const auto& fields : data_rows("fit_likelihood_searches.csv")) {
    const std::int32_t code = std::stoi(fields[1]);
    SCOPED_TRACE(fields[0] + " " + name_of(code));
    const fitting::CandidateSet set(*main_, samples.at(fields[0]));
    const fitting::FittedCandidate fitted = fitting::fit_by_likelihood(set, *fitting::CandidateSet::find(code));
    ASSERT_TRUE(fitted.fit.applicable);
    const auto parameters = fields_of(fields[2], ';');
    for (std::size_t i = 0; i < parameters.size(); ++i)
      expect_relative(fitted.fit.parameter(i), std::stod(parameters[i]), kTolerance, "parameter");
    const auto statistics = fitting::fit_statistics(set, fitted);
    ASSERT_TRUE(statistics && statistics->log_likelihood);
    const double reference = std::stod(fields[3]);
    expect_relative(*statistics->log_likelihood, reference, 1e-10, "log-likelihood");
    EXPECT_GE(*statistics->log_likelihood, reference - 1e-12 * std::fabs(reference));
    ++compared;
  }
  EXPECT_EQ(compared, 9);
}

// The log-likelihood at given parameters, from sums of the observations or closed forms, against
// densities summed at 40 digits (tests/data/make_fit_log_likelihoods.py).
TEST_F(FittingTest, LogLikelihoodsAgreeWithTheDensitiesSummed) {
  const auto samples = read_samples();
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/fit_log_likelihoods.csv");
  std::string line;
  std::getline(file, line);
  int compared = 0;
  while (std::getline(file, line)) {
    const auto fields = fields_of(line, ',');
    const std::int32_t code = std::stoi(fields[1]);
    SCOPED_TRACE(fields[0] + " " + name_of(code) + " " + fields[2]);
    const fitting::CandidateSet set(*main_, samples.at(fields[0]));
    fitting::FittedCandidate fitted;
    fitted.candidate = fitting::CandidateSet::find(code);
    ASSERT_NE(fitted.candidate, nullptr);
    const auto parameters = fields_of(fields[2], ';');
    for (std::size_t i = 0; i < parameters.size(); ++i) fitted.fit.slots[i] = std::stod(parameters[i]);
    fitted.distance = 0.0;
    const auto statistics = fitting::fit_statistics(set, fitted);
    ASSERT_TRUE(statistics && statistics->log_likelihood);
    expect_relative(*statistics->log_likelihood, std::stod(fields[3]), 1e-12, "log-likelihood");
    ++compared;
  }
  EXPECT_EQ(compared, 15);
}

// The log-likelihoods summed from the sample's sums or a cheap term per observation are those of
// the fitted distribution's own density (Boost's), observation by observation.
TEST_F(FittingTest, LogLikelihoodsAreTheDensitiesSummed) {
  const auto samples = read_samples();
  int compared = 0;
  for (const char* name : {"lifetimes", "shares"}) {
    const fitting::CandidateSet set(*main_, samples.at(name));
    for (const fitting::Candidate& candidate : fitting::candidates()) {
      // Pareto2 fits these samples at its exponential limit, shape and scale near 1E13, where its
      // density's power of 1 + x/s keeps fewer digits than the log-likelihood's logarithms.
      if (!fitting::has_likelihood_fit(candidate) || candidate.code == 27) continue;
      SCOPED_TRACE(std::string(name) + " " + name_of(candidate.code));
      const fitting::FittedCandidate fitted = fitting::fit_by_likelihood(set, candidate);
      if (!fitted.fit.applicable) continue;
      double sum = 0.0;
      for (const double x : set.sorted()) sum += std::log(fitting::candidate_density(fitted, x));
      const auto statistics = fitting::fit_statistics(set, fitted);
      if (!std::isfinite(sum)) continue;  // a density that vanishes at an observation
      ASSERT_TRUE(statistics && statistics->log_likelihood);
      expect_relative(*statistics->log_likelihood, sum, 1e-10, "log-likelihood");
      ++compared;
    }
  }
  EXPECT_GE(compared, 20);
}

// Every continuous candidate with a likelihood fit does at least as well by its likelihood as
// the moment estimates do.
TEST_F(FittingTest, LikelihoodEstimatesBeatTheMomentsOnTheirOwnMeasure) {
  const fitting::CandidateSet set(*main_, read_samples().at("lifetimes"));
  for (const fitting::Candidate& candidate : fitting::candidates()) {
    if (!fitting::has_likelihood_fit(candidate)) continue;
    SCOPED_TRACE(name_of(candidate.code));
    const auto moments = fitting::fit_statistics(set, set.fit(candidate));
    const auto likelihood = fitting::fit_statistics(set, fitting::fit_by_likelihood(set, candidate));
    if (!moments || !moments->log_likelihood) continue;
    ASSERT_TRUE(likelihood && likelihood->log_likelihood);
    EXPECT_GE(*likelihood->log_likelihood, *moments->log_likelihood - 1e-9);
  }
}

}  // namespace
}  // namespace riskfn
