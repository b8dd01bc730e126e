#include "cli/fit_command.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "cli/fit_data.hpp"
#include "cli/fit_plot.hpp"
#include "cli/progress_line.hpp"
#include "cli/terminal_text.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/addin/addin_workbook.hpp"
#include "host/dialog/fitting_dialog.hpp"
#include "host/document/book.hpp"
#include "host/document/sheet.hpp"
#include "host/session/session.hpp"
#include "riskfn/fitting/likelihood.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace cli {
namespace {

using riskfn::fitting::Candidate;
using riskfn::fitting::FitStatistics;
using riskfn::fitting::FittedCandidate;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// Printed width of UTF-8 text: one column per code point.
std::size_t width_of(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Rows of texts as aligned columns; numbers (the first column and those after `left_columns`) right-aligned.
std::string aligned(const std::vector<std::vector<std::string>>& rows, std::size_t left_columns) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], width_of(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string cell = terminal_safe(row[c]);
      const std::string padding(widths[c] - width_of(row[c]), ' ');
      const bool right = c == 0 || c >= left_columns;
      line += c == 0 ? "" : "  ";
      line += right ? padding + cell : cell + padding;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  return text;
}

std::string optional_text(const std::optional<double>& x, const char* pattern = "{:.4f}") {
  return x ? fmt::format(fmt::runtime(pattern), *x) : "-";
}

nlohmann::ordered_json optional_json(const std::optional<double>& x) {
  return x ? nlohmann::ordered_json(*x) : nlohmann::ordered_json(nullptr);
}

// The display name asked for with --dist, matched without case in the current language.
std::string selected_name(riskfn::PDF& pdf, const std::string& wanted) {
  std::vector<std::string> names;
  for (const Candidate& candidate : riskfn::fitting::candidates()) {
    const std::string name = pdf.risk_text(riskfn::fitting::kNameRowBase + candidate.code);
    if (kx::equals_ignore_case(name, wanted)) return name;
    names.push_back(name);
  }
  fail(fmt::format("no distribution is named \"{}\"; the names are: {}", wanted, fmt::join(names, ", ")));
}

// One fitted candidate as kx fit reports it beyond the dialog's table.
struct Comparison {
  FittedCandidate fitted;
  std::optional<FitStatistics> statistics;
};

std::optional<double> rank_key(const Comparison& c, const std::string& rank) {
  if (rank == "distance") return c.fitted.distance;
  if (!c.statistics) return std::nullopt;
  if (rank == "ks") return c.statistics->kolmogorov_smirnov;
  if (rank == "ad") return c.statistics->anderson_darling;
  if (rank == "aic") return c.statistics->aic;
  return c.statistics->bic;
}

std::vector<Comparison> compare(const riskfn::fitting::CandidateSet& set, const FitOptions& options,
                                const std::string& selection, bool all) {
  std::vector<Comparison> comparisons;
  for (const Candidate& candidate : riskfn::fitting::candidates()) {
    const bool admitted = options.kind == "both" ||
                          (options.kind == "continuous") == (candidate.kind == riskfn::fitting::Kind::Continuous);
    if (!admitted) continue;
    // Only the candidate asked for is fitted: each fit reads every observation.
    if (!all && set.name(candidate) != selection) continue;
    const bool likelihood = options.method == "mle" && riskfn::fitting::has_likelihood_fit(candidate);
    FittedCandidate fitted = likelihood ? riskfn::fitting::fit_by_likelihood(set, candidate) : set.fit(candidate);
    std::optional<FitStatistics> statistics = riskfn::fitting::fit_statistics(set, fitted);
    fitted.cumulative = {};  // a million observations' worth per candidate, no longer needed
    comparisons.push_back({std::move(fitted), std::move(statistics)});
  }
  std::stable_sort(comparisons.begin(), comparisons.end(), [&](const Comparison& a, const Comparison& b) {
    const auto ka = rank_key(a, options.rank);
    const auto kb = rank_key(b, options.rank);
    if (ka && kb) return *ka < *kb;
    return ka.has_value() && !kb.has_value();
  });
  return comparisons;
}

std::string parameter_text(const kx::Value& value) {
  return value.is_number() ? fmt::format("{:.6g}", value.number()) : kx::display_text(value);
}

std::string comparison_table(const std::vector<Comparison>& comparisons, const kx::Array& results) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({kx::display_text(results.at(0, 1)), kx::display_text(results.at(0, 2)),
                  kx::display_text(results.at(0, 3)), "KS", "AD", "log L", "AIC", "BIC", "parameters"});
  for (std::size_t i = 0; i < comparisons.size(); ++i) {
    const Comparison& c = comparisons[i];
    std::vector<std::string> parameters;
    for (const kx::Value& slot : c.fitted.fit.slots) {
      if (!(slot.is_text() && slot.text() == "--")) parameters.push_back(parameter_text(slot));
    }
    const auto statistic = [&](auto member, const char* pattern = "{:.4f}") {
      return c.statistics ? optional_text((*c.statistics).*member, pattern) : "-";
    };
    rows.push_back({std::to_string(i + 1), c.fitted.name, optional_text(c.fitted.distance),
                    statistic(&FitStatistics::kolmogorov_smirnov), statistic(&FitStatistics::anderson_darling),
                    statistic(&FitStatistics::log_likelihood, "{:.2f}"), statistic(&FitStatistics::aic, "{:.2f}"),
                    statistic(&FitStatistics::bic, "{:.2f}"), fmt::format("{}", fmt::join(parameters, "  "))});
  }
  return aligned(rows, 2);
}

