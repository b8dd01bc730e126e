// PDF.FitPDF and PDF.StoreFitData called as the fitting dialog calls them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "common/automation/dispatch.hpp"
#include "common/automation/interface.hpp"
#include "tests/riskfn/fitting_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

const std::vector<double> kSpread = {1.2, 2.5, 2.9, 3.3, 4.1, 4.4, 5.0, 5.8, 6.7, 8.9};

TEST_F(FittingTest, TheDialogsSelectionAdmitsCandidates) {
  struct Case {
    const char* label;
    std::string selection;
    bool continuous;
    bool discrete;
    std::int16_t fitted;
  };
  const Case cases[] = {
      {"neither kind", all(), false, false, 0},         {"all, both kinds", all(), true, true, 26},
      {"all continuous", all(), true, false, 20},       {"all discrete", all(), false, true, 6},
      {"one name", name_of(25), true, true, 1},         {"one name, kind not admitted", name_of(25), false, true, 0},
      {"a discrete name", name_of(31), false, true, 1}, {"no such name", "normal", true, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const host::FittingOutcome outcome = fit(kSpread, c.selection, c.continuous, c.discrete);
    EXPECT_EQ(outcome.fitted, c.fitted);
    // Titles and row numbers of the timing table are written whatever ran.
    EXPECT_EQ(cell_text(outcome.timings, 0, 1), text(322));
    EXPECT_EQ(cell_text(outcome.timings, 0, 2), text(323));
    for (std::size_t row = 1; row < outcome.timings.rows(); ++row)
      EXPECT_EQ(outcome.timings.at(row, 0), Value(static_cast<double>(row)));
    if (c.fitted == 0) {
      EXPECT_TRUE(outcome.results.at(1, 2).is_empty());
    }
  }
}

TEST_F(FittingTest, AllCandidatesAreRankedByDistanceNotApplicableLastInCandidateOrder) {
  const host::FittingOutcome outcome = fit({-1.0, 0.0, 0.5, 2.0, 3.5, 4.0, 7.5}, all());
  ASSERT_EQ(outcome.fitted, 26);
  EXPECT_EQ(cell_text(outcome.results, 0, 1), text(350));
  EXPECT_EQ(cell_text(outcome.results, 0, 8), text(357));
  double previous = 0.0;
  bool reached_not_applicable = false;
  for (std::size_t row = 1; row <= 26; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(outcome.results.at(row, 1), Value(static_cast<double>(row)));
    const Value& distance = outcome.results.at(row, 3);
    if (distance == Value(not_applicable())) {
      reached_not_applicable = true;
      continue;
    }
    EXPECT_FALSE(reached_not_applicable) << "a distance after a not-applicable row";
    const double d = kx::to_double(distance);
    EXPECT_GE(d, previous);
    previous = d;
  }
  EXPECT_TRUE(reached_not_applicable);
  const std::int32_t candidate_order[] = {1,  2,  4,  9,  10, 11, 12, 13, 19, 20, 22, 25, 30,
                                          26, 27, 32, 33, 34, 36, 37, 3,  15, 17, 18, 24, 31};
  std::int32_t last_row = 0;
  for (const std::int32_t code : candidate_order) {
    const std::int32_t row = row_named(outcome.results, name_of(code));
    if (cell_text(outcome.results, row, 3) != not_applicable()) continue;
    EXPECT_GT(row, last_row) << name_of(code);
    last_row = row;
  }
}

TEST_F(FittingTest, TimesAreMonotonicAndAddUpToTheTotal) {
  for (const std::int32_t timing_rows : {25, 26}) {
    SCOPED_TRACE(timing_rows);
    const host::FittingOutcome outcome = fit(kSpread, all(), true, true, timing_rows);
    double sum = 0.0;
    for (std::size_t row = 1; row < outcome.timings.rows(); ++row) {
      if (outcome.timings.at(row, 2).is_empty()) continue;
      const double milliseconds = kx::to_double(outcome.timings.at(row, 2));
      EXPECT_GE(milliseconds, 0.0);
      sum += static_cast<float>(milliseconds);
    }
    // PERT has row 26 when the table has it; else it shares the triangular candidate's row 17.
    const bool own_row = timing_rows >= 26;
    EXPECT_EQ(cell_text(outcome.timings, 17, 1), name_of(34));
    EXPECT_EQ(cell_text(outcome.timings, 4, 1), text(325));
    if (own_row) {
      EXPECT_EQ(cell_text(outcome.timings, 26, 1), name_of(30));
      EXPECT_NEAR(outcome.total_milliseconds, sum, 1e-3);
    }
  }
}

TEST_F(FittingTest, EstimatesOnSmallSamples) {
  struct Case {
    const char* label;
    std::vector<double> data;
    std::int32_t code;
    std::vector<std::string> columns;  // distance, then Coef1 ... Coef5 as stored
  };
  const std::string na = not_applicable();
  const Case cases[] = {
      {"beta moments", {0.2, 0.4, 0.6}, 1, {"", "2.0000", "3.0000", "--", "--", "--"}},
      {"beta outside [0, 1]", {0.5, 1.5, 2.0}, 1, {na, na, na, "--", "--", "--"}},
      {"chi squared half to even down", {2.0, 3.0}, 4, {"", "2.0000", "--"}},
      {"chi squared half to even up", {3.0, 4.0}, 4, {"", "4.0000", "--"}},
      {"uniform distance", {1, 2, 3, 4}, 36, {"0.5000", "1.0000", "4.0000", "--"}},
      {"integer uniform", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 18, {"", "1.0000", "10.0000", "--"}},
      {"integer uniform, two decimals", {1.25, 2, 3}, 18, {na, na, "3.0000", "--"}},
      {"triangular mode lowered to Max", {1, 9, 9.5, 10}, 34, {"", "1.0000", "10.0000", "10.0000", "--"}},
      {"student s <= 1", {1.0, 1.5, 2.0}, 33, {na, text(383), "--"}},
      {"negative binomial by moments", {1, 2, 2, 3, 9}, 24, {"", "1.6754", "0.3301", "--"}},
      {"negative binomial, variance below mean", {2, 3, 4}, 24, {na, na, "--"}},
      {"pareto shape from the log mean", {1, 2, 4}, 26, {"", "1.0000", "1.4427", "--"}},
      {"lognormal with 0", {0, 1, 2}, 22, {na, "--", "--"}},
      {"one observation", {5.0}, 11, {"1.0000", "5.0000", "--"}},
      // Mean 1 and standard deviation 1: the Weibull with shape 1, as kxWEIBULLEST finds it.
      {"weibull by its moments", {1.0 + std::sqrt(0.5), 1.0 - std::sqrt(0.5)}, 37, {"", "1.0000", "1.0000", "--"}},
      {"pareto2 by its moments", {1, 2, 3, 10}, 27, {"", "50.0000", "196.0000", "--"}},
      {"pareto2, variance below the squared mean", {1, 2, 3}, 27, {na, na, "--"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const host::FittingOutcome outcome = fit(c.data, name_of(c.code));
    ASSERT_EQ(outcome.fitted, 1);
    EXPECT_EQ(cell_text(outcome.results, 1, 2), name_of(c.code));
    for (std::size_t i = 0; i < c.columns.size(); ++i) {
      if (c.columns[i].empty()) {
        EXPECT_NE(cell_text(outcome.results, 1, 3 + i), na) << "column " << 3 + i;
        continue;
      }
      EXPECT_EQ(cell_text(outcome.results, 1, 3 + i), c.columns[i]) << "column " << 3 + i;
    }
  }
}

TEST_F(FittingTest, DataWithZeroOrNegativeValuesRuleOutPositiveCandidates) {
  const host::FittingOutcome outcome = fit({-1.0, 0.0, 0.5, 2.0, 3.5}, all());
  ASSERT_EQ(outcome.fitted, 26);
  for (const std::int32_t code : {4, 10, 11, 13, 19, 22, 27, 33, 37, 15, 17, 18, 24, 31, 26}) {
    SCOPED_TRACE(name_of(code));
    EXPECT_EQ(cell_text(outcome.results, row_named(outcome.results, name_of(code)), 3), not_applicable());
  }
  for (const std::int32_t code : {2, 25, 20, 36}) {
    SCOPED_TRACE(name_of(code));
    EXPECT_NE(cell_text(outcome.results, row_named(outcome.results, name_of(code)), 3), not_applicable());
  }
}

// A formula that fails (m = 0 divides in the beta estimate, Max = Min in the general beta)
// makes its candidate not applicable; the candidates after it still run.
TEST_F(FittingTest, AFailingCandidateIsNotApplicableAndTheRunGoesOn) {
  for (const auto& data : {std::vector<double>{0.0, 0.0, 0.0}, std::vector<double>{2.0, 2.0}}) {
    const host::FittingOutcome outcome = fit(data, all());
    EXPECT_EQ(outcome.fitted, 26);
    EXPECT_EQ(cell_text(outcome.results, row_named(outcome.results, name_of(2)), 3), not_applicable());
  }
}

// The add-in passes the input as an address, which the host resolves on the active workbook.
TEST_F(FittingTest, TheInputMayBeAnAddress) {
  put_data({1, 2, 3, 4});
  kx::Array test_data(4, 4, 0, 0);
  for (std::size_t i = 0; i < 4; ++i) test_data.at(i, 3) = static_cast<double>(i + 1);
  std::vector<Value> arguments = {Value(),
                                  "A1:A4",
                                  0,
                                  kx::ObjectRef(host::FittingDialog::create(name_of(36), true, true)),
                                  Value(),
                                  test_data,
                                  "",
                                  Value(),
                                  Value(),
                                  Value(),
                                  Value(),
                                  Value(),
                                  kx::Array(27, 9, 0, 0),
                                  kx::Array(27, 3, 0, 0)};
  EXPECT_EQ(kx::call_by_name(*main_->pdf(), "FitPDF", arguments), Value(""));
  EXPECT_EQ(arguments[2], Value(1));
  EXPECT_EQ(arguments[4], Value(0.5));
  EXPECT_EQ(arguments[6], Value(name_of(36)));
  EXPECT_EQ(arguments[7], Value(1.0));
  EXPECT_EQ(arguments[8], Value(4.0));
  EXPECT_EQ(arguments[9], Value("--"));
}

TEST_F(FittingTest, ProgressEndsOnTheLastObservationOfTheLastCandidate) {
  std::vector<std::string> texts;
  session_.application().on_status_bar([&](std::string_view t) { texts.emplace_back(t); });
  fit({1, 2, 3, 4, 5}, name_of(31));
  ASSERT_EQ(texts.size(), 6U);
  EXPECT_EQ(texts.front(), text(321));
  EXPECT_EQ(texts.back(), text(384) + " - Item: 4 von 4");
}

TEST_F(FittingTest, KnownDistributionsRankAmongTheBestThree) {
  std::mt19937_64 generator(20261208);
  struct Case {
    const char* label;
    std::int32_t code;
    std::vector<double> data;
    double first;  // the true first parameter and its standard error
    double first_error;
  };
  const auto draw = [&](auto distribution) {
    std::vector<double> values(2000);
    for (double& v : values) v = static_cast<double>(distribution(generator));
    return values;
  };
  const double n = 2000.0;
  const Case cases[] = {
      {"normal", 25, draw(std::normal_distribution<double>(50.0, 8.0)), 50.0, 8.0 / std::sqrt(n)},
      {"exponential", 11, draw(std::exponential_distribution<double>(1.0 / 3.0)), 3.0, 3.0 / std::sqrt(n)},
      {"uniform", 36, draw(std::uniform_real_distribution<double>(2.0, 7.0)), 2.0, 5.0 / n},
      {"poisson", 31, draw(std::poisson_distribution<int>(4.0)), 4.0, 2.0 / std::sqrt(n)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const host::FittingOutcome outcome = fit(c.data, all());
    const std::int32_t row = row_named(outcome.results, name_of(c.code));
    EXPECT_GE(row, 1);
    EXPECT_LE(row, 3);
    EXPECT_NEAR(kx::to_double(outcome.results.at(row, 4)), c.first, 4.0 * c.first_error);
  }
}

TEST_F(FittingTest, PublishesFitPdfAndStoreFitDataWithTheirDeclaredTypes) {
  const auto& members = main_->pdf()->automation_interface()->members();
  const auto declaration = [&](const char* name) {
    const auto found =
        std::find_if(members.begin(), members.end(), [&](const kx::Member& m) { return m.name == name; });
    return found == members.end() ? std::string() : kx::describe(*found);
  };
  EXPECT_EQ(declaration("FitPDF"),
            "FitPDF(ByRef totTime As Variant, ByRef rngInput As Variant, ByRef NumFittedPDFs As Integer, ByRef "
            "frmSimDistrib As Object, ByRef FitIndex As Variant, ByRef FitTestData As Variant, ByRef FitPDFName As "
            "String, ByRef Coef1 As Variant, ByRef Coef2 As Variant, ByRef Coef3 As Variant, ByRef Coef4 As "
            "Variant, ByRef Coef5 As Variant, ByRef FitResult As Variant, ByRef elapsedTime As Variant) As String");
  EXPECT_EQ(declaration("StoreFitData"),
            "StoreFitData(ByRef FitResult As Variant, ByRef NumFittedPDFs As Integer, ByRef FitPDFName As String, "
            "ByRef FitIndex As Variant, ByRef Coef1 As Variant, ByRef Coef2 As Variant, ByRef Coef3 As Variant, "
            "ByRef Coef4 As Variant, ByRef Coef5 As Variant) As Variant");
}

TEST_F(FittingTest, StoreFitDataFormatsTheRow) {
  struct Case {
    Value stored;
    const char* shown;
  };
  const Case cases[] = {{0.0456789, "0.0457"}, {0.0, "0.0000"}, {1.0, "1.0000"}, {"--", "--"}, {-1.5, "-1.5000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    std::vector<Value> arguments = {kx::Array(3, 9, 0, 0), 2, "Normal", c.stored, c.stored, "--", 1, 2, 3};
    kx::call_by_name(*main_->pdf(), "StoreFitData", arguments);
    const kx::Array& table = arguments[0].array();
    EXPECT_EQ(cell_text(table, 0, 2), text(351));
    EXPECT_EQ(table.at(2, 1), Value(1));
    EXPECT_EQ(cell_text(table, 2, 2), "Normal");
    EXPECT_EQ(cell_text(table, 2, 3), c.shown);
    EXPECT_EQ(cell_text(table, 2, 4), c.shown);
    EXPECT_EQ(cell_text(table, 2, 5), "--");
  }
  // A row outside the table, or no table, fails the call.
  for (Value table : {Value(kx::Array(2, 9, 0, 0)), Value(kx::Array(6, 5, 0, 0)), Value(3.0)}) {
    std::vector<Value> arguments = {table, 5, "Normal", 0.1, 1, 2, 3, 4, 5};
    try {
      kx::call_by_name(*main_->pdf(), "StoreFitData", arguments);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), table.is_array() ? kx::error::kSubscriptOutOfRange : kx::error::kTypeMismatch);
    }
  }
}

// Distances against scipy's cumulative functions with the same estimates
// (tests/data/make_fit_distances.py).
TEST_F(FittingTest, DistancesAgreeWithAnIndependentComputation) {
  std::map<std::string, std::vector<double>> samples;
  std::ifstream sample_file(std::string(KX_TEST_DATA_DIR) + "/fit_samples.csv");
  std::string line;
  std::getline(sample_file, line);
  while (std::getline(sample_file, line)) {
    const auto comma = line.find(',');
    samples[line.substr(0, comma)].push_back(std::stod(line.substr(comma + 1)));
  }
  std::ifstream distance_file(std::string(KX_TEST_DATA_DIR) + "/fit_distances.csv");
  std::getline(distance_file, line);
  int compared = 0;
  while (std::getline(distance_file, line)) {
    std::stringstream fields(line);
    std::string sample, code, distance;
    std::getline(fields, sample, ',');
    std::getline(fields, code, ',');
    std::getline(fields, distance, ',');
    SCOPED_TRACE(sample + " " + name_of(std::stoi(code)));
    const host::FittingOutcome outcome = fit(samples.at(sample), name_of(std::stoi(code)));
    ASSERT_EQ(outcome.fitted, 1);
    ASSERT_TRUE(outcome.fit_index.is_number()) << kx::display_text(outcome.fit_index);
    EXPECT_NEAR(outcome.fit_index.number(), std::stod(distance), 1e-9);
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

}  // namespace
}  // namespace riskfn
