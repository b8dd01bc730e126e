// What drives an output in `kx simulate`'s report: contribution to variance, swing and
// scenarios, each recomputed here from the run's --csv file.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::read_columns;
using testing::run_kx;
using testing::scratch;

// Three inputs, one of them a count with many ties, and their weighted sum.
const char* const kDriversModel =
    "\"=kxNORMAL(0,1,,\"\"\"\")+kxNAME(\"\"X\"\")\",\"=A1+3*A2+0.5*A3+kxOUTPUT()+kxNAME(\"\"Total\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"U\"\")\"\n"
    "\"=kxPOISSON(3,,\"\"\"\")+kxNAME(\"\"K\"\")\"\n";

// Iteration numbers ordered by value, then by iteration.
std::vector<std::size_t> order_of(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  return order;
}

std::vector<double> average_ranks(const std::vector<double>& values) {
  const auto order = order_of(values);
  std::vector<double> ranks(values.size());
  for (std::size_t first = 0; first < order.size();) {
    std::size_t last = first;
    while (last < order.size() && values[order[last]] == values[order[first]]) ++last;
    for (std::size_t i = first; i < last; ++i) ranks[order[i]] = (static_cast<double>(first + last) + 1) / 2;
    first = last;
  }
  return ranks;
}

double spearman(const std::vector<double>& a, const std::vector<double>& b) {
  const auto ra = average_ranks(a), rb = average_ranks(b);
  const double ma = std::accumulate(ra.begin(), ra.end(), 0.0) / ra.size();
  const double mb = std::accumulate(rb.begin(), rb.end(), 0.0) / rb.size();
  double ab = 0, aa = 0, bb = 0;
  for (std::size_t i = 0; i < ra.size(); ++i) {
    ab += (ra[i] - ma) * (rb[i] - mb);
    aa += (ra[i] - ma) * (ra[i] - ma);
    bb += (rb[i] - mb) * (rb[i] - mb);
  }
  return ab / std::sqrt(aa * bb);
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

TEST(SimulateDrivers, ContributionSwingAndScenariosMatchTheIterations) {
  const fs::path model = scratch("model.csv");
  std::ofstream(model) << kDriversModel;
  const fs::path csv = scratch("runs.csv");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "3001", "--seed", "21", "--threads", "2", "--json",
                              "--csv", csv.string(), "--scenario", "Total<10%", "--scenario", "Total>2.5"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  const auto columns = read_columns(csv);
  const std::vector<double>& total = columns.at("Total");
  const std::size_t n = total.size();
  const char* const inputs[] = {"X", "U", "K"};

  double squares = 0;
  for (const char* input : inputs) squares += std::pow(spearman(columns.at(input), total), 2);
  const auto& sensitivity = report["outputs"][0]["sensitivity"];
  ASSERT_EQ(sensitivity.size(), std::size(inputs));
  for (const auto& entry : sensitivity) {
    const std::string name = entry["input"];
    SCOPED_TRACE(name);
    const std::vector<double>& values = columns.at(name);
    EXPECT_NEAR(entry["contribution_to_variance"].get<double>(), std::pow(spearman(values, total), 2) / squares, 1e-12);
    const auto order = order_of(values);
    double low = 0, high = 0;
    for (std::size_t i = 0; i < n / 10; ++i) {
      low += total[order[i]];
      high += total[order[n - 1 - i]];
    }
    EXPECT_NEAR(entry["swing"]["low"].get<double>(), low / static_cast<double>(n / 10), 1e-12);
    EXPECT_NEAR(entry["swing"]["high"].get<double>(), high / static_cast<double>(n / 10), 1e-12);
  }

  // The bottom tenth by the output's 10th percentile (linear between ranks), and a value.
  std::vector<double> sorted = total;
  std::sort(sorted.begin(), sorted.end());
  const double h = static_cast<double>(n - 1) * 0.1;
  const auto below = static_cast<std::size_t>(h);
  const double tenth = sorted[below] + (h - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
  struct Expected {
    const char* text;
    std::function<bool(double)> takes;
  };
  const Expected scenarios[] = {{"Total<10%", [&](double x) { return x < tenth; }},
                                {"Total>2.5", [](double x) { return x > 2.5; }}};
  const auto& shown = report["outputs"][0]["scenarios"];
  ASSERT_EQ(shown.size(), std::size(scenarios));
  for (std::size_t s = 0; s < std::size(scenarios); ++s) {
    SCOPED_TRACE(scenarios[s].text);
    EXPECT_EQ(shown[s]["scenario"], scenarios[s].text);
    std::vector<std::size_t> chosen;
    for (std::size_t i = 0; i < n; ++i) {
      if (scenarios[s].takes(total[i])) chosen.push_back(i);
    }
    EXPECT_EQ(shown[s]["iterations"].get<std::size_t>(), chosen.size());
    double previous = INFINITY;
    for (const auto& entry : shown[s]["inputs"]) {
      const std::string name = entry["input"];
      SCOPED_TRACE(name);
      const std::vector<double>& values = columns.at(name);
      std::vector<double> there;
      for (const std::size_t i : chosen) there.push_back(values[i]);
      const double mean = std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(n);
      double sq = 0;
      for (const double v : values) sq += (v - mean) * (v - mean);
      const double shift = (median(there) - median(values)) / std::sqrt(sq / static_cast<double>(n - 1));
      EXPECT_NEAR(entry["shift_in_std_devs"].get<double>(), shift, 1e-9);
      EXPECT_LE(std::abs(shift), previous + 1e-12);  // furthest first
      previous = std::abs(shift);
    }
  }
  fs::remove(model);
  fs::remove(csv);
}

TEST(SimulateDrivers, ScenarioMistakesGiveOneLine) {
  struct Case {
    const char* scenario;
    const char* message;
  };
  const Case cases[] = {
      {"Net present value=10%", "--scenario: 'Net present value=10%'"},
      {"Net present value<150%", "--scenario"},
      {"<10%", "--scenario"},
      {"Profit<10%", "no output Profit"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    const Outcome run = run_kx({"simulate", "-n", "10", "--scenario", c.scenario});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace cli
