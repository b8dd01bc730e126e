// Growth, time and planning: the worked examples of every function and their failures.
#include <vector>

#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class PlanningTest : public MarketingTest {};

TEST_F(PlanningTest, SingleFigures) {
  const NumberCase cases[] = {
      {"growth back", "kxGROWTHBACK", {110.0, 0.1}, 100},
      {"growth back after a total loss", "kxGROWTHBACK", {110.0, -1.0}, 0},
      {"growth back after more than a total loss", "kxGROWTHBACK", {110.0, -2.0}, 0},
      {"compound growth over two periods", "kxCAGR", {121.0, 100.0}, 0.1},
      {"compound growth over three periods", "kxCAGR", {133.1, 100.0, 3}, 0.1},
      {"learning curve, second unit", "kxLEARN", {100.0, 0.8, 2.0}, 80},
      {"learning curve, fourth unit", "kxLEARN", {100.0, 0.8, 4.0}, 64},
      {"PERT time", "kxPERTT", {2.0, 4.0, 12.0}, 5},
      {"PERT deviation", "kxPERTSD", {2.0, 12.0}, 10.0 / 6.0},
      {"PERT variance", "kxPERTVAR", {2.0, 12.0}, 100.0 / 36.0},
      {"rating points", "kxGRP", {0.6, 3.0}, 180},
      {"rating points of a schedule", "kxGRP", {column(1, 1, {0.6, 0.2}), column(1, 2, {3, 2})}, 220},
      {"buying rate, first time", "kxBUYRATE", {1000.0, 0.1, 1}, 100},
      {"buying rate, second time", "kxBUYRATE", {1000.0, 0.1, 2}, 190},
      {"buying rate, third time", "kxBUYRATE", {1000.0, 0.1, 3}, 343.9},
      {"buying rate, no time", "kxBUYRATE", {1000.0, 0.1, 0}, 0},
      {"long-run share", "kxREBUY", {0.2, 0.6}, 1.0 / 3.0},
      {"repeat buying", "kxREBUYS", {0.5}, 2},
      {"break-even quantity", "kxBEP", {10.0, 6.0, 400.0}, 100},
      {"break-even revenue", "kxBEP", {10.0, 6.0, 400.0, true}, 1000},
      // Commission is a single-precision number.
      {"break-even quantity with commission", "kxBEPR", {10.0, 6.0, 400.0, 0.2}, 400 / (4 - 10 * double{0.2F})},
      {"break-even revenue with commission", "kxBEPR", {10.0, 6.0, 400.0, 0.2, true}, 4000 / (4 - 10 * double{0.2F})},
  };
  expect_numbers(cases, 1e-12);
}

// 100 · Reach · Frequency multiplied from the left, as the rating points are defined: a reach
// that 100 turns into a whole percentage gives whole points.
TEST_F(PlanningTest, RatingPointsAreExactForWholePercentages) {
  const struct {
    Value reach;
    Value frequency;
    double points;
  } cases[] = {
      {0.6, 3.0, 180},
      {0.35, 7.0, 245},
      {column(1, 1, {0.6, 0.35}), column(1, 2, {3, 7}), 425},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.points);
    EXPECT_EQ(call("kxGRP", {c.reach, c.frequency}), Value(c.points));
  }
}

TEST_F(PlanningTest, Tables) {
  const Value previous = table(1, 1, {{100.0, 200.0}, {50.0, 80.0}});
  const Value latest = table(1, 3, {{110.0, 150.0}, {75.0, 80.0}});
  const std::vector<double> growth = numbers_in(call("kxGROWTH", {previous, latest}));
  const double expected_growth[] = {110.0 / 100 - 1, -0.25, 0.5, 0};
  ASSERT_EQ(growth.size(), 4U);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(growth[i], expected_growth[i]);

  const Value start = table(5, 1, {{0.0}});
  const Value end = table(5, 5, {{100.0}});
  EXPECT_EQ(numbers_in(call("kxINTERPOLE", {start, end})), (std::vector<double>{25, 50, 75}));
  const Value bottom = table(9, 1, {{10.0}});
  EXPECT_EQ(numbers_in(call("kxINTERPOLE", {start, bottom})), (std::vector<double>{2.5, 5, 7.5}));

  const Value sales = column(10, 2, {10, 20, 30, 40, 50});
  const Value seasons = call("kxSEASON", {sales, 2});
  EXPECT_EQ(seasons.array().columns(), 1U);
  EXPECT_EQ(numbers_in(seasons), (std::vector<double>{30, 30}));
  // A position of the cycle without observations stays empty.
  const Value sparse = call("kxSEASON", {column(20, 2, {10, 20}), 3});
  EXPECT_EQ(sparse.array().at(2, 0), Value());
}

TEST_F(PlanningTest, Failures) {
  const Value one = table(1, 1, {{1.0}});
  const Value next_door = table(1, 2, {{2.0}});
  const Value elsewhere = table(3, 3, {{5.0}});
  const FailureCase cases[] = {
      {"growth from nothing", "kxGROWTH", {table(5, 1, {{0.0}}), one}, kGivesValueError},
      {"growth of a number, not a range", "kxGROWTH", {1.0, 2.0}, kGivesValueError},
      {"growth to a smaller table", "kxGROWTH", {table(7, 1, {{1.0, 2.0}}), one}, kGivesValueError},
      {"rating points of a shorter schedule",
       "kxGRP",
       {column(9, 1, {0.6, 0.2, 0.1}), column(9, 2, {3, 2})},
       kx::error::kTypeMismatch},
      {"growth back of a text", "kxGROWTHBACK", {"much", 0.1}, kGivesValueError},
      {"interpolation between neighbours", "kxINTERPOLE", {one, next_door}, kGivesValueError},
      {"interpolation off the row and column", "kxINTERPOLE", {one, elsewhere}, kGivesValueError},
      {"interpolation of numbers", "kxINTERPOLE", {0.0, 100.0}, kGivesValueError},
      {"season starting after its end", "kxSEASON", {one, 2, 3}, kGivesValueError},
      {"season without a length", "kxSEASON", {one}, kx::error::kDivisionByZero},
      {"compound growth from nothing", "kxCAGR", {121.0, 0.0}, kx::error::kDivisionByZero},
      {"compound growth of a negative ratio", "kxCAGR", {-121.0, 100.0}, kx::error::kInvalidCall},
      {"learning rate of zero", "kxLEARN", {100.0, 0.0, 2.0}, kx::error::kHostFailure},
      {"break-even without margin", "kxBEP", {6.0, 6.0, 400.0}, kx::error::kDivisionByZero},
      {"repeat buying for sure", "kxREBUYS", {1.0}, kx::error::kDivisionByZero},
      {"long-run share without switching", "kxREBUY", {0.0, 1.0}, kx::error::kOverflow},
      {"buying rate too long", "kxBUYRATE", {1000.0, -0.5, 3000}, kx::error::kOverflow},
  };
  expect_failures(cases);
}

}  // namespace
}  // namespace mktfn
