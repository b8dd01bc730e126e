#include "host/document/book.hpp"

#include "common/text_compare.hpp"
#include "host/document/address.hpp"

namespace host {
namespace {

bool is_name_start(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '\\' ||
         static_cast<unsigned char>(c) >= 0x80;
}
bool is_name_char(char c) { return is_name_start(c) || (c >= '0' && c <= '9') || c == '.'; }

// The spreadsheet's limit on a name's length.
constexpr std::size_t kMaxNameLength = 255;

}  // namespace

bool is_valid_defined_name(std::string_view name) {
  if (name.empty() || name.size() > kMaxNameLength || !is_name_start(name.front())) return false;
  for (const char c : name) {
    if (!is_name_char(c)) return false;
  }
  if (kx::equals_ignore_case(name, "TRUE") || kx::equals_ignore_case(name, "FALSE")) return false;
  return !parse_address(name).has_value();
}

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

DefinedName& Book::define_name(std::string name, std::string formula_text, const Sheet* scope) {
  if (!is_valid_defined_name(name)) {
    throw kx::Failure(kx::error::kHostFailure, "\"" + name + "\" cannot be a defined name");
  }
  if (!formula_text.empty() && formula_text.front() == '=') formula_text.erase(0, 1);
  auto key = std::make_pair(scope ? kx::to_upper_ascii(scope->name()) : std::string(), kx::to_upper_ascii(name));
  DefinedName& defined = names_[std::move(key)];
  defined.name = std::move(name);
  defined.formula_text = std::move(formula_text);
  defined.scope = scope;
  return defined;
}

DefinedName* Book::find_name(std::string_view name, const Sheet* sheet) const {
  if (names_.empty()) return nullptr;
  const std::string upper = kx::to_upper_ascii(name);
  if (sheet != nullptr) {
    if (const auto found = names_.find({kx::to_upper_ascii(sheet->name()), upper}); found != names_.end())
      return &found->second;
  }
  const auto found = names_.find({std::string(), upper});
  return found == names_.end() ? nullptr : &found->second;
}

std::vector<DefinedName*> Book::defined_names() const {
  std::vector<DefinedName*> all;
  for (auto& [key, defined] : names_) all.push_back(&defined);
  return all;
}

}  // namespace host
