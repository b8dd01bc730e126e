#include "host/simulation/run_limits.hpp"

#include <fmt/format.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <thread>

#include "common/failure.hpp"

namespace host {
namespace {

double memory_available() {
  double bytes = static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGESIZE));
  for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
      bytes = std::min(bytes, static_cast<double>(limit.rlim_cur));
  }
  return bytes;
}

}  // namespace

std::string memory_text(double bytes) {
  static constexpr std::array<const char*, 7> kUnits = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  std::size_t unit = 0;
  for (; unit + 1 < kUnits.size() && bytes >= 1000; ++unit) bytes /= 1000;
  return unit == 0 ? fmt::format("{:.0f} bytes", bytes) : fmt::format("{:.1f} {}", bytes, kUnits[unit]);
}

int machine_cores() {
  // The cores this process may run on: fewer than the machine's where a launcher (mpirun binds
  // each rank to a core) or a container has narrowed its affinity.
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0) return CPU_COUNT(&allowed);
  return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

void check_memory_for(std::int64_t iterations, std::size_t cells) {
  // In doubles: the product of a count near 2^63 and the cells would overflow an integer.
  const double needed = static_cast<double>(iterations) * static_cast<double>(cells) * kBytesPerValue;
  const double available = memory_available();
  if (needed > available) {
    throw kx::Failure(kx::error::kHostFailure,
                      fmt::format("{} iterations of {} cells need about {} of memory for their values; {} are "
                                  "available",
                                  iterations, cells, memory_text(needed), memory_text(available)));
  }
}

}  // namespace host
