// The chart range the dialog draws for each distribution code: first x, last x, step and
// number of points, each assignment a statement of its own under the skip-on-failure rule.
#pragma once

#include <cstdint>
#include <optional>

#include "common/checked_math.hpp"
#include "common/conversions.hpp"
#include "common/failure.hpp"
#include "common/host_services.hpp"
#include "common/value.hpp"
#include "riskfn/dialog/dialog_values.hpp"
#include "riskfn/dialog/statement_rule.hpp"

namespace riskfn::dialog {

// The statistics just computed, for the chart; a statistic that failed or is a text is absent.
struct Moments {
  std::optional<double> minimum;
  std::optional<double> maximum;
  std::optional<double> mean;
  std::optional<double> deviation;
};

// The dialog's chart variables with what the chart rules read.
struct Chart {
  kx::Value& x_start;
  kx::Value& x_finish;
  kx::Value& delta;
  kx::Value& point_count;
  std::int16_t& result;
  StatementRule& rule;
  const Parameters& p;
  const Moments& moments;
  double typed;                  // the value just typed
  kx::Application* application;  // null when the component has no host

  kx::Application& host() const {
    if (application == nullptr) throw kx::Failure(kx::error::kObjectNotSet, "Object variable not set");
    return *application;
  }

  // One statement: `target` = compute(), kept as it was when the computation fails.
  template <class Compute>
  void set(kx::Value& target, Compute&& compute) {
    rule.run([&] { target = kx::Value(kx::checked::finite(compute())); });
  }
  // PointCount, and the method's result with it.
  template <class Compute>
  void set_points(Compute&& compute) {
    set(point_count, compute);
    rule.run([&] { result = kx::to_int16(point_count); });
  }

  double number(const kx::Value& value) const { return kx::to_double(value); }
  double points() const { return number(point_count); }
  double mean() const { return present(moments.mean); }
  double sd() const { return present(moments.deviation); }
  double minimum() const { return present(moments.minimum); }
  double maximum() const { return present(moments.maximum); }
  bool has_deviation() const { return moments.deviation.has_value(); }

 private:
  static double present(const std::optional<double>& statistic) {
    if (!statistic) throw kx::Failure(kx::error::kTypeMismatch, "Type mismatch: the statistic is not a number");
    return *statistic;
  }
};

// Sets the chart range of a code; codes without a rule leave it alone.
void set_chart_range(int code, Chart& chart);

}  // namespace riskfn::dialog
