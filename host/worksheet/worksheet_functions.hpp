// The worksheet functions of the host, with the spreadsheet's meaning.
#pragma once

#include <span>

#include "common/host_services.hpp"
#include "common/value.hpp"

namespace host {

// Computes a worksheet function. Raises kx::Failure carrying the worksheet error number
// (#NUM!, #VALUE!, #DIV/0!, #N/A, #REF!) when it cannot compute.
kx::Value compute_worksheet_fn(kx::WorksheetFn fn, std::span<const kx::Value> arguments);

}  // namespace host
