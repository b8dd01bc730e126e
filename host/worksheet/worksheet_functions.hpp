// The worksheet functions of the host, with the spreadsheet's meaning.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace host {

// Computes a worksheet function. Raises kx::Failure carrying the worksheet error number
// (#NUM!, #VALUE!, #DIV/0!, #N/A, #REF!) when it cannot compute. A function of single numbers
// given an array or a several-cell range computes cell by cell and returns an array, with the
// error value in each cell that cannot be computed.
kx::Value compute_worksheet_fn(kx::WorksheetFn fn, std::span<const kx::Value> arguments);

// The same for numbers: the function's number, or nullopt where it gives anything else (an
// error value, an array), which compute_worksheet_fn then tells. The inverse distributions and
// logarithms the sampling functions draw through read their numbers without values between.
std::optional<double> compute_worksheet_number(kx::WorksheetFn fn, std::span<const double> arguments);

// The function's parameters as `kx functions` lists them ("number, [base]").
std::string_view worksheet_fn_parameters(kx::WorksheetFn fn);

}  // namespace host
