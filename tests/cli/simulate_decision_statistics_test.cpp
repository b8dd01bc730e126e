// The figures `kx simulate` gives to decide on: target probabilities, chosen percentiles, their
// confidence intervals and the base case, each recomputed here from the run's --csv file.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
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
using testing::model_file;

// A normal input, a skewed output of it and a second output.
const char* const kDecisionModel =
    "\"=kxNORMAL(0,1,,\"\"\"\")+kxNAME(\"\"Driver\"\")\",\"=EXP(A1)+kxOUTPUT()+kxNAME(\"\"Cost\"\")\","
    "\"=10*A1+50+kxOUTPUT()+kxNAME(\"\"Scaled\"\")\"\n";

// Linear between the closest ranks, as the spreadsheet's PERCENTILE.
double percentile_of(const std::vector<double>& sorted, double k) {
  const double h = (static_cast<double>(sorted.size()) - 1) * k / 100;
  const auto i = static_cast<std::size_t>(h);
  return i + 1 < sorted.size() ? sorted[i] + (h - static_cast<double>(i)) * (sorted[i + 1] - sorted[i]) : sorted.back();
}

// The smallest x with P(B <= x) >= q for B binomial(n, p), its probabilities summed term by term.
std::int64_t binomial_quantile(std::int64_t n, double p, double q) {
  double cumulative = 0;
  for (std::int64_t x = 0; x <= n; ++x) {
    const double nx = static_cast<double>(n), kx = static_cast<double>(x);
    cumulative += std::exp(std::lgamma(nx + 1) - std::lgamma(kx + 1) - std::lgamma(nx - kx + 1) + kx * std::log(p) +
                           (nx - kx) * std::log1p(-p));
    if (cumulative >= q) return x;
  }
  return n;
}

// Student's t quantile of 97.5% by bisection on the density integrated with Simpson's rule.
double t_quantile_975(double df) {
  const double c = std::exp(std::lgamma((df + 1) / 2) - std::lgamma(df / 2)) / std::sqrt(df * std::numbers::pi);
  const auto density = [&](double t) { return c * std::pow(1 + t * t / df, -(df + 1) / 2); };
  const auto cdf = [&](double x) {
    constexpr int kSteps = 2000;
    const double h = x / kSteps;
    double sum = density(0) + density(x);
    for (int i = 1; i < kSteps; ++i) sum += density(i * h) * (i % 2 ? 4 : 2);
    return 0.5 + sum * h / 3;
  };
  double low = 0, high = 20;
  for (int i = 0; i < 60; ++i) (cdf((low + high) / 2) < 0.975 ? low : high) = (low + high) / 2;
  return (low + high) / 2;
}

