// The determinant of a square matrix and the unit matrix.
#define BOOST_UBLAS_NDEBUG 1  // the singular case is handled here, not by uBLAS's self-check

#include <boost/numeric/ublas/lu.hpp>
#include <boost/numeric/ublas/matrix.hpp>
#include <cmath>
#include <vector>

#include "host/formula/limits.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;
namespace ublas = boost::numeric::ublas;
using Matrix = ublas::matrix<double, ublas::row_major, std::vector<double>>;
using Pivots = ublas::permutation_matrix<std::size_t, std::vector<std::size_t>>;

// The product of the LU factors' diagonal, its sign turned by each row exchange; 0 for a
// singular matrix.
kx::Value determinant(Arguments args) {
  const Grid grid(args[0]);
  if (grid.rows() != grid.columns()) raise_error(kx::error::kXlValue, "the matrix must be square");
  const std::size_t n = grid.rows();
  Matrix matrix(n, n);
  for (std::size_t i = 0; i < grid.size(); ++i) {
    if (!holds_number(grid.at(i))) raise_error(kx::error::kXlValue, "every cell must hold a number");
    matrix(i / n, i % n) = grid.at(i).number();
  }
  Pivots pivots(n);
  if (ublas::lu_factorize(matrix, pivots) != 0) return 0.0;
  double result = 1.0;
  for (std::size_t i = 0; i < n; ++i) {
    result *= matrix(i, i);
    if (pivots(i) != i) result = -result;
  }
  return result;
}

kx::Value unit_matrix(Arguments args) {
  const double size = std::trunc(number_arg(args[0]));
  if (size < 1.0) raise_error(kx::error::kXlValue, "the dimension must be at least 1");
  if (size * size > static_cast<double>(kMaxFormulaArrayCells)) {
    throw LimitExceeded("MUNIT would build more than the " + std::to_string(kMaxFormulaArrayCells) +
                        " elements a formula may build");
  }
  const auto n = static_cast<std::size_t>(size);
  kx::Array unit(n, n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) unit.at(i, j) = i == j ? 1.0 : 0.0;
  }
  return unit;
}

constexpr SheetFunction kFunctions[] = {
    {"MDETERM", 1, 1, kArrays, determinant, "array"},
    {"MUNIT", 1, 1, kSingleValues, unit_matrix, "dimension"},
};

}  // namespace

Family matrix_functions() { return kFunctions; }

}  // namespace host::worksheet
