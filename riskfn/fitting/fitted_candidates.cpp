#include "riskfn/fitting/fitted_candidates.hpp"

#include <cmath>
#include <numeric>

#include "common/failure.hpp"
#include "riskfn/fitting/fit_distance.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace riskfn::fitting {
namespace {

Sample sample_of(const std::vector<double>& sorted) {
  Sample sample;
  const auto n = static_cast<double>(sorted.size());
  if (sorted.empty()) throw kx::Failure(kx::error::kDivisionByZero, "Division by zero: no observations");
  sample.mean = std::accumulate(sorted.begin(), sorted.end(), 0.0) / n;
  if (sorted.size() > 1) {
    double squares = 0.0;
    for (const double x : sorted) squares += (x - sample.mean) * (x - sample.mean);
    sample.variance = squares / (n - 1.0);
    sample.stdev = std::sqrt(*sample.variance);
  }
  sample.min = sorted.front();
  sample.max = sorted.back();
  sample.count = static_cast<float>(sorted.size());
  return sample;
}

PDF& pdf_of(Main& main) {
  if (!main.pdf()) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set: Main.PDF");
  return *main.pdf();
}

}  // namespace

CandidateSet::CandidateSet(Main& main, std::vector<double> sorted)
    : sorted_(std::move(sorted)),
      sample_(sample_of(sorted_)),
      worksheet_(main.host().worksheet_function()),
      context_{main, main.host(), *worksheet_, sample_, pdf_of(main).risk_text(51), pdf_of(main).risk_text(383)} {
  sample_.sorted = sorted_;
}

std::string CandidateSet::name(const Candidate& candidate) const {
  return pdf_of(context_.root).risk_text(kNameRowBase + candidate.code);
}

FittedCandidate CandidateSet::fit(const Candidate& candidate) const {
  FittedCandidate fitted;
  fitted.candidate = &candidate;
  fitted.name = name(candidate);
  try {
    candidate.estimate(context_, fitted.fit);
    if (fitted.fit.applicable) {
      fitted.distance = fit_distance(
          sorted_, static_cast<double>(sample_.count), candidate.kind == Kind::Discrete,
          RememberedCumulative([&](double x) { return candidate.cumulative(x, fitted.fit, context_); },
                               candidate.whole_steps),
          [](std::size_t) {});
    }
  } catch (const kx::Failure&) {
    fitted.fit.applicable = false;
  }
  if (!fitted.distance) fitted.fit.applicable = false;
  return fitted;
}

double CandidateSet::cumulative(const FittedCandidate& fitted, double x) const {
  return fitted.candidate->cumulative(x, fitted.fit, context_);
}

const Candidate* CandidateSet::find(std::int32_t code) {
  for (const Candidate& candidate : candidates()) {
    if (candidate.code == code) return &candidate;
  }
  return nullptr;
}

}  // namespace riskfn::fitting
