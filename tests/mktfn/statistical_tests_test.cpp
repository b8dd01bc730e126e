// Chi-square tests, expected frequencies, significance letters, sample sizes, variation,
// ranks and ranges, against scipy where there is a reference.
#include <string>
#include <vector>

#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class StatisticalTestsTest : public MarketingTest {
 protected:
  Value counts(std::int32_t top, std::int32_t left, const nlohmann::json& table) {
    std::vector<std::vector<Value>> rows;
    for (const auto& line : table) {
      const auto numbers = line.get<std::vector<double>>();
      rows.emplace_back(numbers.begin(), numbers.end());
    }
    return MarketingTest::table(top, left, rows);
  }
};

TEST_F(StatisticalTestsTest, ChiSquareReportAgreesWithScipy) {
  std::int32_t top = 1;
  for (const auto& c : marketing_values()["chi_square"]) {
    SCOPED_TRACE("table at row " + std::to_string(top));
    const Value observed = counts(top, 1, c["observed"]);
    top += static_cast<std::int32_t>(c["observed"].size()) + 1;
    const double probability = c["probability"];
    EXPECT_NEAR(call("kxCHIp", {observed}).number(), c["p_value"].get<double>(), 1e-12);

    const Value report = call("kxCHIp", {observed, probability, true});
    const kx::Array& lines = report.array();
    ASSERT_EQ(lines.rows(), 6U);
    const double p = c["p_value"];
    const char* const labels[] = {
        "Prob. of critical value:", "P-value:", "Result:", "Degrees of freedom:", "Chi-square:", "Critical value:"};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(lines.at(i, 0).text(), labels[i]);
    EXPECT_EQ(lines.at(2, 1).text(),
              p < probability ? "Test statically significant" : "Test statically not significant");
    EXPECT_EQ(lines.at(3, 1).number(), c["degrees"].get<double>());
    EXPECT_NEAR(lines.at(4, 1).number(), c["statistic"].get<double>(), 1e-9);
    EXPECT_NEAR(lines.at(5, 1).number(), c["critical"].get<double>(), 1e-9);

    const Value expected = call("kxEXPECT", {observed});
    const Value shares = call("kxEXPECT", {observed, kMissing, true});
    const auto& reference = c["expected_table"];
    const auto& reference_shares = c["expected_share"];
    for (std::size_t i = 0; i < reference.size(); ++i) {
      for (std::size_t j = 0; j < reference[i].size(); ++j) {
        EXPECT_NEAR(expected.array().at(i, j).number(), reference[i][j].get<double>(), 1e-12);
        EXPECT_NEAR(shares.array().at(i, j).number(), reference_shares[i][j].get<double>(), 1e-15);
      }
    }
  }
}

TEST_F(StatisticalTestsTest, ChiSquareReportOfTheWorkedTable) {
  const Value observed = table(1, 1, {{20.0, 30.0}, {30.0, 20.0}});
  const kx::Array report = call("kxCHIp", {observed, 0.05, true}).array();
  EXPECT_EQ(report.at(0, 1), Value("5.00%"));
  EXPECT_EQ(report.at(1, 1), Value("4.55%"));
  EXPECT_EQ(report.at(2, 1), Value("Test statically significant"));
  EXPECT_EQ(report.at(3, 1), Value(1.0));
  EXPECT_NEAR(report.at(5, 1).number(), 3.841459, 1e-6);
  // Without a probability there is no critical value.
  EXPECT_TRUE(is_value_error(call("kxCHIp", {observed, kMissing, true})));
}

