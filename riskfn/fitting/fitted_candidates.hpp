// The dialog's candidates fitted for tools outside it (kx fit's plot and comparisons): the same
// estimators and cumulative functions, over a sample computed here instead of by the host.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "riskfn/fitting/candidates.hpp"
#include "riskfn/fitting/cumulative_values.hpp"
#include "riskfn/fitting/sample_sums.hpp"

namespace riskfn {
class Main;
}

namespace riskfn::fitting {

struct FittedCandidate {
  const Candidate* candidate = nullptr;
  std::string name;                // the display name in the current language
  CandidateFit fit;                // the slots as the dialog stores them
  std::optional<double> distance;  // the dialog's distance; none when not applicable
  bool by_likelihood = false;      // the slots hold maximum-likelihood estimates
  std::vector<double> cumulative;  // F at each sorted observation (continuous candidates), for the statistics
};

class CandidateSet {
 public:
  // `main` must have been initialised with the host; `sorted` ascending. The sample statistics
  // come from `data`, the range the dialog read, where given; else from the sorted values.
  // F values a fitting run left in `cumulatives` for the same observations are used, not
  // computed again.
  CandidateSet(Main& main, std::vector<double> sorted, const kx::Value& data = kx::Value(),
               std::shared_ptr<CumulativeMemo> cumulatives = nullptr);
  // The context points into the object itself.
  CandidateSet(const CandidateSet&) = delete;
  CandidateSet& operator=(const CandidateSet&) = delete;

  const std::vector<double>& sorted() const { return sorted_; }
  const FitContext& context() const { return context_; }
  const Sums& sums() const { return sums_; }

  // The candidate's display name in the current language. The names are read when the set is
  // made, so that candidates can be fitted on several threads without reading the text tables.
  std::string name(const Candidate& candidate) const;
  // The candidate estimated and measured as FitPDF does; not applicable on any failure.
  FittedCandidate fit(const Candidate& candidate) const;
  // The dialog's distance of the candidate with the estimates in its slots (and, for a
  // continuous one, F at every observation); none when F fails.
  void measure(FittedCandidate& fitted) const;
  // F(x) of a fitted, applicable candidate. Untrapped.
  double cumulative(const FittedCandidate& fitted, double x) const;

  // The candidate whose code is `code`, or nullptr.
  static const Candidate* find(std::int32_t code);

 private:
  std::vector<double> sorted_;
  std::shared_ptr<kx::WorksheetFunctionObject> worksheet_;
  Sample sample_;
  Sums sums_;
  FitContext context_;
  std::shared_ptr<CumulativeMemo> cumulatives_;
  std::vector<std::string> names_;  // by place in candidates()
};

}  // namespace riskfn::fitting
