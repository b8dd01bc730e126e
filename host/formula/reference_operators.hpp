// The reference operators: the intersection of two ranges, the range between two computed
// references, and the union of references that the functions reading ranges whole take as
// one argument.
#pragma once

#include <span>
#include <string_view>

#include "common/value.hpp"

namespace host {

// The cells both ranges cover, as a range. An error value passes on; what is no range of
// cells is #VALUE!, and ranges that share no cell (or lie on different sheets) are #NULL!.
kx::Value intersect(const kx::Value& left, const kx::Value& right);

// The smallest range covering both ranges (A1:INDEX(...)). An error value passes on; what
// is no range of cells, or ranges on different sheets, is #VALUE!.
kx::Value span(const kx::Value& left, const kx::Value& right);

// Does the function read a union of references where it reads a range?
bool accepts_union(std::string_view function);

// The values of a union's parts, each read whole, in one column: the functions that take a
// union read it as they read one range.
kx::Value union_values(std::span<const kx::Value> parts);

}  // namespace host
