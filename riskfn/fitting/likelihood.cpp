#include "riskfn/fitting/likelihood.hpp"

#include <nlopt.h>

#include <algorithm>
#include <boost/math/distributions.hpp>
#include <boost/math/special_functions/digamma.hpp>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <numeric>
#include <vector>

#include "common/failure.hpp"
#include "riskfn/fitting/cumulative_values.hpp"
#include "riskfn/fitting/fit_distance.hpp"
#include "riskfn/fitting/sample_sums.hpp"
#include "riskfn/fitting/score_equations.hpp"

namespace riskfn::fitting {
namespace {

namespace bm = boost::math;

// A likelihood sums over every observation: in double, not promoted to long double, which made a
// fit several times slower for digits that do not survive the sum.
using Policy = bm::policies::policy<bm::policies::promote_float<false>, bm::policies::promote_double<false>>;

double slot(const CandidateFit& fit, std::size_t i) { return fit.parameter(i); }

// The density (or probability) of a candidate with its slots at x. Boost raises on a
// domain error; the callers treat that as no likelihood.
double density(std::int32_t code, const CandidateFit& f, double x) {
  switch (code) {
    case 1: return bm::pdf(bm::beta_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 2: {
      const double low = slot(f, 0);
      const double width = slot(f, 1) - low;
      return bm::pdf(bm::beta_distribution<double, Policy>(slot(f, 2), slot(f, 3)), (x - low) / width) / width;
    }
    case 4: return bm::pdf(bm::chi_squared_distribution<double, Policy>(slot(f, 0)), x);
    case 9: return bm::pdf(bm::normal_distribution<double, Policy>(0.0, 1.0 / (slot(f, 0) * std::sqrt(2.0))), x);
    case 10:
    case 13: return bm::pdf(bm::gamma_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 11: return bm::pdf(bm::exponential_distribution<double, Policy>(1.0 / slot(f, 0)), x);
    case 12: return bm::pdf(bm::extreme_value_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 19: return bm::pdf(bm::inverse_gaussian_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 20: return bm::pdf(bm::logistic_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 22: return bm::pdf(bm::lognormal_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 25: return bm::pdf(bm::normal_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 30:
    case 34: return bm::pdf(bm::triangular_distribution<double, Policy>(slot(f, 0), slot(f, 1), slot(f, 2)), x);
    case 26: return bm::pdf(bm::pareto_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 27: {  // Lomax with shape theta and scale b
      const double shape = slot(f, 0);
      const double scale = slot(f, 1);
      if (x < 0.0 || !(shape > 0.0) || !(scale > 0.0)) return 0.0;
      return shape / scale * std::pow(1.0 + x / scale, -(shape + 1.0));
    }
    case 32: return bm::pdf(bm::rayleigh_distribution<double, Policy>(slot(f, 0)), x);
    case 33: return bm::pdf(bm::students_t_distribution<double, Policy>(slot(f, 0)), x);
    case 36: return bm::pdf(bm::uniform_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 37: return bm::pdf(bm::weibull_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    default: break;
  }
  // The discrete candidates give probability only to whole numbers.
  if (x != std::floor(x) || x < 0.0) return 0.0;
  switch (code) {
    case 3: return bm::pdf(bm::binomial_distribution<double, Policy>(std::trunc(slot(f, 0)), slot(f, 1)), x);
    case 15: return bm::pdf(bm::geometric_distribution<double, Policy>(slot(f, 0)), x);
    case 17: {
      const auto sample = static_cast<unsigned>(std::trunc(slot(f, 0)));
      const auto defects = static_cast<unsigned>(std::trunc(slot(f, 1)));
      const auto batch = static_cast<unsigned>(std::trunc(slot(f, 2)));
      const bm::hypergeometric_distribution<double, Policy> d(defects, sample, batch);
      const auto range = bm::range(d);
      if (x < range.first || x > range.second) return 0.0;
      return bm::pdf(d, static_cast<unsigned>(x));
    }
    case 18: return x < slot(f, 0) || x > slot(f, 1) ? 0.0 : 1.0 / (slot(f, 1) - slot(f, 0) + 1.0);
    case 24: return bm::pdf(bm::negative_binomial_distribution<double, Policy>(slot(f, 0), slot(f, 1)), x);
    case 31: return bm::pdf(bm::poisson_distribution<double, Policy>(slot(f, 0)), x);
    default: return 0.0;
  }
}

// Whether the likelihood is smooth at its maximum, so that the observed information gives the
// estimates' errors: not where a bound is itself an estimate (the uniform, Pareto's scale).
bool regular_likelihood(std::int32_t code) { return code != 26 && code != 36; }

// Sum of (x - m)^2 from the sample's own: the two terms do not cancel.
double squares_about(const Sums& s, double m) { return s.squares + s.n * (s.mean - m) * (s.mean - m); }

// The log-likelihood in closed form where the candidate's family allows it: from the sums, or
// from a cheap expression per observation; none where only the density itself will do.
std::optional<double> closed_log_likelihood(std::int32_t code, const CandidateFit& f, const Sums& s,
                                            std::span<const double> x) {
  constexpr double kLogTwoPi = 1.8378770664093453;
  const double n = s.n;
  const auto normal = [&](double mean, double sd) {
    return -n * (std::log(sd) + kLogTwoPi / 2) - squares_about(s, mean) / (2 * sd * sd);
  };
  const auto gamma = [&](double shape, double scale) {
    return (shape - 1) * s.log_sum - (s.mean * n) / scale - n * (std::lgamma(shape) + shape * std::log(scale));
  };
  switch (code) {
    case 25: return normal(slot(f, 0), slot(f, 1));
    case 9: return normal(0.0, 1.0 / (slot(f, 0) * std::sqrt(2.0)));
    case 22: {
      if (!s.positive) return std::nullopt;
      const double mu = slot(f, 0);
      const double sigma = slot(f, 1);
      const double log_mean = s.log_sum / n;
      const double log_squares = s.log_squares + n * (log_mean - mu) * (log_mean - mu);
      return -s.log_sum - n * (std::log(sigma) + kLogTwoPi / 2) - log_squares / (2 * sigma * sigma);
    }
    case 11:
      if (!(s.min >= 0.0)) return std::nullopt;
      return -n * std::log(slot(f, 0)) - s.mean * n / slot(f, 0);
    case 10:
    case 13:
      if (!s.positive) return std::nullopt;
      return gamma(slot(f, 0), slot(f, 1));
    case 4:
      if (!s.positive) return std::nullopt;
      return gamma(slot(f, 0) / 2, 2.0);
    case 32: {
      if (!s.positive) return std::nullopt;
      const double sigma = slot(f, 0);
      return s.log_sum - 2 * n * std::log(sigma) - squares_about(s, 0.0) / (2 * sigma * sigma);
    }
    case 19: {  // inverse Gaussian: ln(l / 2 pi x^3) / 2 - l (x - m)^2 / (2 m^2 x)
      const double mu = slot(f, 0);
      const double lambda = slot(f, 1);
      if (!s.positive || !(mu > 0.0)) return std::nullopt;
      const double shift = s.mean - mu;  // sum (x - m)^2 / x about the sample's own mean
      const double squares =
          s.reciprocal_squares + 2 * shift * (n - s.mean * s.reciprocal_sum) + shift * shift * s.reciprocal_sum;
      return n * std::log(lambda / (2 * std::numbers::pi)) / 2 - 1.5 * s.log_sum - lambda * squares / (2 * mu * mu);
    }
    case 26: {
      const double bound = slot(f, 0);
      const double shape = slot(f, 1);
      if (!(s.min >= bound && bound > 0.0 && s.positive)) return std::nullopt;
      return n * (std::log(shape) + shape * std::log(bound)) - (shape + 1) * s.log_sum;
    }
    case 36:
      if (!(s.min >= slot(f, 0) && s.max <= slot(f, 1))) return std::nullopt;
      return -n * std::log(slot(f, 1) - slot(f, 0));
    case 1: {
      if (!s.inside_unit) return std::nullopt;
      const double a = slot(f, 0);
      const double b = slot(f, 1);
      return (a - 1) * s.log_sum + (b - 1) * s.log_complement_sum -
             n * (std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b));
    }
    case 20: {  // -ln s - |z| - 2 ln(1 + e^-|z|), symmetric in z
      const double location = slot(f, 0);
      const double scale = slot(f, 1);
      double sum = 0.0;
      for (const double v : x) {
        const double z = std::fabs(v - location) / scale;
        sum += z + 2 * std::log1p(std::exp(-z));
      }
      return -n * std::log(scale) - sum;
    }
    case 27: {  // Lomax: ln(a / s) - (a + 1) ln(1 + x / s)
      const double shape = slot(f, 0);
      const double scale = slot(f, 1);
      if (!(s.min >= 0.0 && shape > 0.0 && scale > 0.0)) return std::nullopt;
      double sum = 0.0;
      for (const double v : x) sum += std::log1p(v / scale);
      return n * std::log(shape / scale) - (shape + 1) * sum;
    }
    case 12: {  // Gumbel: -ln b - z - e^-z with z = (x - a) / b, the z summed from the mean
      const double location = slot(f, 0);
      const double scale = slot(f, 1);
      double sum = 0.0;
      for (const double v : x) sum += std::exp(-(v - location) / scale);
      return -n * std::log(scale) - n * (s.mean - location) / scale - sum;
    }
    case 37: {  // Weibull: ln(k / l) + (k - 1) ln(x / l) - (x / l)^k
      if (!s.positive) return std::nullopt;
      const double shape = slot(f, 0);
      const double scale = slot(f, 1);
      double sum = 0.0;
      for (const double v : x) sum += std::pow(v / scale, shape);
      return n * std::log(shape / scale) + (shape - 1) * (s.log_sum - n * std::log(scale)) - sum;
    }
    case 33: {  // Student's t with nu degrees of freedom
      const double nu = slot(f, 0);
      double sum = 0.0;
      for (const double v : x) sum += std::log1p(v * v / nu);
      return n * students_t_log_constant(nu) - (nu + 1) / 2 * sum;
    }
    default: return std::nullopt;
  }
}

std::optional<double> log_likelihood(std::int32_t code, const CandidateFit& fit, std::span<const double> data,
                                     const Sums& sums) {
  try {
    if (const std::optional<double> closed = closed_log_likelihood(code, fit, sums, data)) {
      if (!std::isfinite(*closed)) return std::nullopt;
      return closed;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  try {
    double sum = 0.0;
    for (const double x : data) {
      const double p = density(code, fit, x);
      if (!(p > 0.0) || !std::isfinite(p)) return std::nullopt;
      sum += std::log(p);
    }
    return sum;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

double mean_of(std::span<const double> data, const std::function<double(double)>& term) {
  double sum = 0.0;
  for (const double x : data) sum += term(x);
  return sum / static_cast<double>(data.size());
}

// A root of a function that changes sign between low and high, to full double precision.
double root_between(const std::function<double(double)>& f, double low, double high) {
  // Widen the bracket outwards until the sign changes.
  for (int i = 0; i < 200 && f(low) * f(high) > 0.0; ++i) {
    low /= 2.0;
    high *= 2.0;
  }
  std::uintmax_t iterations = 200;
  const auto [a, b] = bm::tools::toms748_solve(f, low, high, bm::tools::eps_tolerance<double>(52), iterations);
  return (a + b) / 2.0;
}

// Minimises a smooth function with NLopt's BOBYQA. Parameters marked positive are searched
// over their logarithms, so that the search cannot leave the positive axis; `steps` are the
// first steps of the others.
std::vector<double> minimise(const std::function<double(const std::vector<double>&)>& objective,
                             std::vector<double> start, std::vector<double> steps) {
  struct Problem {
    const std::function<double(const std::vector<double>&)>* objective;
    const std::vector<double>* steps;
  } problem{&objective, &steps};
  const auto natural = [](const std::vector<double>& steps, const double* search, std::size_t n) {
    std::vector<double> values(n);
    for (std::size_t i = 0; i < n; ++i) values[i] = steps[i] == 0.0 ? std::exp(search[i]) : search[i];
    return values;
  };
  const auto dimension = static_cast<unsigned>(start.size());
  nlopt_opt optimiser = nlopt_create(dimension >= 2 ? NLOPT_LN_BOBYQA : NLOPT_LN_SBPLX, dimension);
  const auto callback = [](unsigned n, const double* search, double*, void* data) {
    const auto& p = *static_cast<Problem*>(data);
    std::vector<double> values(n);
    for (unsigned i = 0; i < n; ++i) values[i] = (*p.steps)[i] == 0.0 ? std::exp(search[i]) : search[i];
    const double result = (*p.objective)(values);
    return std::isfinite(result) ? result : std::numeric_limits<double>::max();
  };
  nlopt_set_min_objective(optimiser, callback, &problem);
  nlopt_set_xtol_rel(optimiser, 1e-14);
  nlopt_set_ftol_rel(optimiser, 1e-16);
  nlopt_set_maxeval(optimiser, 20000);
  std::vector<double> search(start.size());
  std::vector<double> first_steps(start.size());
  for (std::size_t i = 0; i < start.size(); ++i) {
    search[i] = steps[i] == 0.0 ? std::log(start[i]) : start[i];
    first_steps[i] = steps[i] == 0.0 ? 0.1 : steps[i];
  }
  nlopt_set_initial_step(optimiser, first_steps.data());
  double minimum = 0.0;
  const nlopt_result result = nlopt_optimize(optimiser, search.data(), &minimum);
  nlopt_destroy(optimiser);
  if (result < 0) throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: the likelihood has no optimum");
  return natural(steps, search.data(), search.size());
}

// Minimises a smooth function of one positive parameter by Brent's method over its logarithm,
// within a factor of 1E13 either side of `start`: some forty evaluations where the general
// optimiser took a hundred to three hundred, each of them a pass over every observation.
double minimise_positive(const std::function<double(double)>& objective, double start) {
  std::uintmax_t iterations = 200;
  const auto on_logarithm = [&](double t) {
    const double value = objective(std::exp(t));
    return std::isfinite(value) ? value : std::numeric_limits<double>::max();
  };
  const auto found = bm::tools::brent_find_minima(on_logarithm, std::log(start) - 30.0, std::log(start) + 30.0, 32,
                                                  iterations);
  return std::exp(found.first);
}

void require_support(bool inside) {
  if (!inside) throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: data outside the support");
}

// Writes the estimates of a candidate into its slots.
void estimate_by_likelihood(std::int32_t code, std::span<const double> x, const Sample& sample, const Sums& sums,
                            CandidateFit& fit) {
  const double n = static_cast<double>(x.size());
  const double mean = sample.mean;
  const auto set = [&](std::initializer_list<double> values) {
    std::size_t i = 0;
    for (const double v : values) fit.slots[i++] = v;
  };
  const auto negative_log_likelihood = [&](const std::vector<double>& p) {
    CandidateFit trial;
    for (std::size_t i = 0; i < p.size(); ++i) trial.slots[i] = p[i];
    const std::optional<double> ll = log_likelihood(code, trial, x, sums);
    return ll ? -*ll : std::numeric_limits<double>::infinity();
  };
  switch (code) {
    case 25: {
      const double variance = mean_of(x, [&](double v) { return (v - mean) * (v - mean); });
      return set({mean, std::sqrt(variance)});
    }
    case 22: {
      require_support(sample.min > 0.0);
      const double log_mean = mean_of(x, [](double v) { return std::log(v); });
      const double variance = mean_of(x, [&](double v) { return (std::log(v) - log_mean) * (std::log(v) - log_mean); });
      return set({log_mean, std::sqrt(variance)});
    }
    case 11: require_support(sample.min >= 0.0 && mean > 0.0); return set({mean});
    case 9: return set({1.0 / std::sqrt(2.0 * mean_of(x, [](double v) { return v * v; }))});
    case 19: {
      require_support(sample.min > 0.0);
      return set({mean, 1.0 / (mean_of(x, [](double v) { return 1.0 / v; }) - 1.0 / mean)});
    }
    case 26: {
      require_support(sample.min > 0.0);
      return set({sample.min, 1.0 / mean_of(x, [&](double v) { return std::log(v / sample.min); })});
    }
    case 32: return set({std::sqrt(mean_of(x, [](double v) { return v * v; }) / 2.0)});
    case 36: return set({sample.min, sample.max});
    case 13: {  // ln k - psi(k) = ln m - mean ln x; the scale is m / k
      require_support(sample.min > 0.0);
      const double c = std::log(mean) - mean_of(x, [](double v) { return std::log(v); });
      const double k = root_between([&](double s) { return std::log(s) - bm::digamma(s) - c; }, 0.5 / c, 1.0 / c);
      return set({k, mean / k});
    }
    case 4: {  // psi(nu / 2) = mean ln x - ln 2
      require_support(sample.min > 0.0);
      const double c = mean_of(x, [](double v) { return std::log(v); }) - std::log(2.0);
      const double nu =
          root_between([&](double v) { return bm::digamma(v / 2.0) - c; }, 0.5, 2.0 * std::max(mean, 1.0));
      return set({nu});
    }
    case 37: {  // sum x^k ln x / sum x^k - 1/k = mean ln x; the scale is (mean x^k)^(1/k)
      require_support(sample.min > 0.0);
      const double top = sample.max;  // powers of x / max stay finite for large shapes
      std::vector<double> ratio_logs(x.size());
      std::transform(x.begin(), x.end(), ratio_logs.begin(), [&](double v) { return std::log(v / top); });
      const double k = weibull_shape(ratio_logs);
      double powers = 0.0;
      for (const double r : ratio_logs) powers += std::exp(k * r);
      return set({k, top * std::pow(powers / n, 1.0 / k)});
    }
    case 12: {  // Gumbel: the scale from its own equation, the location from the scale
      const double low = sample.min;
      const double beta = gumbel_scale(x, mean, low, sample.stdev.value_or(1.0));
      double weights = 0.0;
      for (const double v : x) weights += std::exp(-(v - low) / beta);
      return set({low - beta * std::log(weights / n), beta});
    }
    case 1: {
      require_support(sample.min > 0.0 && sample.max < 1.0);
      const double s2 = *sample.variance;
      const double common = mean * (1.0 - mean) / s2 - 1.0;
      const auto p = minimise(negative_log_likelihood, {mean * common, (1.0 - mean) * common}, {0.0, 0.0});
      return set({p[0], p[1]});
    }
    case 20: {
      const auto [location, scale] = logistic_estimates(x, mean, sample.stdev.value());
      return set({location, scale});
    }
    case 27: {  // for a scale s the best shape is n / sum ln(1 + x / s): a search over s alone
      require_support(sample.min >= 0.0);
      const auto log_terms = [&](double scale) {
        double sum = 0.0;
        for (const double v : x) sum += std::log1p(v / scale);
        return sum;
      };
      const double scale = minimise_positive(
          [&](double s) {
            const double terms = log_terms(s);
            const double shape = n / terms;
            return -(n * std::log(shape / s) - (shape + 1.0) * terms);
          },
          2.0 * mean);
      return set({n / log_terms(scale), scale});
    }
    case 33: {
      try {
        return set({students_t_degrees(x)});
      } catch (const kx::Failure&) {
        // Squares beyond the doubles leave no slope to follow: the search by values, as for any.
        return set({minimise_positive([&](double nu) { return negative_log_likelihood({nu}); }, 5.0)});
      }
    }
    default: throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: no likelihood fit");
  }
}

}  // namespace

bool has_likelihood_fit(const Candidate& candidate) {
  switch (candidate.code) {
    case 1:
    case 4:
    case 9:
    case 11:
    case 12:
    case 13:
    case 19:
    case 20:
    case 22:
    case 25:
    case 26:
    case 27:
    case 32:
    case 33:
    case 36:
    case 37: return true;
    default: return false;
  }
}

FittedCandidate fit_by_likelihood(const CandidateSet& set, const Candidate& candidate) {
  FittedCandidate fitted;
  fitted.candidate = &candidate;
  fitted.name = set.name(candidate);
  try {
    estimate_by_likelihood(candidate.code, set.sorted(), set.context().sample, set.sums(), fitted.fit);
    fitted.by_likelihood = true;
    set.measure(fitted);
  } catch (const std::exception&) {
    fitted.fit.applicable = false;
    fitted.distance.reset();
  }
  return fitted;
}

double candidate_density(const FittedCandidate& fitted, double x) { return density(fitted.candidate->code, fitted.fit, x); }

std::optional<FitStatistics> fit_statistics(const CandidateSet& set, const FittedCandidate& fitted) {
  if (!fitted.fit.applicable || !fitted.distance) return std::nullopt;
  const std::vector<double>& x = set.sorted();
  const double n = static_cast<double>(x.size());
  FitStatistics statistics;
  statistics.parameters = static_cast<int>(std::count_if(fitted.fit.slots.begin(), fitted.fit.slots.end(),
                                                         [](const kx::Value& v) { return v.is_number(); }));
  const Sums& sums = set.sums();
  statistics.log_likelihood = log_likelihood(fitted.candidate->code, fitted.fit, x, sums);
  if (statistics.log_likelihood) {
    statistics.aic = 2.0 * statistics.parameters - 2.0 * *statistics.log_likelihood;
    statistics.bic = statistics.parameters * std::log(n) - 2.0 * *statistics.log_likelihood;
  }
  try {
    const bool discrete = fitted.candidate->kind == Kind::Discrete;
    if (discrete) {
      statistics.kolmogorov_smirnov = fit_distance(
          x, n, true,
          RememberedCumulative([&](double v) { return set.cumulative(fitted, v); },
                               fitted.candidate->whole_steps),
          [](std::size_t) {});
    } else {
      std::vector<double> computed;
      if (fitted.cumulative.size() != x.size()) {
        computed = cumulative_at_each(x, [&](double v) { return set.cumulative(fitted, v); });
      }
      const std::vector<double>& f = computed.empty() ? fitted.cumulative : computed;
      double ks = 0.0;
      for (std::size_t i = 0; i < x.size(); ++i)
        ks = std::max({ks, static_cast<double>(i + 1) / n - f[i], f[i] - static_cast<double>(i) / n});
      statistics.kolmogorov_smirnov = ks;
      double sum = 0.0;
      bool finite = true;
      for (std::size_t i = 0; i < x.size(); ++i) {
        const double low = f[i];
        const double high = 1.0 - f[x.size() - 1 - i];
        if (!(low > 0.0) || !(high > 0.0)) finite = false;
        sum += (2.0 * static_cast<double>(i) + 1.0) * (std::log(low) + std::log(high));
      }
      if (finite) statistics.anderson_darling = -n - sum / n;
      statistics.kolmogorov_smirnov_p_value = kolmogorov_p_value(ks, n);
      if (statistics.anderson_darling)
        statistics.anderson_darling_p_value = anderson_darling_p_value(*statistics.anderson_darling);
      statistics.chi_square = chi_square_test(f, statistics.parameters);
    }
  } catch (const std::exception&) {
    statistics.kolmogorov_smirnov.reset();
    statistics.anderson_darling.reset();
  }
  if (fitted.by_likelihood && regular_likelihood(fitted.candidate->code)) {
    std::vector<double> maximum;
    for (int i = 0; i < statistics.parameters; ++i) maximum.push_back(fitted.fit.parameter(static_cast<std::size_t>(i)));
    statistics.covariance = inverse_information(
        [&](const std::vector<double>& p) {
          CandidateFit trial;
          for (std::size_t i = 0; i < p.size(); ++i) trial.slots[i] = p[i];
          return log_likelihood(fitted.candidate->code, trial, x, sums);
        },
        maximum);
  }
  return statistics;
}

}  // namespace riskfn::fitting
