// The families of sheet functions, in the order the function table takes them.
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {

std::vector<Family> sheet_function_families() {
  return {logical_functions(),
          math_functions(),
          lookup_functions(),
          financial_functions(),
          statistics_functions(),
          date_functions(),
          text_functions(),
          dynamic_array_functions(),
          trigonometry_functions(),
          number_theory_functions(),
          rounding_functions(),
          special_functions(),
          engineering_functions(),
          complex_number_functions(),
          descriptive_statistics_functions(),
          distribution_form_functions(),
          information_functions(),
          database_functions(),
          text_conversion_functions(),
          text_splitting_functions(),
          array_shaping_functions(),
          securities_functions(),
          regression_functions(),
          subtotal_functions(),
          matrix_functions(),
          unit_conversion_functions()};
}

}  // namespace host::worksheet
