#include "host/files/xlsx_cell_metadata.hpp"

#include <charconv>
#include <orcus/sax_parser.hpp>
#include <string_view>

namespace host {
namespace {

constexpr std::string_view kDynamicArrayType = "XLDAPR";

std::size_t number_of(std::string_view text) {
  std::size_t number = 0;
  std::from_chars(text.data(), text.data() + text.size(), number);
  return number;
}

// metadataTypes lists the types; futureMetadata of the dynamic-array type holds one block of
// properties per formula kind; cellMetadata holds one block per "cm" number, whose record
// names a type (from 1) and a block of that type's metadata (from 0).
class Metadata : public orcus::sax_handler {
 public:
  void attribute(const orcus::sax::parser_attribute& attribute) {
    const std::string_view name = attribute.name;
    if (name == "name") name_ = attribute.value;
    if (name == "fDynamic") dynamic_ = attribute.value == "1" || attribute.value == "true";
    if (name == "t") type_ = number_of(attribute.value);
    if (name == "v") index_ = number_of(attribute.value);
  }

  void start_element(const orcus::sax::parser_element& element) {
    const std::string_view name = element.name;
    if (name == "metadataType") types_.push_back(name_);
    if (name == "futureMetadata") in_dynamic_ = name_ == kDynamicArrayType;
    if (name == "cellMetadata") in_cells_ = true;
    if (name == "bk" && in_dynamic_) dynamic_blocks_.push_back(false);
    if (name == "dynamicArrayProperties" && in_dynamic_ && !dynamic_blocks_.empty()) {
      dynamic_blocks_.back() = dynamic_;
    }
    if (name == "bk" && in_cells_) cell_blocks_.push_back({0, 0});
    if (name == "rc" && in_cells_ && !cell_blocks_.empty() && cell_blocks_.back().first == 0) {
      cell_blocks_.back() = {type_, index_};
    }
    name_.clear();
    dynamic_ = false;
    type_ = index_ = 0;
  }

  void end_element(const orcus::sax::parser_element& element) {
    if (element.name == "futureMetadata") in_dynamic_ = false;
    if (element.name == "cellMetadata") in_cells_ = false;
  }

  std::vector<bool> dynamic_cells() const {
    std::vector<bool> dynamic(cell_blocks_.size() + 1, false);
    for (std::size_t i = 0; i < cell_blocks_.size(); ++i) {
      const auto [type, index] = cell_blocks_[i];
      dynamic[i + 1] = type >= 1 && type <= types_.size() && types_[type - 1] == kDynamicArrayType &&
                       index < dynamic_blocks_.size() && dynamic_blocks_[index];
    }
    return dynamic;
  }

 private:
  std::string name_;
  bool dynamic_ = false;
  std::size_t type_ = 0;
  std::size_t index_ = 0;
  bool in_dynamic_ = false;
  bool in_cells_ = false;
  std::vector<std::string> types_;
  std::vector<bool> dynamic_blocks_;
  std::vector<std::pair<std::size_t, std::size_t>> cell_blocks_;
};

}  // namespace

std::vector<bool> read_dynamic_array_metadata(const std::string& xml) {
  Metadata handler;
  orcus::sax_parser<Metadata> parser(xml.data(), xml.size(), handler);
  parser.parse();
  return handler.dynamic_cells();
}

}  // namespace host
