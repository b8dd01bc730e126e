// CONVERT: a measurement from one unit to another of the same kind (mass, distance, time,
// pressure, force, energy, power, magnetism, temperature, volume, area, information, speed).
// Metric units take the decimal prefixes (k, m, u, ...), information units the binary ones too
// (ki, Mi, ...). A unit the table lacks, or two of different kinds, is #N/A.
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;

enum class Kind {
  kMass,
  kDistance,
  kTime,
  kPressure,
  kForce,
  kEnergy,
  kPower,
  kMagnetism,
  kTemperature,
  kVolume,
  kArea,
  kInformation,
  kSpeed
};

struct Unit {
  std::string_view name;
  Kind kind;
  double factor;  // the unit in the kind's base unit (g, m, s, Pa, N, J, W, T, K, m3, m2, bit, m/s)
  bool prefixable;
};

constexpr double kInch = 0.0254;
constexpr double kFoot = 0.3048;
constexpr double kYard = 0.9144;
constexpr double kMile = 1609.344;
constexpr double kNauticalMile = 1852.0;
constexpr double kPica = kInch / 6.0;
constexpr double kPoint = kInch / 72.0;
constexpr double kLightYear = 9460730472580800.0;
constexpr double kAngstrom = 1e-10;
constexpr double kGallon = 0.003785411784;

