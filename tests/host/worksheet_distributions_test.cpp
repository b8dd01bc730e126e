// The host's distribution and special functions against high-precision reference values
// (tests/data/worksheet_distributions.csv, made by make_worksheet_distributions.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "common/host_services.hpp"
#include "host/worksheet/worksheet_functions.hpp"
#include "tests/host/worksheet_test_support.hpp"

namespace host {
namespace {

using kx::Value;

// The reference keeps only cases whose relative condition number is at most 1000, so a
// careful double computation is within about 1000 ulp of the exact value.
constexpr double kRelativeTolerance = 1e-12;
// For the few values that are exactly zero (the centre of a symmetric distribution, the lower
// end of a support, GammaLn(1)), where no relative error exists.
constexpr double kAbsoluteTolerance = 1e-15;

using testing::call;

struct ReferenceRow {
  std::string label;  // the CSV line, for the trace
  kx::WorksheetFn fn;
  std::vector<Value> arguments;
  bool is_error;
  double expected;
};

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream stream(line);
  std::string field;
  while (std::getline(stream, field, ',')) fields.push_back(field);
  if (!line.empty() && line.back() == ',') fields.emplace_back();
  return fields;
}

// Empty argument columns are omitted arguments; trailing ones are not passed at all.
std::vector<Value> arguments_of(const std::vector<std::string>& fields) {
  std::vector<Value> arguments;
  for (std::size_t i = 1; i + 1 < fields.size(); ++i) {
    const std::string& field = fields[i];
    if (field.empty()) {
      arguments.push_back(Value::missing());
    } else if (field == "TRUE" || field == "FALSE") {
      arguments.emplace_back(field == "TRUE");
    } else {
      arguments.emplace_back(*kx::parse_number(field));
    }
  }
  while (!arguments.empty() && arguments.back().is_missing()) arguments.pop_back();
  return arguments;
}

std::vector<ReferenceRow> read_reference(const std::string& path) {
  std::ifstream file(path);
  std::vector<ReferenceRow> rows;
  std::string line;
  std::getline(file, line);  // header
  while (std::getline(file, line)) {
    if (line.empty()) continue;
    const std::vector<std::string> fields = split(line);
    const auto fn = kx::find_worksheet_fn(fields.front());
    if (!fn || fields.size() != 7) {
      ADD_FAILURE() << "unreadable reference line: " << line;
      continue;
    }
    const bool is_error = fields.back() == "ERR";
    rows.push_back({line, *fn, arguments_of(fields), is_error, is_error ? 0.0 : *kx::parse_number(fields.back())});
  }
  return rows;
}

TEST(WorksheetDistributions, MatchTheHighPrecisionReference) {
  const std::vector<ReferenceRow> rows = read_reference(std::string(KX_TEST_DATA_DIR) + "/worksheet_distributions.csv");
  ASSERT_GE(rows.size(), 600u);
  std::map<std::string, double> worst;  // largest relative error per function, for the record
  for (const ReferenceRow& row : rows) {
    SCOPED_TRACE(row.label);
    const std::string name(kx::worksheet_fn_name(row.fn));
    if (row.is_error) {
      try {
        const Value result = compute_worksheet_fn(row.fn, row.arguments);
        ADD_FAILURE() << "expected #NUM!, got " << kx::to_text(result);
      } catch (const kx::Failure& failure) {
        EXPECT_EQ(failure.number(), kx::error::kXlNum) << failure.what();
      }
      continue;
    }
    try {
      const Value result = compute_worksheet_fn(row.fn, row.arguments);
      ASSERT_TRUE(result.is_number());
      if (row.expected == 0.0) {
        EXPECT_LE(std::fabs(result.number()), kAbsoluteTolerance);
        continue;
      }
      const double relative = std::fabs(result.number() - row.expected) / std::fabs(row.expected);
      worst[name] = std::max(worst[name], relative);
      EXPECT_LE(relative, kRelativeTolerance) << "got " << result.number();
    } catch (const kx::Failure& failure) {
      ADD_FAILURE() << "unexpected failure: " << failure.what();
    }
  }
  for (const auto& [name, relative] : worst) std::cout << "  " << name << " max relative error " << relative << "\n";
}

// The number path the sampling functions take gives every reference case's number to the bit,
// and nothing where the function gives an error value.
TEST(WorksheetDistributions, TheNumberPathGivesWhatTheValuesGive) {
  const std::vector<ReferenceRow> rows = read_reference(std::string(KX_TEST_DATA_DIR) + "/worksheet_distributions.csv");
  std::size_t compared = 0;
  for (const ReferenceRow& row : rows) {
    std::vector<double> numbers;
    for (const Value& argument : row.arguments) {
      if (argument.is_number()) numbers.push_back(argument.number());
    }
    if (numbers.size() != row.arguments.size()) continue;  // booleans and omitted places go by value
    SCOPED_TRACE(row.label);
    std::optional<double> expected;
    try {
      const Value result = compute_worksheet_fn(row.fn, row.arguments);
      if (result.is_number()) expected = result.number();
    } catch (const kx::Failure&) {
    }
    const std::optional<double> number = compute_worksheet_number(row.fn, numbers);
    ASSERT_EQ(number.has_value(), expected.has_value());
    if (number) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(*number), std::bit_cast<std::uint64_t>(*expected));
    }
    ++compared;
  }
  EXPECT_GE(compared, 300u);
  // Logarithms, the bounds of BETAINV given, and the domain errors of the quantiles.
  struct Case {
    kx::WorksheetFn fn;
    std::vector<double> arguments;
  };
  using enum kx::WorksheetFn;
  const Case cases[] = {
      {Ln, {2.5}},
      {Ln, {1e-300}},
      {Ln, {0.0}},
      {Ln, {-1.0}},
      {BetaInv, {0.3, 2.0, 3.0, 10.0, 20.0}},
      {BetaInv, {0.3, 2.0, 3.0, 1.0, 1.0}},
      {GammaInv, {1.5, 2.0, 3.0}},
      {NormInv, {0.5, 0.0, 0.0}},
      {NormSInv, {0.0}},
      {NormSDist, {-40.0}},
      {NormInv, {0.5, 1e308, 1.0}},
      {NormInv, {0.5, std::numeric_limits<double>::infinity(), 1.0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(kx::worksheet_fn_name(c.fn)) + " of " + std::to_string(c.arguments.front()));
    const std::vector<Value> values(c.arguments.begin(), c.arguments.end());
    std::optional<double> expected;
    try {
      const Value result = compute_worksheet_fn(c.fn, values);
      if (result.is_number()) expected = result.number();
    } catch (const kx::Failure&) {
    }
    const std::optional<double> number = compute_worksheet_number(c.fn, c.arguments);
    ASSERT_EQ(number.has_value(), expected.has_value());
    if (number) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(*number), std::bit_cast<std::uint64_t>(*expected));
    }
  }
}

