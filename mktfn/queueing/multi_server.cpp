// Several servers with Poisson arrivals and exponential service: an unlimited queue (kxMMS), a
// finite calling population (kxMMSP) and a bounded queue (kxMMSQ), with the state tables of doArr.
// All untrapped; each leaves P0, Pw and Pb of Main as its model defines them.
#include <array>
#include <string>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/queueing/output_table.hpp"
#include "mktfn/queueing/state_tables.hpp"

namespace mktfn {
namespace {

namespace checked = kx::checked;

constexpr double kDefaultChartBoundary = 0.000001;
// Bounds the finite-queue table, as the add-in always has.
constexpr std::int16_t kMaxQueueLimit = 242;

double chart_boundary(const kx::Value& argument) {
  return is_omitted(argument) ? kDefaultChartBoundary : kx::to_double(argument);
}

double factorial(Main& main, double n) { return kx::to_double(main.host().call(kx::WorksheetFn::Fact, {n})); }

// Negative rates describe no queue: the measures would be negative or meaningless.
bool negative_rates(double arrival_rate, double service_rate) { return arrival_rate < 0 || service_rate < 0; }

double sum_of_products(const StateTable& table, std::size_t a, std::size_t b) {
  double sum = 0.0;
  for (std::size_t row = 0; row < table.rows(); ++row) sum += table.at(row, a) * table.at(row, b);
  return checked::finite(sum);
}

// The measures, then the chart of the state probabilities when asked for. The last row, the
// number of chart bars, is counted here.
kx::Value multi_server_table(std::span<MeasureRow> rows, const StateTable& table, double boundary, std::uint8_t labels,
                             bool show_time, bool chart_data, const char* chart_header) {
  std::vector<double> bars = table.probabilities_from(boundary);
  rows.back().value = static_cast<double>(bars.size());
  std::optional<ChartBlock> chart;
  if (chart_data) chart = ChartBlock{chart_header, std::move(bars)};
  return output_table(rows, OutputOptions{labels == 0, show_time, boundary}, chart);
}

}  // namespace

kx::Value Main::kxMMS(std::int16_t& Arrival_Rate, std::int16_t& Service_Rate, std::int16_t& Number_Servers,
                      std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary, bool& Chart_Data) {
  const double boundary = chart_boundary(Chart_Boundary);
  if (Number_Servers < 1) return value_error();
  const double arrival_rate = Arrival_Rate;
  const double service_rate = Service_Rate;
  const double servers = Number_Servers;
  const double offered_load = checked::div(arrival_rate, service_rate);
  const double utilisation = checked::div(arrival_rate, product16(Number_Servers, Service_Rate));
  const double rho = offered_load / servers;
  // With ρ of 1 or more the queue grows without bound: there is no steady state to report.
  if (negative_rates(arrival_rate, service_rate) || rho >= 1) return value_error();
  const double f = factorial(*this, servers - 1);
  const double tail = checked::div(checked::pow(offered_load, servers), checked::mul(servers * f, 1 - rho));

  const StateTable table = mms_table(offered_load, Number_Servers, tail);
  P0 = table.P0;
  Pw = table.Pw;
  const double queue_length = checked::div(table.P0 * checked::pow(offered_load, servers + 1),
                                           checked::mul(f, (servers - offered_load) * (servers - offered_load)));
  const double in_system = queue_length + offered_load;
  const double queue_time = checked::div(queue_length, arrival_rate);
  const double serve_time = checked::div(1.0, service_rate);
  const double total_time = serve_time + queue_time;
  std::array<MeasureRow, 9> rows = {{
      {Measure::Utilisation, utilisation},
      {Measure::P0, table.P0},
      {Measure::Pw, table.Pw},
      {Measure::Lq, queue_length},
      {Measure::L, in_system},
      {Measure::Wq, queue_time},
      {Measure::Ws, serve_time},
      {Measure::Wt, total_time},
      {Measure::ChartBars, 0.0},
  }};
  return multi_server_table(rows, table, boundary, Labels, Show_Time, Chart_Data, "Probability to be in system");
}

kx::Value Main::kxMMSP(kx::Value& Arrival_Rate, kx::Value& Service_Rate, std::int16_t& Number_Servers,
                       std::int16_t& Population_Size, std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary,
                       bool& Chart_Data) {
  const double boundary = chart_boundary(Chart_Boundary);
  if (Number_Servers < 1) return value_error();
  const double arrival_rate = kx::to_double(Arrival_Rate);
  const double service_rate = kx::to_double(Service_Rate);
  const double offered_load = checked::div(arrival_rate, service_rate);
  if (negative_rates(arrival_rate, service_rate)) return value_error();

  const StateTable table = msp_table(Population_Size, Number_Servers, offered_load);
  P0 = table.P0;
  const double servers = Number_Servers;
  const double busy = table.column_sum(9);
  const double below_servers = table.column_sum(7);
  const double units_below_servers = table.column_sum(6);
  const double queue_length = table.column_sum(5);
  const double utilisation = busy / servers;
  const double waits = 1 - below_servers;
  Pw = waits;
  const double in_system = servers * (1 - below_servers) + units_below_servers + queue_length;
  const double effective_arrivals = arrival_rate * (Population_Size - in_system);
  const double queue_time = checked::div(queue_length, effective_arrivals);
  const double total_time = checked::div(in_system, effective_arrivals);
  const double serve_time = total_time - queue_time;
  std::array<MeasureRow, 9> rows = {{
      {Measure::Utilisation, utilisation},
      {Measure::P0, table.P0},
      {Measure::Pw, waits},
      {Measure::Lq, queue_length},
      {Measure::L, in_system},
      {Measure::Wq, queue_time},
      {Measure::Ws, serve_time},
      {Measure::Wt, total_time},
      {Measure::ChartBars, 0.0},
  }};
  return multi_server_table(rows, table, boundary, Labels, Show_Time, Chart_Data, "Probability");
}

kx::Value Main::kxMMSQ(std::int16_t& Arrival_Rate, std::int16_t& Service_Rate, std::int16_t& Number_Servers,
                       std::int16_t& Max_Queue, std::uint8_t& Labels, bool& Show_Time, kx::Value& Chart_Boundary,
                       bool& Chart_Data) {
  const double boundary = chart_boundary(Chart_Boundary);
  if (Max_Queue > kMaxQueueLimit) {
    host().show_message(
        "Excel can handle a maximum queue length of 242 units.\rReduce the maximum queue length and try again.");
    return value_error();
  }
  if (Number_Servers < 1) return value_error();
  const double arrival_rate = Arrival_Rate;
  const double service_rate = Service_Rate;
  const double servers = Number_Servers;
  const double offered_load = checked::div(arrival_rate, service_rate);
  if (negative_rates(arrival_rate, service_rate)) return value_error();
  const double rho = offered_load / servers;
  const double a = checked::div(checked::pow(offered_load, servers), factorial(*this, servers));

  const StateTable table = msq_table(offered_load, a, Number_Servers, rho, Max_Queue);
  P0 = table.P0;
  Pw = table.Pw;
  Pb = table.Pb;
  const double in_system = sum_of_products(table, 0, 3);
  const double units_below_servers = table.column_sum(7);
  const double below_servers = table.column_sum(6);
  const double queue_length = in_system - units_below_servers - servers * (1 - below_servers);
  const double utilisation = (in_system - queue_length) / servers;
  const double queue_time = checked::div(queue_length, arrival_rate * (1 - table.Pb));
  const double serve_time = checked::div(1.0, service_rate);
  const double total_time = queue_time + serve_time;
  std::array<MeasureRow, 10> rows = {{
      {Measure::Utilisation, utilisation},
      {Measure::P0, table.P0},
      {Measure::Pw, table.Pw},
      {Measure::Pb, table.Pb},
      {Measure::Lq, queue_length},
      {Measure::L, in_system},
      {Measure::Wq, queue_time},
      {Measure::Ws, serve_time},
      {Measure::Wt, total_time},
      {Measure::ChartBars, 0.0},
  }};
  return multi_server_table(rows, table, boundary, Labels, Show_Time, Chart_Data, "Probability to bulk");
}

kx::Value Main::doArr(kx::Value& iType, kx::Value& v1, kx::Value& v2, kx::Value& v3, kx::Value& v4, kx::Value& v5) {
  const std::string model = kx::to_text(iType);
  if (model == "MMS") {
    const StateTable table = mms_table(kx::to_double(v1), kx::to_int16(v3), kx::to_double(v4));
    P0 = table.P0;
    Pw = table.Pw;
    return table.to_array();
  }
  if (model == "MSP") {
    const StateTable table = msp_table(kx::to_int16(v1), kx::to_int16(v2), kx::to_double(v3));
    P0 = table.P0;
    return table.to_array();
  }
  if (model == "MSQ") {
    const StateTable table =
        msq_table(kx::to_double(v1), kx::to_double(v2), kx::to_int16(v3), kx::to_double(v4), kx::to_int16(v5));
    P0 = table.P0;
    Pw = table.Pw;
    Pb = table.Pb;
    return table.to_array();
  }
  return kx::Array::vector(0);
}

}  // namespace mktfn