constexpr Unit kUnits[] = {
    // Mass, in grams.
    {"g", Kind::kMass, 1.0, true},
    {"sg", Kind::kMass, 14593.902937206364, false},
    {"lbm", Kind::kMass, 453.59237, false},
    {"u", Kind::kMass, 1.66053906660e-24, true},
    {"ozm", Kind::kMass, 28.349523125, false},
    {"grain", Kind::kMass, 0.06479891, false},
    {"cwt", Kind::kMass, 45359.237, false},
    {"shweight", Kind::kMass, 45359.237, false},
    {"uk_cwt", Kind::kMass, 50802.34544, false},
    {"lcwt", Kind::kMass, 50802.34544, false},
    {"hweight", Kind::kMass, 50802.34544, false},
    {"stone", Kind::kMass, 6350.29318, false},
    {"ton", Kind::kMass, 907184.74, false},
    {"uk_ton", Kind::kMass, 1016046.9088, false},
    {"LTON", Kind::kMass, 1016046.9088, false},
    {"brton", Kind::kMass, 1016046.9088, false},
    // Distance, in metres.
    {"m", Kind::kDistance, 1.0, true},
    {"mi", Kind::kDistance, kMile, false},
    {"Nmi", Kind::kDistance, kNauticalMile, false},
    {"in", Kind::kDistance, kInch, false},
    {"ft", Kind::kDistance, kFoot, false},
    {"yd", Kind::kDistance, kYard, false},
    {"ang", Kind::kDistance, kAngstrom, true},
    {"ell", Kind::kDistance, 1.143, false},
    {"ly", Kind::kDistance, kLightYear, false},
    {"parsec", Kind::kDistance, 30856775812815532.0, false},
    {"pc", Kind::kDistance, 30856775812815532.0, false},
    {"Picapt", Kind::kDistance, kPoint, false},
    {"Pica", Kind::kDistance, kPoint, false},
    {"pica", Kind::kDistance, kPica, false},
    {"survey_mi", Kind::kDistance, 1609.3472186944373, false},
    // Time, in seconds.
    {"yr", Kind::kTime, 31557600.0, false},
    {"day", Kind::kTime, 86400.0, false},
    {"d", Kind::kTime, 86400.0, false},
    {"hr", Kind::kTime, 3600.0, false},
    {"mn", Kind::kTime, 60.0, false},
    {"min", Kind::kTime, 60.0, false},
    {"sec", Kind::kTime, 1.0, true},
    {"s", Kind::kTime, 1.0, true},
    // Pressure, in pascals.
    {"Pa", Kind::kPressure, 1.0, true},
    {"p", Kind::kPressure, 1.0, true},
    {"atm", Kind::kPressure, 101325.0, true},
    {"at", Kind::kPressure, 101325.0, true},
    {"mmHg", Kind::kPressure, 101325.0 / 760.0, true},
    {"psi", Kind::kPressure, 6894.757293168361, false},
    {"Torr", Kind::kPressure, 101325.0 / 760.0, false},
    // Force, in newtons.
    {"N", Kind::kForce, 1.0, true},
    {"dyn", Kind::kForce, 1e-5, true},
    {"dy", Kind::kForce, 1e-5, true},
    {"lbf", Kind::kForce, 4.4482216152605, false},
    {"pond", Kind::kForce, 9.80665e-3, true},
    // Energy, in joules.
    {"J", Kind::kEnergy, 1.0, true},
    {"e", Kind::kEnergy, 1e-7, true},
    {"c", Kind::kEnergy, 4.184, true},
    {"cal", Kind::kEnergy, 4.1868, true},
    {"eV", Kind::kEnergy, 1.602176634e-19, true},
    {"ev", Kind::kEnergy, 1.602176634e-19, true},
    {"HPh", Kind::kEnergy, 2684519.537696173, false},
    {"hh", Kind::kEnergy, 2684519.537696173, false},
    {"Wh", Kind::kEnergy, 3600.0, true},
    {"wh", Kind::kEnergy, 3600.0, true},
    {"flb", Kind::kEnergy, 1.3558179483314004, false},
    {"BTU", Kind::kEnergy, 1055.05585262, false},
    {"btu", Kind::kEnergy, 1055.05585262, false},
    // Power, in watts.
    {"W", Kind::kPower, 1.0, true},
    {"w", Kind::kPower, 1.0, true},
    {"HP", Kind::kPower, 745.6998715822702, false},
    {"h", Kind::kPower, 745.6998715822702, false},
    {"PS", Kind::kPower, 735.49875, false},
    // Magnetism, in teslas.
    {"T", Kind::kMagnetism, 1.0, true},
    {"ga", Kind::kMagnetism, 1e-4, true},
    // Volume, in cubic metres.
    {"l", Kind::kVolume, 1e-3, true},
    {"L", Kind::kVolume, 1e-3, true},
    {"lt", Kind::kVolume, 1e-3, true},
    {"tsp", Kind::kVolume, kGallon / 768.0, false},
    {"tspm", Kind::kVolume, 5e-6, false},
    {"tbs", Kind::kVolume, kGallon / 256.0, false},
    {"oz", Kind::kVolume, kGallon / 128.0, false},
    {"cup", Kind::kVolume, kGallon / 16.0, false},
    {"pt", Kind::kVolume, kGallon / 8.0, false},
    {"us_pt", Kind::kVolume, kGallon / 8.0, false},
    {"uk_pt", Kind::kVolume, 0.00056826125, false},
    {"qt", Kind::kVolume, kGallon / 4.0, false},
    {"uk_qt", Kind::kVolume, 0.0011365225, false},
    {"gal", Kind::kVolume, kGallon, false},
    {"uk_gal", Kind::kVolume, 0.00454609, false},
    {"m3", Kind::kVolume, 1.0, true},
    {"mi3", Kind::kVolume, kMile* kMile* kMile, false},
    {"yd3", Kind::kVolume, kYard* kYard* kYard, false},
    {"ft3", Kind::kVolume, kFoot* kFoot* kFoot, false},
    {"in3", Kind::kVolume, kInch* kInch* kInch, false},
    {"ang3", Kind::kVolume, kAngstrom* kAngstrom* kAngstrom, true},
    {"barrel", Kind::kVolume, kGallon * 42.0, false},
    {"bushel", Kind::kVolume, 0.03523907016688, false},
    {"regton", Kind::kVolume, 2.8316846592, false},
    {"GRT", Kind::kVolume, 2.8316846592, false},
    {"MTON", Kind::kVolume, 1.13267386368, false},
    {"Nmi3", Kind::kVolume, kNauticalMile* kNauticalMile* kNauticalMile, false},
    {"Pica3", Kind::kVolume, kPoint* kPoint* kPoint, false},
    {"Picapt3", Kind::kVolume, kPoint* kPoint* kPoint, false},
    {"ly3", Kind::kVolume, kLightYear* kLightYear* kLightYear, false},
    // Area, in square metres.
    {"m2", Kind::kArea, 1.0, true},
    {"mi2", Kind::kArea, kMile* kMile, false},
    {"Nmi2", Kind::kArea, kNauticalMile* kNauticalMile, false},
    {"in2", Kind::kArea, kInch* kInch, false},
    {"ft2", Kind::kArea, kFoot* kFoot, false},
    {"yd2", Kind::kArea, kYard* kYard, false},
    {"ang2", Kind::kArea, kAngstrom* kAngstrom, true},
    {"Pica2", Kind::kArea, kPoint* kPoint, false},
    {"Picapt2", Kind::kArea, kPoint* kPoint, false},
    {"Morgen", Kind::kArea, 2500.0, false},
    {"ar", Kind::kArea, 100.0, true},
    {"uk_acre", Kind::kArea, 4046.8564224, false},
    {"us_acre", Kind::kArea, 4046.872609874252, false},
    {"ly2", Kind::kArea, kLightYear* kLightYear, false},
    {"ha", Kind::kArea, 10000.0, false},
    // Information, in bits.
    {"bit", Kind::kInformation, 1.0, true},
    {"byte", Kind::kInformation, 8.0, true},
    // Speed, in metres a second.
    {"m/s", Kind::kSpeed, 1.0, true},
    {"m/sec", Kind::kSpeed, 1.0, true},
    {"m/h", Kind::kSpeed, 1.0 / 3600.0, true},
    {"m/hr", Kind::kSpeed, 1.0 / 3600.0, true},
    {"mph", Kind::kSpeed, kMile / 3600.0, false},
    {"kn", Kind::kSpeed, kNauticalMile / 3600.0, false},
    {"admkn", Kind::kSpeed, 1853.184 / 3600.0, false},
};

