// The order of texts as the spreadsheet compares and sorts them: without case, an accented
// letter right after its base letter (e < é < f), accents telling apart only texts that are
// otherwise equal (e < é).
#pragma once

#include <compare>
#include <string_view>

namespace kx {

std::weak_ordering compare_texts(std::string_view a, std::string_view b);

}  // namespace kx
