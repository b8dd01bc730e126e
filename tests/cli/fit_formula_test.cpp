// From data to model: each family's samples rank that family near the top under every ranking,
// the formula `kx fit` gives samples a distribution with the data's mean and deviation, and kx
// describe with the same parameters describes that distribution.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;

struct Family {
  const char* name;  // as kx fit lists it
  bool counts;
  std::function<double(std::mt19937_64&)> draw;
};

std::vector<double> sample(const Family& family) {
  std::mt19937_64 engine(20261209);
  std::vector<double> values(2000);
  for (double& v : values) v = family.counts ? family.draw(engine) : std::round(family.draw(engine) * 1e4) / 1e4;
  return values;
}

fs::path write_column(const std::vector<double>& values) {
  const fs::path path = fs::temp_directory_path() / fmt::format("kx_fit_formula_{}.csv", getpid());
  std::ofstream out(path);
  out << "value\n";
  for (const double v : values) out << fmt::format("{}\n", v);
  return path;
}

double mean_of(const std::vector<double>& x) { return std::accumulate(x.begin(), x.end(), 0.0) / double(x.size()); }

double deviation_of(const std::vector<double>& x) {
  const double m = mean_of(x);
  double sum = 0.0;
  for (const double v : x) sum += (v - m) * (v - m);
  return std::sqrt(sum / double(x.size() - 1));
}

// The formula's distribution through its own inverse: the uniform argument set to the midpoints
// of 400 equal steps, in one kx eval.
std::vector<double> quantiles_of(const std::string& formula) {
  const std::string call = formula.substr(1);
  const auto uniform = call.find(",,\"\"");
  std::vector<std::string> arguments{"eval"};
  for (int i = 0; i < 400; ++i)
    arguments.push_back(fmt::format("{},{},\"\"{}", call.substr(0, uniform), (i + 0.5) / 400.0, call.substr(uniform + 4)));
  const Outcome run = run_kx(arguments);
  EXPECT_EQ(run.status, 0) << run.err;
  std::vector<double> values;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) values.push_back(std::stod(line));
  return values;
}

TEST(FitFormula, EachFamilyRanksNearTheTopAndItsFormulaSamplesTheData) {
  const Family families[] = {
      {"Normal", false, [](auto& e) { return std::normal_distribution<double>(50.0, 8.0)(e); }},
      {"LogNormal", false, [](auto& e) { return std::lognormal_distribution<double>(3.0, 0.5)(e); }},
      {"Gamma", false, [](auto& e) { return std::gamma_distribution<double>(4.8, 2.1)(e); }},
      {"Weibull", false, [](auto& e) { return std::weibull_distribution<double>(2.0, 3.0)(e); }},
      {"Exponential", false, [](auto& e) { return std::exponential_distribution<double>(0.1)(e); }},
      {"Beta", false,
       [](auto& e) {
         const double a = std::gamma_distribution<double>(2.0, 1.0)(e);
         const double b = std::gamma_distribution<double>(5.0, 1.0)(e);
         return a / (a + b);
       }},
      {"Poisson", true, [](auto& e) { return double(std::poisson_distribution<int>(3.5)(e)); }},
      {"Binomial", true, [](auto& e) { return double(std::binomial_distribution<int>(20, 0.3)(e)); }},
      {"Negative binomial", true, [](auto& e) { return double(std::negative_binomial_distribution<int>(4, 0.5)(e)); }},
  };
  for (const Family& family : families) {
    SCOPED_TRACE(family.name);
    const std::vector<double> data = sample(family);
    const fs::path file = write_column(data);
    for (const char* method : {"moments", "mle"}) {
      for (const char* rank : {"distance", "aic"}) {
        SCOPED_TRACE(fmt::format("{}, ranked by {}", method, rank));
        const Outcome run = run_kx({"fit", file.string(), "--json", "--method", method, "--rank", rank});
        ASSERT_EQ(run.status, 0) << run.err;
        const auto report = nlohmann::json::parse(run.out);
        const auto& candidates = report["candidates"];
        if (!family.counts) {
          for (const auto& c : candidates) EXPECT_EQ(c["kind"], "continuous") << c["name"];
        }
        // A count distribution has no likelihood ranked against the densities: look among its own kind.
        std::vector<nlohmann::json> ranked;
        for (const auto& c : candidates) {
          if (!c["rank"].is_null() && (c["kind"] == "discrete") == family.counts) ranked.push_back(c);
        }
        std::size_t place = ranked.size();
        for (std::size_t i = 0; i < ranked.size(); ++i) {
          if (ranked[i]["name"] == family.name) place = i;
        }
        ASSERT_LT(place, 3U) << "ranked " << place + 1 << ": " << run.out.substr(0, 2000);
        if (std::string(method) != "moments" || std::string(rank) != "distance") continue;
        const std::string formula = ranked[place]["formula"];
        const std::vector<double> drawn = quantiles_of(formula);
        ASSERT_EQ(drawn.size(), 400U) << formula;
        const double m = mean_of(data);
        const double s = deviation_of(data);
        EXPECT_NEAR(mean_of(drawn), m, 4.0 * s / std::sqrt(double(data.size())) + 0.01 * s) << formula;
        EXPECT_NEAR(deviation_of(drawn), s, 0.1 * s) << formula;
        // The same parameters typed into kx describe give the same distribution.
        std::vector<std::string> describe{"describe", family.name};
        for (const auto& value : ranked[place]["parameters"]) describe.push_back(fmt::format("{}", value.get<double>()));
        const Outcome described = run_kx(describe);
        ASSERT_EQ(described.status, 0) << described.err;
        const auto at = described.out.find("\nMean");
        ASSERT_NE(at, std::string::npos) << described.out;
        EXPECT_NEAR(std::stod(described.out.substr(at + 6)), mean_of(drawn), 0.02 * s) << described.out;
      }
    }
    fs::remove(file);
  }
}

// Ten measurements with one decimal: no count distribution is tried, a continuous one ranks first.
TEST(FitFormula, MeasurementsAreNeverFittedByACountDistribution) {
  const fs::path file = write_column({1.7, 2.3, 3.1, 2.8, 4.4, 5.0, 3.9, 6.1, 2.2, 3.3});
  const Outcome text = run_kx({"fit", file.string()});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* discrete : {"Binomial", "Integer Uniform", "Poisson", "Geometric", "Hypergeometric", "Negative"})
    EXPECT_EQ(text.out.find(discrete), std::string::npos) << discrete;
  const Outcome asked = run_kx({"fit", file.string(), "--kind", "discrete"});
  EXPECT_EQ(asked.status, 1);
  EXPECT_NE(asked.err.find("not whole numbers"), std::string::npos) << asked.err;
  fs::remove(file);
}

}  // namespace
}  // namespace cli
