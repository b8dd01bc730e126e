// Random simulation results through the report as `kx simulate` prints it, as text and as JSON:
// names and a model path of any bytes, values of any bits (NaN and infinities stand for failed
// iterations, as a run collects only numbers), percentiles, targets and scenarios. Nothing may
// crash, and the JSON must always parse.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/report_json.hpp"
#include "cli/report_text.hpp"
#include "cli/simulation_report.hpp"
#include "host/session/session.hpp"
#include "riskfn/frame/classes.hpp"

namespace {

// Takes the input's bytes from the front.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  std::string text() {
    const std::size_t length = std::min<std::size_t>(byte() % 16, rest_.size());
    std::string taken(rest_.substr(0, length));
    rest_.remove_prefix(length);
    return taken;
  }
  double number() {
    double x = 0;
    const std::size_t length = std::min(sizeof x, rest_.size());
    std::memcpy(&x, rest_.data(), length);
    rest_.remove_prefix(length);
    return x;
  }
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes bytes(data, size);
  const std::size_t inputs = bytes.byte() % 4;
  const std::size_t outputs = 1 + bytes.byte() % 3;
  const std::int64_t iterations = 1 + bytes.byte() % 64;
  const std::string model = bytes.text();
  host::SimulationResult result;
  result.seed = bytes.byte();
  result.collection.iterations = iterations;
  for (std::size_t c = 0; c < inputs + outputs; ++c) {
    host::ModelCell cell;
    cell.address = "Model!A" + std::to_string(c + 1);
    cell.name = bytes.text();
    (c < inputs ? result.model.inputs : result.model.outputs).push_back(cell);
    host::Series series;
    // A short input repeats its values: a few distinct bits still fill every iteration.
    std::vector<double> pattern;
    for (int k = 0; k < 1 + bytes.byte() % 8; ++k) pattern.push_back(bytes.number());
    for (std::int64_t i = 0; i < iterations; ++i) {
      const double x = pattern[static_cast<std::size_t>(i) % pattern.size()];
      if (std::isfinite(x)) {
        series.record(x);
      } else {
        series.record(kx::ErrorValue{kx::error::kXlNum});
      }
    }
    (c < inputs ? result.collection.inputs : result.collection.outputs).push_back(std::move(series));
  }
  for (std::size_t o = 0; o < outputs; ++o) result.base_case.push_back(bytes.number());

  host::SimulationOptions run;
  run.iterations = iterations;
  run.threads = 1 + bytes.byte() % 2;
  cli::ReportSettings settings;
  if (bytes.byte() % 2 == 1) {
    settings.percentiles = {std::fmod(std::abs(bytes.number()), 100.0), 50};
    if (!std::isfinite(settings.percentiles[0])) settings.percentiles[0] = 1;
    settings.percentile_labels = {"a", "b"};
  }
  if (bytes.byte() % 2 == 1) settings.targets.push_back({"", bytes.number()});
  if (bytes.byte() % 2 == 1 && outputs > 0) {
    host::ScenarioCondition condition{bytes.byte() % 2 == 0, std::fmod(std::abs(bytes.number()), 100.0), true};
    if (!std::isfinite(condition.value)) condition.value = 10;
    settings.scenarios.push_back({result.model.outputs.front().name, condition, "scenario"});
  }
  settings.convergence = bytes.byte() % 2 == 1;

  static host::Session session({riskfn::create_object("Main")});
  const cli::SimulationReport report = cli::build_report(model, result, run, settings, session.application());
  const std::string text = cli::report_text(report, run.threads, 0.5, bytes.byte() % 2 == 0 ? 0 : 60);
  // What reaches a terminal holds no control character but the line breaks.
  for (const char c : text) {
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7f) std::abort();
  }
  if (!nlohmann::json::accept(cli::report_json(report))) std::abort();
  return 0;
}
