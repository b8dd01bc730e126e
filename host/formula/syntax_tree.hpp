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
struct Cell;
struct Function;

using NodeId = std::uint32_t;

enum class Operator : std::uint8_t {
  Add,
  Subtract,
  Multiply,
  Divide,
  Power,
  Concatenate,
  Equal,
  NotEqual,
  Less,
  LessEqual,
  Greater,
  GreaterEqual,
  Negate,
  Identity,
  Percent,
};

// A rectangle of cells, as evaluation reads it.
struct CellArea {
  std::int32_t top = 1;
  std::int32_t left = 1;
  std::int32_t bottom = 1;
  std::int32_t right = 1;

  static CellArea of(const Reference& reference) {
    return {reference.top, reference.left, reference.bottom, reference.right};
  }
  bool single_cell() const { return top == bottom && left == right; }
  std::int32_t row_count() const { return bottom - top + 1; }
  std::int32_t column_count() const { return right - left + 1; }
  std::int64_t cell_count() const { return std::int64_t{row_count()} * column_count(); }
  bool contains(std::int32_t row, std::int32_t column) const {
    return row >= top && row <= bottom && column >= left && column <= right;
  }
};

// Nodes stay small, so that a recalculation walks few cache lines: what has a variable size
// (texts, names, argument and operand lists) lives in the tree's side tables, indexed here.

// A number, text, boolean, error value or array constant: an index into the tree's constants.
struct Constant {
  std::uint32_t index = 0;
};

// An argument place left empty, as in NORMINV(0.5,,1): the missing-argument marker.
struct Omitted {};

struct ReferenceNode {
  CellArea area;
  std::uint32_t written = 0;  // the reference as written, names included: an index into the tree's references
  Sheet* sheet = nullptr;     // set by binding; stays null for a sheet that does not exist (#REF!)
};

// Negation, unary plus, percent.
struct Unary {
  Operator op;
  NodeId operand;
};

// Operands of one precedence level joined left to right: a+b-c is one chain, so that a long
// sum does not nest and the evaluator recurses only as deep as the parentheses go.
struct ChainLink {
  Operator op;
  NodeId operand;
};

// A run of entries in one of the tree's side tables.
struct Run {
  std::uint32_t first = 0;
  std::uint32_t count = 0;
};

struct Chain {
  NodeId first;
  Run links;  // in the tree's links
  // Set by binding when the chain is only + - * / ^ over number (or empty) constants, one-cell
  // references and such chains, negated or not: its steps, in the tree's arithmetic, compute
  // it in doubles, without values in between. Empty for any other chain.
  Run arithmetic = {};
};

// One step of a chain flattened for arithmetic, run on a stack of numbers in the order the
// chain reads its operands. A chain nested deeper than the stack keeps the general evaluation.
inline constexpr std::size_t kArithmeticStack = 32;
struct ArithmeticStep {
  enum class Kind : std::uint8_t { Number, Cell, Negate, Percent, Combine };
  Kind kind = Kind::Number;
  Operator op = Operator::Add;                 // Combine: joins the top two numbers
  std::int32_t row = 0;                        // Cell
  std::int32_t column = 0;                     // Cell
  const Sheet* sheet = nullptr;                // Cell
  double number = 0;                           // Number
  mutable const Cell* const* place = nullptr;  // Cell: where its sheet keeps it, found at the first read
};

// A1:C3 B2:D4: the cells both references cover.
struct Intersection {
  NodeId left;
  NodeId right;
};

// A1:INDEX(B1:B9,3): the smallest range that covers both references, where one of them is
// computed. The operands' nodes are those from `first` on, up to this node.
struct Span {
  NodeId left;
  NodeId right;
  NodeId first;
};

// (A1:A3,C1:C3): several references taken together, which only some functions read.
struct Union {
  Run parts;  // in the tree's arguments
};

struct SyntaxTree;

struct Call {
  const Function* function = nullptr;  // set by binding
  std::uint32_t name = 0;              // in the tree's names, as written, prefixes included
  Run arguments;                       // in the tree's arguments
  std::int32_t unbound_error = 0;      // without a function: #NAME? or, for a wrong argument count, #VALUE!
};

// A name that is neither a function call, a reference nor a boolean: a name LET binds, a
// defined name of the workbook, or #NAME?.
struct NameNode {
  std::uint32_t name = 0;                  // in the tree's names
  const SyntaxTree* definition = nullptr;  // set by binding: the defined name's bound formula
};

struct Node {
  std::variant<Constant, Omitted, ReferenceNode, Unary, Chain, Call, NameNode, Intersection, Union, Span> data;
  std::size_t offset = 0;  // where the node starts in the formula text
};

struct SyntaxTree {
  // Out of line, so that the code that moves and frees the side tables is compiled once, not in
  // every file that holds a tree.
  SyntaxTree();
  SyntaxTree(SyntaxTree&&) noexcept;
  SyntaxTree& operator=(SyntaxTree&&) noexcept;
  ~SyntaxTree();

  std::vector<Node> nodes;
  NodeId root = 0;
  std::vector<kx::Value> constants;
  std::vector<Reference> references;
  std::vector<std::string> names;
  std::vector<ChainLink> links;
  std::vector<NodeId> arguments;
  std::vector<ArithmeticStep> arithmetic;

  const Node& operator[](NodeId id) const { return nodes[id]; }
  Node& operator[](NodeId id) { return nodes[id]; }
};

}  // namespace host
