// A recursive-descent parser with the spreadsheet's precedence, lowest first:
// comparisons, &, + -, * /, ^, then negation and percent, then the intersection of
// references, then the range operator. ^ is left-associative and negation binds tighter
// than ^, as spreadsheets have it: -2^2 is 4. A comma inside parentheses of their own joins
// references into a union.
#include "host/formula/parser.hpp"

#include <string>
#include <utility>
#include <vector>

#include "host/formula/lexer.hpp"
#include "host/formula/limits.hpp"
#include "host/formula/parse_error.hpp"

namespace host {
namespace {

struct Level {
  TokenKind token;
  Operator op;
};

// The binary operators of each level, lowest precedence first.
const std::vector<std::vector<Level>> kLevels = {
    {{TokenKind::Equal, Operator::Equal},
     {TokenKind::NotEqual, Operator::NotEqual},
     {TokenKind::Less, Operator::Less},
     {TokenKind::LessEqual, Operator::LessEqual},
     {TokenKind::Greater, Operator::Greater},
     {TokenKind::GreaterEqual, Operator::GreaterEqual}},
    {{TokenKind::Ampersand, Operator::Concatenate}},
    {{TokenKind::Plus, Operator::Add}, {TokenKind::Minus, Operator::Subtract}},
    {{TokenKind::Star, Operator::Multiply}, {TokenKind::Slash, Operator::Divide}},
    {{TokenKind::Caret, Operator::Power}},
};

class Parser {
 public:
  Parser(std::string_view text, std::vector<Token> tokens) : text_(text), tokens_(std::move(tokens)) {}

  SyntaxTree run(std::size_t start) {
    if (peek().kind == TokenKind::End) throw ParseError(text_, start, "the formula is empty");
    tree_.root = expression(0);
    if (peek().kind != TokenKind::End) fail("unexpected " + describe(peek()) + " after the end of the expression");
    return std::move(tree_);
  }

 private:
  const Token& peek() const { return tokens_[at_]; }
  Token take() { return std::move(tokens_[at_++]); }
  bool accept(TokenKind kind) {
    if (peek().kind != kind) return false;
    ++at_;
    return true;
  }

  [[noreturn]] void fail(const std::string& message) const { throw ParseError(text_, peek().offset, message); }

  std::string describe(const Token& token) const {
    if (token.kind == TokenKind::End) return "end of formula";
    std::string quoted(1, '\'');
    quoted.append(text_.substr(token.offset, token.length));
    quoted.push_back('\'');
    return quoted;
  }

  NodeId add(Node node) {
    tree_.nodes.push_back(std::move(node));
    return static_cast<NodeId>(tree_.nodes.size() - 1);
  }

  NodeId add_constant(kx::Value value, std::size_t offset) {
    tree_.constants.push_back(std::move(value));
    return add(Node{Constant{static_cast<std::uint32_t>(tree_.constants.size() - 1)}, offset});
  }

  std::uint32_t add_name(std::string name) {
    tree_.names.push_back(std::move(name));
    return static_cast<std::uint32_t>(tree_.names.size() - 1);
  }

  // Appends a list gathered while its elements were parsed: nested lists fill the tables first.
  template <class Entry>
  static Run append(std::vector<Entry>& table, const std::vector<Entry>& entries) {
    const Run run{static_cast<std::uint32_t>(table.size()), static_cast<std::uint32_t>(entries.size())};
    table.insert(table.end(), entries.begin(), entries.end());
    return run;
  }

  // Guards each level of nesting; the parser recurses a fixed number of frames per level.
  class Nesting {
   public:
    explicit Nesting(Parser& parser) : parser_(parser) {
      if (++parser_.depth_ > kMaxNestingDepth) {
        parser_.fail("the formula is nested more than " + std::to_string(kMaxNestingDepth) + " levels deep");
      }
    }
    ~Nesting() { --parser_.depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

   private:
    Parser& parser_;
  };

