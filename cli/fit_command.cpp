#include "cli/fit_command.hpp"

#include <fmt/format.h>
#include <unistd.h>

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
#include "riskfn/fitting/bootstrap.hpp"
#include "riskfn/fitting/cumulative_values.hpp"
#include "riskfn/fitting/likelihood.hpp"
#include "riskfn/fitting/parallel_indices.hpp"
#include "riskfn/fitting/sampling_call.hpp"
#include "riskfn/frame/classes.hpp"
#include "riskfn/frame/main.hpp"
#include "riskfn/frame/pdf.hpp"

namespace cli {
namespace {

using riskfn::fitting::Candidate;
using riskfn::fitting::FitStatistics;
using riskfn::fitting::FittedCandidate;

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// Rows of texts as aligned columns; numbers (the first column and those from `left_columns` up to
// `numbers_end`) right-aligned.
std::string aligned(const std::vector<std::vector<std::string>>& rows, std::size_t left_columns,
                    std::size_t numbers_end = SIZE_MAX) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], display_width(row[c]));
  }
  std::string text;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t c = 0; c < row.size(); ++c) {
      const std::string cell = terminal_safe(row[c]);
      const std::string padding(widths[c] - display_width(row[c]), ' ');
      const bool right = c == 0 || (c >= left_columns && c < numbers_end);
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
  int bootstrap_replicates = 0;  // the p-values are the bootstrap's when positive
};

// The seed of --bootstrap: fixed, so that the p-values repeat.
constexpr std::uint64_t kBootstrapSeed = 20261209;

// The parametric bootstrap's p-values in place of the limiting distributions' for the best three
// continuous candidates that have statistics.
void bootstrap_best(const riskfn::fitting::CandidateSet& set, std::vector<Comparison>& comparisons, int replicates) {
  int done = 0;
  for (Comparison& c : comparisons) {
    if (done == 3) break;
    if (!c.statistics || c.fitted.candidate->kind != riskfn::fitting::Kind::Continuous) continue;
    const riskfn::fitting::BootstrapPValues p =
        riskfn::fitting::bootstrap_p_values(set, c.fitted, *c.statistics, replicates, kBootstrapSeed);
    c.statistics->kolmogorov_smirnov_p_value = p.kolmogorov_smirnov;
    c.statistics->anderson_darling_p_value = p.anderson_darling;
    c.bootstrap_replicates = p.replicates;
    ++done;
  }
}

// The distance of the ranking is the plain Kolmogorov-Smirnov gap for every candidate: the
// dialog's pairing adds up to 1.5/n to a continuous candidate and nothing to a step function,
// which ranked count distributions first on continuous data.
std::optional<double> rank_key(const Comparison& c, const std::string& rank) {
  if (!c.statistics) return std::nullopt;
  if (rank == "distance" || rank == "ks") return c.statistics->kolmogorov_smirnov;
  if (rank == "ad") return c.statistics->anderson_darling;
  if (rank == "aic") return c.statistics->aic;
  return c.statistics->bic;
}

std::vector<Comparison> compare(const riskfn::fitting::CandidateSet& set, const FitOptions& options,
                                const std::string& selection, bool all) {
  std::vector<const Candidate*> chosen;
  for (const Candidate& candidate : riskfn::fitting::candidates()) {
    const bool admitted = options.kind == "both" ||
                          (options.kind == "continuous") == (candidate.kind == riskfn::fitting::Kind::Continuous);
    if (!admitted) continue;
    // Only the candidate asked for is fitted: each fit reads every observation.
    if (!all && set.name(candidate) != selection) continue;
    chosen.push_back(&candidate);
  }
  // The candidates are independent: fitted side by side, kept in their own order.
  std::vector<Comparison> comparisons(chosen.size());
  riskfn::fitting::run_indices_in_parallel(chosen.size(), [&](std::size_t i) {
    const Candidate& candidate = *chosen[i];
    const bool likelihood = options.method == "mle" && riskfn::fitting::has_likelihood_fit(candidate);
    FittedCandidate fitted = likelihood ? riskfn::fitting::fit_by_likelihood(set, candidate) : set.fit(candidate);
    std::optional<FitStatistics> statistics = riskfn::fitting::fit_statistics(set, fitted);
    fitted.cumulative = {};  // a million observations' worth per candidate, no longer needed
    comparisons[i] = {std::move(fitted), std::move(statistics)};
  });
  // A density and a probability mass are not compared by their likelihoods: under AIC or BIC,
  // the continuous candidates rank first and the discrete ones after them, on their own.
  const bool apart = options.rank == "aic" || options.rank == "bic";
  const auto group = [&](const Comparison& c) {
    return apart && c.fitted.candidate->kind == riskfn::fitting::Kind::Discrete ? 1 : 0;
  };
  std::stable_sort(comparisons.begin(), comparisons.end(), [&](const Comparison& a, const Comparison& b) {
    const auto ka = rank_key(a, options.rank);
    const auto kb = rank_key(b, options.rank);
    if (ka.has_value() != kb.has_value()) return ka.has_value();
    if (group(a) != group(b)) return group(a) < group(b);
    return ka && *ka < *kb;
  });
  return comparisons;
}

