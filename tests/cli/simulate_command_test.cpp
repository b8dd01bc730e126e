// `kx simulate` as users run it: the report, its JSON and CSV forms, the pictures, the errors.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
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
using testing::read_bytes;
using testing::model_file;

TEST(SimulateCommand, SeededJsonReportIsTheSameForOneAndTwoThreads) {
  const Outcome one = run_kx({"simulate", "--seed", "11", "-n", "3000", "--threads", "1", "--json"});
  const Outcome two = run_kx({"simulate", "--seed", "11", "-n", "3000", "--threads", "2", "--json"});
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_EQ(one.out, two.out);
  EXPECT_NE(one.out.find("\"Net present value\""), std::string::npos);
  // The class table counts every iteration once.
  const auto report = nlohmann::json::parse(one.out);
  for (const auto& output : report["outputs"]) {
    std::int64_t counted = 0;
    for (const auto& c : output["histogram"]) counted += c["count"].get<std::int64_t>();
    EXPECT_EQ(counted, output["count"].get<std::int64_t>());
    EXPECT_GT(output["settled_after"].get<std::int64_t>(), 0);
  }
  EXPECT_NE(one.out, run_kx({"simulate", "--seed", "12", "-n", "3000", "--threads", "2", "--json"}).out);
}

TEST(SimulateCommand, DefaultModelReportNamesEveryOutputAndInput) {
  const Outcome run = run_kx({"simulate", "--seed", "3", "-n", "500"});
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* text :
       {"Output Net present value (product_launch!B35)", "Output Units sold", "Output Peak annual profit",
        "sensitivity", "Market share", "Discount rate", "500 iterations"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
  EXPECT_EQ(run.err, "");  // no progress bar when standard error is no terminal
}

TEST(SimulateCommand, WritesEveryIterationAndThePictures) {
  const fs::path model = model_file(
      "model.csv", "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"u, first\"\")\",\"=IF(A1<0.5,1/0,A1)+kxOUTPUT()\"\n");
  const fs::path csv = scratch("iterations.csv");
  const fs::path png = scratch("plot.png");
  const fs::path svg = scratch("plot.svg");
  for (const fs::path& picture : {png, svg}) {
    const Outcome run = run_kx(
        {"simulate", model.string(), "-n", "40", "--seed", "9", "--csv", csv.string(), "--plot", picture.string()});
    ASSERT_EQ(run.status, 0) << run.err;
  }
  const std::string rows = read_bytes(csv);
  EXPECT_EQ(rows.rfind("iteration,\"u, first\",kx_SimulateCommand_", 0), 0U) << rows.substr(0, 60);
  EXPECT_NE(rows.find("_model!B1\n"), std::string::npos) << rows.substr(0, 60);
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 41);
  EXPECT_NE(rows.find(",#DIV/0!\n"), std::string::npos);
  EXPECT_EQ(read_bytes(png).substr(1, 3), "PNG");
  EXPECT_NE(read_bytes(svg).find("<svg"), std::string::npos);
  for (const fs::path& path : {model, csv, png, svg}) fs::remove(path);
}

TEST(SimulateCommand, ReadsAFlatOdsModelAndSaysOnceWhatItCannotHold) {
  const fs::path model =
      model_file("model.fods",
                  "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                  "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                  "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
                  "<table:table table:name=\"Model\"><table:table-row>"
                  "<table:table-cell table:formula=\"of:=kxUNIFORM(100;200;;&quot;&quot;)\"/>"
                  "<table:table-cell table:formula=\"of:=[.A1]*2+kxOUTPUT()\"/>"
                  "<table:table-cell office:value-type=\"complex\"><text:p>3+4i</text:p></table:table-cell>"
                  "</table:table-row></table:table></office:spreadsheet></office:body></office:document>");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "200", "--seed", "5", "--threads", "2", "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto report = nlohmann::json::parse(run.out);
  EXPECT_EQ(report["outputs"][0]["count"].get<std::int64_t>(), 200);
  EXPECT_GT(report["outputs"][0]["mean"].get<double>(), 200.0);
  // Each worker loads the model; the warning comes once.
  const std::string warning = "warning: " + model.string() +
                              ": Model!C1: holds a value of type \"complex\", which the host cannot read; its "
                              "text is kept\n";
  const auto first = run.err.find(warning);
  EXPECT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(warning, first + 1), std::string::npos) << run.err;
  fs::remove(model);
}

TEST(SimulateCommand, MarketingFunctionsThroughTheServerGiveTheSameReport) {
  // A sampled input feeding a marketing function, whose result is the output.
  const fs::path model =
      model_file("growth.csv", "\"=kxUNIFORM(100,200,,\"\"\"\")\",\"=kxCAGR(A1,100,5)+kxOUTPUT()\"\n");
  const Outcome in_process = run_kx({"simulate", model.string(), "-n", "300", "--seed", "5", "--json"});
  const Outcome through_server =
      run_kx({"--server", "simulate", model.string(), "-n", "300", "--seed", "5", "--threads", "2", "--json"});
  ASSERT_EQ(in_process.status, 0) << in_process.err;
  ASSERT_EQ(through_server.status, 0) << through_server.err;
  const auto report = nlohmann::json::parse(in_process.out);
  EXPECT_EQ(report["outputs"][0]["count"].get<std::int64_t>(), 300);
  EXPECT_GT(report["outputs"][0]["mean"].get<double>(), 0.0);
  // Only the thread count (one per core by default) may differ between the two runs.
  auto with_threads = nlohmann::json::parse(through_server.out);
  auto without = report;
  with_threads.erase("threads");
  without.erase("threads");
  EXPECT_EQ(with_threads, without);
  fs::remove(model);
}

TEST(SimulateCommand, BadInputGivesOneLineAndAFailingStatus) {
  const fs::path cycle = model_file("cycle.csv", "\"=B1+1\",\"=A1+kxOUTPUT()\"\n");
  const fs::path no_output = model_file("plain.csv", "1,2\n");
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {"missing file", {"simulate", "/nonexistent/model.xlsx"}, "model.xlsx"},
      {"cycle", {"simulate", cycle.string()}, "circular reference"},
      {"no output", {"simulate", no_output.string()}, "no output"},
      {"no iterations", {"simulate", "-n", "0"}, "iterations must be positive"},
      {"negative iterations", {"simulate", "-n", "-5"}, "iterations must be positive"},
      {"no threads", {"simulate", "--threads", "0"}, "threads must be positive"},
      {"picture type", {"simulate", "-n", "10", "--plot", scratch("plot.gif").string()}, ".png, .svg or .pdf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.out, "");  // nothing is reported of a run that cannot be made
  }
  fs::remove(cycle);
  fs::remove(no_output);
}

}  // namespace
}  // namespace cli
