// The families of sheet functions, in the order the function table takes them.
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {

std::vector<Family> sheet_function_families() {
  return {logical_functions(),    math_functions(), lookup_functions(), financial_functions(),
          statistics_functions(), date_functions(), text_functions(),   dynamic_array_functions()};
}

}  // namespace host::worksheet
