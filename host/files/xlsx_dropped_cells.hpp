// The cells of .xlsx sheets that orcus 0.17 leaves out of its import, read from the sheet parts.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "host/files/book_builder.hpp"

namespace host {

// The unpacked text of a part of the archive, checked; nullopt when the archive has no such part.
using PartText = std::function<std::optional<std::string>(std::string_view name)>;

// orcus 0.17 drops inline strings, string and error constants, ISO dates (t="d") and cells of
// a type it does not know. This reads each sheet part again and writes those cells, all
// without a formula (orcus imports every formula), into the builder's sheet of the same name.
// A cell the host cannot hold as written (an unknown error, a date that is none, an unknown
// type) is kept as near as it can be and noted with BookBuilder::warn.
void read_dropped_cells(const PartText& part_text, BookBuilder& builder);

}  // namespace host
