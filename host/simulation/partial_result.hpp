// A share of a run's iterations saved to a file, so that shares run apart (the jobs of an array
// on a batch scheduler) merge into the result of one run. The file carries what the values depend
// on (the model's content, the seed and the options) so that parts of different runs are told
// apart, and a checksum so that a file cut short or damaged is refused.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/simulation/simulation.hpp"

namespace host {

struct PartialResult {
  std::int64_t part = 0;  // from 1
  std::int64_t parts = 0;
  std::string model;       // the model's path, as the run named it
  std::string model_hash;  // of the model file's bytes
  std::string reading;     // how a CSV model's fields and numbers were read: "delimiter ; decimal ,"
  // What shapes the values: the iteration count of the whole run, the seed, the sampling, the
  // cells locked and set, the repair of correlation matrices. The threads only shape the speed.
  SimulationOptions options;
  SimulationResult result;  // its collection holds the share's iterations
};

// The version of the layout that write_partial_result writes.
inline constexpr std::uint32_t kPartialResultVersion = 1;

// A fingerprint of a model file's bytes (CRC-64), as 16 hexadecimal digits.
std::string content_hash(std::string_view bytes);

// The file's bytes.
std::string partial_result_bytes(const PartialResult& partial);

// Reads the bytes of a file named `name`. Raises kx::Failure with a line naming it when they
// are no partial result, of a version this program does not read, cut short or damaged.
PartialResult read_partial_result(std::string_view bytes, const std::string& name);

// The options that must agree for parts to merge, as a canonical text.
std::string run_settings_text(const SimulationOptions& options);

}  // namespace host
