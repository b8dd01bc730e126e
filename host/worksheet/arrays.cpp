// Array and matrix worksheet functions: Index, Transpose, MMult, MInverse and LinEst.
// Arrays come back two-dimensional with lower bounds 1, as a range's value does.

// uBLAS's debug self-check of lu_factorize throws on ill-conditioned matrices that the
// singularity test below handles itself.
#define BOOST_UBLAS_NDEBUG 1

#include <algorithm>
#include <boost/numeric/ublas/lu.hpp>
#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/matrix_proxy.hpp>
#include <cmath>
#include <limits>
#include <vector>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/families.hpp"
#include "host/document/cell_range.hpp"

namespace host::worksheet {
namespace {

namespace ublas = boost::numeric::ublas;
// uBLAS's own storage uses allocator members that C++20 removed; std::vector serves instead.
using Matrix = ublas::matrix<double, ublas::row_major, std::vector<double>>;
using Pivots = ublas::permutation_matrix<std::size_t, std::vector<std::size_t>>;

// Every cell of the argument as a number; a matrix function cannot skip a text or empty cell.
Matrix numeric_matrix(const Grid& grid) {
  Matrix matrix(grid.rows(), grid.columns());
  for (std::size_t row = 0; row < grid.rows(); ++row) {
    for (std::size_t column = 0; column < grid.columns(); ++column) {
      if (!holds_number(grid.at(row, column))) raise_error(kx::error::kXlValue, "every cell must hold a number");
      matrix(row, column) = grid.at(row, column).number();
    }
  }
  return matrix;
}

kx::Value array_of(const Matrix& matrix) {
  kx::Array array(matrix.size1(), matrix.size2());
  for (std::size_t row = 0; row < matrix.size1(); ++row) {
    for (std::size_t column = 0; column < matrix.size2(); ++column) array.at(row, column) = matrix(row, column);
  }
  return array;
}

// The inverse of a square matrix; #NUM! when it is singular to working precision.
Matrix inverse_of(const Matrix& matrix) {
  const std::size_t n = matrix.size1();
  // Rows are scaled to a largest entry of 1, so that the singularity test does not depend on
  // the units of each row; then A^-1 = (D A)^-1 D.
  Matrix scaled(matrix);
  std::vector<double> row_size(n);
  for (std::size_t row = 0; row < n; ++row) {
    for (std::size_t column = 0; column < n; ++column) {
      row_size[row] = std::max(row_size[row], std::fabs(matrix(row, column)));
    }
    check_domain(row_size[row] > 0.0, "the matrix is singular");
    ublas::row(scaled, row) /= row_size[row];
  }
  Pivots pivots(n);
  check_domain(ublas::lu_factorize(scaled, pivots) == 0, "the matrix is singular");
  const double tolerance = static_cast<double>(n) * std::numeric_limits<double>::epsilon();
  for (std::size_t i = 0; i < n; ++i) check_domain(std::fabs(scaled(i, i)) > tolerance, "the matrix is singular");
  Matrix inverse = ublas::identity_matrix<double>(n);
  ublas::lu_substitute(scaled, pivots, inverse);
  for (std::size_t column = 0; column < n; ++column) ublas::column(inverse, column) /= row_size[column];
  return inverse;
}

// A row or column number of Index: omitted or 0 selects all; negative is #VALUE!.
std::size_t position_arg(const kx::Value& value) {
  if (is_omitted(value)) return 0;
  const double position = whole_arg(value);
  if (position < 0.0) raise_error(kx::error::kXlValue, "a row or column number must not be negative");
  check_domain(position <= static_cast<double>(std::numeric_limits<std::int32_t>::max()), "the position is too large");
  return static_cast<std::size_t>(position);
}

}  // namespace

kx::Value index_of(Arguments args) {
  std::size_t row = position_arg(args[1]);
  std::size_t column = position_arg(args[2]);
  // A cell, row or column of a range is a reference itself (A1:INDEX(A:A,9) covers A1 to A9),
  // found without reading the range's cells. A whole column or row reaches past its used cells.
  if (const CellRange* range = cell_range_of(args[0])) {
    const auto rows_in = static_cast<std::size_t>(range->logical_rows());
    const auto columns_in = static_cast<std::size_t>(range->logical_columns());
    // A single row is indexed by one number, as a single column is.
    if (rows_in == 1 && columns_in > 1 && is_omitted(args[2])) std::swap(row, column);
    if (row > rows_in || column > columns_in) raise_error(kx::error::kXlRef, "the position lies outside the range");
    const auto top = range->row() + static_cast<std::int32_t>(row == 0 ? 0 : row - 1);
    const auto left = range->column() + static_cast<std::int32_t>(column == 0 ? 0 : column - 1);
    const std::int32_t bottom = row == 0 ? range->row() + range->row_count() - 1 : top;
    const std::int32_t right = column == 0 ? range->column() + range->column_count() - 1 : left;
    return range->sheet()->area(top, left, std::max(top, bottom), std::max(left, right));
  }
  const Grid grid(args[0]);
  if (grid.rows() == 1 && grid.columns() > 1 && is_omitted(args[2])) std::swap(row, column);
  if (row > grid.rows() || column > grid.columns())
    raise_error(kx::error::kXlRef, "the position lies outside the array");
  const std::size_t first_row = row == 0 ? 0 : row - 1;
  const std::size_t first_column = column == 0 ? 0 : column - 1;
  const std::size_t rows = row == 0 ? grid.rows() : 1;
  const std::size_t columns = column == 0 ? grid.columns() : 1;
  if (rows * columns == 1) return grid.at(first_row, first_column);
  kx::Array part(rows, columns);
  for (std::size_t i = 0; i < rows; ++i) {
    for (std::size_t j = 0; j < columns; ++j) part.at(i, j) = grid.at(first_row + i, first_column + j);
  }
  return part;
}

kx::Value transpose(Arguments args) {
  const Grid grid(args[0]);
  if (grid.is_single_value()) return grid.at(0, 0);
  kx::Array turned(grid.columns(), grid.rows());
  for (std::size_t row = 0; row < grid.rows(); ++row) {
    for (std::size_t column = 0; column < grid.columns(); ++column) turned.at(column, row) = grid.at(row, column);
  }
  return turned;
}

kx::Value m_mult(Arguments args) {
  const Matrix left = numeric_matrix(Grid(args[0]));
  const Matrix right = numeric_matrix(Grid(args[1]));
  if (left.size2() != right.size1()) {
    raise_error(kx::error::kXlValue, "the first array needs as many columns as the second has rows");
  }
  return array_of(ublas::prod(left, right));
}

kx::Value m_inverse(Arguments args) {
  const Matrix matrix = numeric_matrix(Grid(args[0]));
  if (matrix.size1() != matrix.size2() || matrix.size1() == 0) {
    raise_error(kx::error::kXlValue, "the matrix must be square");
  }
  return array_of(inverse_of(matrix));
}

kx::Value lin_est(Arguments args) {
  const Grid y_grid(args[0]);
  if (y_grid.rows() != 1 && y_grid.columns() != 1) {
    raise_error(kx::error::kXlRef, "the y values must be one row or one column");
  }
  const bool in_columns = y_grid.columns() == 1;  // observations run down the rows
  const std::size_t n = y_grid.size();
  const Matrix y = numeric_matrix(y_grid);

  // Each x variable is a column of x beside a y column, or a row of x beside a y row;
  // omitted x are 1, 2, ..., n.
  Matrix x(n, 1);
  if (is_omitted(args[1])) {
    for (std::size_t i = 0; i < n; ++i) x(i, 0) = static_cast<double>(i + 1);
  } else {
    const Matrix given = numeric_matrix(Grid(args[1]));
    if ((in_columns ? given.size1() : given.size2()) != n) {
      raise_error(kx::error::kXlRef, "the x values must have as many observations as the y values");
    }
    x = in_columns ? given : Matrix(ublas::trans(given));
  }
  const std::size_t k = x.size2();
  const auto y_at = [&](std::size_t i) { return in_columns ? y(i, 0) : y(0, i); };

  // Least squares on the centred data: the normal equations then hold only the slopes.
  std::vector<double> mean(k + 1, 0.0);  // the x means, then the y mean
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < k; ++j) mean[j] += x(i, j);
    mean[k] += y_at(i);
  }
  for (double& m : mean) m /= static_cast<double>(n);
  Matrix cross(k, k, 0.0);
  Matrix moment(k, 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < k; ++j) {
      const double dx = x(i, j) - mean[j];
      for (std::size_t l = 0; l < k; ++l) cross(j, l) += dx * (x(i, l) - mean[l]);
      moment(j, 0) += dx * (y_at(i) - mean[k]);
    }
  }
  const Matrix slopes = ublas::prod(inverse_of(cross), moment);

  // The spreadsheet lists the slopes from the last x variable to the first, then the intercept.
  kx::Array coefficients(1, k + 1);
  double intercept = mean[k];
  for (std::size_t j = 0; j < k; ++j) {
    coefficients.at(0, k - 1 - j) = slopes(j, 0);
    intercept -= slopes(j, 0) * mean[j];
  }
  coefficients.at(0, k) = intercept;
  return coefficients;
}

}  // namespace host::worksheet
