// The report of a simulation: for every output its summary, class table, settling run count
// and sensitivity ranking; for every input its summary; the inputs' rank correlations. Built
// once, then shown as a table, written as JSON or drawn.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/host_services.hpp"
#include "host/simulation/simulation.hpp"
#include "host/simulation/statistics.hpp"

namespace cli {

struct HistogramClass {
  double upper_limit = 0;
  std::int64_t count = 0;
  double cumulative = 0;  // share of all values up to and including this class
};

struct Sensitivity {
  std::size_t input = 0;  // index into the report's inputs
  std::optional<double> rank_correlation;
};

struct CellReport {
  std::string name;
  std::string cell;
  host::Summary summary;
};

struct OutputReport : CellReport {
  std::vector<double> sorted;             // the numbers, ascending, for drawing
  std::vector<HistogramClass> histogram;  // kxHISTO's classes
  std::int64_t settled_after = 0;         // kxOPTNUM's run count; 0 when the result never settled
  std::vector<Sensitivity> sensitivity;   // largest correlation first
};

struct SimulationReport {
  std::string model;
  std::int64_t iterations = 0;
  std::uint64_t seed = 0;
  host::Sampling sampling = host::Sampling::Plain;
  std::vector<OutputReport> outputs;
  std::vector<CellReport> inputs;
  std::vector<std::string> locked;  // cells held at their deterministic values
  // Rank correlation of every pair of inputs, by input index.
  std::vector<std::vector<std::optional<double>>> input_correlations;
};

// Each output is summarised by kxHISTO's classes and kxOPTNUM's run count, which reach `host`'s
// worksheet functions; the series are sorted and ranked on `threads` threads.
SimulationReport build_report(const std::string& model, const host::SimulationResult& result, host::Sampling sampling,
                              int threads, kx::Application& host);

std::string sampling_name(host::Sampling sampling);

}  // namespace cli