TEST(SimulateDecisionStatistics, TargetsPercentilesAndIntervalsMatchTheIterations) {
  const fs::path model = model_file("model.csv", kDecisionModel);
  const fs::path csv = scratch("runs.csv");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "2000", "--seed", "77", "--csv", csv.string(),
                              "--json", "--percentiles", "1, 10,50,90,99.5", "--target", "1", "--target",
                              "Cost<=2.5", "--target", "Scaled <= 45"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["seed"], "77");  // digits in a string
  const auto columns = read_columns(csv);

  struct Expected {
    const char* output;
    std::vector<double> targets;
  };
  const Expected expected[] = {{"Cost", {1, 2.5}}, {"Scaled", {1, 45}}};
  const char* const labels[] = {"1", "10", "50", "90", "99.5"};
  const double ks[] = {1, 10, 50, 90, 99.5};
  for (std::size_t o = 0; o < std::size(expected); ++o) {
    SCOPED_TRACE(expected[o].output);
    const auto& output = report["outputs"][o];
    ASSERT_EQ(output["name"], expected[o].output);
    std::vector<double> values = columns.at(expected[o].output);
    std::sort(values.begin(), values.end());
    const auto n = static_cast<std::int64_t>(values.size());

    ASSERT_EQ(output["targets"].size(), expected[o].targets.size());
    for (std::size_t t = 0; t < expected[o].targets.size(); ++t) {
      const double x = expected[o].targets[t];
      const auto at_or_below = std::count_if(values.begin(), values.end(), [&](double v) { return v <= x; });
      EXPECT_EQ(output["targets"][t]["value"].get<double>(), x);
      EXPECT_DOUBLE_EQ(output["targets"][t]["at_or_below"].get<double>(), static_cast<double>(at_or_below) / n);
    }

    ASSERT_EQ(output["percentiles"].size(), std::size(labels));
    for (std::size_t p = 0; p < std::size(labels); ++p) {
      SCOPED_TRACE(labels[p]);
      EXPECT_NEAR(output["percentiles"][labels[p]].get<double>(), percentile_of(values, ks[p]), 1e-12);
      const std::int64_t low = std::max<std::int64_t>(1, binomial_quantile(n, ks[p] / 100, 0.025));
      const std::int64_t high = std::min<std::int64_t>(n, binomial_quantile(n, ks[p] / 100, 0.975) + 1);
      const auto& interval = output["percentile_ci95"][labels[p]];
      EXPECT_EQ(interval[0].get<double>(), values[static_cast<std::size_t>(low - 1)]);
      EXPECT_EQ(interval[1].get<double>(), values[static_cast<std::size_t>(high - 1)]);
    }

    double sum = 0;
    for (const double v : values) sum += v;
    const double mean = sum / static_cast<double>(n);
    double squares = 0;
    for (const double v : values) squares += (v - mean) * (v - mean);
    const double half = t_quantile_975(static_cast<double>(n - 1)) * std::sqrt(squares / static_cast<double>(n - 1)) /
                        std::sqrt(static_cast<double>(n));
    EXPECT_NEAR(output["mean_ci95"][0].get<double>(), mean - half, 1e-9 * (1 + std::abs(mean)));
    EXPECT_NEAR(output["mean_ci95"][1].get<double>(), mean + half, 1e-9 * (1 + std::abs(mean)));
  }
  // The normal input at its mean: EXP(0) and 10*0+50.
  EXPECT_EQ(report["outputs"][0]["base_case"].get<double>(), 1.0);
  EXPECT_EQ(report["outputs"][1]["base_case"].get<double>(), 50.0);
  fs::remove(model);
  fs::remove(csv);
}

TEST(SimulateDecisionStatistics, PrecisionStopsWithinItAndTheSameForEveryThreadCount) {
  const fs::path model = model_file("precision.csv", kDecisionModel);
  const fs::path csv = scratch("precision_runs.csv");
  struct Case {
    const char* precision;
    bool relative;
    double amount;
  };
  const Case cases[] = {{"2%", true, 0.02}, {"0.25", false, 0.25}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.precision);
    const auto arguments = [&](const char* threads) {
      return std::vector<std::string>{"simulate", model.string(), "-n",     "1000000",   "--seed", "8",   "--json",
                                      "--threads", threads,        "--csv", csv.string(), "--precision", c.precision};
    };
    const Outcome one = run_kx(arguments("1"));
    const Outcome two = run_kx(arguments("2"));
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(one.out, two.out);
    const auto report = nlohmann::json::parse(two.out);
    EXPECT_TRUE(report["precision"]["met"].get<bool>());
    EXPECT_EQ(report["precision"]["iteration_cap"].get<std::int64_t>(), 1000000);
    const auto n = report["iterations"].get<std::int64_t>();
    EXPECT_LT(n, 1000000);
    const auto columns = read_columns(csv);
    for (const char* output : {"Cost", "Scaled"}) {
      SCOPED_TRACE(output);
      const std::vector<double>& values = columns.at(output);
      ASSERT_EQ(static_cast<std::int64_t>(values.size()), n);
      double sum = 0;
      for (const double v : values) sum += v;
      const double mean = sum / static_cast<double>(n);
      double squares = 0;
      for (const double v : values) squares += (v - mean) * (v - mean);
      const double half = t_quantile_975(static_cast<double>(n - 1)) *
                          std::sqrt(squares / static_cast<double>(n - 1) / static_cast<double>(n));
      EXPECT_LE(half, c.relative ? c.amount * std::abs(mean) : c.amount);
    }
  }
  // A run that cannot reach it stops at the cap and says so.
  const Outcome capped = run_kx({"simulate", model.string(), "-n", "1500", "--seed", "8", "--precision", "0.01%"});
  ASSERT_EQ(capped.status, 0) << capped.err;
  EXPECT_NE(capped.out.find("stopped at the cap of 1500 iterations"), std::string::npos) << capped.out;
  fs::remove(model);
  fs::remove(csv);
}

