// What a simulation may ask of the machine: memory for every value it collects, and workers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace host {

// Workers beyond this only take turns on the cores, each with a workbook of its own (and,
// through a server, a process of its own): a backstop for callers that do not cap them lower.
inline constexpr int kMostWorkers = 256;

// Memory per iteration of each input and output, measured: the value, its sorted copy, its rank
// and the report's working copies.
inline constexpr double kBytesPerValue = 28;

// "3.4 GB", "512.0 MB": in units of 1000, as the figures of a refusal.
std::string memory_text(double bytes);

// The cores this process may run on, at least one.
int machine_cores();

// Raises kx::Failure, naming the count and the memory needed, when the values of `iterations`
// iterations of `cells` cells could not be held, sorted and ranked within this process' memory
// (the machine's, or less where the process is limited).
void check_memory_for(std::int64_t iterations, std::size_t cells);

}  // namespace host
