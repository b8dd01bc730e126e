// Bytes given to the .xlsx and .ods readers (the flat .fods too) give a workbook or a failure with a message.
// The first byte picks what the rest is: a whole .xlsx, .ods or .fods file, or one XML part that
// is packed into an otherwise valid file, so that the fuzzer reaches the XML readers
// without first having to find valid deflate streams.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/files/workbook_files.hpp"

namespace {

std::uint32_t crc32(std::string_view data) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> entries{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) != 0 ? 0xedb88320u ^ (c >> 1) : c >> 1;
      entries[i] = c;
    }
    return entries;
  }();
  std::uint32_t crc = 0xffffffffu;
  for (const char byte : data) crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xff] ^ (crc >> 8);
  return crc ^ 0xffffffffu;
}

void put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>((value >> 8) & 0xff);
}

void put32(std::string& out, std::uint32_t value) {
  put16(out, value & 0xffff);
  put16(out, value >> 16);
}

// A zip archive of stored (uncompressed) parts.
std::string zip(const std::vector<std::pair<std::string, std::string>>& parts) {
  std::string archive;
  std::string directory;
  for (const auto& [name, data] : parts) {
    const auto offset = static_cast<std::uint32_t>(archive.size());
    const std::uint32_t crc = crc32(data);
    const auto size = static_cast<std::uint32_t>(data.size());
    put32(archive, 0x04034b50);
    put16(archive, 20);
    put16(archive, 0);
    put16(archive, 0);  // stored
    put32(archive, 0);
    put32(archive, crc);
    put32(archive, size);
    put32(archive, size);
    put16(archive, static_cast<std::uint32_t>(name.size()));
    put16(archive, 0);
    archive += name;
    archive += data;
    put32(directory, 0x02014b50);
    put16(directory, 20);
    put16(directory, 20);
    put16(directory, 0);
    put16(directory, 0);
    put32(directory, 0);
    put32(directory, crc);
    put32(directory, size);
    put32(directory, size);
    put16(directory, static_cast<std::uint32_t>(name.size()));
    put16(directory, 0);
    put16(directory, 0);
    put16(directory, 0);
    put16(directory, 0);
    put32(directory, 0);
    put32(directory, offset);
    directory += name;
  }
  const auto directory_offset = static_cast<std::uint32_t>(archive.size());
  archive += directory;
  put32(archive, 0x06054b50);
  put16(archive, 0);
  put16(archive, 0);
  put16(archive, static_cast<std::uint32_t>(parts.size()));
  put16(archive, static_cast<std::uint32_t>(parts.size()));
  put32(archive, static_cast<std::uint32_t>(directory.size()));
  put32(archive, directory_offset);
  put16(archive, 0);
  return archive;
}

constexpr std::string_view kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelations = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

std::string xlsx(const std::string& sheet, const std::string& shared_strings) {
  const std::string package = "http://schemas.openxmlformats.org/package/2006/";
  return zip({
      {"[Content_Types].xml",
       "<Types xmlns=\"" + package +
           "content-types\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
           "<Override PartName=\"/xl/sharedStrings.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
           "</Types>"},
      {"_rels/.rels", "<Relationships xmlns=\"" + package + "relationships\"><Relationship Id=\"rId1\" Type=\"" +
                          std::string(kRelations) + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml", "<workbook xmlns=\"" + std::string(kMain) + "\" xmlns:r=\"" + std::string(kRelations) +
                              "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"" + package + "relationships\"><Relationship Id=\"rId1\" Type=\"" +
           std::string(kRelations) +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
           std::string(kRelations) + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml", sheet},
      {"xl/sharedStrings.xml", shared_strings},
  });
}

std::string ods(const std::string& content) {
  return zip({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}});
}

void read(const std::string& content, host::WorkbookFormat format) {
  host::ReadLimits limits;
  limits.max_cells = 50'000;
  limits.max_text_bytes = 1 << 20;
  limits.max_file_bytes = 16 << 20;
  try {
    host::read_workbook(content, format, "fuzz", limits);
  } catch (const kx::Failure&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string sheet = "<worksheet xmlns=\"" + std::string(kMain) +
                            "\"><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row></sheetData></worksheet>";
  const std::string strings = "<sst xmlns=\"" + std::string(kMain) + "\"><si><t>text</t></si></sst>";
  switch (data[0] % 6) {
    case 0: read(rest, host::WorkbookFormat::Xlsx); break;
    case 1: read(rest, host::WorkbookFormat::Ods); break;
    case 2: read(xlsx(rest, strings), host::WorkbookFormat::Xlsx); break;
    case 3: read(xlsx(sheet, rest), host::WorkbookFormat::Xlsx); break;
    case 4: read(ods(rest), host::WorkbookFormat::Ods); break;
    case 5: read(rest, host::WorkbookFormat::FlatOds); break;
  }
  return 0;
}
