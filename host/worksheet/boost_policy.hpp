// The one Boost.Math policy of the host's worksheet functions. Every Boost failure raises a
// C++ exception, which the worksheet boundary turns into #NUM!, so no NaN or infinity leaves.
#pragma once

#include <boost/math/policies/policy.hpp>

namespace host {

namespace boost_policies = boost::math::policies;

// Doubles are computed in double: promotion to long double made the quantiles 4 to 10 times
// slower (bench/worksheet_functions_bench.cpp) and the reference tests pass without it.
// Underflow returns zero, as a vanishing probability should. CritBinom rounds Boost's
// quantile up and then settles it against the cumulative distribution.
using BoostPolicy = boost_policies::policy<boost_policies::domain_error<boost_policies::throw_on_error>,
                                           boost_policies::pole_error<boost_policies::throw_on_error>,
                                           boost_policies::overflow_error<boost_policies::throw_on_error>,
                                           boost_policies::evaluation_error<boost_policies::throw_on_error>,
                                           boost_policies::rounding_error<boost_policies::throw_on_error>,
                                           boost_policies::indeterminate_result_error<boost_policies::throw_on_error>,
                                           boost_policies::underflow_error<boost_policies::ignore_error>,
                                           boost_policies::promote_float<false>, boost_policies::promote_double<false>,
                                           boost_policies::discrete_quantile<boost_policies::integer_round_up>>;

// The same policy computing in long double. Only the hypergeometric density needs it: beyond
// Boost's prime table (populations above 104729) it sums Lanczos terms whose exponents reach
// the population size, and in double that loses about 1e-10 of relative accuracy.
using BoostPolicyInLongDouble = boost_policies::normalise<BoostPolicy, boost_policies::promote_double<true>>::type;

}  // namespace host