// The rank of each comparison as printed: numbered within its group, none without a key.
std::vector<std::optional<int>> ranks(const std::vector<Comparison>& comparisons, const std::string& rank) {
  std::vector<std::optional<int>> numbers;
  int next = 1;
  std::optional<riskfn::fitting::Kind> kind;
  const bool apart = rank == "aic" || rank == "bic";
  for (const Comparison& c : comparisons) {
    if (!rank_key(c, rank)) {
      numbers.emplace_back();
      continue;
    }
    if (apart && kind && *kind != c.fitted.candidate->kind) next = 1;
    kind = c.fitted.candidate->kind;
    numbers.emplace_back(next++);
  }
  return numbers;
}

// The standard errors of a maximum-likelihood fit, in the sampling function's parameters.
std::optional<std::vector<double>> standard_errors(const Comparison& c) {
  if (!c.statistics || !c.statistics->covariance) return std::nullopt;
  return riskfn::fitting::sampling_standard_errors(*c.fitted.candidate, c.fitted.fit, *c.statistics->covariance);
}

std::string parameters_text(const std::optional<riskfn::fitting::SamplingCall>& call,
                            const std::optional<std::vector<double>>& errors) {
  if (!call) return "";
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < call->values.size(); ++i) {
    parts.push_back(errors ? fmt::format("{} {:.6g} ± {:.2g}", call->labels[i], call->values[i], (*errors)[i])
                           : fmt::format("{} {:.6g}", call->labels[i], call->values[i]));
  }
  return fmt::format("{}", fmt::join(parts, ", "));
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::size_t longest_line(const std::string& text) {
  std::size_t longest = 0;
  for (const std::string& line : lines_of(text)) longest = std::max(longest, display_width(line));
  return longest;
}

// The ranked table for a terminal narrower than it: each candidate's formula and parameters on
// lines of their own under its row, and the statistics in as many blocks of columns as the width
// needs, each block led by the rank and the name.
std::string folded(const std::vector<std::vector<std::string>>& rows, std::size_t numbers_end, int width) {
  constexpr std::size_t kKeys = 2;
  const std::size_t statistics_end = rows.front().size() - 2;  // the formula and parameters come last
  std::vector<std::size_t> widths(statistics_end, 0);
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < statistics_end; ++c) widths[c] = std::max(widths[c], display_width(row[c]));
  }
  std::string text;
  for (std::size_t first = kKeys; first < statistics_end;) {
    std::size_t used = widths[0] + 2 + widths[1];
    std::size_t last = first;
    do {
      used += 2 + widths[last++];
    } while (last < statistics_end && used + 2 + widths[last] <= static_cast<std::size_t>(width));
    std::vector<std::vector<std::string>> block;
    for (const auto& row : rows) {
      std::vector<std::string> cells(row.begin(), row.begin() + kKeys);
      cells.insert(cells.end(), row.begin() + static_cast<std::ptrdiff_t>(first),
                   row.begin() + static_cast<std::ptrdiff_t>(last));
      block.push_back(std::move(cells));
    }
    const std::size_t block_numbers_end = kKeys + (std::min(last, numbers_end) - std::min(first, numbers_end));
    const std::vector<std::string> lines = lines_of(aligned(block, kKeys, block_numbers_end));
    if (!text.empty()) text += "\n";
    for (std::size_t r = 0; r < lines.size(); ++r) {
      text += lines[r] + "\n";
      if (r == 0 || first != kKeys) continue;
      const std::string indent(widths[0] + 2, ' ');
      for (const std::string& extra : {rows[r][statistics_end], rows[r][statistics_end + 1]}) {
        if (!extra.empty() && extra != "-") text += wrapped(indent + terminal_safe(extra), width) + "\n";
      }
    }
    first = last;
  }
  return text;
}

