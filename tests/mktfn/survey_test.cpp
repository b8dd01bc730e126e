// Survey coding, satisfaction indices, two-key lookups and customer-value measures.
#include <vector>

#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class SurveyTest : public MarketingTest {};

TEST_F(SurveyTest, CodingThroughACodeFrame) {
  const Value answers = column(1, 1, {1, 2, 3});
  const Value frame = column(1, 2, {1, 2});
  const Value codes = table(1, 3, {{"A"}, {"B"}});
  const Value coded = call("kxCODING", {answers, frame, codes});
  EXPECT_EQ(coded.array().columns(), 1U);
  EXPECT_EQ(coded.array().at(0, 0), Value("A"));
  EXPECT_EQ(coded.array().at(1, 0), Value("B"));
  EXPECT_EQ(coded.array().at(2, 0), Value(false));
  // A repeated entry codes by its first occurrence.
  const Value repeated =
      call("kxCODING", {column(1, 5, {2}), column(1, 6, {2, 2}), table(1, 7, {{"first"}, {"second"}})});
  EXPECT_EQ(repeated.array().at(0, 0), Value("first"));
  EXPECT_TRUE(is_value_error(call("kxCODING", {answers, frame, table(5, 3, {{"A"}, {"B"}, {"C"}})})));
}

TEST_F(SurveyTest, SatisfactionIndices) {
  const Value scores = column(1, 1, {3, 5, 4, 2});
  const Value weights = column(1, 2, {1, 1, 1, 2});
  const Value groups = table(1, 3, {{"north"}, {"north"}, {"north"}, {"south"}});
  const NumberCase cases[] = {
      {"mean score 4 of 5, weight 1", "kxCSII", {column(6, 1, {4, 4}), column(6, 2, {1, 1}), 5}, 0.75},
      {"a group's means", "kxCSII", {scores, weights, 5, groups, "north"}, 0.75},
      {"another group", "kxCSII", {scores, weights, 5, groups, "south"}, 0.5},
      {"from frequencies", "kxCSIW", {column(8, 1, {0.1, 0.3, 0.6}), column(8, 2, {1, 2, 3})}, 2.5 / 3},
  };
  expect_numbers(cases, 1e-15);
  const FailureCase failures[] = {
      {"a one-point scale", "kxCSII", {scores, weights, 1}, kx::error::kDivisionByZero},
      {"an empty group", "kxCSII", {scores, weights, 5, groups, "east"}, kx::error::kOverflow},
      {"no weights", "kxCSIW", {column(8, 4, {0.5, 0.5}), column(8, 5, {0, 0})}, kx::error::kOverflow},
  };
  expect_failures(failures);
}

TEST_F(SurveyTest, TwoKeyLookups) {
  const Value database = table(
      1, 1,
      {{"north", "A", 10.0}, {"north", "B", 20.0}, {"south", "A", 0.1}, {"north", "A", 35.0}, {"south", "A", 0.2}});
  // The running sum is rounded to single precision after each addition.
  const double south_sum = static_cast<float>(static_cast<double>(0.1F) + 0.2);
  struct Case {
    const char* label;
    const char* function;
    Value first;
    Value second;
    double expected;
  };
  const Case cases[] = {
      {"count", "kxDBCOUNT", "north", "A", 2},
      {"sum", "kxDBSUM", "north", "A", 45},
      {"average", "kxDBAVG", "north", "A", 22.5},
      {"no match", "kxDBCOUNT", "east", "A", 0},
      {"no match, sum", "kxDBSUM", "east", "A", 0},
      // Sums and averages are single-precision numbers.
      {"single-precision sum", "kxDBSUM", "south", "A", south_sum},
      {"single-precision average", "kxDBAVG", "south", "A", static_cast<float>(south_sum / 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(call(c.function, {c.first, 1.0, c.second, 2.0, 3.0, database}), Value(c.expected));
  }
  EXPECT_EQ(failure_of("kxDBAVG", {"east", 1.0, "A", 2.0, 3.0, database}), kx::error::kOverflow);
  EXPECT_EQ(failure_of("kxDBSUM", {"north", 1.0, "A", 2.0, 4.0, database}), kx::error::kSubscriptOutOfRange);
}

TEST_F(SurveyTest, CustomerValue) {
  EXPECT_EQ(call("kxPERFCV", {1.2, 1.05}), Value(1.2 - 1.05));
  EXPECT_EQ(call("kxPERFO", {column(1, 1, {2, 3, 4, 7})}), Value(4.0));
  EXPECT_EQ(call("kxPERFR", {50.0, row(2, 2, {40, 60})}), Value(100.0));
  EXPECT_EQ(failure_of("kxPERFR", {50.0, row(3, 2, {0, 0})}), kx::error::kDivisionByZero);
}

}  // namespace
}  // namespace mktfn
