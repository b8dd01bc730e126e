// The tokens of a formula, as the lexer hands them to the parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "host/formula/reference.hpp"

namespace host {

enum class TokenKind : std::uint8_t {
  Number,
  Text,
  Boolean,
  Error,
  Reference,
  Function,
  Name,
  Plus,
  Minus,
  Star,
  Slash,
  Caret,
  Ampersand,
  Percent,
  Equal,
  NotEqual,
  Less,
  LessEqual,
  Greater,
  GreaterEqual,
  LeftParen,
  RightParen,
  Comma,
  RowSeparator,
  LeftBrace,
  RightBrace,
  Intersect,  // blanks between two references
  Colon,      // the range operator between two references that are not read as one
  End,
};

struct Token {
  TokenKind kind = TokenKind::End;
  std::size_t offset = 0;  // bytes from the start of the formula text
  std::size_t length = 0;
  double number = 0;          // Number
  bool boolean = false;       // Boolean
  std::int32_t error = 0;     // Error: the error value's number
  std::string text;           // Text (unescaped), Function and Name (as written)
  host::Reference reference;  // Reference
};

}  // namespace host
