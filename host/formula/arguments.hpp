// The arguments of a builtin, evaluated only when the builtin asks: IF evaluates one branch,
// and an aggregate walks a range's cells without building an array of them.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "common/value.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

class Evaluator;
class Spreadsheet;
struct CellRef;

// A borrowed callable visit(value, direct) -> bool (false stops the walk); `direct` tells a
// value given as the argument itself from one inside a range or an array.
class ValueVisitor {
 public:
  template <class Visit>
  ValueVisitor(Visit& visit)  // NOLINT(google-explicit-constructor): passed as a lambda
      : target_(&visit), call_([](void* target, const kx::Value& value, bool direct) {
          return (*static_cast<Visit*>(target))(value, direct);
        }) {}

  bool operator()(const kx::Value& value, bool direct) const { return call_(target_, value, direct); }

 private:
  void* target_;
  bool (*call_)(void*, const kx::Value&, bool);
};

class Arguments {
 public:
  Arguments(Evaluator& evaluator, const SyntaxTree& tree, std::span<const NodeId> nodes)
      : evaluator_(evaluator), tree_(tree), nodes_(nodes) {}

  std::size_t count() const { return nodes_.size(); }
  // Present and not an empty place such as the second one in IF(A1,,2).
  bool given(std::size_t index) const;
  // The argument's value; a range reference reads as an array of its cells.
  kx::Value value(std::size_t index) const;
  // Every value the argument holds: each cell of a reference (empty cells may be skipped),
  // each element of an array, or the single value itself.
  void for_each(std::size_t index, ValueVisitor visit) const;
  // The argument as a worksheet function takes it: a reference stays a range.
  kx::Value reference(std::size_t index) const;

  // The name an argument is written as when it is a bare name (LET's names), or nullopt.
  std::optional<std::string_view> name(std::size_t index) const;
  // Binds a name for the arguments evaluated after it, until unbound (LET).
  void bind(std::string_view name, kx::Value value) const;
  void unbind(std::size_t count) const;
  // The arguments as LAMBDA takes them: names of the parameters, then the body, which stays
  // unevaluated until the lambda is applied. #VALUE! for a parameter that is no name or repeats one.
  kx::Value lambda() const;

  // The application, and the cell whose formula is evaluated (none for a formula typed
  // outside any cell).
  Spreadsheet& application() const;
  std::optional<CellRef> caller() const;

 private:
  // False when the visit stopped the walk.
  bool for_each_of(NodeId id, ValueVisitor visit) const;

  Evaluator& evaluator_;
  const SyntaxTree& tree_;
  std::span<const NodeId> nodes_;
};

}  // namespace host
