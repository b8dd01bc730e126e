// One row per distribution code: its cumulative probability for the interval rows, and the
// call the chart makes for its density. Where Main offers the cumulative probability it is
// used; the others come from Boost.Math or, for the Pareto2, from its closed form.
#include "riskfn/dialog/interval_probability.hpp"

#include <boost/math/distributions/pareto.hpp>
#include <boost/math/distributions/rayleigh.hpp>
#include <cmath>
#include <map>

#include "common/conversions.hpp"
#include "riskfn/dialog/discrete_cumulative.hpp"
#include "riskfn/frame/main.hpp"

namespace riskfn::dialog {
namespace {

// CumulProb declared as a double: TRUE is -1.
constexpr double kTrue = -1.0;
constexpr double kFalse = 0.0;
double as_number(bool flag) { return flag ? kTrue : kFalse; }

struct DialogCalls {
  double (*cumulative)(double x, const Parameters& p, Main& m);
  // `cumulative` is the dialog's flag; rows that ignore it draw the density always.
  double (*density)(double x, const Parameters& p, Main& m, bool cumulative);
};

double number(const kx::Value& value) { return kx::to_double(value); }

const std::map<int, DialogCalls> kCalls = {
    {1,
     {[](double x, const Parameters& p, Main& m) { return m.kxBETAc(x, p[0], p[1], kTrue); },
      [](double x, const Parameters& p, Main& m, bool) { return m.kxBETAc(x, p[0], p[1], kFalse); }}},
    {2,
     {[](double x, const Parameters& p, Main& m) { return m.kxBETAGENc(x, p[0], p[1], p[2], p[3], kTrue); },
      [](double x, const Parameters& p, Main& m, bool) { return m.kxBETAGENc(x, p[0], p[1], p[2], p[3], kFalse); }}},
    {3,
     {[](double x, const Parameters& p, Main& m) { return m.kxBINOMIALc(x, p[0], p[1], kTrue); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxBINOMIALc(x, p[0], p[1], as_number(c)); }}},
    {4,
     {[](double x, const Parameters& p, Main& m) { return number(m.kxCHI2c(x, p[0], true)); },
      [](double x, const Parameters& p, Main& m, bool c) { return number(m.kxCHI2c(x, p[0], c)); }}},
    {9,
     {[](double x, const Parameters& p, Main& m) { return m.kxERFc(x, p[0], true); },
      [](double x, const Parameters& p, Main& m, bool) { return m.kxERFc(x, p[0], false); }}},
    {10,
     {[](double x, const Parameters& p, Main& m) { return m.kxERLANGc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxERLANGc(x, p[0], p[1], c); }}},
    {11,
     {[](double x, const Parameters& p, Main& m) { return m.kxEXPONc(x, p[0], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxEXPONc(x, p[0], c); }}},
    {12,
     {[](double x, const Parameters& p, Main& m) { return m.kxEXTVALc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxEXTVALc(x, p[0], p[1], c); }}},
    {13,
     {[](double x, const Parameters& p, Main& m) { return m.kxGAMMAc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxGAMMAc(x, p[0], p[1], c); }}},
    {15,
     {[](double x, const Parameters& p, Main& m) { return m.kxGEOc(x, p[0], true); },
      [](double x, const Parameters& p, Main& m, bool) { return m.kxGEOc(x, p[0], false); }}},
    {17,
     {[](double x, const Parameters& p, Main&) { return hypergeometric_cumulative(x, p[0], p[1], p[2]); },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxHYPERGEOc(x, p[0], p[1], p[2])); }}},
    {18,
     {[](double x, const Parameters& p, Main&) {
        if (x < p[0]) return 0.0;
        if (x >= p[1]) return 1.0;
        return (std::floor(x) - p[0] + 1) / (p[1] - p[0] + 1);
      },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxINTUNIc(x, p[0], p[1])); }}},
    {19,
     {[](double x, const Parameters& p, Main& m) { return m.kxGAUSSINVc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxGAUSSINVc(x, p[0], p[1], c); }}},
    {20,
     {[](double x, const Parameters& p, Main& m) { return m.kxLOGISTICc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxLOGISTICc(x, p[0], p[1], c); }}},
    {22,
     {[](double x, const Parameters& p, Main& m) { return m.kxLOGNORMALc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxLOGNORMALc(x, p[0], p[1], c); }}},
    {24,
     {[](double x, const Parameters& p, Main&) { return negative_binomial_cumulative(x, p[0], p[1]); },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxNEGBINc(x, p[0], p[1])); }}},
    {25,
     {[](double x, const Parameters& p, Main& m) { return m.kxNORMALc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxNORMALc(x, p[0], p[1], c); }}},
    {26,
     {[](double x, const Parameters& p, Main&) {
        if (x <= p[1]) return 0.0;
        return boost::math::cdf(boost::math::pareto_distribution<double>(p[1], p[0]), x);
      },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxPARETOc(x, p[0], p[1])); }}},
    {27,
     {[](double x, const Parameters& p, Main&) {
        if (x < 0) return 0.0;
        return -std::expm1(p[1] * std::log(p[0] / (p[0] + x)));
      },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxPARETO2c(x, p[0], p[1])); }}},
    {30,
     {[](double x, const Parameters& p, Main& m) { return m.kxPERTc(x, p[0], p[1], p[2], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxPERTc(x, p[0], p[1], p[2], c); }}},
    {31,
     {[](double x, const Parameters& p, Main& m) { return m.kxPOISSONc(x, p[0], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxPOISSONc(x, p[0], c); }}},
    {32,
     {[](double x, const Parameters& p, Main&) {
        if (x <= 0) return 0.0;
        return boost::math::cdf(boost::math::rayleigh_distribution<double>(p[0]), x);
      },
      [](double x, const Parameters& p, Main& m, bool) { return number(m.kxRAYLEIGHc(x, p[0])); }}},
    {33,
     {[](double x, const Parameters& p, Main& m) { return m.kxSTUDENTc(x, p[0], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxSTUDENTc(x, p[0], c); }}},
    {34,
     {[](double x, const Parameters& p, Main& m) { return m.kxTRIc(x, p[0], p[1], p[2], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxTRIc(x, p[0], p[1], p[2], c); }}},
    {36,
     {[](double x, const Parameters& p, Main& m) { return m.kxUNIFORMc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool) { return m.kxUNIFORMc(x, p[0], p[1], false); }}},
    {37,
     {[](double x, const Parameters& p, Main& m) { return m.kxWEIBULLc(x, p[0], p[1], true); },
      [](double x, const Parameters& p, Main& m, bool c) { return m.kxWEIBULLc(x, p[0], p[1], c); }}},
};

}  // namespace

double cumulative_probability(int code, double x, const Parameters& p, Main& main) {
  const auto found = kCalls.find(code);
  return found == kCalls.end() ? 0.0 : found->second.cumulative(x, p, main);
}

double chart_density(int code, double x, const Parameters& p, Main& main, bool cumulative) {
  const auto found = kCalls.find(code);
  return found == kCalls.end() ? 0.0 : found->second.density(x, p, main, cumulative);
}

}  // namespace riskfn::dialog
