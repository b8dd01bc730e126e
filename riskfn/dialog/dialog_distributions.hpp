// The distributions the dialog offers, by distribution code: the description's name prefix,
// the number of parameters, whether the chart is continuous, and how the selection is found.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "common/value.hpp"

namespace riskfn::dialog {

struct DialogDistribution {
  int code;
  std::string_view prefix;  // the description's start, opening parenthesis included
  int parameter_count;
  bool continuous;
};

// The codes in the order the parameter check looks for the selection, and in the order the
// chart density does; the same set, two orders.
inline constexpr int kCheckOrder[] = {1,  2,  3,  4,  9,  10, 12, 11, 13, 15, 17, 18, 19,
                                      20, 22, 24, 25, 26, 27, 30, 31, 32, 33, 34, 36, 37};
inline constexpr int kDensityOrder[] = {1,  2,  3,  4,  10, 9,  11, 12, 13, 15, 17, 18, 19,
                                        20, 22, 25, 24, 26, 27, 30, 31, 32, 33, 34, 36, 37};

// The distribution of a code the dialog handles; nullptr for any other code.
const DialogDistribution* dialog_distribution(int code);

// Codes outside the continuous ones are treated as discrete, unknown codes included.
bool is_continuous(int code);

// The first code of `order` whose display name arrLabels(code, 0) equals `name`; 0 when none does.
int selected_code(const kx::Value& arrLabels, const std::string& name, std::span<const int> order);

}  // namespace riskfn::dialog
