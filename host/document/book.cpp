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
  for (const auto& sheet : sheets_) {
    if (kx::equals_ignore_case(sheet->name(), name)) return sheet;
  }
  return nullptr;
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
  return sheet;
}

}  // namespace host
