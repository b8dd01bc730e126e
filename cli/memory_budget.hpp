// The memory a simulation's exact report needs: every iteration's value of every input and
// output, with the sorted copies and ranks its percentiles and sensitivities are computed from.
// A run that would not fit is refused before it starts, with the figure.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace cli {

// "8G", "512M", "64K" or a count of bytes. Raises kx::Failure with a line for anything else.
std::uint64_t parse_memory(std::string_view text);

// The memory the system can give without swapping (MemAvailable); none where it does not say.
std::optional<std::uint64_t> available_memory();

// Raises kx::Failure, with the figure, when `iterations` of `cells` inputs and outputs need more
// than `limit` (none: the available memory).
void check_memory(std::int64_t iterations, std::size_t cells, std::optional<std::uint64_t> limit);

}  // namespace cli
