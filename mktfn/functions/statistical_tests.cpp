// Statistical tests and sample sizes: the chi-square test of a contingency table and its
// expected frequencies, significance letters of pairwise proportion tests, sample sizes,
// the coefficient of variation, ranks and ranges.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "common/number_format.hpp"
#include "mktfn/frame/conventions.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/functions/host_numbers.hpp"

namespace mktfn {
namespace {

using kx::Value;
using kx::WorksheetFn;
namespace checked = kx::checked;

// The cells of a range as rows and columns, whatever its size.
kx::Array cells_of(const kx::Range& range) {
  const Value value = range.value();
  if (value.is_array()) return value.array();
  kx::Array single(1, 1);
  single.at(0, 0) = value;
  return single;
}

// What the platform's IsNumeric accepts: numbers, booleans, empty cells and numeric texts.
bool is_numeric(const Value& value) {
  switch (value.kind()) {
    case Value::Kind::Empty:
    case Value::Kind::Number:
    case Value::Kind::Boolean: return true;
    case Value::Kind::Text: return kx::parse_number(value.text()).has_value();
    default: return false;
  }
}

// A contingency table as the user laid it out: with a label row and a label column when the
// cell in row 2, column 1 is no number.
struct Contingency {
  // A table of one row has no row of labels, whatever lies below it.
  explicit Contingency(const kx::Range& range)
      : cells(cells_of(range)), labelled(range.row_count() > 1 && !is_numeric(range.cells(2, 1)->value())) {}

  std::size_t first() const { return labelled ? 1 : 0; }
  std::size_t data_rows() const { return cells.rows() - first(); }
  std::size_t data_columns() const { return cells.columns() - first(); }

  // The block of counts of a table of this layout, without its labels.
  kx::Array data_of(const kx::Array& table) const {
    kx::Array block(data_rows(), data_columns());
    for (std::size_t i = 0; i < block.rows(); ++i) {
      for (std::size_t j = 0; j < block.columns(); ++j) block.at(i, j) = table.at(i + first(), j + first());
    }
    return block;
  }

