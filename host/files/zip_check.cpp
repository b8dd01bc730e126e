#include "host/files/zip_check.hpp"

#include <boost/crc.hpp>
#include <optional>
#include <string>

#include "host/files/book_builder.hpp"

namespace host {
namespace {

constexpr std::uint32_t kDirectoryEndSignature = 0x06054b50;
constexpr std::uint32_t kDirectoryEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::size_t kDirectoryEndSize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
// Deflate gives at most 1032 bytes per byte; a part that claims more is damaged.
constexpr std::uint64_t kMaxDeflateRatio = 1032;
// The marker of sizes kept in zip64 records, which the unpacker cannot read.
constexpr std::uint32_t kZip64Marker = 0xffffffff;

class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}

  std::uint32_t u16(std::size_t at) const { return byte(at) | byte(at + 1) << 8; }
  std::uint32_t u32(std::size_t at) const { return u16(at) | u16(at + 2) << 16; }
  bool holds(std::size_t at, std::uint64_t length) const { return at <= data_.size() && length <= data_.size() - at; }

 private:
  std::uint32_t byte(std::size_t at) const {
    if (at >= data_.size()) fail_reading("its zip directory is damaged");
    return static_cast<unsigned char>(data_[at]);
  }

  std::string_view data_;
};

// The last directory end record, which is the one the unpacker finds searching from the back.
std::optional<std::size_t> directory_end(std::string_view archive) {
  const std::string_view signature("PK\x05\x06", 4);
  const auto found = archive.rfind(signature);
  if (found == std::string_view::npos) return std::nullopt;
  return found;
}

}  // namespace

std::vector<ZipPart> check_zip_archive(std::string_view archive, std::int64_t max_unpacked_bytes) {
  const Bytes bytes(archive);
  const auto end = directory_end(archive);
  if (!end) fail_reading("it is no zip archive");
  if (!bytes.holds(*end, kDirectoryEndSize) || bytes.u32(*end) != kDirectoryEndSignature) {
    fail_reading("its zip directory is damaged");
  }
  const std::uint64_t limit = static_cast<std::uint64_t>(max_unpacked_bytes);
  const std::string too_large = "it unpacks to more than " + std::to_string(max_unpacked_bytes) + " bytes";
  std::uint64_t unpacked = 0;
  std::vector<ZipPart> parts;
  std::size_t entry = bytes.u32(*end + 16);
  for (;;) {
    // The unpacker reads entries for as long as their signature follows.
    if (!bytes.holds(entry, 4)) fail_reading("its zip directory is damaged");
    if (bytes.u32(entry) != kDirectoryEntrySignature) return parts;
    if (!bytes.holds(entry, kDirectoryEntrySize)) fail_reading("its zip directory is damaged");
    const std::uint32_t method = bytes.u16(entry + 10);
    const std::uint32_t packed = bytes.u32(entry + 20);
    const std::uint32_t size = bytes.u32(entry + 24);
    const std::uint64_t entry_size =
        kDirectoryEntrySize + bytes.u16(entry + 28) + bytes.u16(entry + 30) + bytes.u16(entry + 32);
    const std::size_t local = bytes.u32(entry + 42);
    if (packed == kZip64Marker || size == kZip64Marker) fail_reading(too_large);
    if (size > limit || unpacked + size > limit) fail_reading(too_large);
    unpacked += size;
    if (method == kDeflated && static_cast<std::uint64_t>(size) > kMaxDeflateRatio * (packed + 1ULL)) {
      fail_reading("its zip directory is damaged");
    }
    if (!bytes.holds(local, kLocalHeaderSize) || bytes.u32(local) != kLocalHeaderSignature) {
      fail_reading("its zip directory is damaged");
    }
    const std::uint64_t data = local + kLocalHeaderSize + bytes.u16(local + 26) + bytes.u16(local + 28);
    if (!bytes.holds(0, data + packed) || !bytes.holds(entry, entry_size)) fail_reading("its zip directory is damaged");
    std::string name(archive.substr(entry + kDirectoryEntrySize, bytes.u16(entry + 28)));
    if (method != kStored && method != kDeflated) {
      fail_reading("its part " + name + " is packed by method " + std::to_string(method) +
                   ", which this reader cannot unpack (only stored and deflated parts)");
    }
    parts.push_back({std::move(name), bytes.u32(entry + 16), size});
    entry += entry_size;
  }
}

void check_unpacked_part(const ZipPart& part, std::span<const unsigned char> unpacked) {
  if (unpacked.size() < part.size) fail_reading("its part " + part.name + " is cut short");
  boost::crc_32_type crc;
  crc.process_bytes(unpacked.data(), part.size);
  if (crc.checksum() != part.crc) fail_reading("its part " + part.name + " is damaged (its CRC does not match)");
}

const ZipPart* find_part(const std::vector<ZipPart>& parts, std::string_view name) {
  for (const ZipPart& part : parts) {
    if (part.name == name) return &part;
  }
  return nullptr;
}

}  // namespace host
