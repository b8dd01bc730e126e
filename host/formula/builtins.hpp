// The everyday functions of spreadsheet models, computed by the engine itself: IF and
// IFERROR must choose which argument to evaluate, and SUM, MIN, MAX and AVERAGE walk ranges
// in place. One table row per function.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "common/value.hpp"
#include "host/formula/arguments.hpp"

namespace host {

struct Builtin {
  std::string_view name;
  std::size_t min_arguments;
  std::size_t max_arguments;
  // Gives error values by raising ErrorResult (or a kx::Failure, read as its worksheet error).
  kx::Value (*run)(const Arguments& arguments);
  // As `kx functions` lists them; optional ones in brackets.
  std::string_view parameters = {};
};

std::span<const Builtin> builtins();

}  // namespace host
