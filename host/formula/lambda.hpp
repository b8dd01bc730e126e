// A function written in a formula, LAMBDA(x, y, x*y), as the value MAP, REDUCE and their kin
// apply. Its body is evaluated where it was written, with the names bound there (by LET or an
// enclosing LAMBDA) and its parameters bound to the values it is given.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/object.hpp"
#include "common/value.hpp"
#include "host/formula/syntax_tree.hpp"

namespace host {

class Evaluator;

class Lambda : public kx::Object {
 public:
  using Names = std::vector<std::pair<std::string, kx::Value>>;

  Lambda(Evaluator& evaluator, const SyntaxTree& tree, NodeId body, std::vector<std::string> parameters,
         Names captured);

  std::size_t parameter_count() const { return parameters_.size(); }
  // The body's value for these values of the parameters, a range read as its values;
  // #VALUE! unless there is one value for each parameter.
  kx::Value apply(std::span<const kx::Value> values) const;

 private:
  Evaluator& evaluator_;
  const SyntaxTree& tree_;
  NodeId body_;
  std::vector<std::string> parameters_;  // upper case, as names are bound
  Names captured_;
};

}  // namespace host
