// The newer forms of the distributions (a cumulative flag, the left or right tail, two
// tails) and the hypothesis tests on samples: chi-squared, F, Student's t and z.
#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/hypergeometric.hpp>
#include <boost/math/distributions/negative_binomial.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/boost_policy.hpp"
#include "host/worksheet/families.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;
namespace bm = boost::math;

using Normal = bm::normal_distribution<double, BoostPolicy>;
using StudentsT = bm::students_t_distribution<double, BoostPolicy>;
using ChiSquared = bm::chi_squared_distribution<double, BoostPolicy>;
using FisherF = bm::fisher_f_distribution<double, BoostPolicy>;
using Binomial = bm::binomial_distribution<double, BoostPolicy>;
using NegativeBinomial = bm::negative_binomial_distribution<double, BoostPolicy>;
using Hypergeometric = bm::hypergeometric_distribution<double, BoostPolicyInLongDouble>;

// Degrees of freedom from 1 to 10^10, truncated, as the spreadsheet takes them.
double degrees_arg(const kx::Value& value) {
  const double degrees = whole_arg(value);
  check_domain(degrees >= 1.0 && degrees < 1e10, "the degrees of freedom must lie between 1 and 10^10");
  return degrees;
}

kx::Value chi_squared_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = degrees_arg(args[1]);
  const bool cumulative = flag_arg(args[2]);
  check_domain(x >= 0.0, "x must not be negative");
  const ChiSquared distribution(degrees);
  if (!cumulative && x == 0.0) {
    // Boost answers 0 at the pole of one degree of freedom.
    check_domain(degrees != 1.0, "the density is infinite at 0");
    return degrees == 2.0 ? 0.5 : 0.0;
  }
  return cumulative ? bm::cdf(distribution, x) : bm::pdf(distribution, x);
}

kx::Value chi_squared_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double degrees = degrees_arg(args[1]);
  check_domain(p >= 0.0 && p < 1.0, "the probability must lie in [0, 1)");
  return bm::quantile(ChiSquared(degrees), p);
}

kx::Value f_dist(Arguments args) {
  const double x = number_arg(args[0]);
  const double numerator = degrees_arg(args[1]);
  const double denominator = degrees_arg(args[2]);
  const bool cumulative = flag_arg(args[3]);
  check_domain(x >= 0.0, "x must not be negative");
  const FisherF distribution(numerator, denominator);
  if (!cumulative && x == 0.0) {
    check_domain(numerator != 1.0, "the density is infinite at 0");
    return numerator == 2.0 ? 1.0 : 0.0;
  }
  return cumulative ? bm::cdf(distribution, x) : bm::pdf(distribution, x);
}

kx::Value f_inv(Arguments args) {
  const double p = number_arg(args[0]);
  const double numerator = degrees_arg(args[1]);
  const double denominator = degrees_arg(args[2]);
  check_domain(p >= 0.0 && p < 1.0, "the probability must lie in [0, 1)");
  return bm::quantile(FisherF(numerator, denominator), p);
}

kx::Value t_dist_two_tailed(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = degrees_arg(args[1]);
  check_domain(x >= 0.0, "x must not be negative");
  return 2.0 * bm::cdf(bm::complement(StudentsT(degrees), x));
}

kx::Value t_dist_right(Arguments args) {
  const double x = number_arg(args[0]);
  const double degrees = degrees_arg(args[1]);
  return bm::cdf(bm::complement(StudentsT(degrees), x));
}

// The probability of between s and s2 successes (exactly s without s2) in n trials.
kx::Value binomial_range(Arguments args) {
  const double trials = whole_arg(args[0]);
  const double p = number_arg(args[1]);
  const double low = whole_arg(args[2]);
  const double high = is_omitted(args[3]) ? low : whole_arg(args[3]);
  check_domain(trials >= 0.0, "the number of trials must not be negative");
  check_domain(p >= 0.0 && p <= 1.0, "the probability of success must lie between 0 and 1");
  check_domain(low >= 0.0 && low <= high && high <= trials, "the successes must satisfy 0 <= s <= s2 <= trials");
  const Binomial binomial(trials, p);
  if (low == 0.0) return bm::cdf(binomial, high);
  return bm::cdf(binomial, high) - bm::cdf(binomial, low - 1.0);
}

