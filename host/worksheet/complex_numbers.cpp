// Complex numbers written as texts ("3+4i", "-2.5j", "i"): building and reading them, their
// arithmetic, and the elementary functions of a complex argument.
#include <cmath>
#include <complex>
#include <string>

#include "common/conversions.hpp"
#include "host/worksheet/arguments.hpp"
#include "host/worksheet/sheet_functions.hpp"

namespace host::worksheet {
namespace {

using enum Takes;
using Complex = std::complex<double>;

// A complex argument and the suffix it was written with, if any.
struct Written {
  Complex z;
  char suffix = 0;  // 'i', 'j' or none
};

[[noreturn]] void not_complex(const std::string& text) {
  raise_error(kx::error::kXlNum, "\"" + text + "\" is no complex number");
}

// The real number a part of the text spells: "" is 1 and "-" is -1 before a suffix.
double part_value(const std::string& text, const std::string& part, bool before_suffix) {
  if (before_suffix && (part.empty() || part == "+")) return 1.0;
  if (before_suffix && part == "-") return -1.0;
  if (part.empty() || part.find_first_of(" ") != std::string::npos) not_complex(text);
  const auto number = kx::parse_number(part);
  if (!number || part.find_first_of("%$,") != std::string::npos) not_complex(text);
  return *number;
}

Written parsed(const std::string& text) {
  if (text.empty()) return {};
  Written written;
  std::string body = text;
  if (body.back() == 'i' || body.back() == 'j') {
    written.suffix = body.back();
    body.pop_back();
  }
  if (!written.suffix) return {Complex(part_value(text, body, false), 0.0), 0};
  // The imaginary part starts at the last sign that is not the number's own or an exponent's.
  std::size_t split = std::string::npos;
  for (std::size_t i = body.size(); i-- > 1;) {
    if ((body[i] == '+' || body[i] == '-') && body[i - 1] != 'e' && body[i - 1] != 'E') {
      split = i;
      break;
    }
  }
  if (split == std::string::npos) {
    written.z = Complex(0.0, part_value(text, body, true));
  } else {
    written.z = Complex(part_value(text, body.substr(0, split), false), part_value(text, body.substr(split), true));
  }
  return written;
}

Written complex_arg(const kx::Value& value) {
  const kx::Value single = single_arg(value);
  if (single.is_boolean()) raise_error(kx::error::kXlValue, "a boolean is no complex number");
  if (single.is_number()) return {Complex(number_arg(single), 0.0), 0};
  return parsed(text_arg(single));
}

std::string written(Complex z, char suffix) {
  if (!std::isfinite(z.real()) || !std::isfinite(z.imag())) raise_error(kx::error::kXlNum, "the result is too large");
  const char unit = suffix ? suffix : 'i';
  const double re = z.real() == 0.0 ? 0.0 : z.real();  // no "-0"
  const double im = z.imag() == 0.0 ? 0.0 : z.imag();
  if (im == 0.0) return kx::format_general(re);
  std::string imaginary = im == 1.0 ? std::string() : im == -1.0 ? std::string("-") : kx::format_general(im);
  imaginary += unit;
  if (re == 0.0) return imaginary;
  return kx::format_general(re) + (im > 0.0 ? "+" : "") + imaginary;
}

// The suffix two arguments share; a mix of i and j is #VALUE!.
char shared_suffix(char a, char b) {
  if (a && b && a != b) raise_error(kx::error::kXlValue, "the numbers mix the suffixes i and j");
  return a ? a : b;
}

kx::Value make_complex(Arguments args) {
  const double re = number_arg(args[0]);
  const double im = number_arg(args[1]);
  const std::string suffix = text_or(args[2], "i");
  if (suffix != "i" && suffix != "j" && !suffix.empty()) raise_error(kx::error::kXlValue, "the suffix must be i or j");
  return written(Complex(re, im), suffix.empty() ? 'i' : suffix[0]);
}

kx::Value real_part(Arguments args) { return complex_arg(args[0]).z.real(); }
kx::Value imaginary_part(Arguments args) { return complex_arg(args[0]).z.imag(); }
kx::Value modulus(Arguments args) { return std::abs(complex_arg(args[0]).z); }

kx::Value argument(Arguments args) {
  const Complex z = complex_arg(args[0]).z;
  if (z == Complex()) raise_error(kx::error::kXlDiv0, "the argument of 0 is undefined");
  return std::arg(z);
}

// Functions of one complex number, written with its suffix.
template <Complex (*F)(Complex)>
kx::Value unary(Arguments args) {
  const Written w = complex_arg(args[0]);
  return written(F(w.z), w.suffix);
}

Complex conjugate(Complex z) { return std::conj(z); }
Complex exponential(Complex z) { return std::polar(std::exp(z.real()), z.imag()); }

Complex checked_log(Complex z) {
  if (z == Complex()) raise_error(kx::error::kXlNum, "the logarithm of 0 is undefined");
  return {std::log(std::abs(z)), std::arg(z)};
}

Complex logarithm(Complex z) { return checked_log(z); }
Complex logarithm10(Complex z) { return checked_log(z) / std::log(10.0); }
Complex logarithm2(Complex z) { return checked_log(z) / std::log(2.0); }
Complex square_root(Complex z) { return std::polar(std::sqrt(std::abs(z)), std::arg(z) / 2.0); }
Complex sine(Complex z) { return std::sin(z); }
Complex cosine(Complex z) { return std::cos(z); }

Complex inverse(Complex z) {
  if (z == Complex()) raise_error(kx::error::kXlNum, "the function is infinite here");
  return 1.0 / z;
}

Complex tangent(Complex z) { return std::tan(z); }
Complex cotangent(Complex z) { return inverse(std::tan(z)); }
Complex secant(Complex z) { return inverse(cosine(z)); }
Complex cosecant(Complex z) { return inverse(sine(z)); }
Complex hyperbolic_sine(Complex z) { return std::sinh(z); }
Complex hyperbolic_cosine(Complex z) { return std::cosh(z); }
Complex hyperbolic_secant(Complex z) { return inverse(std::cosh(z)); }
Complex hyperbolic_cosecant(Complex z) { return inverse(std::sinh(z)); }

// In polar form, as the spreadsheet computes it: (2+3i)^3 keeps its rounding in the last digit.
kx::Value power(Arguments args) {
  const Written w = complex_arg(args[0]);
  const double n = number_arg(args[1]);
  if (w.z == Complex()) {
    check_domain(n > 0.0, "0 to a power of 0 or less is undefined");
    return written(Complex(), w.suffix);
  }
  return written(std::polar(std::pow(std::abs(w.z), n), std::arg(w.z) * n), w.suffix);
}

kx::Value quotient(Arguments args) {
  const Written a = complex_arg(args[0]);
  const Written b = complex_arg(args[1]);
  const char suffix = shared_suffix(a.suffix, b.suffix);
  if (b.z == Complex()) raise_error(kx::error::kXlNum, "division by 0");
  return written(a.z / b.z, suffix);
}

kx::Value difference(Arguments args) {
  const Written a = complex_arg(args[0]);
  const Written b = complex_arg(args[1]);
  return written(a.z - b.z, shared_suffix(a.suffix, b.suffix));
}

// IMSUM and IMPRODUCT over every value given, in arrays and ranges too; blank cells are left out.
template <bool Product>
kx::Value fold(Arguments args) {
  Complex total = Product ? Complex(1.0, 0.0) : Complex();
  char suffix = 0;
  for (const kx::Value& argument : args) {
    const Grid grid(argument);
    for (std::size_t i = 0; i < grid.size(); ++i) {
      const kx::Value& cell = grid.at(i);
      if (cell.is_empty() && !grid.is_single_value()) continue;
      if (cell.is_error()) raise_error(cell.error().number, "an argument holds an error value");
      const Written w = complex_arg(cell);
      suffix = shared_suffix(suffix, w.suffix);
      total = Product ? total * w.z : total + w.z;
    }
  }
  return written(total, suffix);
}

constexpr SheetFunction kFunctions[] = {
    {"COMPLEX", 2, 3, kSingleValues, make_complex, "real_num, i_num, [suffix]"},
    {"IMREAL", 1, 1, kSingleValues, real_part, "inumber"},
    {"IMAGINARY", 1, 1, kSingleValues, imaginary_part, "inumber"},
    {"IMABS", 1, 1, kSingleValues, modulus, "inumber"},
    {"IMARGUMENT", 1, 1, kSingleValues, argument, "inumber"},
    {"IMCONJUGATE", 1, 1, kSingleValues, unary<conjugate>, "inumber"},
    {"IMEXP", 1, 1, kSingleValues, unary<exponential>, "inumber"},
    {"IMLN", 1, 1, kSingleValues, unary<logarithm>, "inumber"},
    {"IMLOG10", 1, 1, kSingleValues, unary<logarithm10>, "inumber"},
    {"IMLOG2", 1, 1, kSingleValues, unary<logarithm2>, "inumber"},
    {"IMSQRT", 1, 1, kSingleValues, unary<square_root>, "inumber"},
    {"IMSIN", 1, 1, kSingleValues, unary<sine>, "inumber"},
    {"IMCOS", 1, 1, kSingleValues, unary<cosine>, "inumber"},
    {"IMTAN", 1, 1, kSingleValues, unary<tangent>, "inumber"},
    {"IMCOT", 1, 1, kSingleValues, unary<cotangent>, "inumber"},
    {"IMSEC", 1, 1, kSingleValues, unary<secant>, "inumber"},
    {"IMCSC", 1, 1, kSingleValues, unary<cosecant>, "inumber"},
    {"IMSINH", 1, 1, kSingleValues, unary<hyperbolic_sine>, "inumber"},
    {"IMCOSH", 1, 1, kSingleValues, unary<hyperbolic_cosine>, "inumber"},
    {"IMSECH", 1, 1, kSingleValues, unary<hyperbolic_secant>, "inumber"},
    {"IMCSCH", 1, 1, kSingleValues, unary<hyperbolic_cosecant>, "inumber"},
    {"IMPOWER", 2, 2, kSingleValues, power, "inumber, number"},
    {"IMDIV", 2, 2, kSingleValues, quotient, "inumber1, inumber2"},
    {"IMSUB", 2, 2, kSingleValues, difference, "inumber1, inumber2"},
    {"IMSUM", 1, kUnlimited, kArrays, fold<false>, "inumber1, ..."},
    {"IMPRODUCT", 1, kUnlimited, kArrays, fold<true>, "inumber1, ..."},
};

}  // namespace

Family complex_number_functions() { return kFunctions; }

}  // namespace host::worksheet
