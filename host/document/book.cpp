#include "host/document/book.hpp"

#include "common/text_compare.hpp"

namespace host {

std::shared_ptr<Book> Book::create(std::string name) {
  struct Constructible : Book {
    explicit Constructible(std::string n) : Book(std::move(n)) {}
  };
  return std::make_shared<Constructible>(std::move(name));
}

std::shared_ptr<Sheet> Book::find_sheet(std::string_view name) const {
  const auto found = sheet_by_name_.find(kx::to_lower_ascii(name));
  return found == sheet_by_name_.end() ? nullptr : found->second;
}

std::shared_ptr<Sheet> Book::sheet(std::string_view name) const {
  if (auto found = find_sheet(name)) return found;
  throw kx::Failure(kx::error::kSubscriptOutOfRange,
                    "Workbook " + name_ + " has no sheet \"" + std::string(name) + "\"");
}

std::shared_ptr<Sheet> Book::add_sheet(std::string name) {
  if (name.empty() || find_sheet(name)) {
    throw kx::Failure(kx::error::kHostFailure, "A sheet cannot be named \"" + name + "\": the name is empty or taken");
  }
  auto sheet = std::make_shared<Sheet>(std::move(name), std::static_pointer_cast<Book>(shared_from_this()));
  sheets_.push_back(sheet);
  sheet_by_name_.emplace(kx::to_lower_ascii(sheet->name()), sheet);
  return sheet;
}

}  // namespace host