// Cases with exact answers that the reference leaves out: the edges of each domain and the
// way arguments are read.
struct DistributionCase {
  const char* label;
  kx::WorksheetFn fn;
  std::vector<Value> arguments;
  double expected;
};

TEST(WorksheetDistributions, ExactValuesAtTheEdges) {
  // The values are exact in double; the tolerance only allows for the last bit of a quantile.
  constexpr double kTolerance = 1e-15;
  using enum kx::WorksheetFn;
  const DistributionCase cases[] = {
      {"gamma density at 0, shape 1", GammaDist, {0.0, 1.0, 4.0, false}, 0.25},
      {"gamma density at 0, shape 2", GammaDist, {0.0, 2.0, 4.0, false}, 0.0},
      {"gamma quantile at 0", GammaInv, {0.0, 2.0, 3.0}, 0.0},
      {"weibull density at 0, shape 1", Weibull, {0.0, 1.0, 2.0, false}, 0.5},
      {"poisson mean 0, k 0", Poisson, {0.0, 0.0, false}, 1.0},
      {"poisson mean 0, k 3", Poisson, {3.0, 0.0, false}, 0.0},
      {"poisson mean 0, cumulative", Poisson, {3.0, 0.0, true}, 1.0},
      {"no failure before the first success", NegBinomDist, {0.0, 1.0, 0.25}, 0.25},
      {"certain success", NegBinomDist, {0.0, 3.0, 1.0}, 1.0},
      {"empty sample", HypGeomDist, {0.0, 0.0, 5.0, 20.0}, 1.0},
      {"no successes in the population", HypGeomDist, {0.0, 4.0, 0.0, 20.0}, 1.0},
      {"BETAINV at p 0 is A", BetaInv, {0.0, 2.0, 3.0, -1.0, 4.0}, -1.0},
      {"BETAINV at p 1 is B", BetaInv, {1.0, 2.0, 3.0, -1.0, 4.0}, 4.0},
      {"BETAINV omitted bounds are 0 and 1", BetaInv, {0.5, 2.0, 2.0, Value::missing(), Value::missing()}, 0.5},
      {"BETAINV omitted A only", BetaInv, {0.5, 2.0, 2.0, Value::missing(), 4.0}, 2.0},
      {"BetaDist at the upper bound", BetaDist, {4.0, 2.0, 3.0, -1.0, 4.0}, 1.0},
      {"TINV of 1 is 0", TInv, {1.0, 7.0}, 0.0},
      {"ChiInv of 1 is 0", ChiInv, {1.0, 3.0}, 0.0},
      {"TDist at 0, two tails", TDist, {0.0, 5.0, 2.0}, 1.0},
      {"CritBinom with alpha 0", CritBinom, {10.0, 0.5, 0.0}, 0.0},
      {"CritBinom with alpha 1", CritBinom, {10.0, 0.5, 1.0}, 10.0},
      {"CritBinom with p 0", CritBinom, {10.0, 0.0, 0.5}, 0.0},
      {"CritBinom with p 1", CritBinom, {10.0, 1.0, 0.5}, 10.0},
      {"CritBinom with no trials", CritBinom, {0.0, 0.3, 0.5}, 0.0},
      {"CritBinom at an exact step: cdf(1) = 0.75", CritBinom, {2.0, 0.5, 0.75}, 1.0},
      {"BinomDist with p 1", BinomDist, {4.0, 4.0, 1.0, false}, 1.0},
      {"exponential cdf at 0", ExponDist, {0.0, 3.0, true}, 0.0},
      {"numeric text is read as a number", NormSDist, {"0"}, 0.5},
      {"TRUE is 1", NormDist, {true, 1.0, 1.0, true}, 0.5},
      {"flag as text", ExponDist, {0.0, 2.0, "FALSE"}, 2.0},
      {"flag as number", ExponDist, {0.0, 2.0, 0.0}, 2.0},
      {"empty value is 0", NormSDist, {Value()}, 0.5},
      {"one-cell array is its value", NormSDist, {kx::Array::vector({Value(0.0)})}, 0.5},
      {"omitted cumulative flag is FALSE", ExponDist, {0.0, 2.0, Value::missing()}, 2.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = compute_worksheet_fn(c.fn, c.arguments);
    ASSERT_TRUE(result.is_number());
    EXPECT_NEAR(result.number(), c.expected, kTolerance);
  }
}

struct DistributionErrorCase {
  const char* label;
  kx::WorksheetFn fn;
  std::vector<Value> arguments;
  std::int32_t expected;
};

TEST(WorksheetDistributions, ReportTheWorksheetError) {
  using enum kx::WorksheetFn;
  const DistributionErrorCase cases[] = {
      {"gamma density at 0 below shape 1 is infinite", GammaDist, {0.0, 0.5, 1.0, false}, kx::error::kXlNum},
      {"weibull density at 0 below shape 1 is infinite", Weibull, {0.0, 0.5, 1.0, false}, kx::error::kXlNum},
      {"gamma quantile at 1 is infinite", GammaInv, {1.0, 2.0, 1.0}, kx::error::kXlNum},
      {"TINV at 0 is infinite", TInv, {0.0, 5.0}, kx::error::kXlNum},
      {"ChiInv at 0 is infinite", ChiInv, {0.0, 5.0}, kx::error::kXlNum},
      {"ChiInv beyond 10^10 degrees", ChiInv, {0.5, 1e10}, kx::error::kXlNum},
      {"BETAINV with A equal to B", BetaInv, {0.5, 2.0, 3.0, 1.0, 1.0}, kx::error::kXlNum},
      {"HypGeomDist population beyond unsigned", HypGeomDist, {1.0, 2.0, 2.0, 1e12}, kx::error::kXlNum},
      {"text that is no number", NormSInv, {"half"}, kx::error::kXlValue},
      {"flag text that is no flag", NormDist, {0.0, 0.0, 1.0, "yes"}, kx::error::kXlValue},
      {"an error value passes through", NormSDist, {kx::ErrorValue{kx::error::kXlDiv0}}, kx::error::kXlDiv0},
      {"too few arguments", NormInv, {0.5, 0.0}, kx::error::kXlValue},
      {"too many arguments", NormSInv, {0.5, 0.0}, kx::error::kXlValue},
      {"an omitted standard deviation is 0", NormInv, {0.5, 1.0, Value::missing()}, kx::error::kXlNum},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      compute_worksheet_fn(c.fn, c.arguments);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), c.expected) << failure.what();
    }
  }
}