kx::Value negative_binomial_flagged(Arguments args) {
  const kx::Value density = neg_binom_dist(args.first(3));  // checks the arguments
  if (!flag_arg(args[3])) return density;
  return bm::cdf(NegativeBinomial(whole_arg(args[1]), number_arg(args[2])), whole_arg(args[0]));
}

kx::Value hypergeometric_flagged(Arguments args) {
  const kx::Value density = hyp_geom_dist(args.first(4));  // checks the arguments
  if (!flag_arg(args[4])) return density;
  const Hypergeometric distribution(static_cast<unsigned>(whole_arg(args[2])),
                                    static_cast<unsigned>(whole_arg(args[1])),
                                    static_cast<unsigned>(whole_arg(args[3])));
  return bm::cdf(distribution, static_cast<unsigned>(whole_arg(args[0])));
}

kx::Value confidence_t(Arguments args) {
  const double alpha = number_arg(args[0]);
  const double sd = number_arg(args[1]);
  const double size = whole_arg(args[2]);
  check_domain(alpha > 0.0 && alpha < 1.0, "alpha must lie inside (0, 1)");
  check_domain(sd > 0.0, "the standard deviation must be positive");
  if (size == 1.0) raise_error(kx::error::kXlDiv0, "one observation gives no interval");
  check_domain(size >= 1.0, "the size must be at least 1");
  return bm::quantile(bm::complement(StudentsT(size - 1.0), alpha / 2.0)) * sd / std::sqrt(size);
}

double mean_of(const std::vector<double>& numbers) {
  double total = 0.0;
  for (const double x : numbers) total += x;
  return total / static_cast<double>(numbers.size());
}

// The sample variance; fewer than two numbers are #DIV/0!.
double variance_of(const std::vector<double>& numbers) {
  if (numbers.size() < 2) raise_error(kx::error::kXlDiv0, "a sample needs at least two numbers");
  return squared_deviations(numbers) / static_cast<double>(numbers.size() - 1);
}

std::vector<double> numbers_in(const kx::Value& argument) { return numbers_of(std::span(&argument, 1)); }

// Whether the variances of two samples differ: twice the smaller tail of their ratio.
kx::Value f_test(Arguments args) {
  const std::vector<double> first = numbers_in(args[0]);
  const std::vector<double> second = numbers_in(args[1]);
  const double v1 = variance_of(first);
  const double v2 = variance_of(second);
  if (v1 == 0.0 || v2 == 0.0) raise_error(kx::error::kXlDiv0, "a sample does not vary");
  const FisherF distribution(static_cast<double>(first.size() - 1), static_cast<double>(second.size() - 1));
  const double lower = bm::cdf(distribution, v1 / v2);
  return 2.0 * std::min(lower, 1.0 - lower);
}

// Student's t-test: type 1 paired, 2 two samples of equal variance, 3 of unequal variance.
kx::Value t_test(Arguments args) {
  const double tails = whole_arg(args[2]);
  const double type = whole_arg(args[3]);
  check_domain(tails == 1.0 || tails == 2.0, "tails must be 1 or 2");
  check_domain(type >= 1.0 && type <= 3.0, "the type must be 1, 2 or 3");
  double t = 0.0;
  double degrees = 0.0;
  if (type == 1.0) {
    const Grid a(args[0]);
    const Grid b(args[1]);
    if (a.size() != b.size()) raise_error(kx::error::kXlNA, "paired samples must hold as many values");
    std::vector<double> differences;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (holds_number(a.at(i)) && holds_number(b.at(i))) differences.push_back(a.at(i).number() - b.at(i).number());
    }
    const double variance = variance_of(differences);
    const auto n = static_cast<double>(differences.size());
    if (variance == 0.0) raise_error(kx::error::kXlDiv0, "the differences do not vary");
    t = mean_of(differences) / std::sqrt(variance / n);
    degrees = n - 1.0;
  } else {
    const std::vector<double> a = numbers_in(args[0]);
    const std::vector<double> b = numbers_in(args[1]);
    const double va = variance_of(a);
    const double vb = variance_of(b);
    const auto na = static_cast<double>(a.size());
    const auto nb = static_cast<double>(b.size());
    double error = 0.0;
    if (type == 2.0) {
      const double pooled = ((na - 1.0) * va + (nb - 1.0) * vb) / (na + nb - 2.0);
      error = std::sqrt(pooled * (1.0 / na + 1.0 / nb));
      degrees = na + nb - 2.0;
    } else {
      const double ea = va / na;
      const double eb = vb / nb;
      error = std::sqrt(ea + eb);
      if (error == 0.0) raise_error(kx::error::kXlDiv0, "the samples do not vary");
      degrees = (ea + eb) * (ea + eb) / (ea * ea / (na - 1.0) + eb * eb / (nb - 1.0));
    }
    if (error == 0.0) raise_error(kx::error::kXlDiv0, "the samples do not vary");
    t = (mean_of(a) - mean_of(b)) / error;
  }
  return tails * bm::cdf(bm::complement(StudentsT(degrees), std::fabs(t)));
}

