// F at every observation, evaluated on several threads and kept from the dialog's run for the
// statistics: the same values, the same failure and the same fits as evaluated one by one.
#include "riskfn/fitting/cumulative_values.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/failure.hpp"
#include "riskfn/fitting/likelihood.hpp"
#include "riskfn/fitting/parallel_indices.hpp"
#include "tests/riskfn/fitting_fixture.hpp"

namespace riskfn {
namespace {

// Ascending, each value three times: equal neighbours share one evaluation.
std::vector<double> sorted_with_ties(std::size_t count) {
  std::vector<double> sorted(count);
  for (std::size_t i = 0; i < count; ++i) sorted[i] = static_cast<double>(i / 3) * 0.25;
  return sorted;
}

TEST(CumulativeValues, EqualEvaluationInOrderForAnyLength) {
  const std::size_t counts[] = {0, 1, 7, 39'999, 40'000, 100'001};
  for (const std::size_t count : counts) {
    SCOPED_TRACE(count);
    const std::vector<double> sorted = sorted_with_ties(count);
    std::atomic<std::size_t> calls = 0;
    const auto f = [&](double x) {
      ++calls;
      return 1.0 - std::exp(-x / 7.0);
    };
    const std::vector<double> values = fitting::cumulative_at_each(sorted, f);
    ASSERT_EQ(values.size(), count);
    for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(values[i], 1.0 - std::exp(-sorted[i] / 7.0)) << i;
    // At most one evaluation per distinct value and block.
    EXPECT_LE(calls.load(), (count + 2) / 3 + 4);
  }
}

TEST(CumulativeValues, RaiseTheFailureOfTheFirstFailingObservation) {
  struct Case {
    const char* label;
    std::set<double> failing;  // observations whose F fails
    std::string expected;      // the message raised; empty for none
  };
  const std::vector<double> sorted = sorted_with_ties(120'000);
  const Case cases[] = {
      {"none", {}, ""},
      {"one late", {7250.0}, "at 7250"},
      {"one in each half", {2.5, 7250.0}, "at 2.5"},
      {"the second half only", {6250.0, 5000.0}, "at 5000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto f = [&](double x) {
      if (c.failing.contains(x))
        throw kx::Failure(kx::error::kInvalidCall, "at " + kx::format_general(x));
      return x / 10'000.0;
    };
    if (c.expected.empty()) {
      EXPECT_EQ(fitting::cumulative_at_each(sorted, f).size(), sorted.size());
      continue;
    }
    try {
      fitting::cumulative_at_each(sorted, f);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(std::string(failure.what()).substr(std::string(failure.what()).find("at ")), c.expected);
    }
  }
}

TEST(ParallelIndices, RunEachIndexOnceAndRaiseTheLowestFailure) {
  struct Case {
    std::size_t count;
    std::set<std::size_t> failing;
    int expected;  // the index whose failure is raised; -1 for none
  };
  const Case cases[] = {{0, {}, -1}, {1, {}, -1}, {26, {}, -1}, {26, {25, 3, 17}, 3}, {5, {4}, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " pieces");
    std::vector<std::atomic<int>> runs(c.count);
    int raised = -1;
    try {
      fitting::run_indices_in_parallel(c.count, [&](std::size_t i) {
        ++runs[i];
        if (c.failing.contains(i)) throw static_cast<int>(i);
      });
    } catch (int index) {
      raised = index;
    }
    EXPECT_EQ(raised, c.expected);
    for (std::size_t i = 0; i < c.count; ++i) EXPECT_EQ(runs[i].load(), 1) << i;
  }
}

TEST(CumulativeMemo, HandsKeptValuesOnlyForTheSameFitAndDropsThemOnAnyTake) {
  fitting::CandidateFit gamma;
  gamma.slots = {2.0, 3.0, "--", "--", "--"};
  fitting::CandidateFit other = gamma;
  other.slots[1] = 3.0000000001;
  struct Case {
    const char* label;
    std::int32_t code;
    const fitting::CandidateFit* fit;
    std::size_t count;
    bool found;
    bool still_kept;  // the values for the gamma fit after the take
  };
  const Case cases[] = {
      {"another candidate", 37, &gamma, 3, false, true},
      {"other parameters", 13, &other, 3, false, false},
      {"other observations", 13, &gamma, 4, false, false},
      {"the same fit", 13, &gamma, 3, true, false},
  };
  const std::vector<double> values{0.1, 0.5, 0.9};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fitting::CumulativeMemo memo;
    memo.keep(13, gamma, values);
    const auto taken = memo.take(c.code, *c.fit, c.count);
    ASSERT_EQ(taken.has_value(), c.found);
    if (taken) { EXPECT_EQ(*taken, values); }
    EXPECT_EQ(memo.take(13, gamma, 3).has_value(), c.still_kept);
  }
}

// Long enough for several threads: the dialog's values, kept and reused, give the statistics
// computed afresh, candidate by candidate.
TEST_F(FittingTest, StatisticsFromTheDialogsValuesEqualThoseComputedAfresh) {
  std::mt19937_64 engine(27);
  std::gamma_distribution<double> gamma(2.5, 3.0);
  std::vector<double> values(60'000);
  for (double& v : values) v = gamma(engine);
  const kx::RangeRef data = put_data(values);
  std::sort(values.begin(), values.end());
  const auto kept = std::make_shared<fitting::CumulativeMemo>();
  main_->pdf()->keep_cumulatives_in(kept);
  host::FittingDialog::create(all(), true, true)->fit(*main_->pdf(), data);
  main_->pdf()->keep_cumulatives_in(nullptr);
  const fitting::CandidateSet reused(*main_, values, kx::Value(data), kept);
  const fitting::CandidateSet fresh(*main_, values, kx::Value(data));
  int compared = 0;
  for (const fitting::Candidate& candidate : fitting::candidates()) {
    if (candidate.kind != fitting::Kind::Continuous) continue;
    SCOPED_TRACE(name_of(candidate.code));
    const fitting::FittedCandidate a = reused.fit(candidate);
    const fitting::FittedCandidate b = fresh.fit(candidate);
    ASSERT_EQ(a.distance, b.distance);
    ASSERT_EQ(a.cumulative, b.cumulative);
    const auto sa = fitting::fit_statistics(reused, a);
    const auto sb = fitting::fit_statistics(fresh, b);
    ASSERT_EQ(sa.has_value(), sb.has_value());
    if (!sa) continue;
    EXPECT_EQ(sa->anderson_darling, sb->anderson_darling);
    EXPECT_EQ(sa->kolmogorov_smirnov, sb->kolmogorov_smirnov);
    EXPECT_EQ(sa->log_likelihood, sb->log_likelihood);
    ++compared;
  }
  EXPECT_GE(compared, 10);
}

}  // namespace
}  // namespace riskfn
