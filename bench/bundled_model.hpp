// The bundled model's seeded run, as `kx simulate -n N --seed 1 --threads 2` makes it: the input
// of the benchmarks of what is done after a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/files/workbook_files.hpp"
#include "host/simulation/simulation.hpp"
#include "riskfn/frame/classes.hpp"

namespace bench {

inline const char* const kBundledModel = KX_SOURCE_DIR "/examples/product_launch.xlsx";

inline host::SimulationOptions bundled_model_options(std::uint64_t iterations) {
  host::SimulationOptions options;
  options.iterations = iterations;
  options.seed = 1;
  options.threads = 2;
  return options;
}

inline host::SimulationResult run_bundled_model(std::uint64_t iterations) {
  const std::string path = kBundledModel;
  const host::ModelSource source{[path] { return host::load_workbook(path); },
                                 [] { return std::vector<kx::ObjectRef>{riskfn::create_object("Main")}; }};
  return host::simulate(source, bundled_model_options(iterations));
}

}  // namespace bench