  NodeId expression(std::size_t level) {
    if (level == kLevels.size()) return unary();
    const std::size_t offset = peek().offset;
    const NodeId first = expression(level + 1);
    std::vector<ChainLink> links;
    for (;;) {
      const Level* found = nullptr;
      for (const Level& candidate : kLevels[level]) {
        if (peek().kind == candidate.token) found = &candidate;
      }
      if (found == nullptr) break;
      ++at_;
      links.push_back({found->op, expression(level + 1)});
    }
    if (links.empty()) return first;
    return add(Node{Chain{first, append(tree_.links, links)}, offset});
  }

  NodeId unary() {
    const std::size_t offset = peek().offset;
    if (peek().kind == TokenKind::Minus || peek().kind == TokenKind::Plus) {
      const Operator op = peek().kind == TokenKind::Minus ? Operator::Negate : Operator::Identity;
      ++at_;
      Nesting nesting(*this);
      const NodeId operand = unary();
      return add(Node{Unary{op, operand}, offset});
    }
    NodeId operand = intersection();
    // Each % nests one more node, so a run of them counts against the nesting limit.
    for (int percents = 1; peek().kind == TokenKind::Percent; ++percents) {
      if (depth_ + percents > kMaxNestingDepth) {
        fail("the formula is nested more than " + std::to_string(kMaxNestingDepth) + " levels deep");
      }
      ++at_;
      operand = add(Node{Unary{Operator::Percent, operand}, offset});
    }
    return operand;
  }

  NodeId intersection() {
    const std::size_t offset = peek().offset;
    NodeId operand = span();
    for (int operators = 1; accept(TokenKind::Intersect); ++operators) {
      if (depth_ + operators > kMaxNestingDepth) {
        fail("the formula is nested more than " + std::to_string(kMaxNestingDepth) + " levels deep");
      }
      operand = add(Node{Intersection{operand, span()}, offset});
    }
    return operand;
  }

  // The range operator binds tighter than the intersection: A1:INDEX(B:B,3) C2:D9.
  NodeId span() {
    const std::size_t offset = peek().offset;
    const auto first = static_cast<NodeId>(tree_.nodes.size());
    NodeId operand = primary();
    for (int operators = 1; peek().kind == TokenKind::Colon; ++operators) {
      if (depth_ + operators > kMaxNestingDepth) {
        fail("the formula is nested more than " + std::to_string(kMaxNestingDepth) + " levels deep");
      }
      const std::size_t colon = take().offset;
      const TokenKind next = peek().kind;
      if (next != TokenKind::Reference && next != TokenKind::Name && next != TokenKind::Function &&
          next != TokenKind::LeftParen) {
        throw ParseError(text_, colon, "expected a reference on both sides of ':'");
      }
      operand = add(Node{Span{operand, primary(), first}, offset});
    }
    return operand;
  }

  NodeId primary() {
    const std::size_t offset = peek().offset;
    switch (peek().kind) {
      case TokenKind::Number: return add_constant(take().number, offset);
      case TokenKind::Text: return add_constant(take().text, offset);
      case TokenKind::Boolean: return add_constant(take().boolean, offset);
      case TokenKind::Error: return add_constant(kx::ErrorValue{take().error}, offset);
      case TokenKind::Reference: {
        tree_.references.push_back(take().reference);
        const auto written = static_cast<std::uint32_t>(tree_.references.size() - 1);
        return add(Node{ReferenceNode{CellArea::of(tree_.references.back()), written}, offset});
      }
      case TokenKind::Name: return add(Node{NameNode{add_name(take().text)}, offset});
      case TokenKind::Function: return call();
      case TokenKind::LeftBrace: return array_constant();
      case TokenKind::LeftParen: {
        ++at_;
        Nesting nesting(*this);
        std::vector<NodeId> parts{expression(0)};
        while (accept(TokenKind::Comma)) {
          if (parts.size() == kMaxArguments)
            fail("more than " + std::to_string(kMaxArguments) + " references in a union");
          parts.push_back(expression(0));
        }
        if (!accept(TokenKind::RightParen)) fail("expected ')' but found " + describe(peek()));
        if (parts.size() == 1) return parts.front();
        return add(Node{Union{append(tree_.arguments, parts)}, offset});
      }
      default: fail("expected a value but found " + describe(peek()));
    }
  }

