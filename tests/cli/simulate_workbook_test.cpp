// `kx simulate --xlsx`: the report workbook as another program reads it. orcus unpacks it
// always; where python3 has openpyxl, it reads the cells and charts, compared here with the
// JSON report of the same run.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;
using testing::scratch;

const char* const kWorkbookModel =
    "\"=kxNORMAL(0,1,,\"\"\"\")+kxNAME(\"\"Driver\"\")\",\"=EXP(A1)+kxOUTPUT()+kxNAME(\"\"Cost\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"Share\"\")\",\"=IF(A2<0.1,SQRT(-1),10*A1+A2)+kxOUTPUT()+kxNAME(\"\"Mixed\"\")\"\n";

class SimulateWorkbook : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(model_) << kWorkbookModel;
    const Outcome run = run_kx({"simulate", model_.string(), "-n", "700", "--seed", "12345678901234567890", "--json",
                                "--target", "1", "--xlsx", workbook_.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    report_ = nlohmann::json::parse(run.out);
  }
  void TearDown() override {
    fs::remove(model_);
    fs::remove(workbook_);
  }

  fs::path model_ = scratch("model.csv");
  fs::path workbook_ = scratch("report.xlsx");
  nlohmann::json report_;
};

TEST_F(SimulateWorkbook, UnpacksIntoItsSheetsAndCharts) {
  orcus::zip_archive_stream_fd stream(workbook_.c_str());
  orcus::zip_archive archive(&stream);
  archive.load();
  std::vector<std::string> names;
  for (std::size_t i = 0; i < archive.get_file_entry_count(); ++i) names.emplace_back(archive.get_file_entry_name(i));
  std::vector<unsigned char> xml;
  ASSERT_TRUE(archive.read_file_entry("xl/workbook.xml", xml));
  const std::string workbook(xml.begin(), xml.end());
  for (const char* sheet : {"Summary", "Sensitivity", "Histograms", "Iterations", "Charts"})
    EXPECT_NE(workbook.find(fmt::format("name=\"{}\"", sheet)), std::string::npos) << sheet;
  // A histogram, a cumulative share and a tornado for each of the two outputs.
  const auto charts = std::count_if(names.begin(), names.end(), [](const std::string& name) {
    return name.starts_with("xl/charts/chart") && name.ends_with(".xml");
  });
  EXPECT_EQ(charts, 6);
}

// A workbook deflated at zlib's default level takes twice as long to write: every part's local
// header says it was deflated at the fastest ("super fast", flag bits 1 and 2 set).
TEST_F(SimulateWorkbook, PartsAreDeflatedAtTheFastestLevel) {
  std::ifstream file(workbook_, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const auto two_bytes = [&](std::size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[at])) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
  };
  std::size_t parts = 0;
  for (std::size_t at = bytes.find("PK\x03\x04"); at != std::string::npos && at + 30 <= bytes.size();
       at = bytes.find("PK\x03\x04", at + 4)) {
    const std::string name = bytes.substr(at + 30, two_bytes(at + 26));
    SCOPED_TRACE(name);
    if (two_bytes(at + 8) != 8) continue;  // stored, not deflated
    EXPECT_EQ(two_bytes(at + 6) & 6U, 6U);
    ++parts;
  }
  EXPECT_GE(parts, 10U);
}

TEST_F(SimulateWorkbook, AnotherReaderSeesTheReportsFigures) {
  if (std::system("/usr/bin/python3 -c 'import openpyxl' >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "python3 with openpyxl is not installed";
  const fs::path read = scratch("read.json");
  const std::string command = fmt::format("/usr/bin/python3 {}/read_report_workbook.py {} > {}", KX_TEST_DATA_DIR,
                                          workbook_.string(), read.string());
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream file(read);
  const auto cells = nlohmann::json::parse(file);
  fs::remove(read);

  EXPECT_EQ(cells["settings"]["Seed"], "12345678901234567890");  // every digit
  EXPECT_EQ(cells["outputs"], nlohmann::json::array({"Cost", "Mixed"}));
  struct Row {
    const char* label;
    std::function<nlohmann::json(const nlohmann::json&)> expected;
  };
  const Row rows[] = {
      {"Mean", [](const auto& o) { return o["mean"]; }},
      {"Mean, 95% interval from", [](const auto& o) { return o["mean_ci95"][0]; }},
      {"Standard deviation", [](const auto& o) { return o["std_dev"]; }},
      {"5th percentile", [](const auto& o) { return o["percentiles"]["5"]; }},
      {"95th percentile, 95% interval to", [](const auto& o) { return o["percentile_ci95"]["95"][1]; }},
      {"Failed", [](const auto& o) { return o["failed"]; }},
      {"Base case", [](const auto& o) { return o["base_case"]; }},
      {"Share at or below 1", [](const auto& o) { return o["targets"][0]["at_or_below"]; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    ASSERT_TRUE(cells["statistics"].contains(row.label));
    for (std::size_t o = 0; o < 2; ++o)
      EXPECT_DOUBLE_EQ(cells["statistics"][row.label][o].get<double>(), row.expected(report_["outputs"][o]).get<double>());
  }

  // Every iteration, with the failed ones of the second output left out of its sum.
  EXPECT_EQ(cells["iteration_rows"], 700);
  EXPECT_EQ(cells["iteration_headings"],
            nlohmann::json::array({"Iteration", "Driver", "Share", "Cost", "Mixed"}));
  for (std::size_t o = 0; o < 2; ++o) {
    const auto& output = report_["outputs"][o];
    EXPECT_NEAR(cells["iteration_sums"][3 + o].get<double>(),
                output["mean"].get<double>() * output["count"].get<double>(), 1e-9 * output["count"].get<double>());
  }

  // Each output's block of inputs: the report's swing of each, the widest first, as the tornado
  // drawn from it stands.
  const auto& sensitivity = cells["sensitivity"];
  for (std::size_t o = 0; o < 2; ++o) {
    const auto& output = report_["outputs"][o];
    SCOPED_TRACE(output["name"].get<std::string>());
    const auto heading = std::find_if(sensitivity.begin(), sensitivity.end(), [&](const auto& row) {
      return row[0] == output["name"];
    });
    ASSERT_NE(heading, sensitivity.end());
    double previous = INFINITY;
    for (std::size_t i = 0; i < output["sensitivity"].size(); ++i) {
      const auto& row = *(heading + 2 + static_cast<std::ptrdiff_t>(i));
      const auto input = std::find_if(output["sensitivity"].begin(), output["sensitivity"].end(),
                                      [&](const auto& s) { return s["input"] == row[0]; });
      ASSERT_NE(input, output["sensitivity"].end()) << row;
      EXPECT_DOUBLE_EQ(row[3].get<double>(), (*input)["swing"]["low"].get<double>());
      EXPECT_DOUBLE_EQ(row[4].get<double>(), (*input)["swing"]["high"].get<double>());
      const double width = std::abs(row[4].get<double>() - row[3].get<double>());
      EXPECT_LE(width, previous);
      previous = width;
    }
  }

  // The charts draw from the report's own cells.
  ASSERT_EQ(cells["charts"].size(), 6U);
  for (const auto& chart : cells["charts"]) {
    EXPECT_EQ(chart["sheet"], "Charts");
    ASSERT_FALSE(chart["values"].empty());
    const std::string source = chart["values"][0];
    EXPECT_TRUE(source.starts_with("Histograms!") || source.starts_with("Sensitivity!")) << source;
  }
}

}  // namespace
}  // namespace cli
