// The shared texts of an .xlsx workbook, which its cells name by number.
#pragma once

#include <string>
#include <vector>

#include "host/files/book_builder.hpp"

namespace host {

// The texts of the shared-strings part, in order; rich text keeps its characters, phonetic runs
// are no part of a text. Charges the texts to the builder's limit.
std::vector<std::string> read_shared_strings(const std::string& xml, BookBuilder& builder);

}  // namespace host
