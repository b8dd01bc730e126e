// Evaluates a bound syntax tree. Errors are values, as in a spreadsheet; a component call
// that fails gives #VALUE! to the formula and is remembered, so that a caller such as
// `kx eval` can say which call failed and why.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/value.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

class Spreadsheet;
struct Function;

// A call that failed, or a limit a formula ran into.
struct CallFailure {
  std::string function;  // the function's name; empty for a limit of the engine
  std::int32_t number = 0;
  std::string message;
};

class Evaluator {
 public:
  explicit Evaluator(Spreadsheet& application) : application_(application) {}

  // Where a legacy formula computes: its row and column.
  struct Place {
    std::int32_t row = 0;
    std::int32_t column = 0;
  };

  // The formula's value: a single value or an array. References to several cells read as
  // arrays; a result that is an object is #VALUE!. A legacy formula (`intersect_at` set) reads
  // a reference where one value is expected as its cell in that row or column (#VALUE! when it
  // has none) and shows an array's first value, as spreadsheets did before dynamic arrays.
  kx::Value evaluate(const SyntaxTree& tree, std::optional<Place> intersect_at = std::nullopt);

  // The first failure since the last take, if any.
  std::optional<CallFailure> take_failure() { return std::exchange(failure_, std::nullopt); }

  // A node's value, with references to several cells read as arrays.
  kx::Value value(const SyntaxTree& tree, NodeId id);
  // The same where a function reads its argument whole: a legacy formula intersects nothing inside it.
  kx::Value array_value(const SyntaxTree& tree, NodeId id);
  Spreadsheet& application() const { return application_; }

  // Names bound by LET while its body is evaluated; the latest binding of a name wins.
  void bind_name(std::string_view name, kx::Value value);
  void unbind_names(std::size_t count);
  // The names bound now, outermost first: what a LAMBDA written here sees when applied later.
  const std::vector<std::pair<std::string, kx::Value>>& bound_names() const { return names_; }

  // A node as an argument of a worksheet function or a component: a reference stays a range.
  kx::Value argument(const SyntaxTree& tree, NodeId id);
  // Drops the range objects kept for references, when the formulas are loaded again.
  void forget_ranges() { ranges_.clear(); }

 private:
  kx::Value reference_value(const ReferenceNode& node);
  // The value of a name LET binds or of a defined name; #NAME? for any other name.
  kx::Value name_value(const SyntaxTree& tree, const NameNode& node);
  kx::Value chain(const SyntaxTree& tree, const Chain& chain);
  kx::Value intersection(const SyntaxTree& tree, const Intersection& node);
  kx::Value span(const SyntaxTree& tree, const Span& node);
  // An argument of a worksheet function: a union of references reaches those that read one.
  kx::Value sheet_argument(const SyntaxTree& tree, NodeId id, const Function& function);
  // INDEX(reference, row, column, area): the area-th reference of a union takes the first place.
  void choose_index_area(const SyntaxTree& tree, const Call& call, std::span<kx::Value> arguments);
  kx::Value call(const SyntaxTree& tree, const Call& call);
  kx::Value call_builtin(const SyntaxTree& tree, const Call& call);
  kx::Value call_worksheet(const SyntaxTree& tree, const Call& call);
  kx::Value call_sheet(const SyntaxTree& tree, const Call& call);
  kx::Value call_member(const SyntaxTree& tree, const Call& call);
  // A range returned by a function, read as its value.
  kx::Value range_value(kx::Value result);
  // A range where a legacy formula expects one value, read as its cell in the formula's row or column.
  kx::Value intersected(const kx::Value& range) const;
  // An argument in a scalar place of a legacy formula: one cell of a range.
  kx::Value scalar_argument(const SyntaxTree& tree, NodeId id);
  kx::Value remember(std::string_view function, std::int32_t number, std::string message, std::int32_t error_value);

  Spreadsheet& application_;
  std::optional<CallFailure> failure_;
  std::vector<std::pair<std::string, kx::Value>> names_;  // upper-case names, innermost last
  // The range object made for each reference, given again while it covers the same cells of
  // the same sheet: a formula recalculated by the million would make the same object each time.
  std::unordered_map<const ReferenceNode*, kx::RangeRef> ranges_;
  // Set while a legacy formula's scalar places are evaluated; cleared inside the arguments of
  // functions that take arrays, which read their ranges whole.
  std::optional<Place> intersect_at_;
};

}  // namespace host
