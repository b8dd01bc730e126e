#include "host/simulation/correlation_matrices.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>
#include <variant>

#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/formula/function_table.hpp"

namespace host {
namespace {

constexpr std::string_view kCorrelationFunction = "kxCORREL";
// Rounding leaves an entry of a valid matrix this far from symmetry, 1 or the unit range.
constexpr double kTolerance = 1e-9;
// The smallest eigenvalue a repaired matrix keeps: above what rounding can take below zero.
constexpr double kSmallestEigenvalue = 1e-9;
constexpr int kMostSweeps = 10000;
constexpr double kConverged = 1e-12;

std::string cell_name(const CorrelationMatrix& matrix, Eigen::Index row, Eigen::Index column) {
  return column_letters(matrix.left + static_cast<std::int32_t>(column)) +
         std::to_string(matrix.top + static_cast<std::int32_t>(row));
}

std::string number_text(double x) { return fmt::format("{:.6g}", x); }

// The projection onto matrices with a unit diagonal.
Eigen::MatrixXd unit_diagonal(Eigen::MatrixXd m) {
  m.diagonal().setOnes();
  return m;
}

// The projection onto positive semi-definite matrices, eigenvalues kept at `floor` or above.
Eigen::MatrixXd semi_definite(const Eigen::MatrixXd& m, double floor) {
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(m);
  const Eigen::VectorXd kept = solver.eigenvalues().cwiseMax(floor);
  return solver.eigenvectors() * kept.asDiagonal() * solver.eigenvectors().transpose();
}

}  // namespace

std::vector<CorrelationMatrix> correlation_matrices(FormulaEngine& engine) {
  std::vector<CorrelationMatrix> found;
  const std::shared_ptr<Book> book = engine.application().active_book();
  std::set<std::tuple<const Sheet*, std::int32_t, std::int32_t, std::int32_t, std::int32_t>> seen;
  for (const auto& sheet : book->sheets()) {
    sheet->for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
      if (!cell.formula) return;
      const SyntaxTree& tree = cell.formula->tree();
      for (const Node& node : tree.nodes) {
        const auto* call = std::get_if<Call>(&node.data);
        if (call == nullptr || call->function == nullptr || call->arguments.count == 0 ||
            !kx::equals_ignore_case(call->function->name, kCorrelationFunction))
          continue;
        const auto* reference = std::get_if<ReferenceNode>(&tree[tree.arguments[call->arguments.first]].data);
        if (reference == nullptr || reference->sheet == nullptr) continue;  // a number or array: nothing to check
        const CellArea& area = reference->area;
        const ModelCell caller{sheet.get(), row, column, sheet->name() + "!" + column_letters(column) + std::to_string(row),
                               ""};
        const auto key = std::tuple(reference->sheet, area.top, area.left, area.bottom, area.right);
        if (!seen.insert(key).second) {
          for (CorrelationMatrix& matrix : found) {
            if (matrix.sheet == reference->sheet->name() && matrix.top == area.top && matrix.left == area.left)
              matrix.callers.push_back(caller);
          }
          continue;
        }
        CorrelationMatrix matrix;
        matrix.sheet = reference->sheet->name();
        matrix.top = area.top;
        matrix.left = area.left;
        matrix.range = matrix.sheet + "!" + column_letters(area.left) + std::to_string(area.top) + ":" +
                       column_letters(area.right) + std::to_string(area.bottom);
        matrix.values.resize(area.row_count(), area.column_count());
        bool upper_empty = area.row_count() == area.column_count();
        for (std::int32_t r = area.top; r <= area.bottom; ++r) {
          for (std::int32_t c = area.left; c <= area.right; ++c) {
            const kx::Value& value = reference->sheet->value(r, c);
            if (c - area.left > r - area.top && !value.is_empty()) upper_empty = false;
            matrix.values(r - area.top, c - area.left) =
                value.is_number() ? value.number() : std::numeric_limits<double>::quiet_NaN();
          }
        }
        if (upper_empty) matrix.values.triangularView<Eigen::StrictlyUpper>() = matrix.values.transpose();
        matrix.callers.push_back(caller);
        found.push_back(std::move(matrix));
      }
    });
  }
  return found;
}

std::optional<std::string> correlation_problem(const CorrelationMatrix& matrix) {
  const Eigen::MatrixXd& m = matrix.values;
  if (m.rows() != m.cols())
    return fmt::format("not square: {} rows and {} columns", m.rows(), m.cols());
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) {
      if (std::isnan(m(r, c))) return fmt::format("{} holds no number", cell_name(matrix, r, c));
    }
  }
  // One cell holds the correlation of two variables, not a matrix.
  if (m.size() == 1) {
    if (std::abs(m(0, 0)) <= 1 + kTolerance) return std::nullopt;
    return fmt::format("a correlation must lie from -1 to 1, and {} is {}", cell_name(matrix, 0, 0),
                       number_text(m(0, 0)));
  }
  for (Eigen::Index i = 0; i < m.rows(); ++i) {
    if (std::abs(m(i, i) - 1) > kTolerance)
      return fmt::format("its diagonal must hold 1, and {} is {}", cell_name(matrix, i, i), number_text(m(i, i)));
  }
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) {
      if (std::abs(m(r, c)) > 1 + kTolerance)
        return fmt::format("a correlation must lie from -1 to 1, and {} is {}", cell_name(matrix, r, c),
                           number_text(m(r, c)));
      if (c > r && std::abs(m(r, c) - m(c, r)) > kTolerance)
        return fmt::format("not symmetric: {} is {}, {} is {}", cell_name(matrix, r, c), number_text(m(r, c)),
                           cell_name(matrix, c, r), number_text(m(c, r)));
    }
  }
  const double smallest = Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(m, Eigen::EigenvaluesOnly).eigenvalues()(0);
  if (smallest < -kTolerance)
    return fmt::format("not positive semi-definite: its smallest eigenvalue is {}", number_text(smallest));
  return std::nullopt;
}

