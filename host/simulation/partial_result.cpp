#include "host/simulation/partial_result.hpp"

#include <fmt/format.h>

#include <bit>
#include <boost/crc.hpp>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "common/failure.hpp"

namespace host {
namespace {

using json = nlohmann::json;

// The values are written as the machine holds them; every machine we run on is little-endian.
static_assert(std::endian::native == std::endian::little);

// The file: this line, the version (4 bytes), the header's length (8 bytes), the header (JSON),
// every input's and then every output's values (8 bytes each), a CRC-32 of all before it.
constexpr std::string_view kMagic = "kx partial result\n";
using Crc64 = boost::crc_optimal<64, 0x42F0E1EBA9EA3693, ~0ULL, ~0ULL, true, true>;  // CRC-64/XZ

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// Raised while reading a header whose parts do not fit together; said with the file's name.
struct Damaged {};

template <typename T>
void put(std::string& into, T number) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &number, sizeof(T));
  into.append(bytes, sizeof(T));
}

template <typename T>
T take(std::string_view bytes, std::size_t at) {
  T number;
  std::memcpy(&number, bytes.data() + at, sizeof(T));
  return number;
}

std::uint32_t crc32_of(std::string_view bytes) {
  boost::crc_32_type crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return crc.checksum();
}

json cells_json(const std::vector<ModelCell>& cells) {
  json list = json::array();
  for (const ModelCell& cell : cells) list.push_back({cell.address, cell.name});
  return list;
}

std::vector<ModelCell> cells_of(const json& list) {
  std::vector<ModelCell> cells;
  for (const json& cell : list) cells.push_back({nullptr, 0, 0, cell.at(0).get<std::string>(), cell.at(1).get<std::string>()});
  return cells;
}

json value_json(const kx::Value& value) {
  if (value.is_number()) return {{"number", value.number()}};
  if (value.is_error()) return {{"error", value.error().number}};
  if (value.is_text()) return {{"text", value.text()}};
  if (value.is_boolean()) return {{"boolean", value.boolean()}};
  return nullptr;
}

kx::Value value_of(const json& value) {
  if (value.is_null()) return {};
  if (value.contains("number")) return value.at("number").get<double>();
  if (value.contains("error")) return kx::ErrorValue{value.at("error").get<std::int32_t>()};
  if (value.contains("text")) return value.at("text").get<std::string>();
  return value.at("boolean").get<bool>();
}

Eigen::MatrixXd matrix_of(const json& rows) {
  const auto size = static_cast<Eigen::Index>(rows.size());
  Eigen::MatrixXd m(size, size == 0 ? 0 : static_cast<Eigen::Index>(rows.at(0).size()));
  for (Eigen::Index r = 0; r < m.rows(); ++r) {
    for (Eigen::Index c = 0; c < m.cols(); ++c) m(r, c) = rows.at(r).at(c).get<double>();
  }
  return m;
}

json failures_json(const std::vector<Series>& cells) {
  json list = json::array();
  for (const Series& series : cells) {
    json failures = json::array();
    for (const FailedIteration& failure : series.failures) failures.push_back({failure.iteration, failure.error});
    list.push_back(std::move(failures));
  }
  return list;
}

// The series of the cells with their failures, checked to lie within the share in order.
std::vector<Series> series_of(const json& failures, std::size_t cells, std::int64_t iterations) {
  if (failures.size() != cells) throw Damaged{};
  std::vector<Series> list(cells);
  for (std::size_t i = 0; i < cells; ++i) {
    std::int64_t last = -1;
    for (const json& failure : failures.at(i)) {
      const FailedIteration failed{failure.at(0).get<std::int64_t>(), failure.at(1).get<std::int32_t>()};
      if (failed.iteration <= last || failed.iteration >= iterations) throw Damaged{};
      last = failed.iteration;
      list[i].failures.push_back(failed);
    }
  }
  return list;
}

