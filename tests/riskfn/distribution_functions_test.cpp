// The distribution functions kxBETAc ... kxWEIBULLc, called by name as cell formulas call them:
// values against an independent reference, the choice of the cumulative branch, what they do
// outside a distribution's values and with impossible parameters, and that they leave the
// uniform generator alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/automation/interface.hpp"
#include "common/failure.hpp"
#include "tests/riskfn/reference_cases.hpp"
#include "tests/riskfn/sampling_fixture.hpp"

namespace riskfn {
namespace {

using kx::Value;

const char* const kDistributionFunctions[] = {
    "kxBETAc",      "kxBETAGENc", "kxBINOMIALc", "kxCHI2c",    "kxERFc",      "kxERLANGc", "kxEXPONc",
    "kxEXTVALc",    "kxGAMMAc",   "kxGAUSSINVc", "kxGEOc",     "kxHYPERGEOc", "kxINTUNIc", "kxLOGISTICc",
    "kxLOGNORMALc", "kxNEGBINc",  "kxNORMALc",   "kxPARETOc",  "kxPARETO2c",  "kxPERTc",   "kxPOISSONc",
    "kxRAYLEIGHc",  "kxSTUDENTc", "kxTRIc",      "kxUNIFORMc", "kxWEIBULLc"};

using DistributionTest = SamplingTest;

TEST_F(DistributionTest, ValuesMatchTheIndependentReference) {
  constexpr double kRelativeTolerance = 1e-12;
  const auto cases = reference_cases("distribution_values.csv");
  ASSERT_GE(cases.size(), 200u);
  for (const auto& reference : cases) {
    SCOPED_TRACE(reference.label);
    const Value result = call(reference.function, reference.arguments);
    if (!result.is_number()) {
      ADD_FAILURE() << "returned " << describe_value(result);
      continue;
    }
    EXPECT_NEAR(result.number(), reference.expected, kRelativeTolerance * std::fabs(reference.expected));
  }
}

TEST_F(DistributionTest, EveryFunctionHasReferenceValuesForEachBranch) {
  const auto cases = reference_cases("distribution_values.csv");
  for (const char* function : kDistributionFunctions) {
    SCOPED_TRACE(function);
    const kx::Member* member = main_->automation_interface()->find(function);
    ASSERT_NE(member, nullptr);
    const bool offers_cumulative = member->parameters.back().name == "CumulProb";
    const auto has_case = [&](bool cumulative) {
      return std::any_of(cases.begin(), cases.end(), [&](const ReferenceCase& c) {
        const bool asks_cumulative =
            c.arguments.size() == member->parameters.size() && c.arguments.back() == Value(-1.0);
        return c.function == function && asks_cumulative == cumulative;
      });
    };
    EXPECT_TRUE(has_case(false));
    if (offers_cumulative) {
      EXPECT_TRUE(has_case(true));
    }
  }
}

// The density integrates to the cumulative probability: Simpson's rule over [a, b] against
// F(b) - F(a) ties the two branches of each function together.
TEST_F(DistributionTest, DensityIntegratesToTheCumulativeProbability) {
  struct Case {
    const char* function;
    std::vector<Value> parameters;
    double from;
    double to;
  } cases[] = {
      {"kxBETAc", {2.5, 4.0}, 0.1, 0.7},        {"kxBETAGENc", {2.0, 3.0, 10.0, 20.0}, 11.0, 18.0},
      {"kxCHI2c", {900.0}, 850.0, 950.0},       {"kxERFc", {0.7}, -1.0, 2.0},
      {"kxEXTVALc", {1.0, 2.0}, -2.0, 5.0},     {"kxGAUSSINVc", {2.0, 3.0}, 0.5, 4.0},
      {"kxGAUSSINVc", {1.0, 800.0}, 0.9, 1.1},  {"kxLOGISTICc", {3.0, 0.5}, 2.0, 5.0},
      {"kxLOGNORMALc", {10.0, 4.0}, 5.0, 15.0}, {"kxPERTc", {2.0, 3.0, 9.0}, 2.5, 6.0},
      {"kxSTUDENTc", {3.5}, -2.0, 1.0},         {"kxTRIc", {0.0, 3.0, 6.0}, 1.0, 5.0},
      {"kxUNIFORMc", {0.0, 10.0}, 1.0, 4.0},    {"kxWEIBULLc", {1.7, 3.0}, 0.5, 6.0},
  };
  constexpr int kIntervals = 2000;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.function) + " from " + std::to_string(c.from));
    const auto at = [&](double x, bool cumulative) {
      std::vector<Value> arguments{x};
      arguments.insert(arguments.end(), c.parameters.begin(), c.parameters.end());
      arguments.push_back(cumulative ? Value(-1.0) : Value(0.0));
      return kx::to_double(call(c.function, arguments));
    };
    const double step = (c.to - c.from) / kIntervals;
    double integral = at(c.from, false) + at(c.to, false);
    for (int i = 1; i < kIntervals; ++i) integral += (i % 2 == 1 ? 4.0 : 2.0) * at(c.from + i * step, false);
    integral *= step / 3.0;
    EXPECT_NEAR(integral, at(c.to, true) - at(c.from, true), 1e-7);
  }
}