TEST(WorksheetDistributions, CritBinomIsTheSmallestCountReachingAlpha) {
  // Property over a grid: cdf(k) >= alpha > cdf(k - 1), with BinomDist as the judge.
  // Alpha 1 asks for the first count whose cumulative probability is 1 in double, far out in
  // the tail for a million trials.
  for (const double trials : {1.0, 7.0, 40.0, 300.0, 1e6}) {
    for (const double p : {0.01, 0.3, 0.5, 0.9}) {
      for (const double alpha : {1e-9, 0.05, 0.5, 0.95, 1.0 - 1e-9, 1.0}) {
        SCOPED_TRACE(std::to_string(trials) + " " + std::to_string(p) + " " + std::to_string(alpha));
        const double k = call(kx::WorksheetFn::CritBinom, {trials, p, alpha}).number();
        const auto cdf = [&](double j) { return call(kx::WorksheetFn::BinomDist, {j, trials, p, true}).number(); };
        EXPECT_GE(cdf(k), alpha);
        if (k > 0) {
          EXPECT_LT(cdf(k - 1), alpha);
        }
      }
    }
  }
}

TEST(WorksheetDistributions, ArraysAreComputedCellByCell) {
  kx::Array probabilities(2, 2);
  probabilities.at(0, 0) = 0.5;
  probabilities.at(0, 1) = 1.5;  // outside the domain: #NUM! in that cell only
  probabilities.at(1, 0) = "x";  // not a number: #VALUE!
  probabilities.at(1, 1) = 0.5;
  kx::Array means = kx::Array::vector({Value(10.0), Value(20.0)});  // one row, repeated down
  const Value result = call(kx::WorksheetFn::NormInv, {probabilities, means, 1.0});
  ASSERT_TRUE(result.is_array());
  const kx::Array& cells = result.array();
  ASSERT_EQ(cells.rows(), 2u);
  ASSERT_EQ(cells.columns(), 2u);
  EXPECT_EQ(cells.at(0, 0), Value(10.0));
  EXPECT_EQ(cells.at(0, 1), Value(kx::ErrorValue{kx::error::kXlNum}));
  EXPECT_EQ(cells.at(1, 0), Value(kx::ErrorValue{kx::error::kXlValue}));
  EXPECT_EQ(cells.at(1, 1), Value(20.0));

  // A cell beyond the smaller of two arrays is #N/A.
  const Value lengths =
      call(kx::WorksheetFn::Round, {kx::Array::vector({1.25, 2.25, 3.25}), kx::Array::vector({1.0, 0.0})});
  ASSERT_TRUE(lengths.is_array());
  EXPECT_EQ(lengths.array().at(0, 0), Value(1.3));
  EXPECT_EQ(lengths.array().at(0, 1), Value(2.0));
  EXPECT_EQ(lengths.array().at(0, 2), Value(kx::ErrorValue{kx::error::kXlNA}));
}

