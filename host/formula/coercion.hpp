// How formulas read values: the spreadsheet's coercions (TRUE is 1, a numeric text is its
// number, an empty cell is 0 or the empty text) and the error value a builtin gives instead
// of a result.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "common/value.hpp"

namespace host {

// Raised inside a builtin to give an error value as its result: the error value of an
// argument passed on, or the function's own #VALUE!, #NUM!, #DIV/0!.
class ErrorResult : public std::exception {
 public:
  explicit ErrorResult(std::int32_t number) : number_(number) {}
  std::int32_t number() const noexcept { return number_; }
  const char* what() const noexcept override { return "worksheet error value"; }

 private:
  std::int32_t number_;
};

[[noreturn]] inline void give_error(std::int32_t number) { throw ErrorResult(number); }

// The longest text a formula builds, as the common spreadsheets allow a cell to hold.
inline constexpr std::size_t kMaxTextLength = 32767;

// A single value: a one-element array stands for its element; a larger one is #VALUE!.
const kx::Value& single_of(const kx::Value& value);
// Each gives the error of an error value, and #VALUE! for what cannot be read.
// The missing-argument marker reads as 0, FALSE and the empty text, as an empty place does.
double number_of(const kx::Value& value);
bool logical_of(const kx::Value& value);
std::string text_of(const kx::Value& value);

}  // namespace host
