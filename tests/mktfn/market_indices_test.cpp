// Market and brand indices: the worked examples, layouts along rows and columns, market rows
// of the evolution index, and the trapped and untrapped failures.
#include <vector>

#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class MarketIndicesTest : public MarketingTest {};

TEST_F(MarketIndicesTest, DevelopmentAndOpportunityIndices) {
  const Value areas = column(1, 1, {50, 50});
  const Value brand = column(1, 2, {30, 10});
  const Value category = column(1, 3, {40, 60});
  const Value areas_in_row = row(5, 1, {50, 50});
  const Value brand_in_row = row(6, 1, {30, 10});
  struct Case {
    const char* label;
    const char* function;
    std::vector<Value> arguments;
    std::vector<double> expected;
    std::size_t rows;
  };
  const Case cases[] = {
      {"brand development", "kxBDI", {areas, brand}, {150, 50}, 2},
      {"brand development along a row", "kxBDI", {areas_in_row, brand_in_row}, {150, 50}, 1},
      {"given totals", "kxBDI", {areas, brand, 200.0, 80.0}, {150, 50}, 2},
      {"category development", "kxCDI", {areas, category}, {80, 120}, 2},
      {"market opportunity", "kxMOI", {areas, brand, category}, {80.0 / 150.0, 2.4}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call(c.function, c.arguments);
    EXPECT_EQ(result.array().rows(), c.rows);
    const std::vector<double> indices = numbers_in(result);
    ASSERT_EQ(indices.size(), c.expected.size());
    for (std::size_t i = 0; i < indices.size(); ++i) EXPECT_NEAR(indices[i], c.expected[i], 1e-13);
  }
  // An area without size, and a brand total of zero, give the error value.
  EXPECT_TRUE(is_value_error(call("kxBDI", {column(1, 5, {0, 50}), brand})));
  EXPECT_TRUE(is_value_error(call("kxMOI", {areas, column(1, 6, {0, 0}), category})));
  // Fewer area sizes than figures: the cells below them were never given.
  EXPECT_TRUE(is_value_error(call("kxBDI", {column(1, 7, {50}), brand})));
}

TEST_F(MarketIndicesTest, ShareTables) {
  const Value figures = table(1, 1, {{2.0, 6.0}, {8.0, 4.0}});
  struct Case {
    const char* label;
    std::int16_t direction;
    bool relative;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"within columns", 0, false, {0.2, 0.6, 0.8, 0.4}},
      {"against the column leader", 0, true, {0.25, 1, 1, 4.0 / 6.0}},
      {"within rows", 2, false, {0.25, 0.75, 8.0 / 12.0, 4.0 / 12.0}},
      {"against the row leader", 2, true, {2.0 / 6.0, 1, 1, 0.5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const std::vector<double> shares = numbers_in(call("kxSHARE", {figures, c.direction, c.relative}));
    ASSERT_EQ(shares.size(), 4U);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(shares[i], c.expected[i], 1e-15);
  }
  EXPECT_TRUE(is_value_error(call("kxSHARE", {table(4, 1, {{0.0, 1.0}, {0.0, 2.0}})})));
}

TEST_F(MarketIndicesTest, EvolutionIndex) {
  const Value previous = column(1, 1, {100, 200});
  const Value last = column(1, 2, {120, 210});
  const Value one_market = table(1, 4, {{1000.0, 1250.0}});
  const Value two_markets = table(3, 4, {{1000.0, 1100.0}, {500.0, 600.0}});
  struct Case {
    const char* label;
    std::vector<Value> arguments;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"the items' own market", {previous, last}, {100 * 1.2 / 1.1, 100 * 1.05 / 1.1}},
      {"one market row for every item", {previous, last, one_market}, {100 * 1.2 / 1.25, 100 * 1.05 / 1.25}},
      {"a market row per item", {previous, last, two_markets}, {100 * 1.2 / 1.1, 100 * 1.05 / 1.2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Value result = call("kxEI", c.arguments);
    EXPECT_EQ(result.array().columns(), 1U);
    const std::vector<double> indices = numbers_in(result);
    ASSERT_EQ(indices.size(), c.expected.size());
    for (std::size_t i = 0; i < indices.size(); ++i) EXPECT_NEAR(indices[i], c.expected[i], 1e-12);
  }
  EXPECT_TRUE(is_value_error(call("kxEI", {previous, column(1, 3, {1, 2, 3})})));
  EXPECT_TRUE(is_value_error(call("kxEI", {previous, last, column(6, 4, {1000})})));
}

TEST_F(MarketIndicesTest, SingleFigures) {
  const Value shares = column(1, 1, {0.5, 0.3, 0.2});
  const NumberCase cases[] = {
      {"brand equity", "kxBEI", {0.2, 10.0, 12.0, 1.1}, 0.264},
      {"brand equity with profit", "kxBEI", {0.2, 10.0, 12.0, 1.1, 2.0}, 0.528},
      {"concentration", "kxHERF", {shares}, 0.38},
      {"share against advertising share", "kxMSAR", {0.2, 0.1}, 2},
      {"share against advertising", "kxMSAR", {0.2, 50.0, 1000.0}, 4},
      {"relative to the best", "kxRELATIVE", {30.0, row(5, 1, {30, 60, 90})}, 1.0 / 3.0},
      {"relative to the average", "kxRELATIVE", {30.0, row(6, 1, {30, 60, 90}), true}, 0.5},
      {"price premium", "kxPREMIUM", {12.0, 10.0}, 0.2},
  };
  expect_numbers(cases, 1e-15);
  const FailureCase failures[] = {
      {"premium over nothing", "kxPREMIUM", {12.0, 0.0}, kx::error::kDivisionByZero},
      {"no advertising share", "kxMSAR", {0.2, 0.0}, kx::error::kDivisionByZero},
      {"concentration of an error value",
       "kxHERF",
       {Value(kx::ErrorValue{kx::error::kXlNA})},
       kx::error::kTypeMismatch},
  };
  expect_failures(failures);
}

TEST_F(MarketIndicesTest, PressureIndex) {
  const Value margins = column(1, 1, {30, 70});
  const Value costs = column(1, 2, {50, 50});
  const std::vector<double> linear = numbers_in(call("kxPRESS", {margins, costs}));
  const std::vector<double> squared = numbers_in(call("kxPRESS", {margins, costs, true}));
  ASSERT_EQ(linear.size(), 2U);
  EXPECT_NEAR(linear[0], 0.6, 1e-15);
  EXPECT_NEAR(linear[1], 1.4, 1e-15);
  EXPECT_NEAR(squared[0], 0.18, 1e-15);
  EXPECT_NEAR(squared[1], 0.98, 1e-15);
  // The totals are single-precision numbers: 0.1 + 0.2 is not kept to double precision.
  const std::vector<double> fine = numbers_in(call("kxPRESS", {column(1, 3, {0.1, 0.2}), costs}));
  EXPECT_EQ(fine[0], 0.1 / static_cast<double>(static_cast<float>(0.1 + 0.2)) / 0.5);
  EXPECT_EQ(failure_of("kxPRESS", {margins, column(1, 4, {0, 0})}), kx::error::kOverflow);
  EXPECT_EQ(failure_of("kxPRESS", {margins, column(1, 5, {50})}), kx::error::kTypeMismatch);
}

// Past 32767 rows no counter wraps: one index per row of the range, wherever it starts.
TEST_F(MarketIndicesTest, PressureIndexOfLongColumns) {
  for (const std::int32_t top : {1, 40000}) {
    for (const std::int32_t rows : {32767, 32768}) {
      SCOPED_TRACE(std::to_string(rows) + " rows from row " + std::to_string(top));
      std::vector<double> margins(static_cast<std::size_t>(rows));
      for (std::size_t i = 0; i < margins.size(); ++i) margins[i] = 1.0 + static_cast<double>(i % 4);
      const std::vector<double> costs(margins.size(), 2.0);
      // Margins 1, 2, 3, 4 repeated; whole totals, exactly held in single precision.
      double margin_total = 0.0;
      for (const double m : margins) margin_total += m;
      const double cost_total = 2.0 * rows;
      const std::vector<double> indices =
          numbers_in(call("kxPRESS", {column(top, 1, margins), column(top, 2, costs)}));
      ASSERT_EQ(indices.size(), margins.size());
      for (const std::size_t i : {std::size_t{0}, std::size_t{3}, margins.size() - 1}) {
        const double expected = (margins[i] / margin_total) / (2.0 / cost_total);
        EXPECT_NEAR(indices[i], expected, 1e-12 * expected) << "row " << i;
      }
    }
  }
}

}  // namespace
}  // namespace mktfn
