// The Bass model: the continuous and the period-by-period forms, and the least-squares
// estimate of m, p and q against numpy.
#include <string>
#include <vector>

#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class BassDiffusionTest : public MarketingTest {
 protected:
  Value estimate(const Value& sales) { return call("STANDBYkxBASSest", {sales}); }
};

TEST_F(BassDiffusionTest, PeriodByPeriodAdopters) {
  struct Case {
    const char* label;
    double market;
    double period;
    bool whole;
    double expected;
  };
  const Case cases[] = {
      {"first period", 1000, 1, false, 30},
      {"second period", 1000, 2, false, 40.158},
      {"second period, whole", 1000, 2, true, 40},
      {"third period", 1000, 3, false, (0.03 + 0.38 * 70.158 / 1000) * (1000 - 70.158)},
      {"before the first period", 1000, 0, false, 0},
      {"negative period", 1000, -3, false, 0},
      {"between the first two periods", 1000, 1.5, false, 30},
      {"long after saturation", 1000, 32768, false, 0},
      {"past a 16-bit period", 1000, 32769, false, 0},
      {"a trillion periods", 1000, 1e12, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_NEAR(call("OLDkxBASS", {c.market, 0.03, 0.38, c.period, c.whole}).number(), c.expected, 1e-9);
  }
  EXPECT_EQ(failure_of("OLDkxBASS", {0.0, 0.03, 0.38, 2.0}), kx::error::kOverflow);
}

// With p + q above 2 the recursion never settles on m but cycles: a long run ends where the
// run through every period ends.
TEST_F(BassDiffusionTest, PeriodByPeriodAdoptersThatCycle) {
  const auto by_recursion = [](double m, double p, double q, int period) {
    double cumulative = 0.0;
    for (int t = 1; t < period; ++t) cumulative += (p + q * cumulative / m) * (m - cumulative);
    return (p + q * cumulative / m) * (m - cumulative);
  };
  struct Case {
    double p;
    double q;
    double period;
    int same_as;  // a shorter run that ends at the same place in the cycle
  } cases[] = {
      {0.5, 1.7, 1e12, 1000},       {0.5, 1.7, 1e12 + 1, 1001}, {0.2, 2.3, 4e9, 4000},
      {0.2, 2.3, 4e9 + 3, 4003},     {0.03, 0.38, 5e5, 5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.p) + ", " + std::to_string(c.q) + " at " + std::to_string(c.period));
    const double expected = by_recursion(1000, c.p, c.q, c.same_as);
    EXPECT_NEAR(call("OLDkxBASS", {1000.0, c.p, c.q, c.period}).number(), expected, 1e-9 * std::fabs(expected) + 1e-12);
  }
}

TEST_F(BassDiffusionTest, ContinuousAdoptersPerPeriod) {
  const Value adopters = call("STANDBYkxBASS", {0.03, 0.38, 1000.0, 3, 1});
  ASSERT_EQ(adopters.array().rows(), 3U);
  ASSERT_EQ(adopters.array().columns(), 1U);
  for (int t = 0; t < 3; ++t) {
    SCOPED_TRACE(t);
    const double e = std::exp(-0.41 * t);
    EXPECT_NEAR(adopters.array().at(t, 0).number(), 1000 * 0.41 * 0.41 / 0.03 * e / std::pow(1 + 0.38 / 0.03 * e, 2),
                1e-9);
  }
  EXPECT_EQ(adopters.array().at(0, 0), Value(30.0));
  // Elements that cannot be computed stay empty; no periods give no column.
  EXPECT_EQ(call("STANDBYkxBASS", {0.0, 0.38, 1000.0, 2, 1}).array().at(1, 0), Value());
  EXPECT_EQ(call("STANDBYkxBASS", {0.03, 0.38, 1000.0, 0, 1}), Value());
}

TEST_F(BassDiffusionTest, EstimateAgreesWithNumpy) {
  std::int32_t left = 1;
  for (const auto& c : marketing_values()["bass_fit"]) {
    SCOPED_TRACE(c["label"].get<std::string>());
    const Value result = estimate(column(1, left++, c["sales"].get<std::vector<double>>()));
    const std::vector<double> expected = c["expected"];
    const std::vector<double> fitted = numbers_in(result);
    ASSERT_EQ(fitted.size(), 3U);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NEAR(fitted[i], expected[i], 1e-8 * std::fabs(expected[i])) << i;
  }
}

TEST_F(BassDiffusionTest, EstimateWithoutMarketPotential) {
  struct Case {
    const char* label;
    std::vector<double> sales;
  };
  const Case cases[] = {
      // S = 10 + 0.5·Y + 0.01·Y², which never comes back to 0.
      {"sales still accelerating", {10, 16, 29.76, 68.971776, 227.9460474411418}},
      {"no sales at all", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_TRUE(is_value_error(estimate(column(1, 1, c.sales))));
  }
  EXPECT_EQ(estimate(column(1, 2, {5, 8})), Value());
  EXPECT_EQ(failure_of("STANDBYkxBASSest", {Value(kx::ObjectRef(spreadsheet_))}), kx::error::kObjectRequired);
}

}  // namespace
}  // namespace mktfn
