// Bounds on what one formula may ask for, so that a hostile or mistaken formula gives a
// clear error instead of a stack overflow or an allocation of gigabytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/failure.hpp"
#include "common/value.hpp"

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
// Bytes of text in any array a formula builds. A million copies of one long text fit the
// element count and would still take gigabytes.
inline constexpr std::size_t kMaxFormulaArrayTextBytes = std::size_t{64} << 20;

// A formula that asked for more than these limits allow; out of memory (7) with the reason.
class LimitExceeded : public kx::Failure {
 public:
  explicit LimitExceeded(const std::string& message) : kx::Failure(kx::error::kOutOfMemory, message) {}
};

// The text of an array as it is built, element by element, so that the limit on its bytes
// stops the building before the memory fills. `builder` names what builds it in the message.
class ArrayTextBudget {
 public:
  explicit ArrayTextBudget(std::string_view builder) : builder_(builder) {}

  void count(const kx::Value& element) {
    if (element.is_text() && (bytes_ += element.text().size()) > kMaxFormulaArrayTextBytes) exceeded();
  }

 private:
  [[noreturn]] void exceeded() const {
    throw LimitExceeded(std::string(builder_) + " would build more than " +
                        std::to_string(kMaxFormulaArrayTextBytes >> 20) + " MB of text");
  }

  std::string_view builder_;
  std::size_t bytes_ = 0;
};

}  // namespace host
