// The number and date formats of TEXT.
#pragma once

#include <string>
#include <string_view>

namespace host::worksheet {

// `x` shown with a spreadsheet format: "0.00", "#,##0", "0%", "0.00E+00", "$#,##0;($#,##0)",
// "00-00-00-00", "# ?/?", "[Red]0;[<0]-0", "yyyy-mm-dd", "d mmm yyyy", "dddd",
// "hh:mm:ss AM/PM", "[h]:mm", "General". Raises #NUM! for a date format given a number
// outside the dates' range.
std::string format_text(double x, std::string_view format);
// A text shown with a format: by its fourth section, or by a single one holding @; other
// formats leave it as it is.
std::string format_text(const std::string& text, std::string_view format);

}  // namespace host::worksheet