TEST(WorksheetDistributions, ChiTestMatchesTheReference) {
  // The chi-squared statistic is summed exactly enough for the p-value to keep 13 digits.
  constexpr double kTolerance = 1e-13;
  for (const auto& c : testing::reference_cases("chi_test")) {
    SCOPED_TRACE(c.label);
    testing::expect_matrix_near(call(c.fn, c.arguments), c.expected, kTolerance);
  }
}

TEST(WorksheetDistributions, ChiTestErrors) {
  struct Case {
    const char* label;
    Value actual;
    Value expected;
    std::int32_t error;
  };
  const Case cases[] = {
      {"tables of different shapes", testing::grid({{1.0, 2.0}}), testing::grid({{1.0}, {2.0}}), kx::error::kXlNA},
      {"a single cell has no degrees of freedom", testing::grid({{4.0}}), testing::grid({{5.0}}), kx::error::kXlNA},
      {"an expected count of 0", testing::grid({{4.0, 6.0}}), testing::grid({{0.0, 10.0}}), kx::error::kXlDiv0},
      {"a negative expected count", testing::grid({{4.0, 6.0}}), testing::grid({{-5.0, 10.0}}), kx::error::kXlNum},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(testing::error_of(kx::WorksheetFn::ChiTest, {c.actual, c.expected}), c.error);
  }
}

