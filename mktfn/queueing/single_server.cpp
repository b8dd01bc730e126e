// One server with Poisson arrivals: constant service time (kxMD1) or a general one with a given
// standard deviation (kxMG1), by the Pollaczek–Khinchine formula.
#include <array>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/queueing/output_table.hpp"

namespace mktfn {
namespace {

namespace checked = kx::checked;

// Untrapped. An overloaded server (U of 1 or more) has no steady state, and a negative rate or
// time none at all: their measures would come out negative or meaningless, so the error value
// stands instead.
kx::Value single_server(Main& main, double arrival_rate, double service_time, double service_deviation,
                        std::uint8_t labels, bool show_time) {
  const double service_rate = checked::div(1.0, service_time);
  const double utilisation = checked::div(arrival_rate, service_rate);
  if (utilisation >= 1 || arrival_rate < 0 || service_time < 0) return main.value_error();
  const double p0 = 1 - utilisation;
  main.P0 = p0;
  const double variance_term =
      checked::mul(checked::mul(arrival_rate, arrival_rate), checked::mul(service_deviation, service_deviation));
  const double queue_length = checked::div(variance_term + utilisation * utilisation, 2 * (1 - utilisation));
  const double in_system = queue_length + utilisation;
  const double queue_time = checked::div(queue_length, arrival_rate);
  const double total_time = queue_time + service_time;
  const double serve_time = total_time - queue_time;
  const std::array<MeasureRow, 7> rows = {{
      {Measure::Utilisation, utilisation},
      {Measure::P0, p0},
      {Measure::Lq, queue_length},
      {Measure::L, in_system},
      {Measure::Wq, queue_time},
      {Measure::Ws, serve_time},
      {Measure::Wt, total_time},
  }};
  return output_table(rows, OutputOptions{labels == 0, show_time});
}

}  // namespace

kx::Value Main::kxMD1(kx::Value& Arrival_Rate, kx::Value& Service_Time, std::uint8_t& Labels, bool& Show_Time) {
  return single_server(*this, kx::to_double(Arrival_Rate), kx::to_double(Service_Time), 0.0, Labels, Show_Time);
}

kx::Value Main::kxMG1(kx::Value& Arrival_Rate, kx::Value& Service_Time, kx::Value& StDev_Service_Time,
                      std::uint8_t& Labels, bool& Show_Time) {
  return single_server(*this, kx::to_double(Arrival_Rate), kx::to_double(Service_Time),
                       kx::to_double(StDev_Service_Time), Labels, Show_Time);
}

}  // namespace mktfn
