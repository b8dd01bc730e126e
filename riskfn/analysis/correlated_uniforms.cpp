// kxCORREL: one set of uniform numbers whose normal scores carry a given correlation matrix,
// fresh at every recalculation, for the corFactor of correlated sampling functions. Every
// failure, and a matrix it rejects, gives the empty value.
#include <boost/container/small_vector.hpp>
#include <cmath>
#include <cstddef>
#include <exception>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "common/uniform_generator.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn {
namespace {

using kx::Value;

// Shrinks the off-diagonal correlations of a matrix of three or more variables, so that a
// matrix that is only positive semi-definite (correlations of exactly 1) keeps positive pivots.
constexpr double kShrink = 0.999999;

// The correlation matrix as given: a range or an array (a one-dimensional one is a single
// row), or a single number standing for the correlation of two variables. Elements are read
// 1-based as the host's Index reads them.
class CorrelationMatrix {
 public:
  explicit CorrelationMatrix(const Value& argument)
      : values_(argument.is_range() ? argument.range()->value() : argument) {
    if (argument.is_range()) {
      size_ = static_cast<std::size_t>(argument.range()->column_count());
    } else if (values_.is_array()) {
      size_ = values_.array().columns();
      if (values_.array().dimensions() == 1) size_ = values_.array().size();
    }
  }

  std::size_t size() const { return size_; }

  double at(std::size_t row, std::size_t column) const {
    if (!values_.is_array()) {
      if (row != 1 || column != 1) throw kx::Failure(kx::error::kSubscriptOutOfRange);
      return kx::to_double(values_);
    }
    const kx::Array& array = values_.array();
    const std::size_t rows = array.dimensions() == 1 ? 1 : array.rows();
    if (row < 1 || row > rows || column < 1 || column > array.columns()) {
      throw kx::Failure(kx::error::kSubscriptOutOfRange);
    }
    return kx::to_double(array.at(row - 1, column - 1));
  }

 private:
  Value values_;
  std::size_t size_ = 1;
};

// Draws d - 1 normal scores and then the last uniform; each variable before the last mixes its
// own score with those after it through a Cholesky factor of the shrunk matrix, built from the
// last variable backwards. Only the diagonal and the lower triangle are read; a negative pivot
// (a matrix that is not positive semi-definite) is clamped to 0.
Value correlated_uniforms(kx::Application& host, const CorrelationMatrix& matrix) {
  const std::size_t k = matrix.size();
  const std::size_t d = k > 2 ? k : 2;
  const double shrink = k > 2 ? kShrink : 1.0;
  const auto inverse_normal = [&](double p) {
    return kx::to_double(host.call_with_numbers(kx::WorksheetFn::NormSInv, {p}));
  };
  const auto normal = [&](double z) { return kx::to_double(host.call_with_numbers(kx::WorksheetFn::NormSDist, {z})); };

  // On the stack for the usual few variables: kxCORREL is volatile, called at every recalculation.
  boost::container::small_vector<double, 8> scores(d + 1);
  boost::container::small_vector<double, 8> uniforms(d + 1);
  for (std::size_t i = 1; i < d; ++i) scores[i] = inverse_normal(kx::uniform_generator().next());
  uniforms[d] = kx::uniform_generator().next();
  scores[d] = inverse_normal(uniforms[d]);
  const double last_diagonal = matrix.at(k, k);

  kx::Array result = kx::Array::vector(d, 1);
  const auto finished = [&] {
    for (std::size_t i = 1; i <= d; ++i) result.at(i - 1) = uniforms[i];
    return Value(std::move(result));
  };
  if (k == 1) {
    const double r = last_diagonal;
    uniforms[1] = normal(kx::checked::sqrt(1.0 - r * r) * scores[1] + r * scores[2]);
    return finished();
  }
  if (last_diagonal != 1.0) return Value();

  // factor(j, i), j > i, in the lower triangle; factor(k, k) stays 1.
  boost::container::small_vector<double, 36> factors((k + 1) * (k + 1), 0.0);
  const auto factor = [&](std::size_t row, std::size_t column) -> double& { return factors[row * (k + 1) + column]; };
  factor(k, k) = last_diagonal;
  for (std::size_t i = k - 1; i >= 1; --i) {
    factor(i, i) = matrix.at(i, i);
    if (factor(i, i) != 1.0) return Value();
    double mixed = 0.0;
    for (std::size_t j = k; j > i; --j) {
      double element = shrink * matrix.at(j, i);
      for (std::size_t l = j + 1; l <= k; ++l) element -= factor(l, j) * factor(l, i);
      if (factor(j, j) != 0.0) element /= factor(j, j);
      factor(j, i) = element;
      mixed += scores[j] * element;
      factor(i, i) -= element * element;
    }
    factor(i, i) = factor(i, i) >= 0.0 ? std::sqrt(factor(i, i)) : 0.0;
    uniforms[i] = normal(kx::checked::add(scores[i] * factor(i, i), mixed));
  }
  return finished();
}

}  // namespace

Value Main::kxCORREL(Value& correlArray) {
  try {
    kx::Application& application = host();
    application.mark_volatile();
    return correlated_uniforms(application, CorrelationMatrix(correlArray));
  } catch (const std::exception&) {
    return Value();
  }
}

}  // namespace riskfn
