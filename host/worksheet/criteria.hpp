// The criterion of SumIf and CountIf: a value to equal, or a comparison written as text
// (">5", "<=2", "<>x", "=abc", "abc", ">60%", "<=2024-01-31"), with the wildcards * and ?
// (~ escapes them). An error value, or its text ("#N/A"), matches the cells holding it.
#pragma once

#include <string>
#include <string_view>
#include <variant>

#include "common/value.hpp"

namespace host::worksheet {

// Whole-text match without case: * any run of characters, ? any one, ~ takes the next literally.
bool wildcard_match(std::string_view pattern, std::string_view text);
// Whether a text holds one of the wildcard characters * ? ~.
bool has_wildcards(std::string_view text);

class Criterion {
 public:
  // A criterion given as a number, boolean, text, empty value or one-cell range.
  explicit Criterion(const kx::Value& criterion);

  // Whether a cell of the tested range meets the criterion; cells holding errors meet only
  // an error criterion.
  bool matches(const kx::Value& cell) const;

 private:
  enum class Comparison { kEqual, kNotEqual, kLess, kLessOrEqual, kGreater, kGreaterOrEqual };
  // The empty operand of "", "=" and "<>", which test for blank cells.
  struct Blank {
    bool empty_text_counts = false;  // "" also takes cells holding the empty text
  };

  bool equals(const kx::Value& cell) const;
  bool compares(const kx::Value& cell) const;

  Comparison comparison_ = Comparison::kEqual;
  std::variant<double, bool, std::string, Blank, kx::ErrorValue> operand_;
};

}  // namespace host::worksheet
