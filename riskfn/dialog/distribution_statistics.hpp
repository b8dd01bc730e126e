// The theoretical statistics the dialog shows for each distribution code: minimum, maximum,
// mean, mode, median, variance, skewness and kurtosis (not reduced by 3), from the parameters.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "common/host_services.hpp"
#include "riskfn/dialog/dialog_values.hpp"

namespace riskfn::dialog {

// A text of the add-in shown in place of a number.
struct TextRow {
  std::int32_t row;
};
inline constexpr TextRow kNotDefined{51};  // does not exist or has no unique value
inline constexpr TextRow kBothEnds{52};    // a mode at both ends
inline constexpr TextRow kInfinite{53};    // an infinite bound

using Statistic = std::variant<double, TextRow, std::string>;
using StatisticFn = Statistic (*)(const Parameters& p, kx::Application& host);

// One function per statistic; null where the dialog's row is left as it is. The standard
// deviation follows from the variance.
struct StatisticsRule {
  StatisticFn minimum = nullptr;
  StatisticFn maximum = nullptr;
  StatisticFn mean = nullptr;
  StatisticFn mode = nullptr;
  StatisticFn median = nullptr;
  StatisticFn variance = nullptr;
  StatisticFn skewness = nullptr;
  StatisticFn kurtosis = nullptr;
};

// The rule of a code the dialog handles; nullptr for any other.
const StatisticsRule* statistics_rule(int code);

}  // namespace riskfn::dialog
