// The add-in workbook's text sheets as built into the host: name and tab-separated content.
#pragma once

#include <span>
#include <string_view>

namespace host {

struct AddinTextSheet {
  std::string_view name;
  std::string_view tsv;  // header "row GBR ITA ESP FRA GER", then one line per sheet row
};

std::span<const AddinTextSheet> addin_text_sheets();

}  // namespace host
