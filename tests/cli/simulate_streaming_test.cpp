// `kx simulate --summary streaming`: the same run as the exact report, summarised without its
// values: the same moments, extremes and target shares, percentiles within the rank error it
// states, and marked approximate in every output.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

using nlohmann::json;
using testing::Outcome;
using testing::run_kx;

TEST(SimulateStreaming, PercentilesLieWithinTheStatedRankErrorOfTheExactOnes) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"plain", {"simulate", "-n", "40000", "--seed", "31"}},
      {"latin hypercube", {"simulate", "-n", "30000", "--seed", "32", "--sampling", "lhs"}},
  };
  const std::vector<double> asked{0.5, 5, 25, 50, 75, 95, 99.5};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> streaming = c.arguments;
    streaming.insert(streaming.end(), {"--summary", "streaming", "--json", "--target", "0", "--percentiles",
                                       "0.5,5,25,50,75,95,99.5"});
    const Outcome streamed = run_kx(streaming);
    ASSERT_EQ(streamed.status, 0) << streamed.err;
    const json approximate = json::parse(streamed.out);
    EXPECT_EQ(approximate["summary"], "streaming");
    EXPECT_EQ(approximate["approximate"], true);
    const double error = approximate["percentile_rank_error"].get<double>();
    EXPECT_GT(error, 0);  // the sketch did halve its levels: the bound is not trivially met
    EXPECT_LT(error, 0.002);

    // The exact report at every asked percentile and at the ends of its allowed band of ranks.
    const double n = approximate["iterations"].get<double>();
    const double band = 100 * (error + 1 / n);
    std::vector<std::string> labels;
    for (const double k : asked) {
      for (const double shifted : {std::max(0.0, k - band), k, std::min(100.0, k + band)})
        labels.push_back(fmt::format("{}", shifted));
    }
    std::vector<std::string> whole = c.arguments;
    std::string list;
    for (const std::string& label : labels) list += (list.empty() ? "" : ",") + label;
    whole.insert(whole.end(), {"--json", "--target", "0", "--percentiles", list});
    const Outcome exact_run = run_kx(whole);
    ASSERT_EQ(exact_run.status, 0) << exact_run.err;
    const json exact = json::parse(exact_run.out);

    for (const char* kind : {"outputs", "inputs"}) {
      for (std::size_t i = 0; i < exact[kind].size(); ++i) {
        const json& e = exact[kind][i];
        const json& a = approximate[kind][i];
        SCOPED_TRACE(e["name"].get<std::string>());
        EXPECT_EQ(a["count"], e["count"]);
        EXPECT_NEAR(a["mean"].get<double>(), e["mean"].get<double>(), 1e-9 * std::abs(e["mean"].get<double>()));
        EXPECT_NEAR(a["std_dev"].get<double>(), e["std_dev"].get<double>(), 1e-9 * e["std_dev"].get<double>());
        EXPECT_EQ(a["min"], e["min"]);
        EXPECT_EQ(a["max"], e["max"]);
        if (std::string(kind) == "outputs") {
          EXPECT_EQ(a["targets"][0]["at_or_below"], e["targets"][0]["at_or_below"]);
        }
        for (std::size_t p = 0; p < asked.size(); ++p) {
          SCOPED_TRACE(asked[p]);
          const double x = a["percentiles"][fmt::format("{}", asked[p])].get<double>();
          EXPECT_GE(x, e["percentiles"][labels[3 * p]].get<double>());
          EXPECT_LE(x, e["percentiles"][labels[3 * p + 2]].get<double>());
        }
      }
    }
  }
}

TEST(SimulateStreaming, TheTextSaysWhetherItIsApproximate) {
  struct Case {
    const char* iterations;
    const char* said;
  };
  // The sketch keeps a few thousand values apart before it halves any.
  const Case cases[] = {{"2000", "streaming summary: the percentiles are exact"},
                        {"20000", "streaming summary: the percentiles are approximate, each within"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.iterations);
    const Outcome run = run_kx({"simulate", "-n", c.iterations, "--seed", "1", "--summary", "streaming"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.said), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("50% ~"), std::string::npos) << run.out;
  }
}

TEST(SimulateStreaming, OptionsThatNeedEveryValueAreRefused) {
  struct Case {
    std::vector<std::string> extra;
    const char* message;
  };
  const Case cases[] = {
      {{"--csv", "runs.csv"}, "--summary streaming keeps no values: --csv needs the exact report"},
      {{"--plot", "report.png"}, "--plot needs the exact report"},
      {{"--xlsx", "report.xlsx"}, "--xlsx needs the exact report"},
      {{"--scenario", "Net present value<10%"}, "--scenario needs the exact report"},
      {{"--part", "1/2", "--partial", "part.kxr"}, "--part needs the exact report"},
      {{"--precision", "1%"}, "--precision needs the exact report"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    std::vector<std::string> arguments{"simulate", "-n", "100", "--seed", "1", "--summary", "streaming"};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    const Outcome run = run_kx(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

}  // namespace
}  // namespace cli