struct Prefix {
  std::string_view symbol;
  double factor;
};

constexpr Prefix kPrefixes[] = {
    {"Y", 1e24}, {"Z", 1e21}, {"E", 1e18},  {"P", 1e15},  {"T", 1e12},  {"G", 1e9},   {"M", 1e6},
    {"k", 1e3},  {"h", 1e2},  {"da", 1e1},  {"e", 1e1},   {"d", 1e-1},  {"c", 1e-2},  {"m", 1e-3},
    {"u", 1e-6}, {"n", 1e-9}, {"p", 1e-12}, {"f", 1e-15}, {"a", 1e-18}, {"z", 1e-21}, {"y", 1e-24},
};

constexpr Prefix kBinaryPrefixes[] = {
    {"ki", 1024.0},
    {"Mi", 1048576.0},
    {"Gi", 1073741824.0},
    {"Ti", 1099511627776.0},
    {"Pi", 1125899906842624.0},
    {"Ei", 1152921504606846976.0},
    {"Zi", 1180591620717411303424.0},
    {"Yi", 1208925819614629174706176.0},
};

// A unit with its prefix's factor; the temperatures are kept apart (they are not proportional).
struct Resolved {
  Kind kind;
  double factor;
  std::string_view temperature;  // the scale, for temperatures
};

std::optional<Resolved> resolved(std::string_view name) {
  constexpr std::string_view kTemperatures[][2] = {{"C", "C"}, {"cel", "C"}, {"F", "F"},       {"fah", "F"},
                                                   {"K", "K"}, {"kel", "K"}, {"Rank", "Rank"}, {"Reau", "Reau"}};
  for (const auto& [written, scale] : kTemperatures) {
    if (name == written) return Resolved{Kind::kTemperature, 1.0, scale};
  }
  for (const Unit& unit : kUnits) {
    if (unit.name == name) return Resolved{unit.kind, unit.factor, {}};
  }
  // A prefix before a unit that takes one; "m" then "mm" are tried as written first above.
  for (const Prefix& prefix : kPrefixes) {
    if (!name.starts_with(prefix.symbol)) continue;
    const std::string_view rest = name.substr(prefix.symbol.size());
    for (const Unit& unit : kUnits) {
      if (unit.name != rest || !unit.prefixable) continue;
      // Areas and volumes scale with the prefix squared or cubed.
      const double power = unit.kind == Kind::kArea && rest.ends_with("2")     ? 2.0
                           : unit.kind == Kind::kVolume && rest.ends_with("3") ? 3.0
                                                                               : 1.0;
      return Resolved{unit.kind, unit.factor * std::pow(prefix.factor, power), {}};
    }
  }
  for (const Prefix& prefix : kBinaryPrefixes) {
    if (!name.starts_with(prefix.symbol)) continue;
    const std::string_view rest = name.substr(prefix.symbol.size());
    if (rest == "bit" || rest == "byte")
      return Resolved{Kind::kInformation, (rest == "byte" ? 8.0 : 1.0) * prefix.factor, {}};
  }
  return std::nullopt;
}

double to_kelvin(double x, std::string_view scale) {
  if (scale == "C") return x + 273.15;
  if (scale == "F") return (x - 32.0) * 5.0 / 9.0 + 273.15;
  if (scale == "Rank") return x * 5.0 / 9.0;
  if (scale == "Reau") return x * 1.25 + 273.15;
  return x;
}

double from_kelvin(double k, std::string_view scale) {
  if (scale == "C") return k - 273.15;
  if (scale == "F") return (k - 273.15) * 9.0 / 5.0 + 32.0;
  if (scale == "Rank") return k * 9.0 / 5.0;
  if (scale == "Reau") return (k - 273.15) * 0.8;
  return k;
}

kx::Value convert(Arguments args) {
  const kx::Value number_value = single_arg(args[0]);
  if (number_value.is_boolean()) raise_error(kx::error::kXlValue, "CONVERT takes a number, not TRUE or FALSE");
  const double x = number_arg(number_value);
  const auto from = resolved(text_arg(args[1]));
  const auto to = resolved(text_arg(args[2]));
  if (!from || !to) raise_error(kx::error::kXlNA, "the unit is unknown");
  if (from->kind != to->kind) raise_error(kx::error::kXlNA, "the units measure different things");
  if (from->kind == Kind::kTemperature) return from_kelvin(to_kelvin(x, from->temperature), to->temperature);
  return x * (from->factor / to->factor);
}

constexpr SheetFunction kFunctions[] = {
    {"CONVERT", 3, 3, kSingleValues, convert, "number, from_unit, to_unit"},
};

}  // namespace

Family unit_conversion_functions() { return kFunctions; }

}  // namespace host::worksheet