TEST_F(StatisticalTestsTest, LabelledTablesKeepTheirLabelsAndDegrees) {
  const Value labelled = table(1, 1, {{"", "yes", "no"}, {"men", 20.0, 30.0}, {"women", 30.0, 20.0}});
  const Value plain = table(5, 1, {{20.0, 30.0}, {30.0, 20.0}});
  const Value expected = call("kxEXPECT", {labelled});
  EXPECT_EQ(expected.array().at(0, 1), Value("yes"));
  EXPECT_EQ(expected.array().at(2, 0), Value("women"));
  EXPECT_EQ(expected.array().at(1, 1), Value(25.0));
  EXPECT_EQ(call("kxCHIp", {labelled}), call("kxCHIp", {plain}));
  // The labels add no degrees of freedom.
  EXPECT_EQ(call("kxCHIp", {labelled, 0.05, true}).array().at(3, 1), Value(1.0));
  // A given sample size scales the expected counts to sum to it.
  EXPECT_EQ(call("kxEXPECT", {plain, 200.0}).array().at(0, 0), Value(50.0));
  EXPECT_TRUE(is_value_error(call("kxEXPECT", {table(8, 1, {{0.0, 0.0}, {0.0, 0.0}})})));
  // A table of one row has no labels, whatever the cell below it holds.
  table(12, 1, {{5.0, 15.0}, {"below"}});
  EXPECT_EQ(numbers_in(call("kxEXPECT", {Value(sheet_->area(12, 1, 12, 2))})), (std::vector<double>{5, 15}));
}

// The expected counts for a sample of a given size: the table's shares of row and column
// times the size, so that they sum to it; as shares they sum to 1.
TEST_F(StatisticalTestsTest, ExpectedCountsForASampleSize) {
  const std::vector<std::vector<double>> counts = {{12, 30, 8}, {20, 25, 5}};
  std::vector<std::vector<Value>> cells;
  for (const auto& row : counts) cells.emplace_back(row.begin(), row.end());
  const Value observed = table(20, 1, cells);
  const double total = 100;
  const double row_sums[] = {50, 50};
  const double column_sums[] = {32, 55, 13};
  for (const double size : {100.0, 200.0, 37.0, 1e6}) {
    for (const bool shares : {false, true}) {
      SCOPED_TRACE(std::to_string(size) + (shares ? " as shares" : ""));
      const std::vector<double> expected = numbers_in(call("kxEXPECT", {observed, size, shares}));
      ASSERT_EQ(expected.size(), 6u);
      double sum = 0;
      for (std::size_t i = 0; i < 2; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
          const double count = row_sums[i] / total * column_sums[j] / total * size;
          EXPECT_NEAR(expected[i * 3 + j], shares ? count / size : count, 1e-12 * count);
          sum += expected[i * 3 + j];
        }
      }
      EXPECT_NEAR(sum, shares ? 1.0 : size, 1e-12 * size);
    }
  }
}

TEST_F(StatisticalTestsTest, SignificanceLettersAgreeWithScipy) {
  std::int32_t left = 1;
  for (const auto& c : marketing_values()["significance"]) {
    SCOPED_TRACE("samples from column " + std::to_string(left));
    const Value proportions = row(1, left, c["proportions"].get<std::vector<double>>());
    const Value sizes = row(2, left, c["sizes"].get<std::vector<double>>());
    left += static_cast<std::int32_t>(c["sizes"].size());
    const Value letters = call("kxSIGNIF", {proportions, sizes, c["significance"].get<double>()});
    std::vector<std::string> texts;
    for (const Value& text : letters.array().values()) texts.push_back(text.text());
    EXPECT_EQ(texts, c["expected"].get<std::vector<std::string>>());
  }
  EXPECT_TRUE(is_value_error(call("kxSIGNIF", {row(4, 1, {0.5, 0.3}), row(4, 3, {400}), 0.95})));
  // A pair that cannot be tested gives no letter: the sample of 0 cases here.
  const Value letters = call("kxSIGNIF", {column(5, 1, {0.5, 0.3}), column(5, 2, {400, 0}), 0.95});
  EXPECT_EQ(letters.array().at(0), Value(""));
}

