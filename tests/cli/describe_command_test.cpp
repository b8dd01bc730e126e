// `kx describe`: the distribution dialog from the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

TEST(DescribeCommand, PrintsTheStatisticsColumnByNameOrCode) {
  for (const char* distribution : {"Normal", "normal", "25"}) {
    SCOPED_TRACE(distribution);
    const Outcome run = run_kx({"describe", distribution, "100", "15", "--left", "70", "--right", "130"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* text : {"Distribution  Normal (100;15)\n", "Mean          100.0000\n", "Std. dev.     15.0000\n",
                             "Kurtosis      3.0000\n", "Chart         40 to 160", "P(X<=left)    2.275%\n",
                             "P(X<=right)   97.725%\n", "P(interval)   95.450%\n"}) {
      EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }
    EXPECT_EQ(run.err, "");
  }
}

TEST(DescribeCommand, NegativeParametersAndOtherLanguages) {
  const Outcome run = run_kx({"--lang", "ITA", "describe", "Normale", "-5", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Normal (-5;2)"), std::string::npos) << run.out;
}

// Under a comma separator the parameters are typed and every number shown with a comma.
TEST(DescribeCommand, ACommaDecimalSeparator) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> shown;
  } cases[] = {
      {{"describe", "Binomial", "10", "0,5", "--decimal-separator", ","},
       {"Binomial (10,0000;0,5000)", "Mean          5,0000\n", "Variance      2,5000\n", "Chart         -3 to 16"}},
      {{"describe", "Triangular", "0,02", "0,03", "0,05", "--decimal-separator", ","},
       {"Mean          0,0333\n", "Chart         0.02 to 0.05 by 0.00030303, 100 points"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    const Outcome run = run_kx(c.arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const std::string& text : c.shown) EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  }
  EXPECT_NE(run_kx({"describe", "Normal", "0", "1", "--decimal-separator", ";"}).status, 0);
}

TEST(DescribeCommand, PlotsTheDensityWithTheInterval) {
  const fs::path png = scratch("normal.png");
  const fs::path svg = scratch("poisson.svg");
  ASSERT_EQ(run_kx({"describe", "Normal", "100", "15", "--plot", png.string()}).status, 0);
  ASSERT_EQ(run_kx({"describe", "Poisson", "4", "--plot", svg.string()}).status, 0);
  EXPECT_EQ(read_bytes(png).substr(1, 3), "PNG");
  const std::string picture = read_bytes(svg);
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  EXPECT_NE(picture.find("<path"), std::string::npos);
  for (const fs::path& path : {png, svg}) fs::remove(path);
}

TEST(DescribeCommand, ExtremeParametersGiveTheTrueStatistics) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<const char*> shown;
  } cases[] = {
      {{"describe", "Beta", "1e308", "1e308"}, {"Mean          0.5000\n", "Mode          0.5000\n"}},
      {{"describe", "Binomial", "1e15", "0.5"}, {"Median        500000000000000.0000\n"}},
      {{"describe", "Hypergeometric", "1.99e9", "9.95e8", "3.98e9", "--left", "497499999", "--right", "497510000"},
       {"Median        497500000.0000\n", "P(X<=left)    49.999%\n", "P(X<=right)   76.797%\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    const Outcome run = run_kx(c.arguments);
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* text : c.shown) EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
  }
}

TEST(DescribeCommand, BadInputGivesOneLineAndAFailingStatus) {
  struct Case {
    const char* label;
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {"unknown name", {"describe", "Gauss", "1"}, "unknown distribution 'Gauss'; one of: Beta,"},
      {"unknown code", {"describe", "5", "1"}, "unknown distribution '5'"},
      {"too few parameters", {"describe", "Normal", "100"}, "Normal takes 2 parameters, 1 given"},
      {"too many parameters", {"describe", "Poisson", "1", "2"}, "Poisson takes 1 parameter, 2 given"},
      {"not a number", {"describe", "Normal", "100", "abc"}, "parameter 2 of Normal is not a number: 'abc'"},
      {"refused by the dialog", {"describe", "Uniform", "10", "5"}, "Uniform does not accept 10 as parameter 1"},
      {"beyond the dialog", {"describe", "Chi Squared", "500"}, "beyond what the dialog can show"},
      {"picture type", {"describe", "Normal", "0", "1", "--plot", "x.gif"}, ".png, .svg or .pdf"},
      {"picture in a missing folder",
       {"describe", "Normal", "0", "1", "--plot", "/nonexistent/kx/x.png"},
       "No such file or directory"},
      {"markers beyond single precision", {"describe", "Normal", "0", "1e300"}, "interval markers at -3.6e+300"},
      {"markers of a span that overflows", {"describe", "Uniform", "-1e308", "1e308"}, "interval markers at -9e+307"},
      {"a marker that is no number", {"describe", "Normal", "0", "1", "--left", "nan"}, "--left must be a number"},
      {"a marker beyond single precision", {"describe", "Normal", "0", "1", "--right", "1e39"}, "--right must be"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run = run_kx(c.arguments);
    EXPECT_NE(run.status, 0);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
}

}  // namespace
}  // namespace cli
