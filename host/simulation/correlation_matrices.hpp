// The correlation matrices a model gives kxCORREL, checked before a run: symmetric, a unit
// diagonal, entries from -1 to 1, positive semi-definite. One that is not can be replaced by
// the nearest valid correlation matrix.
#pragma once

#include <Eigen/Dense>
#include <optional>
#include <string>
#include <vector>

#include "host/formula/formula_engine.hpp"
#include "host/simulation/simulation_model.hpp"

namespace host {

struct CorrelationMatrix {
  std::string range;           // "Model!B19:D21"
  std::string sheet;
  std::int32_t top = 1, left = 1;
  Eigen::MatrixXd values;      // NaN where a cell holds no number
  // The cells whose formula calls kxCORREL on it (an array formula's first cell).
  std::vector<ModelCell> callers;
};

// Every range kxCORREL reads in the engine's active workbook, with the values it holds now.
// A matrix whose upper triangle is empty is read from its lower one, as kxCORREL reads it.
std::vector<CorrelationMatrix> correlation_matrices(FormulaEngine& engine);

// What is wrong with a matrix, in a few words ("not symmetric: D19 is 0.5, B21 is 0.4"); none
// for a valid correlation matrix. A single cell is the correlation of two variables.
std::optional<std::string> correlation_problem(const CorrelationMatrix& matrix);

// The nearest correlation matrix in the Frobenius norm by alternating projections with
// Dykstra's correction (Higham, 2002), its eigenvalues kept from going below a hair above 0 so
// that it stays usable after rounding; a single correlation is clamped into -1..1. The matrix
// must be square and hold numbers.
Eigen::MatrixXd nearest_correlation(const Eigen::MatrixXd& matrix);

// The matrix's rows as lists of numbers, as a report or a partial result writes them.
std::vector<std::vector<double>> rows_of(const Eigen::MatrixXd& matrix);

// A pair of the model's inputs (by index) that a matrix correlates, and the correlation asked.
struct AskedCorrelation {
  std::size_t first = 0;
  std::size_t second = 0;
  double asked = 0;
};

// The pairs of inputs whose corFactor is a number kxCORREL spills from one of the matrices.
std::vector<AskedCorrelation> asked_correlations(const std::vector<CorrelationMatrix>& matrices,
                                                 const SimulationModel& model);

// The settings that write a matrix's values into its cells, each exact to the last digit.
std::vector<CellSetting> settings_of(const CorrelationMatrix& matrix, const Eigen::MatrixXd& values);

}  // namespace host