json settings_json(const SimulationOptions& options) {
  json set = json::array();
  for (const CellSetting& setting : options.overrides.set) set.push_back({setting.cell, setting.text});
  return {{"iterations", options.iterations},
          {"seed", options.seed.value_or(0)},
          {"sampling", options.sampling == Sampling::LatinHypercube ? "lhs" : "plain"},
          {"locked", options.overrides.locked},
          {"set", std::move(set)},
          {"fix_correlations", options.fix_correlations}};
}

void read_settings(const json& settings, SimulationOptions& into) {
  into.iterations = settings.at("iterations").get<std::int64_t>();
  into.seed = settings.at("seed").get<std::uint64_t>();
  into.sampling = settings.at("sampling").get<std::string>() == "lhs" ? Sampling::LatinHypercube : Sampling::Plain;
  into.overrides.locked = settings.at("locked").get<std::vector<std::string>>();
  for (const json& setting : settings.at("set"))
    into.overrides.set.push_back({setting.at(0).get<std::string>(), setting.at(1).get<std::string>()});
  into.fix_correlations = settings.at("fix_correlations").get<bool>();
}

}  // namespace

std::string content_hash(std::string_view bytes) {
  Crc64 crc;
  crc.process_bytes(bytes.data(), bytes.size());
  return fmt::format("{:016x}", crc.checksum());
}

std::string run_settings_text(const SimulationOptions& options) { return settings_json(options).dump(); }

std::string partial_result_bytes(const PartialResult& partial) {
  const SimulationResult& result = partial.result;
  const Collection& collection = result.collection;
  json base_case = json::array();
  for (const kx::Value& value : result.base_case) base_case.push_back(value_json(value));
  json call_failures = json::array();
  for (const auto& failed : result.call_failures) {
    call_failures.push_back(
        {{"cell", failed.cell}, {"function", failed.failure.function}, {"number", failed.failure.number},
         {"message", failed.failure.message}});
  }
  json fixed = json::array();
  for (const FixedCorrelations& matrix : result.fixed_correlations) {
    fixed.push_back({{"range", matrix.range}, {"problem", matrix.problem}, {"asked", rows_of(matrix.asked)},
                     {"used", rows_of(matrix.used)}, {"largest_change", matrix.largest_change}});
  }
  json asked = json::array();
  for (const AskedCorrelation& pair : result.asked_correlations) asked.push_back({pair.first, pair.second, pair.asked});
  const json header = {{"part", partial.part},
                       {"parts", partial.parts},
                       {"model", partial.model},
                       {"model_hash", partial.model_hash},
                       {"reading", partial.reading},
                       {"settings", settings_json(partial.options)},
                       {"threads", partial.options.threads},
                       {"seconds", result.seconds},
                       {"first_iteration", collection.first_iteration},
                       {"iterations", collection.iterations},
                       {"inputs", cells_json(result.model.inputs)},
                       {"outputs", cells_json(result.model.outputs)},
                       {"locked", cells_json(result.model.locked)},
                       {"input_failures", failures_json(collection.inputs)},
                       {"output_failures", failures_json(collection.outputs)},
                       {"base_case", std::move(base_case)},
                       {"call_failures", std::move(call_failures)},
                       {"fixed_correlations", std::move(fixed)},
                       {"asked_correlations", std::move(asked)}};
  const std::string header_text = header.dump();
  std::string bytes(kMagic);
  put<std::uint32_t>(bytes, kPartialResultVersion);
  put<std::uint64_t>(bytes, header_text.size());
  bytes += header_text;
  for (const auto* cells : {&collection.inputs, &collection.outputs}) {
    for (const Series& series : *cells)
      bytes.append(reinterpret_cast<const char*>(series.values.data()), series.values.size() * sizeof(double));
  }
  put<std::uint32_t>(bytes, crc32_of(bytes));
  return bytes;
}