// The dialog's result table, without parameter columns that no candidate uses.
std::string result_table(const host::FittingOutcome& outcome) {
  std::size_t last_column = 4;
  for (std::size_t column = 5; column <= 8; ++column) {
    for (std::int16_t row = 1; row <= outcome.fitted; ++row) {
      const kx::Value& cell = outcome.results.at(static_cast<std::size_t>(row), column);
      if (!cell.is_empty() && !(cell.is_text() && cell.text() == "--")) last_column = column;
    }
  }
  std::vector<std::vector<std::string>> rows;
  for (std::int16_t row = 0; row <= outcome.fitted; ++row) {
    std::vector<std::string> line;
    for (std::size_t column = 1; column <= last_column; ++column)
      line.push_back(kx::display_text(outcome.results.at(static_cast<std::size_t>(row), column)));
    rows.push_back(std::move(line));
  }
  return aligned(rows, 3);
}

std::string timing_table(const host::FittingOutcome& outcome) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"", kx::display_text(outcome.timings.at(0, 1)), kx::display_text(outcome.timings.at(0, 2))});
  for (std::size_t row = 1; row < outcome.timings.rows(); ++row) {
    if (outcome.timings.at(row, 1).is_empty()) continue;
    rows.push_back({kx::display_text(outcome.timings.at(row, 0)), kx::display_text(outcome.timings.at(row, 1)),
                    kx::display_text(outcome.timings.at(row, 2))});
  }
  rows.push_back({"", "Total", fmt::format("{:.1f}", outcome.total_milliseconds)});
  return aligned(rows, 2);
}

std::string json_report(const FitOptions& options, const Observations& observations,
                        const host::FittingOutcome& outcome, const std::vector<Comparison>& comparisons) {
  using json = nlohmann::ordered_json;
  json candidates = json::array();
  for (std::size_t i = 0; i < comparisons.size(); ++i) {
    const Comparison& c = comparisons[i];
    json parameters = json::array();
    for (const kx::Value& slot : c.fitted.fit.slots) {
      if (slot.is_number()) parameters.push_back(slot.number());
    }
    json entry = {{"rank", i + 1},
                  {"name", c.fitted.name},
                  {"code", c.fitted.candidate->code},
                  {"applicable", c.fitted.distance.has_value()},
                  {"distance", optional_json(c.fitted.distance)},
                  {"parameters", std::move(parameters)}};
    const FitStatistics none;
    const FitStatistics& s = c.statistics ? *c.statistics : none;
    entry["log_likelihood"] = optional_json(s.log_likelihood);
    entry["aic"] = optional_json(s.aic);
    entry["bic"] = optional_json(s.bic);
    entry["anderson_darling"] = optional_json(s.anderson_darling);
    entry["kolmogorov_smirnov"] = optional_json(s.kolmogorov_smirnov);
    candidates.push_back(std::move(entry));
  }
  json timings = json::array();
  for (std::size_t row = 1; row < outcome.timings.rows(); ++row) {
    if (outcome.timings.at(row, 1).is_empty()) continue;
    timings.push_back({{"row", row},
                       {"name", kx::display_text(outcome.timings.at(row, 1))},
                       {"milliseconds", kx::to_double(outcome.timings.at(row, 2))}});
  }
  const json document = {{"file", options.file},
                         {"column", observations.column},
                         {"observations", observations.values.size()},
                         {"method", options.method},
                         {"rank_by", options.rank},
                         {"candidates", std::move(candidates)},
                         {"timing", std::move(timings)},
                         {"total_milliseconds", outcome.total_milliseconds}};
  return document.dump(2) + "\n";
}

}  // namespace