  kx::Array cells;
  bool labelled;
};

double z_of_confidence(kx::Application& host, const Value& confidence) {
  return host_number(host, WorksheetFn::NormSInv, {1.0 - (1.0 - kx::to_double(confidence)) / 2.0});
}

// Rank_Ascendent given and not 0.
bool ascending(const Value& rank_ascendent) {
  return !is_omitted(rank_ascendent) && kx::to_double(rank_ascendent) != 0.0;
}

bool same_value(const Value& a, const Value& b) { return kx::compare_values(a, b) == 0; }

// The values of the first column of a range, rows 1 to Rows.Count.
std::vector<Value> first_column(const Value& database) {
  const std::int32_t rows = rows_count(database);
  std::vector<Value> values;
  values.reserve(static_cast<std::size_t>(rows));
  for (std::int32_t i = 1; i <= rows; ++i) values.push_back(cell(database, i, 1));
  return values;
}

}  // namespace

kx::Value Main::kxCHIp(kx::Value& Observed, float Probability, bool& Full_Report) {
  return trapped(*this, [&]() -> Value {
    Value no_sample_size = Value::missing();
    bool counts = false;
    const Value expected = kxEXPECT(Observed, no_sample_size, counts);
    if (expected.is_error()) return expected;
    kx::Application& app = host();
    // The test runs on the counts alone: label cells would add rows and columns to the degrees
    // of freedom.
    const Contingency table(range_of(Observed));
    const kx::Array observed_counts = table.data_of(table.cells);
    const kx::Array expected_counts = table.data_of(expected.array());
    const double p = host_number(app, WorksheetFn::ChiTest, {observed_counts, expected_counts});
    if (!Full_Report) return p;

    const std::int32_t degrees =
        (static_cast<std::int32_t>(table.data_columns()) - 1) * (static_cast<std::int32_t>(table.data_rows()) - 1);
    counter_limit(degrees);
    // The statistic itself, rather than read back from a p-value that may underflow to 0.
    double statistic = 0.0;
    for (std::size_t i = 0; i < observed_counts.size(); ++i) {
      // As in the host's test, a cell without a count takes no part.
      if (!observed_counts.at(i).is_number() || !expected_counts.at(i).is_number()) continue;
      const double o = observed_counts.at(i).number();
      const double e = expected_counts.at(i).number();
      statistic = checked::add(statistic, checked::div(checked::mul(o - e, o - e), e));
    }
    const double critical = host_number(app, WorksheetFn::ChiInv, {static_cast<double>(Probability), degrees});

    kx::Array report(6, 2);
    const auto row = [&report](std::size_t i, const char* label, Value value) {
      report.at(i, 0) = label;
      report.at(i, 1) = std::move(value);
    };
    row(0, "Prob. of critical value:", kx::format_number(Probability, "0.00%"));
    row(1, "P-value:", kx::format_number(p, "0.00%"));
    row(2, "Result:", p < Probability ? "Test statically significant" : "Test statically not significant");
    row(3, "Degrees of freedom:", degrees);
    row(4, "Chi-square:", statistic);
    row(5, "Critical value:", critical);
    return report;
  });
}

kx::Value Main::kxEXPECT(kx::Value& Observed_Values, kx::Value& Sample_Size, bool& Do_Percent) {
  return trapped(*this, [&]() -> Value {
    const kx::Range& range = range_of(Observed_Values);
    const std::int32_t columns = range.column_count();
    const std::int32_t rows = range.row_count();
    kx::Application& app = host();
    const Contingency table(range);
    const std::size_t first = table.first();

    kx::Array expected(static_cast<std::size_t>(rows), static_cast<std::size_t>(columns));
    if (table.labelled) {
      for (std::size_t j = 0; j < expected.columns(); ++j) expected.at(0, j) = table.cells.at(0, j);
      for (std::size_t i = 0; i < expected.rows(); ++i) expected.at(i, 0) = table.cells.at(i, 0);
    }
    const double table_total =
        host_number(app, WorksheetFn::Sum, {table.labelled ? Value(table.data_of(table.cells)) : Observed_Values});
    // A sample size scales the table's expected counts so that they sum to it.
    const double total = is_omitted(Sample_Size) ? table_total : kx::to_double(Sample_Size);
    // Sums of whole rows and columns of the range; Sum passes over the label texts.
    std::vector<double> row_sums(expected.rows());
    std::vector<double> column_sums(expected.columns());
    for (std::size_t i = first; i < expected.rows(); ++i) {
      row_sums[i] = host_number(app, WorksheetFn::Sum, {range.rows(static_cast<std::int32_t>(i + 1))});
    }
    for (std::size_t j = first; j < expected.columns(); ++j) {
      column_sums[j] = host_number(app, WorksheetFn::Sum, {range.columns(static_cast<std::int32_t>(j + 1))});
    }
    for (std::size_t i = first; i < expected.rows(); ++i) {
      for (std::size_t j = first; j < expected.columns(); ++j) {
        double e = checked::div(checked::mul(row_sums[i], column_sums[j]), table_total);
        if (!is_omitted(Sample_Size)) e = checked::mul(e, checked::div(total, table_total));
        if (Do_Percent) e = checked::div(e, total);
        expected.at(i, j) = e;
      }
    }
    return expected;
  });
}

kx::Value Main::kxSIGNIF(kx::Value& Test_Cell, kx::Value& Range_Sample, kx::Value& Significance) {
  return trapped(*this, [&]() -> Value {
    const kx::Range& tests = range_of(Test_Cell);
    const std::int32_t k = std::max(tests.row_count(), tests.column_count());
    // Each sample is named by one lower-case letter; a 27th sample would have none.
    if (k > 26) return value_error();
    require_length(Range_Sample, k);
    const double level = 1.0 - kx::to_double(Significance);
    kx::Application& app = host();

    // A proportion or size that cannot be read leaves its pairs out, as a failing pair does.
    const auto read = [](const Value& argument, std::int32_t i) -> std::optional<double> {
      try {
        return number_at(argument, i);
      } catch (const kx::Failure&) {
        return std::nullopt;
      }
    };
    std::vector<std::optional<double>> proportions;
    std::vector<std::optional<double>> sizes;
    for (std::int32_t i = 1; i <= k; ++i) {
      proportions.push_back(read(Test_Cell, i));
      sizes.push_back(read(Range_Sample, i));
    }

    std::vector<Value> letters(static_cast<std::size_t>(k), Value(std::string()));
    for (std::size_t i = 0; i < letters.size(); ++i) {
      for (std::size_t j = 0; j < letters.size(); ++j) {
        if (!proportions[i] || !proportions[j] || !sizes[i] || !sizes[j]) continue;
        const double pi = *proportions[i];
        const double pj = *proportions[j];
        const double ni = *sizes[i];
        const double nj = *sizes[j];
        try {
          const double pooled = checked::div(ni * pi + nj * pj, ni + nj);
          const double se = checked::sqrt(
              checked::mul(pooled * (1.0 - pooled), checked::add(checked::div(1.0, ni), checked::div(1.0, nj))));
          const double z = checked::div(pi - pj, se);
          const double tail = host_number(app, WorksheetFn::NormSDist, {-std::fabs(z)});
          if (pi > pj && pj > 1e-18 && tail <= level) {
            letters[i] = letters[i].text() + static_cast<char>('a' + j);
          }
        } catch (const kx::Failure&) {
          // A pair that cannot be tested (no cases, no spread) gives no letter.
        }
      }
    }
    return kx::Array::vector(std::move(letters));
  });
}

kx::Value Main::kxSAMPLE(kx::Value& Population, kx::Value& Confidence, kx::Value& Error_Level, kx::Value& Hypothesis) {
  return trapped(*this, [&]() -> Value {
    const double z = z_of_confidence(host(), Confidence);
    const double h = kx::to_double(Hypothesis);
    const double population = kx::to_double(Population);
    const double error_level = kx::to_double(Error_Level);
    const double zzq = z * z * h * (1.0 - h);
    return checked::div(checked::mul(population, zzq),
                        checked::add(checked::mul(error_level * error_level, population - 1.0), zzq));
  });
}

kx::Value Main::kxSAMPLEMIN(kx::Value& LikeA, kx::Value& LikeB, kx::Value& Confidence, bool& Rounded) {
  return trapped(*this, [&]() -> Value {
    const double z = z_of_confidence(host(), Confidence);
    const double a = kx::to_double(LikeA);
    const double b = kx::to_double(LikeB);
    const double n = checked::div(z * z * (a * (1.0 - a) + b * (1.0 - b)), (a - b) * (a - b));
    if (Rounded) return kx::format_number(n, "0");
    return n;
  });
}

kx::Value Main::kxVARc(kx::Value& Observed, bool& Is_Sample) {
  return trapped(*this, [&]() -> Value {
    kx::Application& app = host();
    const double spread = host_number(app, Is_Sample ? WorksheetFn::Stdev : WorksheetFn::Stdevp, {Observed});
    return checked::div(spread, host_number(app, WorksheetFn::Average, {Observed}));
  });
}

kx::Value Main::kxRANGE(kx::Value& Input_Data) {
  kx::Application& app = host();
  return checked::sub(host_number(app, WorksheetFn::Max, {Input_Data}),
                      host_number(app, WorksheetFn::Min, {Input_Data}));
}

kx::Value Main::kxRANK(kx::Value& Input_Number, kx::Value& Database, kx::Value& Rank_Method,
                       kx::Value& Rank_Ascendent) {
  const double method = kx::to_double(Rank_Method);
  if (method == 1.0) {
    const Value rank = host().call(WorksheetFn::Rank, {Input_Number, Database, ascending(Rank_Ascendent) ? 1.0 : 0.0});
    // The host's Rank answers #N/A for a number that is not in the list: passed on as it is.
    return rank.is_error() ? rank : Value(kx::to_double(rank));
  }
  if (method == 2.0) {
    // Each value once, keyed by its text as the add-in's collection keys them: the first of
    // the values that show the same text stays.
    std::vector<Value> distinct;
    std::set<std::string> keys;
    for (Value& value : first_column(Database)) {
      try {
        if (keys.insert(kx::to_text(value)).second) distinct.push_back(std::move(value));
      } catch (const kx::Failure&) {
        // A value without a text (an error cell) cannot be added and is left out.
      }
    }
    std::stable_sort(distinct.begin(), distinct.end(),
                     [](const Value& a, const Value& b) { return kx::compare_values(a, b) < 0; });
    const auto found = std::find_if(distinct.begin(), distinct.end(),
                                    [&](const Value& value) { return same_value(value, Input_Number); });
    if (found == distinct.end()) return value_error();
    const auto position = static_cast<double>(found - distinct.begin() + 1);
    return ascending(Rank_Ascendent) ? position : static_cast<double>(distinct.size()) - position + 1.0;
  }
  if (method == 3.0) {
    // Ties share the mean of their positions. Largest first unless Rank_Ascendent asks for
    // the smallest first, as the other two methods do.
    std::vector<Value> values = first_column(Database);
    const bool upwards = ascending(Rank_Ascendent);
    std::stable_sort(values.begin(), values.end(), [upwards](const Value& a, const Value& b) {
      return upwards ? kx::compare_values(a, b) < 0 : kx::compare_values(a, b) > 0;
    });
    double positions = 0.0;
    double matches = 0.0;
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!same_value(values[i], Input_Number)) continue;
      positions += static_cast<double>(i + 1);
      matches += 1.0;
    }
    // A number that is not in the list has no rank.
    if (matches == 0.0) return value_error();
    return positions / matches;
  }
  throw kx::Failure(kx::error::kInvalidCall, "Invalid procedure call: Rank_Method must be 1, 2 or 3");
}

}  // namespace mktfn