// The one-tailed probability of a mean above the sample's, for a normal population around x.
kx::Value z_test(Arguments args) {
  const std::vector<double> numbers = numbers_in(args[0]);
  if (numbers.empty()) raise_error(kx::error::kXlNA, "the sample holds no numbers");
  const double x = number_arg(args[1]);
  const double sd = is_omitted(args[2]) ? std::sqrt(variance_of(numbers)) : number_arg(args[2]);
  if (sd == 0.0) raise_error(kx::error::kXlDiv0, "the standard deviation is 0");
  const double z = (mean_of(numbers) - x) / (sd / std::sqrt(static_cast<double>(numbers.size())));
  return bm::cdf(bm::complement(Normal(), z));
}

constexpr SheetFunction kFunctions[] = {
    {"CHISQ.DIST", 3, 3, kSingleValues, chi_squared_dist, "x, deg_freedom, cumulative"},
    {"CHISQ.INV", 2, 2, kSingleValues, chi_squared_inv, "probability, deg_freedom"},
    {"CHISQ.TEST", 2, 2, kArrays, chi_test, "actual_range, expected_range"},
    {"F.DIST", 4, 4, kSingleValues, f_dist, "x, deg_freedom1, deg_freedom2, cumulative"},
    {"F.INV", 3, 3, kSingleValues, f_inv, "probability, deg_freedom1, deg_freedom2"},
    {"F.TEST", 2, 2, kArrays, f_test, "array1, array2"},
    {"FTEST", 2, 2, kArrays, f_test, "array1, array2"},
    {"T.DIST.2T", 2, 2, kSingleValues, t_dist_two_tailed, "x, deg_freedom"},
    {"T.DIST.RT", 2, 2, kSingleValues, t_dist_right, "x, deg_freedom"},
    {"T.TEST", 4, 4, kArrays, t_test, "array1, array2, tails, type"},
    {"TTEST", 4, 4, kArrays, t_test, "array1, array2, tails, type"},
    {"Z.TEST", 2, 3, kArrays, z_test, "array, x, [sigma]"},
    {"ZTEST", 2, 3, kArrays, z_test, "array, x, [sigma]"},
    {"BINOM.INV", 3, 3, kSingleValues, crit_binom, "trials, probability_s, alpha"},
    {"BINOM.DIST.RANGE", 3, 4, kSingleValues, binomial_range, "trials, probability_s, number_s, [number_s2]"},
    {"NEGBINOM.DIST", 4, 4, kSingleValues, negative_binomial_flagged, "number_f, number_s, probability_s, cumulative"},
    {"HYPGEOM.DIST", 5, 5, kSingleValues, hypergeometric_flagged,
     "sample_s, number_sample, population_s, number_pop, cumulative"},
    {"CONFIDENCE.T", 3, 3, kSingleValues, confidence_t, "alpha, standard_dev, size"},
};

}  // namespace

Family distribution_form_functions() { return kFunctions; }

}  // namespace host::worksheet