TEST_F(DistributionTest, FailuresAndHostErrorValues) {
  struct Case {
    const char* label;
    const char* function;
    std::vector<Value> arguments;
    Value expected;             // a result, when the call returns
    std::int32_t failure = -1;  // the failure's number, when the call fails
  } cases[] = {
      {"a numeric result cannot hold the host's error", "kxNORMALc", {1.0, 0.0, 0.0}, {}, kx::error::kTypeMismatch},
      {"impossible shapes reach the host", "kxBETAc", {0.5, -1.0, 2.0}, {}, kx::error::kTypeMismatch},
      {"a variant result passes the host's error", "kxCHI2c", {2.0, -3.0}, kx::ErrorValue{kx::error::kXlNum}},
      {"hypergeometric with a sample above the batch",
       "kxHYPERGEOc",
       {1.0, 60.0, 10.0, 50.0},
       kx::ErrorValue{kx::error::kXlNum}},
      {"negative binomial with no success needed", "kxNEGBINc", {1.0, 0.0, 0.5}, kx::ErrorValue{kx::error::kXlNum}},
      {"the beta density's pole", "kxBETAc", {0.0, 0.5, 2.0}, {}, kx::error::kDivisionByZero},
      {"a triangle without width", "kxTRIc", {1.0, 1.0, 1.0, 1.0}, {}, kx::error::kOverflow},
      {"a uniform without width", "kxUNIFORMc", {1.0, 1.0, 1.0}, {}, kx::error::kDivisionByZero},
      {"a logistic with a negative scale", "kxLOGISTICc", {1.0, 0.0, -2.0, true}, {}, kx::error::kInvalidCall},
      {"a student with no degrees", "kxSTUDENTc", {1.0, 0.0, true}, {}, kx::error::kInvalidCall},
      {"text for a declared double", "kxNORMALc", {"one", 0.0, 1.0}, {}, kx::error::kTypeMismatch},
      {"a geometric probability above 1", "kxGEOc", {3.0, 1.5}, {}, kx::error::kInvalidCall},
      {"a negative geometric probability", "kxGEOc", {3.0, -0.5}, {}, kx::error::kInvalidCall},
      {"a pareto2 with a negative shape", "kxPARETO2c", {2.0, -3.0, 4.0}, {}, kx::error::kInvalidCall},
      {"a pareto2 with a negative scale", "kxPARETO2c", {2.0, -1.0, 2.0}, {}, kx::error::kInvalidCall},
      {"a pareto with a negative shape", "kxPARETOc", {4.0, -3.0, 2.0}, {}, kx::error::kInvalidCall},
      {"a rayleigh with a negative scale", "kxRAYLEIGHc", {-1.0, -1.0}, {}, kx::error::kInvalidCall},
      {"an erf with a negative precision", "kxERFc", {0.5, -1.0}, {}, kx::error::kInvalidCall},
      {"a student density with no degrees", "kxSTUDENTc", {1.0, 0.0}, {}, kx::error::kInvalidCall},
      {"a triangle with its mode below its low", "kxTRIc", {12.0, 0.0, -5.0, 10.0}, {}, kx::error::kInvalidCall},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.failure < 0) {
      const Value result = call(c.function, c.arguments);
      EXPECT_EQ(result, c.expected) << describe_value(result);
      continue;
    }
    try {
      const Value result = call(c.function, c.arguments);
      ADD_FAILURE() << "returned " << describe_value(result);
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), c.failure) << failure.what();
    }
  }
}

// A distribution function computes: it draws no number, so a simulation's stream is the same
// with or without it, from 680 degrees of freedom on too.
TEST_F(DistributionTest, LeavesTheUniformGeneratorAlone) {
  kx::uniform_generator().set_fixed_seed(7);
  const double expected = kx::uniform_generator().next();
  kx::uniform_generator().set_fixed_seed(7);
  for (const double degrees : {5.0, 680.0, 5000.0}) call("kxCHI2c", {degrees, degrees, true});
  call("kxNORMALc", {0.0, 0.0, 1.0});
  EXPECT_EQ(kx::uniform_generator().next(), expected);
}

TEST_F(DistributionTest, PublishedAfterTheSamplingFunctionsInAlphabeticalOrder) {
  const auto& members = main_->automation_interface()->members();
  const auto first = std::find_if(members.begin(), members.end(), [](const auto& m) { return m.name == "kxBETAc"; });
  ASSERT_NE(first, members.end());
  ASSERT_EQ(std::prev(first)->name, "kxWEIBULL");
  ASSERT_EQ(members.end() - first, static_cast<std::ptrdiff_t>(std::size(kDistributionFunctions)));
  for (std::size_t i = 0; i < std::size(kDistributionFunctions); ++i)
    EXPECT_EQ(first[i].name, kDistributionFunctions[i]);

  const char* kDeclarations[] = {
      "kxBETAc(ByVal ProbX As Double, ByVal scaleP As Double, ByVal shapeP As Double, Optional ByVal CumulProb As "
      "Double = 0) As Double",
      "kxCHI2c(ByVal ProbX As Double, ByVal Degrees As Double, Optional ByVal CumulProb As Boolean = False) As Variant",
      "kxHYPERGEOc(ByVal ProbX As Double, ByVal Sample As Double, ByVal Defects As Double, ByVal BatchSize As Double) "
      "As Variant",
      "kxPERTc(ByVal ProbX As Double, ByVal LowVal As Double, ByVal ModalValue As Double, ByVal UpVal As Double, "
      "Optional ByVal CumulProb As Boolean = False) As Double",
  };
  for (const char* declaration : kDeclarations) {
    const std::string name(declaration, std::string(declaration).find('('));
    EXPECT_EQ(kx::describe(*main_->automation_interface()->find(name)), declaration);
  }
}

}  // namespace
}  // namespace riskfn
