// The .xlsx reader: orcus unpacks the file, and our own passes read its parts. The sheets are
// found as the workbook part lists them, through its relationships, so that every cell lands
// on the sheet its writer meant. Formula texts are kept as the file has them; they are
// already in the A1 form the host keeps.
#include "host/files/xlsx_reader.hpp"

#include <algorithm>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <unordered_map>
#include <vector>

#include "host/files/book_builder.hpp"
#include "host/files/xlsx_cell_metadata.hpp"
#include "host/files/xlsx_package.hpp"
#include "host/files/xlsx_shared_strings.hpp"
#include "host/files/xlsx_sheet_part.hpp"
#include "host/files/xml_check.hpp"
#include "host/files/zip_check.hpp"

namespace host {
namespace {

// A part unpacked and checked whole: a damaged one would be read as data.
std::string unpacked_text(orcus::zip_archive& archive, const ZipPart& part) {
  std::vector<unsigned char> data;
  if (!archive.read_file_entry(part.name, data)) fail_reading("its part " + part.name + " cannot be unpacked");
  check_unpacked_part(part, data);
  // With the zero bytes the unpacker may pad it with.
  return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

// Every part that is XML, unpacked and looked at once before any is read.
std::unordered_map<std::string, std::string> xml_parts(orcus::zip_archive& archive, const std::vector<ZipPart>& parts) {
  std::unordered_map<std::string, std::string> texts;
  for (const ZipPart& part : parts) {
    const std::string& name = part.name;
    if (name.ends_with('/')) continue;  // a folder holds no bytes
    std::string text = unpacked_text(archive, part);
    const auto first = text.find_first_not_of(" \t\r\n");
    const bool xml_named = name.ends_with(".xml") || name.ends_with(".rels");
    if (xml_named || (first != std::string_view::npos && text[first] == '<') || text.starts_with("\xEF\xBB\xBF")) {
      check_xml_part(text, "its part " + name);
      texts.emplace(name, std::move(text));
    }
  }
  return texts;
}

}  // namespace

std::shared_ptr<Book> read_xlsx(std::string_view content, const std::string& book_name, const ReadLimits& limits) {
  const auto parts = check_zip_archive(content, limits.max_file_bytes);
  if (find_part(parts, "[Content_Types].xml") == nullptr) {
    fail_reading("it holds no [Content_Types].xml, so it is no .xlsx workbook");
  }
  orcus::zip_archive_stream_blob stream(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
  orcus::zip_archive archive(&stream);
  archive.load();
  const auto texts = xml_parts(archive, parts);
  const PartText part_text = [&](std::string_view name) -> const std::string* {
    const auto found = texts.find(std::string(name));
    return found == texts.end() ? nullptr : &found->second;
  };
  std::vector<std::string> part_names;
  for (const ZipPart& part : parts) part_names.push_back(part.name);
  std::sort(part_names.begin(), part_names.end());

  BookBuilder builder(book_name, limits);
  const XlsxWorkbook workbook = read_workbook_part(part_text, part_names);
  std::vector<std::string> strings;
  if (workbook.shared_strings_part) {
    if (const std::string* xml = part_text(*workbook.shared_strings_part)) strings = read_shared_strings(*xml, builder);
  }
  std::vector<bool> dynamic_metadata;
  if (workbook.metadata_part) {
    if (const std::string* xml = part_text(*workbook.metadata_part)) {
      dynamic_metadata = read_dynamic_array_metadata(*xml);
    }
  }
  std::vector<Sheet*> sheets;
  for (const XlsxSheetEntry& entry : workbook.sheets) {
    sheets.push_back(&builder.add_sheet(entry.name));
    sheets.back()->set_hidden(entry.hidden);
  }
  for (const XlsxDefinedName& name : workbook.names) {
    // The names the spreadsheet program keeps for itself (print areas, filters) are no part of the model.
    if (name.name.starts_with("_xlnm.")) continue;
    builder.define_name(name.name, name.formula, name.sheet ? sheets[*name.sheet] : nullptr);
  }
  const XlsxCellContext context{strings, dynamic_metadata};
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string* xml = part_text(workbook.sheets[i].part);
    if (xml == nullptr) {
      fail_reading("sheet \"" + workbook.sheets[i].name + "\" is to be read from " + workbook.sheets[i].part +
                   ", which holds no XML");
    }
    read_sheet_part(*xml, context, *sheets[i], builder);
  }
  for (const std::string& part : workbook.unused_sheet_parts) {
    builder.note("its part " + part + " holds a sheet that no sheet of the workbook reads");
  }
  return builder.finish();
}

}  // namespace host
