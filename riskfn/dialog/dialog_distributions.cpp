#include "riskfn/dialog/dialog_distributions.hpp"

#include <algorithm>
#include <exception>

#include "common/value.hpp"
#include "riskfn/dialog/dialog_values.hpp"

namespace riskfn::dialog {
namespace {

constexpr DialogDistribution kDistributions[] = {
    {1, "Beta (", 2, true},
    {2, "Beta general (", 4, true},
    {3, "Binomial (", 2, false},
    {4, "Chi Squared (", 1, true},
    {9, "Erf (Error function) (", 1, true},
    {10, "Erlang (", 2, true},
    {11, "Exponential (", 1, true},
    {12, "Extreme Value (", 2, true},
    {13, "Gamma (", 2, true},
    {15, "Geometric (", 1, false},
    {17, "Hypergeometric (", 3, false},
    {18, "Integer Uniform (", 2, false},
    {19, "Inverse Gauss (", 2, true},
    {20, "Logistic (", 2, true},
    {22, "LogNormal (", 2, true},
    {24, "Negative binomial (", 2, false},
    {25, "Normal (", 2, true},
    {26, "Pareto (", 2, true},
    {27, "Pareto2 (", 2, true},
    {30, "PERT (", 3, true},
    {31, "Poisson (", 1, false},
    {32, "Rayleigh (", 1, true},
    {33, "Student (", 1, true},
    {34, "Triangular (", 3, true},
    {36, "Uniform (", 2, true},
    {37, "Weibull (", 2, true},
};

}  // namespace

const DialogDistribution* dialog_distribution(int code) {
  const auto* found = std::find_if(std::begin(kDistributions), std::end(kDistributions),
                                   [code](const DialogDistribution& d) { return d.code == code; });
  return found == std::end(kDistributions) ? nullptr : found;
}

bool is_continuous(int code) {
  const DialogDistribution* distribution = dialog_distribution(code);
  return distribution != nullptr && distribution->continuous;
}

int selected_code(const kx::Value& arrLabels, const std::string& name, std::span<const int> order) {
  for (const int code : order) {
    const kx::Value* label = nullptr;
    try {
      label = &element(arrLabels, code, 0);
    } catch (const std::exception&) {
      continue;  // a label array without this code cannot name it
    }
    if (label->is_text() && label->text() == name) return code;
  }
  return 0;
}

}  // namespace riskfn::dialog
