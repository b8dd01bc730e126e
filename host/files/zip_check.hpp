// A look at a zip archive's directory before it is unpacked.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// A part as the archive's directory lists it.
struct ZipPart {
  std::string name;
  std::uint32_t crc = 0;   // CRC-32 of the unpacked bytes
  std::uint32_t size = 0;  // unpacked bytes
};

// Fails unless every part the directory lists lies inside the archive, is stored or deflated
// (the unpacker knows no other method and would give nothing for the part), and unpacks to
// no more than max_unpacked_bytes, all parts together included. The unpacker sizes its
// buffers from the directory, so a few stated bytes could otherwise cost gigabytes.
std::vector<ZipPart> check_zip_archive(std::string_view archive, std::int64_t max_unpacked_bytes);

// Fails unless the unpacked bytes are the part's: its size (the unpacker may pad with zero
// bytes after it) and its CRC-32. The unpacker checks neither, so damage would be read as data.
void check_unpacked_part(const ZipPart& part, std::span<const unsigned char> unpacked);

// The part of that name, or nullptr.
const ZipPart* find_part(const std::vector<ZipPart>& parts, std::string_view name);

}  // namespace host
