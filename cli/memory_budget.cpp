#include "cli/memory_budget.hpp"

#include <fmt/format.h>

#include <cctype>
#include <charconv>
#include <fstream>
#include <string>

#include "common/failure.hpp"
#include "host/simulation/run_limits.hpp"

namespace cli {

std::uint64_t parse_memory(std::string_view text) {
  std::uint64_t number = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  const std::string_view unit = text.substr(static_cast<std::size_t>(stop - text.data()));
  std::uint64_t scale = 0;
  if (unit.empty()) scale = 1;
  else if (unit.size() == 1 || (unit.size() == 2 && std::toupper(static_cast<unsigned char>(unit[1])) == 'B')) {
    switch (std::toupper(static_cast<unsigned char>(unit[0]))) {
      case 'K': scale = 1ULL << 10; break;
      case 'M': scale = 1ULL << 20; break;
      case 'G': scale = 1ULL << 30; break;
      case 'T': scale = 1ULL << 40; break;
      default: break;
    }
  }
  if (text.empty() || error != std::errc() || scale == 0 || number == 0 || number > UINT64_MAX / scale)
    throw kx::Failure(kx::error::kHostFailure,
                      "--max-memory: '" + std::string(text) + "' is no amount of memory (as 8G, 512M or bytes)");
  return number * scale;
}

std::optional<std::uint64_t> available_memory() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  std::uint64_t kilobytes = 0;
  std::string unit;
  while (meminfo >> key >> kilobytes >> unit) {
    if (key == "MemAvailable:") return kilobytes * 1024;
  }
  return std::nullopt;
}

void check_memory(std::int64_t iterations, std::size_t cells, std::optional<std::uint64_t> limit) {
  const std::optional<std::uint64_t> allowed = limit ? limit : available_memory();
  if (!allowed) return;
  // In long double: the product of the largest counts would overflow.
  const long double needed =
      static_cast<long double>(iterations) * static_cast<long double>(cells) * host::kBytesPerValue;
  if (needed <= static_cast<long double>(*allowed)) return;
  throw kx::Failure(
      kx::error::kHostFailure,
      fmt::format("the report of {} iterations of {} inputs and outputs needs about {} ({} MB per million iterations "
                  "of each), more than the {} {}; run fewer iterations, or --summary streaming",
                  iterations, cells, host::memory_text(static_cast<double>(needed)), host::kBytesPerValue,
                  host::memory_text(static_cast<double>(*allowed)), limit ? "--max-memory allows" : "of memory free"));
}

}  // namespace cli