int run_fit(const FitOptions& options) {
  if (!options.plot_path.empty()) check_plot_path(options.plot_path);
  const Observations observations = read_observations(options.file, options.column);

  const auto main = std::dynamic_pointer_cast<riskfn::Main>(riskfn::create_object("Main"));
  host::Session session({main});
  host::set_addin_language(session.application(), options.language);
  session.open_blank();
  riskfn::PDF& pdf = *main->pdf();

  // The observations go on a sheet of their own, as the dialog reads a range.
  const auto sheet = session.application().active_book()->sheets().front();
  const auto count = static_cast<std::int32_t>(observations.values.size());
  for (std::int32_t row = 1; row <= count; ++row)
    sheet->set_value(row, 1, observations.values[static_cast<std::size_t>(row - 1)]);
  const kx::RangeRef data = sheet->range("A1:A" + std::to_string(count));

  const bool all = options.distribution.empty();
  const std::string selection = all ? pdf.risk_text(41) : selected_name(pdf, options.distribution);
  const auto dialog = host::FittingDialog::create(selection, options.kind != "discrete", options.kind != "continuous");
  const host::FittingOutcome outcome = [&] {
    const ProgressLine progress(session.application(), std::chrono::milliseconds(50));
    return dialog->fit(pdf, data);
  }();
  if (outcome.fitted == 0) {
    // With every kind admitted, no row means the run itself stopped: its sample statistics.
    if (all || options.kind == "both") {
      fail(
          fmt::format("{}: no distribution could be fitted: the mean, minimum or maximum of \"{}\" cannot be "
                      "computed (numbers near 1.8E308 overflow)",
                      options.file, observations.column));
    }
    fail(fmt::format("\"{}\" is not among the {} distributions", selection, options.kind));
  }

  std::vector<double> sorted = observations.values;
  std::sort(sorted.begin(), sorted.end());
  const bool compared = options.json || options.method != "moments" || options.rank != "distance";
  // The same sample statistics as the dialog's, from the same range: one result in every view.
  std::optional<riskfn::fitting::CandidateSet> set;
  std::vector<Comparison> comparisons;
  if (compared || !options.plot_path.empty()) {
    set.emplace(*main, std::move(sorted), kx::Value(data));
    comparisons = compare(*set, options, selection, all);
  }

  if (options.json) {
    fmt::print("{}", json_report(options, observations, outcome, comparisons));
  } else {
    fmt::print("{} observations of \"{}\" in {}\n\n", observations.values.size(), terminal_safe(observations.column),
               terminal_safe(options.file));
    fmt::print("{}\n", result_table(outcome));
    if (compared) {
      fmt::print("{} estimates, ranked by {}:\n{}\n", options.method == "mle" ? "Maximum-likelihood" : "Moment",
                 options.rank, comparison_table(comparisons, outcome.results));
    }
    fmt::print("{}", timing_table(outcome));
  }
  if (!options.plot_path.empty()) {
    std::vector<FitCurve> curves;
    for (const Comparison& c : comparisons) {
      if (curves.size() == 3 || !c.fitted.distance) continue;
      curves.push_back({c.fitted.name, [&set, fitted = c.fitted](double x) { return set->cumulative(fitted, x); }});
    }
    draw_fit(options.plot_path, observations.column, set->sorted(), curves);
  }
  return 0;
}

}  // namespace cli
