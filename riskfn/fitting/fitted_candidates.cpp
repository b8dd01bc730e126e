#include "riskfn/fitting/fitted_candidates.hpp"

#include "common/failure.hpp"
#include "riskfn/fitting/fit_distance.hpp"
#include "riskfn/fitting/sample_summary.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace riskfn::fitting {
namespace {

// The observations as the worksheet functions read them: a column of numbers.
kx::Value column_of(const std::vector<double>& sorted) {
  if (sorted.empty()) throw kx::Failure(kx::error::kDivisionByZero, "Division by zero: no observations");
  kx::Array column(sorted.size(), 1);
  for (std::size_t i = 0; i < sorted.size(); ++i) column.at(i, 0) = sorted[i];
  return column;
}

PDF& pdf_of(Main& main) {
  if (!main.pdf()) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set: Main.PDF");
  return *main.pdf();
}

}  // namespace

CandidateSet::CandidateSet(Main& main, std::vector<double> sorted, const kx::Value& data,
                           std::shared_ptr<CumulativeMemo> cumulatives)
    : sorted_(std::move(sorted)),
      worksheet_(main.host().worksheet_function()),
      sample_(summarise(main.host(), *worksheet_, data.is_empty() ? column_of(sorted_) : data,
                        static_cast<float>(sorted_.size()), sorted_)),
      sums_(sums_of(sorted_)),
      context_{main, main.host(), *worksheet_, sample_, pdf_of(main).risk_text(51), pdf_of(main).risk_text(383)},
      cumulatives_(std::move(cumulatives)) {
  for (const Candidate& candidate : candidates())
    names_.push_back(pdf_of(main).risk_text(kNameRowBase + candidate.code));
}

std::string CandidateSet::name(const Candidate& candidate) const {
  const std::span<const Candidate> known = candidates();
  if (&candidate >= known.data() && &candidate < known.data() + known.size())
    return names_[static_cast<std::size_t>(&candidate - known.data())];
  return pdf_of(context_.root).risk_text(kNameRowBase + candidate.code);
}

FittedCandidate CandidateSet::fit(const Candidate& candidate) const {
  FittedCandidate fitted;
  fitted.candidate = &candidate;
  fitted.name = name(candidate);
  try {
    candidate.estimate(context_, fitted.fit);
    if (candidate.kind == Kind::Discrete && !counts_only(sorted_)) fitted.fit.applicable = false;
    if (fitted.fit.applicable) measure(fitted);
  } catch (const kx::Failure&) {
    fitted.fit.applicable = false;
  }
  if (!fitted.distance) fitted.fit.applicable = false;
  return fitted;
}

void CandidateSet::measure(FittedCandidate& fitted) const {
  const Candidate& candidate = *fitted.candidate;
  fitted.distance.reset();
  fitted.cumulative.clear();
  const auto cumulative = [&](double x) { return candidate.cumulative(x, fitted.fit, context_); };
  const auto count = static_cast<double>(sample_.count);
  if (candidate.kind == Kind::Discrete) {
    fitted.distance = fit_distance(sorted_, count, true, RememberedCumulative(cumulative, candidate.whole_steps),
                                   [](std::size_t) {});
    return;
  }
  // F once per observation: the distance reads it in order, the statistics again later.
  std::optional<std::vector<double>> kept =
      cumulatives_ ? cumulatives_->take(candidate.code, fitted.fit, sorted_.size()) : std::nullopt;
  std::vector<double> values = kept ? std::move(*kept) : cumulative_at_each(sorted_, cumulative);
  std::size_t next = 0;
  fitted.distance = fit_distance(sorted_, count, false, [&](double) { return values[next++]; }, [](std::size_t) {});
  fitted.cumulative = std::move(values);
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