TEST_F(StatisticalTestsTest, SampleSizesAgreeWithScipy) {
  for (const auto& c : marketing_values()["sample"]) {
    SCOPED_TRACE(c.dump());
    EXPECT_NEAR(call("kxSAMPLE", {c["population"].get<double>(), c["confidence"].get<double>(),
                                  c["error_level"].get<double>(), c["hypothesis"].get<double>()})
                    .number(),
                c["expected"].get<double>(), 1e-9 * c["expected"].get<double>());
  }
  for (const auto& c : marketing_values()["sample_min"]) {
    SCOPED_TRACE(c.dump());
    const std::vector<Value> arguments = {c["like_a"].get<double>(), c["like_b"].get<double>(),
                                          c["confidence"].get<double>()};
    EXPECT_NEAR(call("kxSAMPLEMIN", arguments).number(), c["expected"].get<double>(),
                1e-9 * c["expected"].get<double>());
    std::vector<Value> rounded = arguments;
    rounded.emplace_back(true);
    EXPECT_EQ(call("kxSAMPLEMIN", rounded), Value(c["expected_text"].get<std::string>()));
  }
  const FailureCase failing[] = {
      {"confidence of 1", "kxSAMPLE", {10000.0, 1.0, 0.05, 0.5}, kGivesValueError},
      {"text for a population", "kxSAMPLE", {"many", 0.95, 0.05, 0.5}, kGivesValueError},
      {"equal likelihoods", "kxSAMPLEMIN", {0.4, 0.4, 0.95}, kGivesValueError},
      {"no mean", "kxVARc", {column(1, 1, {-1, 1})}, kGivesValueError},
  };
  expect_failures(failing);
}

TEST_F(StatisticalTestsTest, CoefficientOfVariationAgreesWithNumpy) {
  const auto& c = marketing_values()["variation"][0];
  const Value observed = column(1, 1, c["observed"].get<std::vector<double>>());
  EXPECT_NEAR(call("kxVARc", {observed, true}).number(), c["sample"].get<double>(), 1e-14);
  EXPECT_NEAR(call("kxVARc", {observed}).number(), c["population"].get<double>(), 1e-14);
}

TEST_F(StatisticalTestsTest, RanksByTheThreeMethods) {
  const Value list = column(1, 1, {10, 20, 20, 30});
  struct Case {
    const char* label;
    double number;
    double method;
    Value ascending;
    double expected;  // NAN: the xlErrValue error value; -1: the host's #N/A
  };
  const Case cases[] = {
      {"host rank, largest first", 20, 1, kMissing, 2},
      {"host rank, smallest first", 20, 1, 1.0, 2},
      {"host rank of the largest", 30, 1, kMissing, 1},
      {"distinct values, largest first", 20, 2, kMissing, 2},
      {"distinct values, smallest first", 30, 2, 1.0, 3},
      {"distinct values, the smallest", 10, 2, 0.0, 3},
      {"mean of tied positions", 20, 3, kMissing, 2.5},
      {"ties, the largest", 30, 3, kMissing, 1},
      {"ties, smallest first", 10, 3, 1.0, 1},
      {"not in the list, host rank", 25, 1, kMissing, -1},
      {"not in the list, host rank, smallest first", 5, 1, 1.0, -1},
      {"not in the list, distinct values", 25, 2, kMissing, NAN},
      {"not in the list, ties", 25, 3, kMissing, NAN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Value rank = call("kxRANK", {c.number, list, c.method, c.ascending});
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(is_value_error(rank));
    } else if (c.expected == -1) {
      EXPECT_EQ(rank, Value(kx::ErrorValue{kx::error::kXlNA}));
    } else {
      EXPECT_EQ(rank, Value(c.expected));
    }
  }
  EXPECT_EQ(failure_of("kxRANK", {20.0, list, 4.0}), kx::error::kInvalidCall);
}

TEST_F(StatisticalTestsTest, RangeOfTheData) {
  EXPECT_EQ(call("kxRANGE", {column(1, 1, {4, -2, 9.5})}), Value(11.5));
  EXPECT_EQ(failure_of("kxRANGE", {Value(kx::ErrorValue{kx::error::kXlNA})}), kx::error::kTypeMismatch);
}

}  // namespace
}  // namespace mktfn
