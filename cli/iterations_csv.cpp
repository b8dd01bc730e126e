#include "cli/iterations_csv.hpp"

#include <fmt/format.h>

#include <map>
#include <vector>

#include "cli/atomic_file.hpp"
#include "cli/terminal_text.hpp"
#include "cli/value_text.hpp"
#include "common/failure.hpp"

namespace cli {
namespace {

// A name as a CSV field: quoted when it holds a separator, a quote or a line break.
std::string field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// The cells' values of one iteration, with each series' failures walked alongside.
class Row {
 public:
  explicit Row(const host::Series& series) : series_(series) {}
  void append(std::string& line, std::size_t iteration) {
    const auto& failures = series_.failures;
    if (next_failure_ < failures.size() && failures[next_failure_].iteration == static_cast<std::int64_t>(iteration)) {
      const std::int32_t error = failures[next_failure_++].error;
      line += ',';
      // By name, as `kx eval` shows it: #NUM!, #DIV/0!, ...
      if (error != host::kNoNumber) line += value_text(kx::Value(kx::ErrorValue{error}));
      return;
    }
    fmt::format_to(std::back_inserter(line), ",{}", series_.values[iteration]);
  }

 private:
  const host::Series& series_;
  std::size_t next_failure_ = 0;
};

// A program reading the file by its header would see one of two same-named columns only.
void warn_shared_names(const std::string& path, const host::SimulationModel& model) {
  std::map<std::string, std::vector<std::string>> cells_by_name;
  for (const auto* cells : {&model.inputs, &model.outputs}) {
    for (const host::ModelCell& cell : *cells) cells_by_name[cell.name].push_back(cell.address);
  }
  for (const auto& [name, cells] : cells_by_name) {
    if (cells.size() > 1)
      print_error_line(fmt::format("warning: {}: the columns of {} share the name \"{}\"", path, fmt::join(cells, ", "),
                                   name));
  }
}

}  // namespace

void write_iterations_csv(const std::string& path, const host::SimulationResult& result) {
  // Put in place only when whole: an interrupted run or a full disk leaves no half of it.
  AtomicFile file(path);
  std::string line = "iteration";
  std::vector<Row> rows;
  for (std::size_t i = 0; i < result.model.inputs.size(); ++i) {
    line += ',';
    line += field(result.model.inputs[i].name);
    rows.emplace_back(result.collection.inputs[i]);
  }
  for (std::size_t i = 0; i < result.model.outputs.size(); ++i) {
    line += ',';
    line += field(result.model.outputs[i].name);
    rows.emplace_back(result.collection.outputs[i]);
  }
  line += '\n';
  warn_shared_names(path, result.model);
  for (std::int64_t iteration = 0; iteration < result.collection.iterations; ++iteration) {
    fmt::format_to(std::back_inserter(line), "{}", iteration + 1);
    for (Row& row : rows) row.append(line, static_cast<std::size_t>(iteration));
    line += '\n';
    if (line.size() > (1 << 16)) {
      file.write(line);
      line.clear();
    }
  }
  file.write(line);
  file.commit();
}

}  // namespace cli
