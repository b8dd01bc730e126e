// The syntax tree's special members, kept out of line.
#include "host/formula/syntax_tree.hpp"

namespace host {

SyntaxTree::SyntaxTree() = default;
SyntaxTree::SyntaxTree(SyntaxTree&&) noexcept = default;
SyntaxTree& SyntaxTree::operator=(SyntaxTree&&) noexcept = default;
SyntaxTree::~SyntaxTree() = default;

}  // namespace host
