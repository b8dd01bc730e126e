// The candidate distributions of fitting, in the order they run: each with its distribution
// code, its text rows and timing row, its estimator and its cumulative function.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace riskfn {
class Main;
}

namespace riskfn::fitting {

// What the estimators read: summary statistics of the observations and the sorted values.
struct Sample {
  double mean = 0.0;
  std::optional<double> stdev;     // none for fewer than two observations
  std::optional<double> variance;  // the host's Var; none likewise
  double min = 0.0;
  double max = 0.0;
  float count = 0.0F;  // n, held in single precision as the dialog counts it
  std::span<const double> sorted;
};

// Everything a candidate's estimator and cumulative function may use.
struct FitContext {
  Main& root;
  kx::Application& application;
  kx::WorksheetFunctionObject& worksheet;  // raising, as the dialog's fitting calls it
  const Sample& sample;
  std::string not_applicable;          // text row 51
  std::string student_not_applicable;  // text row 383

  // s and the host's Var: a sample of one has none, and whatever needs them fails.
  double s() const;
  double var() const;
};

// The fitted parameters in the five slots: a number, "--" when unused, or the
// not-applicable text; and whether the candidate can be evaluated.
struct CandidateFit {
  std::array<kx::Value, 5> slots{"--", "--", "--", "--", "--"};
  bool applicable = true;

  double parameter(std::size_t slot) const { return slots.at(slot).number(); }
};

enum class Kind { Continuous, Discrete };

struct Candidate {
  std::int32_t code;  // distribution code; the display name is text row 252 + code
  Kind kind;
  std::int32_t progress_row;           // the status bar text while its distance is computed
  std::int32_t timing_row;             // its row of the timing table
  std::int32_t shared_timing_row = 0;  // used instead when the caller's table is too short
  std::int32_t timing_name_row = 0;    // the name written into the timing table, if not the display name
  void (*estimate)(const FitContext& context, CandidateFit& fit);
  double (*cumulative)(double x, const CandidateFit& fit, const FitContext& context);
  bool whole_steps = false;  // the cumulative function steps only at whole numbers: F(x) = F(floor(x))
};

// Whether every observation is a whole number from 0 up: the support of every discrete
// candidate. A count distribution fitted to measurements (339.9 trials) is no fit at all.
bool counts_only(std::span<const double> sorted);

// The 26 candidates, continuous first.
std::span<const Candidate> candidates();

inline constexpr std::int32_t kNameRowBase = 252;

}  // namespace riskfn::fitting
