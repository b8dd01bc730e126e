// A formula that cannot be read, with the column where reading stopped.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace host {

class ParseError : public std::runtime_error {
 public:
  // `offset` is a byte offset into `formula`; the column counts characters from 1.
  ParseError(std::string_view formula, std::size_t offset, const std::string& message);

  std::size_t column() const noexcept { return column_; }

 private:
  std::size_t column_;
};

// The 1-based column of a byte offset, counting UTF-8 characters.
std::size_t column_at(std::string_view text, std::size_t offset);

}  // namespace host
