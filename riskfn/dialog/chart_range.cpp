// One chart rule per distribution code. Continuous charts span about four standard deviations
// around the mean or the distribution's own bounds; discrete ones step by whole numbers. Every
// chart that starts at its distribution's lower bound sets its start, so that nothing of the
// previously selected distribution's range is left behind.
#include "riskfn/dialog/chart_range.hpp"

#include <boost/math/distributions/students_t.hpp>
#include <algorithm>
#include <cmath>
#include <map>

#include "common/conversions.hpp"

namespace riskfn::dialog {
namespace {

using ChartRule = void (*)(Chart& c);

double at_least_zero(double x) { return x < 0 ? 0.0 : x; }

// Evenly spaced points from XStart over a width: the step, then the last x.
void spread(Chart& c, auto&& width) {
  c.set(c.delta, [&] { return width() / (c.points() - 1); });
  c.set(c.x_finish, [&] { return c.number(c.x_start) + (c.points() - 1) * c.number(c.delta); });
}

// Both ends given; the step divides the width by the number of points.
void ends_over_points(Chart& c, auto&& start, auto&& finish) {
  c.set(c.x_start, start);
  c.set(c.x_finish, finish);
  c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start)) / c.points(); });
}

// A tail too heavy for a variance ends the chart at the 99% point instead of mean + 4 sd.
constexpr double kHeavyTailEnd = 0.99;

// A bounded chart narrower than four units would get fewer points than the dialog's usual
// 100, down to none with a negative step (rates of a few percent): it gets those 100.
constexpr double kFewestBoundedPoints = 100;

void triangle_points(Chart& c) {
  c.set(c.x_start, [&] { return c.p[0]; });
  c.set(c.x_finish, [&] { return c.p[2]; });
  c.set_points([&] {
    const double width = c.p[2] - c.p[0];
    if (width >= 3000) return 3000.0;
    if (width >= 1000) return std::floor(width);
    return std::max(std::floor(25 * width), kFewestBoundedPoints);
  });
  c.set(c.delta, [&] { return (c.p[2] - c.p[0]) / (c.points() - 1); });
}

void gamma_like(Chart& c) {
  c.set(c.x_start, [&] { return at_least_zero(c.p[0] * c.p[1] - 4 * c.sd()); });
  spread(c, [&] { return c.p[0] * c.p[1] + 4 * c.sd() - c.number(c.x_start); });
}

