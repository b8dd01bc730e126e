#include "host/formula/lambda.hpp"

#include "host/formula/evaluator.hpp"

namespace host {

Lambda::Lambda(Evaluator& evaluator, const SyntaxTree& tree, NodeId body, std::vector<std::string> parameters,
               Names captured)
    : evaluator_(evaluator),
      tree_(tree),
      body_(body),
      parameters_(std::move(parameters)),
      captured_(std::move(captured)) {}

kx::Value Lambda::apply(std::span<const kx::Value> values) const {
  if (values.size() != parameters_.size()) return kx::ErrorValue{kx::error::kXlValue};
  // The names bound here are dropped again however the body ends.
  struct Scope {
    Evaluator& evaluator;
    std::size_t bound = 0;
    ~Scope() { evaluator.unbind_names(bound); }
  } scope{evaluator_};
  for (const auto& [name, value] : captured_) {
    evaluator_.bind_name(name, value);
    ++scope.bound;
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    evaluator_.bind_name(parameters_[i], values[i]);
    ++scope.bound;
  }
  return evaluator_.array_value(tree_, body_);
}

}  // namespace host
