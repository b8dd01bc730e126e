// Bounds on what one formula may ask for, so that a hostile or mistaken formula gives a
// clear error instead of a stack overflow or an allocation of gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/failure.hpp"

namespace host {

// Characters in one formula, as the common spreadsheets allow.
inline constexpr std::size_t kMaxFormulaLength = 8192;
// Parentheses, calls, unary operators and array constants inside one another. The parser
// and the evaluator recurse once per level, so this bounds their stack use.
inline constexpr int kMaxNestingDepth = 64;
// Arguments of one call.
inline constexpr std::size_t kMaxArguments = 255;
// Elements of any array a formula builds: an array constant, a range read as an array, the
// result of an operator on arrays, a spilled result. One full column of a sheet.
inline constexpr std::int64_t kMaxFormulaArrayCells = 1 << 20;
// Bytes of text in the result of one operator on arrays. Text joined onto text that a spill
// feeds back can double at each pass, so the element count alone would still allow gigabytes.
inline constexpr std::size_t kMaxFormulaArrayTextBytes = std::size_t{64} << 20;

// A formula that asked for more than these limits allow; out of memory (7) with the reason.
class LimitExceeded : public kx::Failure {
 public:
  explicit LimitExceeded(const std::string& message) : kx::Failure(kx::error::kOutOfMemory, message) {}
};

}  // namespace host