// The one ranked table: each candidate with its statistics, its parameters by name in the order
// of its sampling function, and the formula that samples it.
std::string ranked_table(const std::vector<Comparison>& comparisons, const kx::Array& results,
                         const FitOptions& options, bool statistics, int width) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> header{kx::display_text(results.at(0, 1)), kx::display_text(results.at(0, 2)),
                                  kx::display_text(results.at(0, 3))};
  if (statistics) header.insert(header.end(), {"p(KS)", "AD", "p(AD)", "p(chi2)", "log L", "AIC", "BIC"});
  header.insert(header.end(), {"Formula", "Parameters"});
  rows.push_back(std::move(header));
  const std::vector<std::optional<int>> numbers = ranks(comparisons, options.rank);
  for (std::size_t i = 0; i < comparisons.size(); ++i) {
    const Comparison& c = comparisons[i];
    const auto statistic = [&](auto member, const char* pattern = "{:.4f}") {
      return c.statistics ? optional_text((*c.statistics).*member, pattern) : "-";
    };
    std::vector<std::string> row{numbers[i] ? std::to_string(*numbers[i]) : "-", c.fitted.name,
                                 statistic(&FitStatistics::kolmogorov_smirnov)};
    if (statistics) {
      const std::optional<double> chi_square_p =
          c.statistics && c.statistics->chi_square ? std::optional(c.statistics->chi_square->p_value) : std::nullopt;
      row.insert(row.end(), {statistic(&FitStatistics::kolmogorov_smirnov_p_value),
                             statistic(&FitStatistics::anderson_darling),
                             statistic(&FitStatistics::anderson_darling_p_value), optional_text(chi_square_p),
                             statistic(&FitStatistics::log_likelihood, "{:.2f}"),
                             statistic(&FitStatistics::aic, "{:.2f}"), statistic(&FitStatistics::bic, "{:.2f}")});
    }
    const auto call = riskfn::fitting::sampling_call(*c.fitted.candidate, c.fitted.fit);
    row.push_back(call ? call->formula() : "-");
    row.push_back(parameters_text(call, standard_errors(c)));
    rows.push_back(std::move(row));
  }
  const std::size_t numbers_end = statistics ? 10 : 3;
  const std::string table = aligned(rows, 2, numbers_end);
  if (width <= 0 || longest_line(table) <= static_cast<std::size_t>(width)) return table;
  return folded(rows, numbers_end, width);
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
  const std::vector<std::optional<int>> numbers = ranks(comparisons, options.rank);
  for (std::size_t i = 0; i < comparisons.size(); ++i) {
    const Comparison& c = comparisons[i];
    const auto call = riskfn::fitting::sampling_call(*c.fitted.candidate, c.fitted.fit);
    const FitStatistics none;
    const FitStatistics& s = c.statistics ? *c.statistics : none;
    json entry = {{"rank", numbers[i] ? json(*numbers[i]) : json(nullptr)},
                  {"name", c.fitted.name},
                  {"code", c.fitted.candidate->code},
                  {"kind", c.fitted.candidate->kind == riskfn::fitting::Kind::Discrete ? "discrete" : "continuous"},
                  {"applicable", call.has_value() && c.fitted.distance.has_value()},
                  {"distance", optional_json(s.kolmogorov_smirnov)},
                  {"dialog_distance", optional_json(c.fitted.distance)},
                  {"function", call ? json(call->function) : json(nullptr)},
                  {"parameters", call ? json(call->values) : json::array()},
                  {"parameter_names", call ? json(call->labels) : json::array()},
                  {"formula", call ? json(call->formula()) : json(nullptr)}};
    entry["log_likelihood"] = optional_json(s.log_likelihood);
    entry["aic"] = optional_json(s.aic);
    entry["bic"] = optional_json(s.bic);
    entry["anderson_darling"] = optional_json(s.anderson_darling);
    entry["kolmogorov_smirnov"] = optional_json(s.kolmogorov_smirnov);
    entry["p_values_by"] = c.bootstrap_replicates > 0 ? "bootstrap" : "limiting distribution";
    entry["bootstrap_replicates"] = c.bootstrap_replicates;
    entry["ks_p_value"] = optional_json(s.kolmogorov_smirnov_p_value);
    entry["ad_p_value"] = optional_json(s.anderson_darling_p_value);
    entry["chi_square"] = s.chi_square ? json(s.chi_square->statistic) : json(nullptr);
    entry["chi_square_classes"] = s.chi_square ? json(s.chi_square->classes) : json(nullptr);
    entry["chi_square_p_value"] = s.chi_square ? json(s.chi_square->p_value) : json(nullptr);
    const auto errors = standard_errors(c);
    entry["standard_errors"] = errors ? json(*errors) : json(nullptr);
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

  // The dialog reads a range: the file's own cells where they hold just the observations, else
  // a copy on a sheet of their own.
  const kx::RangeRef data = [&] {
    if (!observations.cells.empty()) return observations.book->sheets().front()->range(observations.cells);
    const auto sheet = session.application().active_book()->sheets().front();
    const auto count = static_cast<std::int32_t>(observations.values.size());
    for (std::int32_t row = 1; row <= count; ++row)
      sheet->set_value(row, 1, observations.values[static_cast<std::size_t>(row - 1)]);
    return sheet->range("A1:A" + std::to_string(count));
  }();

  std::vector<double> sorted = observations.values;
  std::sort(sorted.begin(), sorted.end());
  // Discrete candidates count: on measurements with decimals or below 0 they are left out.
  FitOptions fitted_options = options;
  const bool counts = riskfn::fitting::counts_only(sorted);
  if (!counts && options.kind == "discrete")
    fail("the data hold values that are not whole numbers from 0 up, which no discrete distribution takes; "
         "try --kind continuous");
  if (!counts && options.kind == "both") fitted_options.kind = "continuous";

  const bool all = options.distribution.empty();
  const std::string selection = all ? pdf.risk_text(41) : selected_name(pdf, options.distribution);
  const auto dialog = host::FittingDialog::create(selection, fitted_options.kind != "discrete",
                                                  fitted_options.kind != "continuous");
  // The dialog's F values serve the statistics too: a long column is costly to evaluate.
  const auto cumulatives = std::make_shared<riskfn::fitting::CumulativeMemo>();
  pdf.keep_cumulatives_in(cumulatives);
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

  // The same sample statistics as the dialog's, from the same range: one result in every view.
  pdf.keep_cumulatives_in(nullptr);
  // Its cells all hold numbers: read once as an array, the statistics are the range's.
  const riskfn::fitting::CandidateSet set(*main, std::move(sorted), data->value(), cumulatives);
  std::vector<Comparison> comparisons = compare(set, fitted_options, selection, all);
  if (options.bootstrap > 0) bootstrap_best(set, comparisons, options.bootstrap);

  if (options.json) {
    fmt::print("{}", json_report(fitted_options, observations, outcome, comparisons));
  } else {
    const int width = terminal_columns(STDOUT_FILENO);
    fmt::print("{} observations of \"{}\" in {}\n", observations.values.size(), terminal_safe(observations.column),
               terminal_safe(options.file));
    if (fitted_options.kind != options.kind)
      fmt::print("{}\n", wrapped("Continuous distributions only: the data hold values that are not whole numbers "
                                 "from 0 up.",
                                 width));
    const bool statistics = options.method != "moments" || options.rank != "distance" || options.bootstrap > 0;
    const std::string heading =
        fmt::format("{} estimates, ranked by {}{}:", options.method == "mle" ? "Maximum-likelihood" : "Moment",
                    options.rank == "distance" ? "the distance (the largest gap between the fitted and the data's "
                                                 "distribution function)"
                                               : options.rank,
                    options.rank == "aic" || options.rank == "bic" ? ", discrete candidates apart" : "");
    fmt::print("\n{}\n{}\n", wrapped(heading, width),
               ranked_table(comparisons, outcome.results, options, statistics, width));
    if (statistics) {
      const std::string limiting = "from the limiting distributions, for parameters not estimated from the data";
      const std::string p_values =
          options.bootstrap > 0
              ? fmt::format(
                    "of the best three continuous candidates by a parametric bootstrap of {} replicates; of "
                    "the others {}",
                    options.bootstrap, limiting)
              : limiting + ": smaller in truth";
      fmt::print("{}\n\n", wrapped("p-values " + p_values + ".", width));
    }
    fmt::print("{}", timing_table(outcome));
  }
  if (!options.plot_path.empty()) {
    std::vector<FitCurve> curves;
    for (const Comparison& c : comparisons) {
      if (curves.size() == 3 || !c.fitted.distance || !c.statistics) continue;
      const auto call = riskfn::fitting::sampling_call(*c.fitted.candidate, c.fitted.fit);
      curves.push_back({c.fitted.name,
                        fmt::format("{}; distance {:.4f}", parameters_text(call, standard_errors(c)),
                                    c.statistics->kolmogorov_smirnov.value_or(1.0)),
                        c.fitted.candidate->kind == riskfn::fitting::Kind::Discrete,
                        [&set, fitted = c.fitted](double x) { return set.cumulative(fitted, x); },
                        [fitted = c.fitted](double x) { return riskfn::fitting::candidate_density(fitted, x); }});
    }
    draw_fit(options.plot_path, observations.column, set.sorted(), curves);
  }
  return 0;
}

}  // namespace cli
