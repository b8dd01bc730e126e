// The formula lexer. References are read whole (sheet, corners, range) so that the parser
// never has to tell "A1:B2" from an operator, and "LOG10(" from the cell LOG10.
#include "host/formula/lexer.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/formula/parse_error.hpp"

namespace host {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Names and unquoted sheet names: letters, digits, '_', '.', and any non-ASCII character.
bool is_word_char(char c) {
  return is_letter(c) || is_digit(c) || c == '_' || c == '.' || static_cast<unsigned char>(c) >= 0x80;
}
bool is_word_start(char c) { return is_letter(c) || c == '_' || c == '\\' || static_cast<unsigned char>(c) >= 0x80; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

struct ErrorLiteral {
  std::string_view text;
  std::int32_t number;
};

constexpr std::array<ErrorLiteral, 7> kErrorLiterals = {{
    {"#NULL!", kx::error::kXlNull},
    {"#DIV/0!", kx::error::kXlDiv0},
    {"#VALUE!", kx::error::kXlValue},
    {"#REF!", kx::error::kXlRef},
    {"#NAME?", kx::error::kXlName},
    {"#NUM!", kx::error::kXlNum},
    {"#N/A", kx::error::kXlNA},
}};

bool ends_reference(TokenKind kind) {
  return kind == TokenKind::Reference || kind == TokenKind::Name || kind == TokenKind::RightParen;
}
bool starts_reference(TokenKind kind) {
  return kind == TokenKind::Reference || kind == TokenKind::Name || kind == TokenKind::Function ||
         kind == TokenKind::LeftParen;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  std::vector<Token> run() {
    std::vector<Token> tokens;
    for (;;) {
      const std::size_t blanks = at_;
      while (at_ < text_.size() && is_blank(text_[at_])) ++at_;
      Token token = next();
      // Blanks are the intersection operator between two references and nothing elsewhere. A
      // name, blanks and '(' is rather a function call with a stray blank, and fails as one.
      if (blanks < token.offset && !tokens.empty() && ends_reference(tokens.back().kind) &&
          starts_reference(token.kind) &&
          !(tokens.back().kind == TokenKind::Name && token.kind == TokenKind::LeftParen)) {
        Token intersect;
        intersect.kind = TokenKind::Intersect;
        intersect.offset = blanks;
        intersect.length = token.offset - blanks;
        tokens.push_back(std::move(intersect));
      }
      const bool end = token.kind == TokenKind::End;
      tokens.push_back(std::move(token));
      if (end) return tokens;
    }
  }

 private:
  [[noreturn]] void fail(std::size_t offset, const std::string& message) const {
    throw ParseError(text_, offset, message);
  }

  char peek(std::size_t offset) const { return offset < text_.size() ? text_[offset] : '\0'; }

  Token make(TokenKind kind, std::size_t begin, std::size_t end) {
    Token token;
    token.kind = kind;
    token.offset = begin;
    token.length = end - begin;
    at_ = end;
    return token;
  }

  Token next() {
    const std::size_t begin = at_;
    if (begin >= text_.size()) return make(TokenKind::End, begin, begin);
    const char c = text_[begin];
    if (is_digit(c) || (c == '.' && is_digit(peek(begin + 1)))) {
      if (auto reference = reference_at(begin)) return reference_token(begin, std::move(*reference));
      return number(begin);
    }
    if (c == '$') {
      if (auto reference = reference_at(begin)) return reference_token(begin, std::move(*reference));
      fail(begin, "'$' must begin a cell reference such as $A$1");
    }
    if (c == '"') return text(begin);
    if (c == '#') return error(begin);
    if (c == '\'') return quoted_sheet(begin);
    if (c == '[') return book_and_sheet(begin);
    if (is_word_start(c)) return word(begin);
    return symbol(begin);
  }

  Token symbol(std::size_t begin) {
    const char c = text_[begin];
    const char following = peek(begin + 1);
    switch (c) {
      case '+': return make(TokenKind::Plus, begin, begin + 1);
      case '-': return make(TokenKind::Minus, begin, begin + 1);
      case '*': return make(TokenKind::Star, begin, begin + 1);
      case '/': return make(TokenKind::Slash, begin, begin + 1);
      case '^': return make(TokenKind::Caret, begin, begin + 1);
      case '&': return make(TokenKind::Ampersand, begin, begin + 1);
      case '%': return make(TokenKind::Percent, begin, begin + 1);
      case '=': return make(TokenKind::Equal, begin, begin + 1);
      case '<':
        if (following == '>') return make(TokenKind::NotEqual, begin, begin + 2);
        if (following == '=') return make(TokenKind::LessEqual, begin, begin + 2);
        return make(TokenKind::Less, begin, begin + 1);
      case '>':
        if (following == '=') return make(TokenKind::GreaterEqual, begin, begin + 2);
        return make(TokenKind::Greater, begin, begin + 1);
      case '(': return make(TokenKind::LeftParen, begin, begin + 1);
      case ')': return make(TokenKind::RightParen, begin, begin + 1);
      case ',': return make(TokenKind::Comma, begin, begin + 1);
      case ':': return make(TokenKind::Colon, begin, begin + 1);
      case ';':
      case '|': return make(TokenKind::RowSeparator, begin, begin + 1);
      case '{': return make(TokenKind::LeftBrace, begin, begin + 1);
      case '}': return make(TokenKind::RightBrace, begin, begin + 1);
      default: break;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) fail(begin, "unexpected control character");
    fail(begin, std::string("unexpected character '") + c + "'");
  }

  Token number(std::size_t begin) {
    std::size_t end = begin;
    while (is_digit(peek(end))) ++end;
    if (peek(end) == '.') {
      ++end;
      while (is_digit(peek(end))) ++end;
    }
    // An exponent only when digits follow, so that "1E" is the number 1 and a name E.
    if (peek(end) == 'e' || peek(end) == 'E') {
      std::size_t exponent = end + 1;
      if (peek(exponent) == '+' || peek(exponent) == '-') ++exponent;
      if (is_digit(peek(exponent))) {
        end = exponent;
        while (is_digit(peek(end))) ++end;
      }
    }
    double value = 0;
    const auto [stop, status] = std::from_chars(text_.data() + begin, text_.data() + end, value);
    if (status == std::errc::result_out_of_range) {
      // Too small a magnitude reads as zero, as the spreadsheet does; too large is no number.
      const std::string written(text_.substr(begin, end - begin));
      if (std::strtod(written.c_str(), nullptr) != 0.0) fail(begin, "the number " + written + " is too large");
      value = 0;
    } else if (status != std::errc() || stop != text_.data() + end) {
      fail(begin, "malformed number");
    }
    Token token = make(TokenKind::Number, begin, end);
    token.number = value;
    return token;
  }

  Token text(std::size_t begin) {
    std::string value;
    std::size_t at = begin + 1;
    for (;;) {
      if (at >= text_.size()) fail(begin, "the text that starts here has no closing '\"'");
      if (text_[at] == '"') {
        if (peek(at + 1) != '"') break;
        ++at;  // "" stands for one quote
      }
      value += text_[at];
      ++at;
    }
    Token token = make(TokenKind::Text, begin, at + 1);
    token.text = std::move(value);
    return token;
  }

  Token error(std::size_t begin) {
    for (const ErrorLiteral& literal : kErrorLiterals) {
      if (kx::equals_ignore_case(text_.substr(begin, literal.text.size()), literal.text)) {
        Token token = make(TokenKind::Error, begin, begin + literal.text.size());
        token.error = literal.number;
        return token;
      }
    }
    fail(begin, "unknown error value; expected #NULL!, #DIV/0!, #VALUE!, #REF!, #NAME?, #NUM! or #N/A");
  }

  // 'Sheet name'!A1, with '' standing for one quote; the book may lead: '[Book.xlsx]Sheet'!A1.
  Token quoted_sheet(std::size_t begin) {
    std::string name;
    std::size_t at = begin + 1;
    for (;;) {
      if (at >= text_.size()) fail(begin, "the sheet name that starts here has no closing quote");
      if (text_[at] == '\'') {
        if (peek(at + 1) != '\'') break;
        ++at;
      }
      name += text_[at];
      ++at;
    }
    ++at;
    if (peek(at) != '!') fail(begin, "a quoted sheet name must be followed by '!' and a reference");
    std::string book;
    if (!name.empty() && name.front() == '[') {
      const std::size_t close = name.find(']');
      if (close == std::string::npos) fail(begin, "the workbook name in brackets has no closing ']'");
      book = name.substr(1, close - 1);
      name = name.substr(close + 1);
    }
    return qualified_reference(begin, at + 1, std::move(book), std::move(name));
  }

  // [Book.xlsx]Sheet!A1
  Token book_and_sheet(std::size_t begin) {
    const std::size_t close = text_.find(']', begin);
    if (close == std::string_view::npos) fail(begin, "the workbook name in brackets has no closing ']'");
    std::string book(text_.substr(begin + 1, close - begin - 1));
    std::size_t end = close + 1;
    while (is_word_char(peek(end))) ++end;
    if (end == close + 1 || peek(end) != '!') fail(begin, "expected a sheet name and '!' after the workbook name");
    return qualified_reference(begin, end + 1, std::move(book), std::string(text_.substr(close + 1, end - close - 1)));
  }

  Token qualified_reference(std::size_t begin, std::size_t after_bang, std::string book, std::string sheet) {
    if (book.empty() && sheet.empty()) fail(begin, "the sheet name is empty");
    auto reference = reference_at(after_bang);
    // Sheet1!#REF! is what a reference to deleted cells leaves behind: it evaluates to #REF!.
    if (!reference && peek(after_bang) == '#') {
      Token token = error(after_bang);
      token.offset = begin;
      token.length = at_ - begin;
      return token;
    }
    // Sheet2!Rate: a name defined for another sheet.
    if (!reference && book.empty() && is_word_start(peek(after_bang))) {
      std::size_t end = after_bang + 1;
      while (is_word_char(peek(end))) ++end;
      if (peek(end) != '(') {
        Token token = make(TokenKind::Name, begin, end);
        token.text = sheet + "!" + std::string(text_.substr(after_bang, end - after_bang));
        return token;
      }
    }
    if (!reference) fail(after_bang, "expected a cell reference such as A1 or A1:B2 after '!'");
    reference->book = std::move(book);
    reference->sheet = std::move(sheet);
    return reference_token(begin, std::move(*reference));
  }

  Token word(std::size_t begin) {
    std::size_t end = begin + 1;
    while (is_word_char(peek(end))) ++end;
    const std::string_view written = text_.substr(begin, end - begin);
    if (peek(end) == '!') return qualified_reference(begin, end + 1, {}, std::string(written));
    if (peek(end) == '(') {
      Token token = make(TokenKind::Function, begin, end);
      token.text = std::string(written);
      return token;
    }
    if (auto reference = reference_at(begin)) return reference_token(begin, std::move(*reference));
    if (kx::equals_ignore_case(written, "TRUE") || kx::equals_ignore_case(written, "FALSE")) {
      Token token = make(TokenKind::Boolean, begin, end);
      token.boolean = kx::equals_ignore_case(written, "TRUE");
      return token;
    }
    Token token = make(TokenKind::Name, begin, end);
    token.text = std::string(written);
    return token;
  }

  Token reference_token(std::size_t begin, Reference reference) {
    Token token = make(TokenKind::Reference, begin, reference_end_);
    token.reference = std::move(reference);
    return token;
  }

  // $?letters: a column within the sheet.
  std::optional<std::int32_t> column_at(std::size_t& at) const {
    std::size_t end = at + (peek(at) == '$' ? 1 : 0);
    const std::size_t letters = end;
    while (is_letter(peek(end)) && end - letters < 4) ++end;
    const auto column = column_number(text_.substr(letters, end - letters));
    if (!column) return std::nullopt;
    at = end;
    return column;
  }

  // $?digits: a row within the sheet.
  std::optional<std::int32_t> row_at(std::size_t& at) const {
    std::size_t end = at + (peek(at) == '$' ? 1 : 0);
    const std::size_t digits = end;
    std::int64_t row = 0;
    while (is_digit(peek(end)) && end - digits < 8) row = row * 10 + (text_[end++] - '0');
    if (end == digits || is_digit(peek(end)) || row < 1 || row > kMaxRows) return std::nullopt;
    at = end;
    return static_cast<std::int32_t>(row);
  }

  // A1, A1:B2, A:C (whole columns) or 1:3 (whole rows) at `begin`, ending where no name
  // character follows; sets reference_end_.
  std::optional<Reference> reference_at(std::size_t begin) {
    std::size_t at = begin;
    Reference reference;
    const auto first_column = column_at(at);
    const auto first_row = row_at(at);
    if (first_column && first_row) {
      reference.top = reference.bottom = *first_row;
      reference.left = reference.right = *first_column;
      std::size_t after = at;
      if (peek(after) == ':') {
        ++after;
        const auto column = column_at(after);
        const auto row = column ? row_at(after) : std::nullopt;
        // A1:LOG10(...) ends the reference at A1: the corner after ':' is a function's name.
        const bool called = is_word_char(peek(after)) || peek(after) == '(' || peek(after) == '!';
        if (column && row && !called) {
          reference.top = std::min(reference.top, *row);
          reference.bottom = std::max(reference.bottom, *row);
          reference.left = std::min(reference.left, *column);
          reference.right = std::max(reference.right, *column);
          at = after;
        }
      }
    } else if (first_column || first_row) {
      // Whole columns or rows need both ends: "A:C", "$1:$3".
      if (peek(at) != ':') return std::nullopt;
      ++at;
      if (first_column) {
        const auto column = column_at(at);
        if (!column) return std::nullopt;
        reference.top = 1;
        reference.bottom = kMaxRows;
        reference.left = std::min(*first_column, *column);
        reference.right = std::max(*first_column, *column);
      } else {
        const auto row = row_at(at);
        if (!row) return std::nullopt;
        reference.top = std::min(*first_row, *row);
        reference.bottom = std::max(*first_row, *row);
        reference.left = 1;
        reference.right = kMaxColumns;
      }
    } else {
      return std::nullopt;
    }
    if (is_word_char(peek(at)) || peek(at) == '(' || peek(at) == '!' || peek(at) == '$') return std::nullopt;
    reference_end_ = at;
    return reference;
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t reference_end_ = 0;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text) { return Lexer(text).run(); }

}  // namespace host
