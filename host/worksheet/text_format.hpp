// The number and date formats of TEXT.
#pragma once

#include <string>
#include <string_view>

namespace host::worksheet {

// `x` shown with a spreadsheet format: "0.00", "#,##0", "0%", "0.00E+00", "$#,##0;($#,##0)",
// "yyyy-mm-dd", "d mmm yyyy", "dddd", "hh:mm:ss AM/PM", "General". Raises #NUM! for a date
// format given a number outside the dates' range.
std::string format_text(double x, std::string_view format);

}  // namespace host::worksheet