const std::map<int, ChartRule> kRules = {
    {1,
     [](Chart& c) {
       c.set(c.x_start, [] { return 0.0; });
       c.set(c.x_finish, [&] { return std::min(c.mean() + 4 * c.sd(), 1.0); });
     }},
    {2,
     [](Chart& c) {
       c.set(c.x_start, [&] { return c.p[2]; });
       spread(c, [&] { return c.p[3] - c.p[2]; });
     }},
    {3,
     [](Chart& c) {
       c.set(c.x_start, [&] { return std::floor(c.mean() - 4 * c.sd() - 1); });
       c.set(c.x_finish, [&] { return std::floor(c.mean() + 4 * c.sd() + 5); });
       c.set_points([&] { return std::floor(c.p[0] * std::sqrt(c.p[1])) + 10; });
     }},
    {4,
     [](Chart& c) {
       c.set(c.x_start, [&] { return at_least_zero(c.p[0] - 4 * std::sqrt(2 * c.p[0])); });
       spread(c, [&] { return 8 * std::sqrt(2 * c.p[0]); });
     }},
    {9,
     [](Chart& c) {
       const auto unit = [&] { return c.sd() == 0 ? 0.5 : c.sd(); };
       ends_over_points(
           c, [&] { return -4 * unit(); }, [&] { return 4 * unit(); });
     }},
    {10,
     [](Chart& c) {
       c.set(c.delta, [&] { return (c.p[0] * c.p[1] + 4 * c.sd()) / (c.points() - 1); });
       c.set(c.x_finish, [&] {
         const double finish = c.mean() + 6 * c.sd();
         return finish == c.mean() ? 4 * c.mean() : finish;
       });
       c.set(c.x_start, [] { return 0.0; });
       if (c.rule.holds([&] { return c.number(c.x_finish) == 0 && c.number(c.x_start) == 0; }))
         c.set(c.x_finish, [&] { return 2 * c.typed; });
       c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start)) / 56; });
     }},
    {11,
     [](Chart& c) {
       c.set(c.x_start, [] { return 0.0; });
       spread(c, [&] { return 5 * c.p[0]; });
     }},
    {12,
     [](Chart& c) {
       ends_over_points(
           c, [&] { return c.mean() - 2 * c.sd(); }, [&] { return c.mean() + 4 * c.sd(); });
     }},
    {13, gamma_like},
    {15,
     [](Chart& c) {
       c.set(c.x_start, [] { return 0.0; });
       c.set(c.x_finish, [&] { return std::floor(c.mean() + 4 * c.sd() + 5); });
       c.set(c.delta, [] { return 1.0; });
       c.set_points([&] { return kx::round_half_even(5 / c.p[0]) + 1; });
     }},
    {17,
     [](Chart& c) {
       c.set(c.x_start, [&] { return std::floor(c.mean() - 4 * c.sd()); });
       c.set(c.x_finish, [&] { return std::floor(c.mean() + 4 * c.sd()); });
     }},
    {18,
     [](Chart& c) {
       c.set(c.x_start, [&] { return c.p[0]; });
       c.set(c.x_finish, [&] { return c.p[1]; });
       c.set_points([&] { return c.p[1] - c.p[0] + 1; });
     }},
    {19,
     [](Chart& c) {
       if (c.rule.holds([&] { return c.sd() > 0; })) {
         if (c.rule.holds([&] { return c.p[0] >= 1; }))
           c.set(c.x_start, [&] { return at_least_zero(c.mean() - 4 * c.sd()); });
         c.set(c.x_finish, [&] { return c.mean() + 4 * c.sd(); });
       } else {
         c.set(c.x_start, [] { return 0.0; });
         c.set(c.x_finish, [&] { return 4 * c.mean(); });
       }
       c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start)) / c.points(); });
     }},
    {20,
     [](Chart& c) {
       ends_over_points(
           c, [&] { return c.p[0] - 4 * c.sd(); }, [&] { return c.p[0] + 4 * c.sd(); });
     }},
    {22,
     [](Chart& c) {
       // The ends of a normal with the same mean and deviation: enough for the chart's view.
       const auto normal_point = [&](double probability, double mean, double sd) {
         return kx::to_double(c.host().call(kx::WorksheetFn::NormInv, {probability, mean, sd}));
       };
       c.set(c.x_start, [&] { return at_least_zero(normal_point(0.0001, c.p[0], c.p[1])); });
       c.set(c.x_finish, [&] { return normal_point(0.9999, std::fabs(c.p[0]), std::fabs(c.p[1])); });
       c.set(c.delta, [&] { return c.number(c.x_finish) / 500; });
       c.set_points([] { return 500.0; });
     }},
    {24,
     [](Chart& c) {
       c.set(c.x_start, [&] { return at_least_zero(c.mean() - 4 * c.sd()); });
       c.set(c.x_finish, [&] { return c.mean() + 4 * c.sd(); });
       c.set(c.delta, [&] { return std::floor((c.number(c.x_finish) - c.number(c.x_start)) / c.points() + 1); });
     }},
    {25,
     [](Chart& c) {
       c.set(c.x_start, [&] { return c.p[0] - 4 * c.p[1]; });
       spread(c, [&] { return 8 * c.p[1]; });
     }},
    {26,
     [](Chart& c) {
       c.set(c.x_start, [&] { return c.p[1]; });
       c.set(c.x_finish, [&] {
         if (c.has_deviation()) return c.mean() + 4 * c.sd();
         return c.p[1] * std::pow(1 - kHeavyTailEnd, -1 / c.p[0]);
       });
       c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start) + 1) / c.points(); });
     }},
    {27,
     [](Chart& c) {
       c.set(c.x_start, [] { return 0.0; });
       c.set(c.x_finish, [&] {
         if (c.has_deviation()) return c.mean() + 4 * c.sd();
         return c.p[0] * (std::pow(1 - kHeavyTailEnd, -1 / c.p[1]) - 1);
       });
       c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start) + 1) / c.points(); });
     }},
    {30, triangle_points},
    {31,
     [](Chart& c) {
       c.set(c.x_start, [&] { return at_least_zero(std::floor(c.p[0] - 4 * c.sd())); });
       c.set(c.x_finish, [&] { return std::floor(c.p[0] + 6 * c.sd() + 0.5); });
       c.set(c.delta, [] { return 1.0; });
       c.set_points([&] { return std::floor(c.number(c.x_finish)); });
     }},
    {32,
     [](Chart& c) {
       c.set(c.x_start, [] { return 0.0; });
       c.set(c.x_finish, [&] { return c.mean() + 4 * c.sd(); });
       c.set(c.delta, [&] { return c.number(c.x_finish) / c.points(); });
     }},
    {33,
     [](Chart& c) {
       // The central 99% of the distribution, whether or not it has a variance.
       const auto point = [&](double probability) {
         return boost::math::quantile(boost::math::students_t_distribution<double>(c.p[0]), probability);
       };
       ends_over_points(
           c, [&] { return point(0.005); }, [&] { return point(0.995); });
     }},
    {34, triangle_points},
    {36,
     [](Chart& c) {
       c.set(c.x_start, [&] { return c.p[0]; });
       c.set(c.x_finish, [&] { return c.p[1]; });
       c.set(c.delta, [&] { return (c.number(c.x_finish) - c.number(c.x_start)) / (c.points() - 1); });
     }},
    {37,
     [](Chart& c) {
       c.set(c.x_start, [&] { return at_least_zero(c.mean() - 4 * c.sd()); });
       c.set(c.x_finish, [&] { return c.mean() + 4 * c.sd(); });
       c.set(c.delta, [&] { return c.number(c.x_finish) / (c.points() - 1); });
     }},
};

}  // namespace

void set_chart_range(int code, Chart& chart) {
  const auto found = kRules.find(code);
  if (found != kRules.end()) found->second(chart);
}

}  // namespace riskfn::dialog
