#include "riskfn/analysis/input_values.hpp"

#include <algorithm>

#include "common/host_services.hpp"

namespace riskfn::analysis {

InputValues::InputValues(const kx::Value& input) {
  if (input.is_range()) {
    is_table_ = true;
    const std::size_t rows = static_cast<std::size_t>(std::max(input.range()->row_count(), 0));
    holder_ = input.range()->value();
    if (!holder_.is_array()) {
      values_ = std::span<const kx::Value>(&holder_, rows == 0 ? 0 : 1);
      return;
    }
    const auto cells = holder_.array().values();
    values_ = cells.first(std::min(rows, cells.size()));
    return;
  }
  if (input.is_array()) {
    is_table_ = true;
    holder_ = input;
    values_ = holder_.array().values();
  }
}

kx::Value single_value_of(const kx::Value& argument) {
  if (argument.is_range() && argument.range()->count() == 1) return argument.range()->value();
  return argument;
}

}  // namespace riskfn::analysis
