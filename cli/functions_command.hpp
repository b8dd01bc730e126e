// `kx functions [CLASS]`: the published interfaces.
#pragma once

#include <string>

namespace cli {

// Prints every class's interface and the worksheet functions formulas can call with their
// parameters, or one class's interface ("worksheet" for the functions alone); returns the
// exit status.
int run_functions(const std::string& class_name);

}  // namespace cli