TEST(SimulateDecisionStatistics, ReportFitsANarrowTerminal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script program for a terminal";
  for (const int columns : {50, 80}) {
    SCOPED_TRACE(columns);
    // The report on a pseudo-terminal of that width.
    const std::string command = fmt::format("script -qec \"stty cols {}; {} simulate -n 500 --seed 2 --target 0\" /dev/null",
                                            columns, testing::kx_program().string());
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (std::size_t read = 0; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, read);
    ASSERT_EQ(pclose(pipe), 0) << out;
    EXPECT_NE(out.find("Output Net present value"), std::string::npos) << out;
    EXPECT_NE(out.find("at or below 0"), std::string::npos) << out;
    std::stringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const auto width = std::count_if(line.begin(), line.end(), [](char ch) { return (ch & 0xc0) != 0x80; });
      EXPECT_LE(width, columns) << line;
    }
  }
}

TEST(SimulateDecisionStatistics, TextReportShowsIntervalsTargetsAndBaseCase) {
  const fs::path model = model_file("text.csv", kDecisionModel);
  const Outcome run = run_kx({"simulate", model.string(), "-n", "500", "--seed", "5", "--percentiles", "2.5,97.5",
                              "--target", "Cost<=1"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* text : {"2.5%", "97.5%", "95% interval", "±", "base case 1.00000\n", "at or below 1.00000: "}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  }
  // The target names one output: the other shows none.
  const std::size_t scaled = run.out.find("Output Scaled");
  ASSERT_NE(scaled, std::string::npos);
  EXPECT_EQ(run.out.find("at or below", scaled), std::string::npos);
  fs::remove(model);
}

TEST(SimulateDecisionStatistics, LockAndSetChangeTheModelForOneRun) {
  const fs::path model = model_file("overrides.csv", kDecisionModel);
  struct Case {
    const char* label;
    std::vector<std::string> options;
    double cost;        // every iteration's Cost
    const char* shown;  // in the report's JSON
  };
  const Case cases[] = {
      {"lock", {"--lock", "A1"}, 1.0, "locked"},
      {"set a number", {"--set", "A1=2"}, std::exp(2.0), "set"},
      {"set a formula", {"--set", "A1==LN(3)"}, 3.0, "set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> arguments = {"simulate", model.string(), "-n", "50", "--seed", "1", "--json"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome run = run_kx(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    const auto& cost = report["outputs"][0];
    EXPECT_NEAR(cost["min"].get<double>(), c.cost, 1e-12);
    EXPECT_NEAR(cost["max"].get<double>(), c.cost, 1e-12);
    EXPECT_EQ(report["inputs"].size(), 0U);
    EXPECT_FALSE(report[c.shown].empty());
  }
  fs::remove(model);
}

TEST(SimulateDecisionStatistics, OptionMistakesGiveOneLineBeforeTheRun) {
  const fs::path model = model_file("mistakes.csv", kDecisionModel);
  struct Case {
    const char* label;
    std::vector<std::string> options;
    const char* message;
  };
  const Case cases[] = {
      {"unknown output", {"--target", "Profit<=0"}, "no output Profit"},
      {"target text", {"--target", "low"}, "--target"},
      {"percentile range", {"--percentiles", "5,150"}, "'150' is no percentile"},
      {"percentile text", {"--percentiles", "5,,95"}, "--percentiles"},
      {"lock a constant", {"--lock", "D9"}, "D9: holds no formula"},
      {"lock no cell", {"--lock", "nowhere"}, "nowhere: not the address"},
      {"set no sheet", {"--set", "Other!A1=3"}, "no sheet Other"},
      {"set without value", {"--set", "A1"}, "CELL=VALUE"},
      {"no precision", {"--precision", "0%"}, "--precision: '0%'"},
      {"precision with strata", {"--precision", "1%", "--sampling", "lhs"}, "needs plain sampling"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<std::string> arguments = {"simulate", model.string(), "-n", "10"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome run = run_kx(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");
  }
  fs::remove(model);
}

TEST(SimulateDecisionStatistics, SemicolonSeparatedModelIsRefusedWithHowToReadIt) {
  const fs::path model = model_file("semicolons.csv", "\"=kxNORMAL(1,5;0,5;;\"\"\"\")\";\"=A1*2+kxOUTPUT()\"\n1,5;2\n");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "10"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("separated by ';'"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("read it with --delimiter ';' --decimal ','"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  fs::remove(model);
}

TEST(SimulateDecisionStatistics, SemicolonModelReadsAsItsOptionsSay) {
  // 1,5 * 2 + 1.234,5: the base case is 1237.5, and so is every iteration with the input locked.
  const fs::path model =
      model_file("semicolons_read.csv", "\"=kxNORMAL(1,5;0,5;;\"\"\"\")\";\"=A1*2+C1+kxOUTPUT()\";\"1.234,5\"\n");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "20", "--seed", "3", "--json", "--delimiter", ";",
                              "--decimal", ",", "--lock", "A1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const auto output = nlohmann::json::parse(run.out)["outputs"][0];
  EXPECT_EQ(output["base_case"].get<double>(), 1237.5);
  EXPECT_EQ(output["min"].get<double>(), 1237.5);
  EXPECT_EQ(output["max"].get<double>(), 1237.5);
  fs::remove(model);
}

TEST(SimulateDecisionStatistics, CsvModelThatWouldReadAsAnotherIsRefusedUnlessTheOptionsSaySo) {
  struct Case {
    const char* label;
    const char* csv;
    std::vector<std::string> options;
    const char* message;  // empty: the run goes ahead
  };
  const Case cases[] = {
      {"arguments separated by semicolons", "\"=kxNORMAL(1,5;0,5;;\"\"\"\")+kxOUTPUT()\";x\n", {"--delimiter", ";"},
       "line 1: the formula =kxNORMAL(1,5;0,5;;\"\")+kxOUTPUT() separates its arguments by ';'"},
      {"a decimal comma in a field", "\"=A2*2+kxOUTPUT()\";x\n1,5;y\n", {"--delimiter", ";"},
       "line 2: \"1,5\" is a number only where the decimal mark is a comma: read the file with --delimiter ';' "
       "--decimal ','"},
      {"a decimal comma quoted between commas", "\"=A2*2+kxOUTPUT()\",x\n\"2,5\",y\n", {},
       "\"2,5\" is a number only where the decimal mark is a comma: read the file with --delimiter ','"},
      {"a text kept as a text when the options say so", "\"=LEN(A2)+kxOUTPUT()\",x\n\"2,5\",y\n",
       {"--decimal", "."}, ""},
      {"grouped thousands are a number either way", "\"=A2*2+kxOUTPUT()\",x\n\"2,500\",y\n", {}, ""},
      {"tab-separated", "\"=A2*2+kxOUTPUT()\"\tx\n2.5\ty\n", {"--delimiter", "tab"}, ""},
      {"no separator", "\"=A2*2+kxOUTPUT()\"\n", {"--delimiter", "ab"}, "--delimiter: 'ab' is no field separator"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path model = model_file("formats.csv", c.csv);
    std::vector<std::string> arguments = {"simulate", model.string(), "-n", "10", "--seed", "1", "--json"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome run = run_kx(arguments);
    if (std::string(c.message).empty()) {
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(nlohmann::json::parse(run.out)["outputs"][0]["failed"], 0) << run.out;
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    fs::remove(model);
  }
}

TEST(SimulateDecisionStatistics, CsvNamesErrorsAndWarnsOfColumnsSharingAName) {
  const fs::path model = model_file(
      "shared.csv", "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"x\"\")\",\"=IF(A1<0.5,SQRT(-1),A1)+kxOUTPUT()+kxNAME(\"\"x\"\")\"\n");
  const fs::path csv = scratch("shared_runs.csv");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "40", "--seed", "2", "--csv", csv.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("share the name \"x\""), std::string::npos) << run.err;
  std::ifstream file(csv);
  const std::string rows{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  EXPECT_NE(rows.find(",#NUM!\n"), std::string::npos) << rows.substr(0, 200);
  EXPECT_EQ(rows.find("#ERR"), std::string::npos);
  fs::remove(model);
  fs::remove(csv);
}

TEST(SimulateDecisionStatistics, SamplingNameInAnyCaseRunsThatSampling) {
  const Outcome lower = run_kx({"simulate", "-n", "300", "--seed", "4", "--sampling", "lhs", "--json"});
  const Outcome upper = run_kx({"simulate", "-n", "300", "--seed", "4", "--sampling", "LHS", "--json"});
  ASSERT_EQ(upper.status, 0) << upper.err;
  EXPECT_EQ(lower.out, upper.out);
  EXPECT_EQ(nlohmann::json::parse(upper.out)["sampling"], "lhs");
}

}  // namespace
}  // namespace cli
