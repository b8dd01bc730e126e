// Durations in hours as a text of days, hours, minutes and seconds.
#pragma once

#include <string>

namespace mktfn {

// "D:HH:MM:SS" from a day on, "HH:MM:SS" from an hour on, "MM:SS" below: 30 hours is
// "1:06:00:00", 5.5 hours "05:30:00", a quarter of an hour "15:00".
std::string duration_text(double hours);

}  // namespace mktfn
