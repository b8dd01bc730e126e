// The parsed form of a formula: nodes in one vector, children before their parents, so that
// a tree of any shape is freed without recursion. Binding fills in the sheet of each reference
// and the function of each call; evaluation then needs no lookup by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "common/value.hpp"
#include "host/formula/reference.hpp"

namespace host {

class Sheet;
struct Function;

using NodeId = std::uint32_t;

enum class Operator : std::uint8_t {
  Add, Subtract, Multiply, Divide, Power, Concatenate,
  Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual,
  Negate, Identity, Percent,
};

// A number, text, boolean, error value or array constant.
struct Constant {
  kx::Value value;
};

// An argument place left empty, as in NORMINV(0.5,,1): the missing-argument marker.
struct Omitted {};

struct ReferenceNode {
  Reference reference;
  Sheet* sheet = nullptr;  // set by binding; stays null for a sheet that does not exist (#REF!)
};

// Negation, unary plus, percent.
struct Unary {
  Operator op;
  NodeId operand;
};

// Operands of one precedence level joined left to right: a+b-c is one chain, so that a long
// sum does not nest and the evaluator recurses only as deep as the parentheses go.
struct Chain {
  struct Link {
    Operator op;
    NodeId operand;
  };
  NodeId first;
  std::vector<Link> links;
};

struct Call {
  std::string name;  // as written, prefixes included
  std::vector<NodeId> arguments;
  const Function* function = nullptr;  // set by binding
  std::int32_t unbound_error = 0;      // without a function: #NAME? or, for a wrong argument count, #VALUE!
};

// A name that is neither a function call, a reference nor a boolean: the engine has no
// defined names, so it evaluates to #NAME?.
struct UnknownName {
  std::string name;
};

struct Node {
  std::variant<Constant, Omitted, ReferenceNode, Unary, Chain, Call, UnknownName> data;
  std::size_t offset = 0;  // where the node starts in the formula text
};

struct SyntaxTree {
  std::vector<Node> nodes;
  NodeId root = 0;

  const Node& operator[](NodeId id) const { return nodes[id]; }
  Node& operator[](NodeId id) { return nodes[id]; }
};

}  // namespace host