  NodeId call() {
    const std::size_t offset = peek().offset;
    const std::string name = take().text;
    Call node;
    node.name = add_name(name);
    Nesting nesting(*this);
    if (!accept(TokenKind::LeftParen)) fail("expected '(' after the function name");
    if (accept(TokenKind::RightParen)) return add(Node{node, offset});
    std::vector<NodeId> arguments;
    for (;;) {
      if (arguments.size() == kMaxArguments) fail("more than " + std::to_string(kMaxArguments) + " arguments");
      // An empty place between separators is an omitted argument.
      if (peek().kind == TokenKind::Comma || peek().kind == TokenKind::RightParen) {
        arguments.push_back(add(Node{Omitted{}, peek().offset}));
      } else {
        arguments.push_back(expression(0));
      }
      if (accept(TokenKind::RightParen)) break;
      if (!accept(TokenKind::Comma))
        fail("expected ',' or ')' in the arguments of " + name + " but found " + describe(peek()));
    }
    node.arguments = append(tree_.arguments, arguments);
    return add(Node{node, offset});
  }

  // {1,2;3,4}: ',' between columns, ';' or '|' between rows, constants only.
  NodeId array_constant() {
    const std::size_t offset = peek().offset;
    ++at_;
    Nesting nesting(*this);
    std::vector<kx::Value> elements;
    std::size_t columns = 0;
    std::size_t in_row = 0;
    for (;;) {
      elements.push_back(array_element());
      ++in_row;
      if (accept(TokenKind::Comma)) continue;
      if (columns != 0 && in_row != columns)
        fail("every row of an array constant needs " + std::to_string(columns) + " values");
      columns = in_row;
      in_row = 0;
      if (accept(TokenKind::RowSeparator)) continue;
      if (accept(TokenKind::RightBrace)) break;
      fail("expected ',', ';' or '}' in the array constant but found " + describe(peek()));
    }
    kx::Array array(elements.size() / columns, columns);
    for (std::size_t i = 0; i < elements.size(); ++i) array.at(i) = std::move(elements[i]);
    return add_constant(kx::Value(std::move(array)), offset);
  }

  kx::Value array_element() {
    const TokenKind kind = peek().kind;
    if (kind == TokenKind::Minus || kind == TokenKind::Plus) {
      ++at_;
      if (peek().kind != TokenKind::Number) fail("expected a number after the sign in the array constant");
      const double number = take().number;
      return kind == TokenKind::Minus ? -number : number;
    }
    switch (kind) {
      case TokenKind::Number: return take().number;
      case TokenKind::Text: return take().text;
      case TokenKind::Boolean: return take().boolean;
      case TokenKind::Error: return kx::ErrorValue{take().error};
      default:
        fail("an array constant holds only numbers, texts, TRUE/FALSE and error values; found " + describe(peek()));
    }
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t at_ = 0;
  int depth_ = 0;
  SyntaxTree tree_;
};

}  // namespace

SyntaxTree parse_formula(std::string_view text) {
  if (text.size() > kMaxFormulaLength) {
    throw ParseError(text, kMaxFormulaLength,
                     "the formula is longer than " + std::to_string(kMaxFormulaLength) + " characters");
  }
  // The leading '=' of a cell's formula is no operator; blank out just that character so that
  // offsets stay those of the text as written.
  std::size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  std::string body(text);
  if (start < body.size() && body[start] == '=') body[start] = ' ';
  std::vector<Token> tokens = tokenize(body);
  SyntaxTree tree = Parser(text, std::move(tokens)).run(start);
  return tree;
}

}  // namespace host
