// `kx functions [CLASS]`: the published interfaces.
#pragma once

#include <string>

namespace cli {

// Prints every class's interface, or one class's; returns the exit status.
int run_functions(const std::string& class_name);

}  // namespace cli
