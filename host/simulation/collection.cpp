#include "host/simulation/collection.hpp"

#include <algorithm>

#include "common/failure.hpp"

namespace host {
namespace {

void append(Series& into, Series&& later) {
  const auto offset = static_cast<std::int64_t>(into.values.size());
  into.values.insert(into.values.end(), later.values.begin(), later.values.end());
  for (FailedIteration failure : later.failures) {
    failure.iteration += offset;
    into.failures.push_back(failure);
  }
  later = Series{};  // its memory goes back as soon as it is copied
}

}  // namespace

void Series::record(const kx::Value& value) {
  values.push_back(0.0);
  record_at(values.size() - 1, value, failures);
}

void Series::record_at(std::size_t at, const kx::Value& value, std::vector<FailedIteration>& failed) {
  if (value.is_number()) {
    values[at] = value.number();
    return;
  }
  failed.push_back({static_cast<std::int64_t>(at), value.is_error() ? value.error().number : kNoNumber});
  values[at] = 0.0;
}

std::vector<double> Series::numbers() const {
  if (failures.empty()) return {values.begin(), values.end()};
  std::vector<double> kept;
  kept.reserve(values.size() - failures.size());
  auto failure = failures.begin();
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (failure != failures.end() && failure->iteration == static_cast<std::int64_t>(i)) {
      ++failure;
      continue;
    }
    kept.push_back(values[i]);
  }
  return kept;
}

std::span<const double> Series::numbers(std::vector<double>& kept) const {
  if (failures.empty()) return {values.data(), values.size()};
  kept = numbers();
  return kept;
}

Collection merge(std::vector<Collection> blocks) {
  if (blocks.empty()) return {};
  std::sort(blocks.begin(), blocks.end(),
            [](const Collection& a, const Collection& b) { return a.first_iteration < b.first_iteration; });
  Collection merged = std::move(blocks.front());
  std::int64_t total = merged.iterations;
  for (std::size_t b = 1; b < blocks.size(); ++b) {
    const Collection& block = blocks[b];
    if (block.first_iteration != merged.first_iteration + total)
      throw kx::Failure(kx::error::kHostFailure, "The collected blocks of iterations leave a gap or overlap");
    if (block.inputs.size() != merged.inputs.size() || block.outputs.size() != merged.outputs.size())
      throw kx::Failure(kx::error::kHostFailure, "The collected blocks hold different cells");
    total += block.iterations;
  }
  // Room for all at once: appending block after block would copy the values again and again.
  for (auto* cells : {&merged.inputs, &merged.outputs}) {
    for (Series& series : *cells) series.values.reserve(static_cast<std::size_t>(total));
  }
  for (std::size_t b = 1; b < blocks.size(); ++b) {
    Collection& block = blocks[b];
    for (std::size_t i = 0; i < block.inputs.size(); ++i) append(merged.inputs[i], std::move(block.inputs[i]));
    for (std::size_t i = 0; i < block.outputs.size(); ++i) append(merged.outputs[i], std::move(block.outputs[i]));
  }
  merged.iterations = total;
  return merged;
}

}  // namespace host
