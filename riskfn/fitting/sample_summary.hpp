// The statistics of the observations every candidate's estimator reads, computed as the fitting
// dialog computes them, so that a fit outside the dialog gives the dialog's result.
#pragma once

#include <span>

#include "riskfn/fitting/candidates.hpp"

namespace riskfn::fitting {

// Mean, minimum and maximum through the raising worksheet functions over `data` (a range or an
// array); the standard deviation and variance where they can be computed: a sample of one, or
// numbers near 1E308 whose squares overflow, have none, which only the candidates needing them
// miss. `sorted` must outlive the sample.
Sample summarise(kx::Application& application, kx::WorksheetFunctionObject& worksheet, const kx::Value& data,
                 float count, std::span<const double> sorted);

}  // namespace riskfn::fitting