TEST(WorksheetDistributions, ExtremeParametersGiveTheLimitingValueOrAnError) {
  // Where Boost gives up (shapes past 1e10, counts past 2^53) the answer is known in closed
  // form: the limiting normal or Poisson law, symmetry, or a certain outcome.
  using enum kx::WorksheetFn;
  constexpr double kNormalQuartile = 0.67448975019608174;  // the standard normal at 0.75
  constexpr double kNormalAtOne = 0.84134474606854293;     // the standard normal cumulative at 1
  const double shape = 1e12;
  const double one_sd_above = 0.5 + 0.5 / std::sqrt(2.0 * shape + 1.0);
  struct Case {
    const char* label;
    kx::WorksheetFn fn;
    std::vector<Value> arguments;
    double expected;  // NaN where the call must fail with #NUM!
  };
  const double fails = std::nan("");
  const Case cases[] = {
      {"t of huge degrees is normal", TInv, {0.5, 1e308}, kNormalQuartile},
      {"t of huge degrees at p 1", TInv, {1.0, 1e300}, 0.0},
      {"symmetric beta at its centre", BetaDist, {0.5, 1e308, 1e308}, 0.5},
      {"symmetric beta one deviation above", BetaDist, {one_sd_above, shape, shape}, kNormalAtOne},
      {"symmetric beta's median", BetaInv, {0.5, 1e308, 1e308}, 0.5},
      {"symmetric beta's quantile one deviation above", BetaInv, {kNormalAtOne, shape, shape}, one_sd_above},
      {"binomial of certain success past 2^53", CritBinom, {1e16, 1.0, 0.5}, 1e16},
      {"binomial of no success", CritBinom, {1e16, 0.0, 0.5}, 0.0},
      {"binomial that is Poisson of mean 1", CritBinom, {1e300, 1e-300, 0.5}, 1.0},
      {"binomial past 2^53 with an even chance", CritBinom, {1e17, 0.5, 0.5}, fails},
      {"hypergeometric population past 2^31", HypGeomDist, {2000.0, 1e4, 1e9, 4e9}, fails},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (std::isnan(c.expected)) {
      EXPECT_EQ(testing::error_of(c.fn, c.arguments), kx::error::kXlNum);
      continue;
    }
    const Value result = call(c.fn, c.arguments);
    ASSERT_TRUE(result.is_number());
    EXPECT_NEAR(result.number(), c.expected, 1e-9 * std::max(1.0, std::fabs(c.expected)));
  }
}

}  // namespace
}  // namespace host
