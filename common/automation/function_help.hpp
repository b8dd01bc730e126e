// What a published function's parameters mean, in the words of the person who calls it, with
// one call that works: read by `kx functions NAME`, failure messages and fitting's formulas.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace kx {

struct ParameterHelp {
  std::string_view name;     // as the interface declares it
  std::string_view label;    // a short name for tables: "shape", "scale", "mean"
  std::string_view meaning;  // in plain words, with its range and default where it has them
};

struct FunctionHelp {
  std::string_view name;
  std::string_view summary;
  std::vector<ParameterHelp> parameters;
  std::string_view example;  // a formula that evaluates without an error
  // The bundled workbook whose cells the example reads, from the source tree's top; empty when
  // it reads none (a function that takes only ranges cannot show itself on array constants).
  std::string_view example_sheet{};
};

// The entry named `name`, without regard to case; nullptr when the table has none.
const FunctionHelp* find_help(std::span<const FunctionHelp> table, std::string_view name);

// The label of parameter `name` of `help`, or `name` itself when the entry does not list it.
std::string_view parameter_label(const FunctionHelp& help, std::string_view name);

}  // namespace kx