Eigen::MatrixXd nearest_correlation(const Eigen::MatrixXd& matrix) {
  if (matrix.size() == 1) return matrix.cwiseMax(-1.0).cwiseMin(1.0);
  // Clamped into the unit range first: a correlation beyond it is no correlation at all.
  const Eigen::MatrixXd start = (matrix + matrix.transpose()).cwiseMax(-2.0).cwiseMin(2.0) / 2;
  Eigen::MatrixXd y = start;
  Eigen::MatrixXd correction = Eigen::MatrixXd::Zero(start.rows(), start.cols());
  for (int sweep = 0; sweep < kMostSweeps; ++sweep) {
    const Eigen::MatrixXd r = y - correction;
    const Eigen::MatrixXd x = semi_definite(r, 0);
    correction = x - r;
    const Eigen::MatrixXd next = unit_diagonal(x);
    const double change = (next - y).norm() / std::max(1.0, y.norm());
    y = next;
    if (change < kConverged) break;
  }
  // Lifted a hair above zero and scaled back to a unit diagonal, which keeps it semi-definite.
  const Eigen::MatrixXd lifted = semi_definite(y, kSmallestEigenvalue);
  const Eigen::VectorXd scale = lifted.diagonal().cwiseSqrt().cwiseInverse();
  Eigen::MatrixXd result = scale.asDiagonal() * lifted * scale.asDiagonal();
  result = (result + result.transpose()) / 2;
  result.diagonal().setOnes();
  return result;
}

std::vector<AskedCorrelation> asked_correlations(const std::vector<CorrelationMatrix>& matrices,
                                                 const SimulationModel& model) {
  // Each input's place in a matrix: the matrix and the index of the number it takes.
  std::vector<std::optional<std::pair<std::size_t, Eigen::Index>>> places(model.inputs.size());
  for (std::size_t i = 0; i < model.inputs.size(); ++i) {
    const ModelCell& input = model.inputs[i];
    const Cell* cell = input.sheet == nullptr ? nullptr : input.sheet->find(input.row, input.column);
    if (cell == nullptr || !cell->formula) continue;
    const SyntaxTree& tree = cell->formula->tree();
    for (const Node& node : tree.nodes) {
      const auto* call = std::get_if<Call>(&node.data);
      if (call == nullptr || call->function == nullptr || call->function->kind != Function::Kind::Member) continue;
      const auto& parameters = call->function->member->parameters;
      for (std::size_t p = 0; p < parameters.size() && p < call->arguments.count; ++p) {
        if (parameters[p].name != "corFactor") continue;
        const auto* reference = std::get_if<ReferenceNode>(&tree[tree.arguments[call->arguments.first + p]].data);
        if (reference == nullptr || !reference->area.single_cell() || reference->sheet == nullptr) continue;
        const std::int32_t row = reference->area.top, column = reference->area.left;
        for (std::size_t m = 0; m < matrices.size(); ++m) {
          const Eigen::Index k = matrices[m].values.rows();
          for (const ModelCell& caller : matrices[m].callers) {
            if (caller.sheet != reference->sheet) continue;
            // The numbers spill along the caller's row, or down its column.
            if (row == caller.row && column >= caller.column && column < caller.column + k) {
              places[i] = std::pair(m, Eigen::Index{column - caller.column});
            } else if (column == caller.column && row >= caller.row && row < caller.row + k) {
              places[i] = std::pair(m, Eigen::Index{row - caller.row});
            }
          }
        }
      }
    }
  }
  std::vector<AskedCorrelation> asked;
  for (std::size_t a = 0; a < places.size(); ++a) {
    for (std::size_t b = a + 1; b < places.size(); ++b) {
      if (!places[a] || !places[b] || places[a]->first != places[b]->first) continue;
      const Eigen::MatrixXd& values = matrices[places[a]->first].values;
      if (values.rows() != values.cols() || values.rows() < 2) continue;
      // kxCORREL reads the lower triangle.
      const Eigen::Index i = std::max(places[a]->second, places[b]->second);
      const Eigen::Index j = std::min(places[a]->second, places[b]->second);
      if (i != j) asked.push_back({a, b, values(i, j)});
    }
  }
  return asked;
}

std::vector<CellSetting> settings_of(const CorrelationMatrix& matrix, const Eigen::MatrixXd& values) {
  std::vector<CellSetting> settings;
  for (Eigen::Index r = 0; r < values.rows(); ++r) {
    for (Eigen::Index c = 0; c < values.cols(); ++c) {
      settings.push_back({"'" + matrix.sheet + "'!" + cell_name(matrix, r, c), fmt::format("{}", values(r, c))});
    }
  }
  return settings;
}

std::vector<std::vector<double>> rows_of(const Eigen::MatrixXd& matrix) {
  std::vector<std::vector<double>> rows(static_cast<std::size_t>(matrix.rows()));
  for (Eigen::Index r = 0; r < matrix.rows(); ++r) {
    for (Eigen::Index c = 0; c < matrix.cols(); ++c) rows[static_cast<std::size_t>(r)].push_back(matrix(r, c));
  }
  return rows;
}

}  // namespace host
