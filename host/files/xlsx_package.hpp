// The parts of an .xlsx package and how they relate: the workbook part, its sheets in the
// order the workbook lists them, and the parts each sheet is read from.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace host {

// The unpacked text of a part of the archive, checked; null when the archive has no such part.
using PartText = std::function<const std::string*(std::string_view name)>;

using XmlAttributes = std::vector<std::pair<std::string, std::string>>;

// The value of an attribute by its local name; empty when there is none.
std::string_view attribute_named(const XmlAttributes& attributes, std::string_view name);

// The attributes of every element of one local name, in document order.
std::vector<XmlAttributes> elements_named(const std::string& xml, std::string_view name);

// A relationship's target as a part name: from the package's root when it starts with "/",
// else from the folder of the part that names it. nullopt for a target outside the package
// ("../../etc/passwd" from a part one folder deep, an address with a scheme).
std::optional<std::string> target_part(std::string_view source_part, std::string_view target);

struct XlsxSheetEntry {
  std::string name;
  bool hidden = false;
  std::string part;  // the worksheet part its cells are read from
};

struct XlsxDefinedName {
  std::string name;
  std::string formula;
  std::optional<std::size_t> sheet;  // index into XlsxWorkbook::sheets; none for the workbook
};

struct XlsxWorkbook {
  std::string part;                    // "xl/workbook.xml"
  std::vector<XlsxSheetEntry> sheets;  // worksheets, in the workbook's order
  std::vector<XlsxDefinedName> names;
  std::optional<std::string> shared_strings_part;
  std::optional<std::string> metadata_part;
  // Worksheet parts no sheet of the workbook reads, for the user to hear of.
  std::vector<std::string> unused_sheet_parts;
};

// Reads the workbook part through the package's relationships: each sheet by its r:id and the
// workbook part's relationship of that id. Fails, naming the sheet, when a sheet's relationship
// is missing, points outside the package or to a part the package does not hold, or when two
// sheets would be read from one part. Chart and dialog sheets, which hold no cells, are left out.
// `part_names` lists every part of the package.
XlsxWorkbook read_workbook_part(const PartText& part_text, const std::vector<std::string>& part_names);

}  // namespace host
