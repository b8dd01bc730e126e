// A look at a zip archive's directory before it is unpacked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Fails unless every part the directory lists lies inside the archive and unpacks to
// no more than max_unpacked_bytes, all parts together included. The unpacker sizes its
// buffers from the directory, so a few stated bytes could otherwise cost gigabytes.
// Returns the parts' names.
std::vector<std::string> check_zip_archive(std::string_view archive, std::int64_t max_unpacked_bytes);

}  // namespace host