PartialResult read_partial_result(std::string_view bytes, const std::string& name) {
  const std::size_t fixed = kMagic.size() + sizeof(std::uint32_t) + sizeof(std::uint64_t);
  if (!bytes.starts_with(kMagic)) fail(name + ": not a partial result of kx simulate");
  if (bytes.size() < fixed + sizeof(std::uint32_t)) fail(name + ": cut short");
  const auto version = take<std::uint32_t>(bytes, kMagic.size());
  if (version != kPartialResultVersion)
    fail(fmt::format("{}: a partial result of version {}; this kx reads version {}", name, version,
                     kPartialResultVersion));
  const std::string_view body = bytes.substr(0, bytes.size() - sizeof(std::uint32_t));
  if (crc32_of(body) != take<std::uint32_t>(bytes, body.size()))
    fail(name + ": damaged or cut short (its checksum does not match)");
  const auto header_size = take<std::uint64_t>(bytes, kMagic.size() + sizeof(std::uint32_t));
  const auto damaged = [&]() -> void { fail(name + ": damaged (its contents do not fit together)"); };
  if (header_size > body.size() - fixed) damaged();
  PartialResult partial;
  try {
    const json header = json::parse(body.substr(fixed, header_size));
    partial.part = header.at("part").get<std::int64_t>();
    partial.parts = header.at("parts").get<std::int64_t>();
    partial.model = header.at("model").get<std::string>();
    partial.model_hash = header.at("model_hash").get<std::string>();
    partial.reading = header.at("reading").get<std::string>();
    read_settings(header.at("settings"), partial.options);
    partial.options.threads = header.at("threads").get<int>();
    SimulationResult& result = partial.result;
    result.seed = partial.options.seed.value_or(0);
    result.seconds = header.at("seconds").get<double>();
    result.model.inputs = cells_of(header.at("inputs"));
    result.model.outputs = cells_of(header.at("outputs"));
    result.model.locked = cells_of(header.at("locked"));
    Collection& collection = result.collection;
    collection.first_iteration = header.at("first_iteration").get<std::int64_t>();
    collection.iterations = header.at("iterations").get<std::int64_t>();
    if (collection.iterations <= 0 || collection.first_iteration < 0 ||
        collection.first_iteration > partial.options.iterations - collection.iterations)
      throw Damaged{};
    collection.inputs = series_of(header.at("input_failures"), result.model.inputs.size(), collection.iterations);
    collection.outputs = series_of(header.at("output_failures"), result.model.outputs.size(), collection.iterations);
    for (const json& value : header.at("base_case")) result.base_case.push_back(value_of(value));
    for (const json& failed : header.at("call_failures")) {
      result.call_failures.push_back({failed.at("cell").get<std::string>(),
                                      {failed.at("function").get<std::string>(), failed.at("number").get<std::int32_t>(),
                                       failed.at("message").get<std::string>()}});
    }
    for (const json& matrix : header.at("fixed_correlations")) {
      result.fixed_correlations.push_back({matrix.at("range").get<std::string>(), matrix.at("problem").get<std::string>(),
                                           matrix_of(matrix.at("asked")), matrix_of(matrix.at("used")),
                                           matrix.at("largest_change").get<double>()});
    }
    for (const json& pair : header.at("asked_correlations")) {
      const auto first = pair.at(0).get<std::size_t>();
      const auto second = pair.at(1).get<std::size_t>();
      if (first >= result.model.inputs.size() || second >= result.model.inputs.size()) throw Damaged{};
      result.asked_correlations.push_back({first, second, pair.at(2).get<double>()});
    }
  } catch (const json::exception&) {
    damaged();
  } catch (const Damaged&) {
    damaged();
  }
  // The values follow the header, every series the share's length, and nothing else.
  Collection& collection = partial.result.collection;
  const std::size_t series = collection.inputs.size() + collection.outputs.size();
  const auto length = static_cast<std::size_t>(collection.iterations);
  std::size_t at = fixed + header_size;
  // Divided rather than multiplied: a damaged count must not overflow into a match.
  if (series > 0 && (body.size() - at) / sizeof(double) / series != length) damaged();
  if ((body.size() - at) != series * length * sizeof(double)) damaged();
  for (auto* cells : {&collection.inputs, &collection.outputs}) {
    for (Series& one : *cells) {
      one.values.resize(length, boost::container::default_init);
      if (length > 0) std::memcpy(one.values.data(), body.data() + at, length * sizeof(double));
      at += length * sizeof(double);
    }
  }
  return partial;
}

}  // namespace host
