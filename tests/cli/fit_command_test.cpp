// `kx fit` as users run it: the tables, JSON, the picture, the data it refuses.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;

fs::path write_file(const std::string& name, const std::string& content) {
  const fs::path path = fs::temp_directory_path() / fmt::format("kx_fit_test_{}_{}", getpid(), name);
  std::ofstream(path) << content;
  return path;
}

// 300 normal values (mean 20, sd 3) under a header, with a text column before them.
std::string normal_csv(bool header) {
  std::mt19937_64 engine(7);
  std::normal_distribution<double> normal(20.0, 3.0);
  std::string csv = header ? "id,demand\n" : "";
  for (int i = 0; i < 300; ++i) csv += fmt::format("{}{},{:.4f}\n", header ? "item" : "", i, normal(engine));
  return csv;
}

TEST(FitCommand, RanksAllCandidatesWithOrWithoutAHeader) {
  struct Case {
    const char* label;
    std::string csv;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"header, named column", normal_csv(true), {"--column", "demand"}},
      {"header, first column of numbers", normal_csv(true), {}},
      {"no header, column number", normal_csv(false), {"--column", "2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path file = write_file("normal.csv", c.csv);
    std::vector<std::string> arguments = {"fit", file.string(), "--json"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const Outcome run = run_kx(arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    EXPECT_EQ(report["observations"], 300);
    // Measurements with decimals: the 20 continuous candidates, no count distribution.
    ASSERT_EQ(report["candidates"].size(), 20U);
    for (const auto& candidate : report["candidates"]) EXPECT_EQ(candidate["kind"], "continuous") << candidate["name"];
    // The normal is among the best three, its estimates near the truth.
    bool found = false;
    for (int i = 0; i < 3; ++i) {
      const auto& candidate = report["candidates"][i];
      if (candidate["name"] != "Normal") continue;
      found = true;
      EXPECT_NEAR(candidate["parameters"][0].get<double>(), 20.0, 0.7);
      EXPECT_NEAR(candidate["parameters"][1].get<double>(), 3.0, 0.5);
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(report["timing"].size(), 20U);
    fs::remove(file);
  }
}

TEST(FitCommand, TablesInTheChosenLanguage) {
  const fs::path file = write_file("tables.csv", normal_csv(true));
  const Outcome english = run_kx({"fit", file.string(), "--kind", "Continuous"});
  ASSERT_EQ(english.status, 0) << english.err;
  for (const char* text : {"300 observations of \"demand\"", "Rank", "Distance", "Normal", "Time (ms)", "Total"})
    EXPECT_NE(english.out.find(text), std::string::npos) << text;
  EXPECT_EQ(english.out.find("Poisson"), std::string::npos);
  const Outcome german = run_kx({"fit", file.string(), "--lang", "GER", "--dist", "normal"});
  ASSERT_EQ(german.status, 0) << german.err;
  EXPECT_NE(german.out.find("Abstand"), std::string::npos);
  EXPECT_EQ(german.out.find("Weibull"), std::string::npos);
  fs::remove(file);
}

TEST(FitCommand, LikelihoodEstimatesRankedByAic) {
  const fs::path file = write_file("mle.csv", normal_csv(true));
  const Outcome run =
      run_kx({"fit", file.string(), "--method", "mle", "--rank", "aic", "--json", "--kind", "continuous"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  double previous = -1e300;
  for (const auto& candidate : report["candidates"]) {
    if (candidate["aic"].is_null()) break;
    EXPECT_GE(candidate["aic"].get<double>(), previous);
    previous = candidate["aic"].get<double>();
  }
  EXPECT_EQ(report["method"], "mle");
  fs::remove(file);
}

TEST(FitCommand, DrawsThePicture) {
  const fs::path file = write_file("plot.csv", normal_csv(true));
  for (const char* extension : {".png", ".svg"}) {
    SCOPED_TRACE(extension);
    const fs::path picture = write_file(std::string("plot") + extension, "");
    const Outcome run = run_kx({"fit", file.string(), "--plot", picture.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GT(fs::file_size(picture), 1000U);
    fs::remove(picture);
  }
  fs::remove(file);
}

// On an 80-column terminal no line is wider than the terminal, and every formula is still there.
TEST(FitCommand, TableFoldsToANarrowTerminal) {
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script program to run kx on a terminal";
  const fs::path file = write_file("narrow.csv", normal_csv(true));
  for (const char* method : {"moments", "mle"}) {
    SCOPED_TRACE(method);
    const std::string kx = testing::quoted(testing::kx_program().string()) + " fit " +
                           testing::quoted(file.string()) + " --method " + method;
    const Outcome run = testing::run_kx_on_terminal(kx, 80);
    ASSERT_EQ(run.status, 0) << run.out;
    std::istringstream lines(run.out);
    int formulas = 0;
    for (std::string line; std::getline(lines, line);) {
      // What the progress line wrote and erased is not part of the table.
      if (const auto erased = line.rfind("\x1b[K"); erased != std::string::npos) line.erase(0, erased + 3);
      while (!line.empty() && line.back() == '\r') line.pop_back();
      const auto columns = std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
      EXPECT_LE(columns, 80) << line;
      if (line.find("=kx") != std::string::npos) ++formulas;
    }
    EXPECT_GE(formulas, 10);
  }
  fs::remove(file);
}

TEST(FitCommand, AColumnNumberMayHaveLeadingZeros) {
  const fs::path file = write_file("zeros.csv", normal_csv(true));
  const Outcome run = run_kx({"fit", file.string(), "--column", "0000000002", "--dist", "Normal"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("300 observations of \"demand\""), std::string::npos) << run.out;
  fs::remove(file);
}

// Numbers near +-1E308 overflow sums and spans: the table, the JSON and the picture still show
// one result, and the picture is drawn.
TEST(FitCommand, DataNearTheLargestDoubleGiveOneResultInEveryView) {
  const fs::path file = write_file("extremes.csv", "x\n1e308\n-1e308\n1e308\n-1e308\n5\n");
  const Outcome table = run_kx({"fit", file.string()});
  ASSERT_EQ(table.status, 0) << table.err;
  const Outcome json = run_kx({"fit", file.string(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json report = nlohmann::json::parse(json.out);
  int applicable = 0;
  for (const auto& candidate : report.at("candidates")) {
    const std::string name = candidate.at("name");
    SCOPED_TRACE(name);
    // The table's row of the candidate: "rank  name  distance ...", - when not applicable.
    const std::size_t at = table.out.find("  " + name + "  ");
    ASSERT_NE(at, std::string::npos) << table.out;
    std::istringstream row(table.out.substr(at + 2 + name.size(), table.out.find('\n', at) - at));
    std::string distance;
    row >> distance;
    EXPECT_EQ(candidate.at("applicable").get<bool>(), distance != "-") << distance;
    applicable += candidate.at("applicable").get<bool>() ? 1 : 0;
    if (candidate.at("rank") == 1) {
      const std::size_t first = table.out.find("\n   1  ");
      ASSERT_NE(first, std::string::npos) << table.out;
      EXPECT_EQ(table.out.substr(first + 7, name.size()), name);
    }
  }
  EXPECT_GT(applicable, 0);
  const fs::path picture = write_file("extremes.png", "");
  const Outcome plotted = run_kx({"fit", file.string(), "--plot", picture.string()});
  EXPECT_EQ(plotted.status, 0) << plotted.err;
  EXPECT_GT(fs::file_size(picture), 1000U);
  for (const fs::path& path : {file, picture}) fs::remove(path);
}

TEST(FitCommand, BadDataGivesOneLineAndAFailureStatus) {
  struct Case {
    const char* label;
    std::string csv;  // empty name: no file at all
    std::vector<std::string> options;
    const char* message;
  };
  const Case cases[] = {
      {"missing file", "", {}, "no such file"},
      {"empty file", "\n", {}, "is empty"},
      {"text in the column", "x\n1\n2\nabc\n4\n", {}, "no column holds only numbers"},
      {"text in the named column", "x\n1\n2\nabc\n4\n", {"--column", "x"}, "holds \"abc\", not a number"},
      {"unknown column", "x\n1\n2\n", {"--column", "y"}, "no column is named \"y\""},
      {"unknown distribution", "x\n1\n2\n", {"--dist", "Gauss"}, "no distribution is named"},
      {"bad plot type", "x\n1\n2\n", {"--plot", "fit.jpg"}, ".png, .svg or .pdf"},
      {"plot into a missing folder", "x\n1\n2\n", {"--plot", "/nonexistent/kx/fit.png"}, "No such file or directory"},
      {"numbers whose mean overflows", "x\n1.7e308\n1.6e308\n1.5e308\n", {}, "no distribution could be fitted"},
      {"a column number beyond the file", "x\n1\n2\n", {"--column", "0000000002"}, "there is no column 0000000002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const fs::path file = std::string(c.label) == "missing file" ? fs::path("/nonexistent/kx_fit_missing.csv")
                                                                 : write_file("bad.csv", c.csv);
    std::vector<std::string> arguments = {"fit", file.string()};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    const Outcome run = run_kx(arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty());
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    if (fs::exists(file)) fs::remove(file);
  }
}

}  // namespace
}  // namespace cli
