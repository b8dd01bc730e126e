#include "host/files/xlsx_package.hpp"

#include <algorithm>
#include <charconv>
#include <orcus/sax_parser.hpp>
#include <unordered_map>

#include "host/files/book_builder.hpp"

namespace host {
namespace {

// Collects the attributes of every element of one name. Names are compared without their
// namespace prefix: the parts' elements and attributes are known by their local names alone.
class ElementCollector : public orcus::sax_handler {
 public:
  explicit ElementCollector(std::string_view name) : name_(name) {}

  void attribute(const orcus::sax::parser_attribute& attribute) {
    attributes_.emplace_back(attribute.name, attribute.value);
  }
  void start_element(const orcus::sax::parser_element& element) {
    if (element.name == name_) found_.push_back(std::move(attributes_));
    attributes_.clear();
  }
  void end_element(const orcus::sax::parser_element&) { attributes_.clear(); }

  std::vector<XmlAttributes> take() { return std::move(found_); }

 private:
  std::string_view name_;
  XmlAttributes attributes_;
  std::vector<XmlAttributes> found_;
};

// The defined names of the workbook part, with their formulas (the elements' text).
class NameCollector : public orcus::sax_handler {
 public:
  void attribute(const orcus::sax::parser_attribute& attribute) {
    attributes_.emplace_back(attribute.name, attribute.value);
  }
  void start_element(const orcus::sax::parser_element& element) {
    in_name_ = element.name == "definedName";
    if (in_name_) found_.push_back({std::move(attributes_), {}});
    attributes_.clear();
  }
  void end_element(const orcus::sax::parser_element&) {
    in_name_ = false;
    attributes_.clear();
  }
  void characters(std::string_view text, bool) {
    if (in_name_) found_.back().second.append(text);
  }

  std::vector<std::pair<XmlAttributes, std::string>> take() { return std::move(found_); }

 private:
  XmlAttributes attributes_;
  bool in_name_ = false;
  std::vector<std::pair<XmlAttributes, std::string>> found_;
};

template <typename Handler>
void parse_xml(const std::string& xml, Handler& handler) {
  orcus::sax_parser<Handler> parser(xml.data(), xml.size(), handler);
  parser.parse();
}

// The relationships a part has ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
std::vector<XmlAttributes> relationships_of(const PartText& part_text, std::string_view part) {
  const std::size_t folder_end = part.rfind('/');
  const std::string_view folder = folder_end == std::string_view::npos ? "" : part.substr(0, folder_end + 1);
  const std::string_view file = part.substr(folder.size());
  const auto xml = part_text(std::string(folder) + "_rels/" + std::string(file) + ".rels");
  return xml ? elements_named(*xml, "Relationship") : std::vector<XmlAttributes>{};
}

bool has_type(const XmlAttributes& relationship, std::string_view type_suffix) {
  return attribute_named(relationship, "Type").ends_with(type_suffix);
}

// The first relationship of a type, as a part name; nullopt when there is none or it leads outside.
std::optional<std::string> related_part(const std::vector<XmlAttributes>& relationships, std::string_view source_part,
                                        std::string_view type_suffix) {
  for (const auto& relationship : relationships) {
    if (has_type(relationship, type_suffix) && attribute_named(relationship, "TargetMode") != "External") {
      return target_part(source_part, attribute_named(relationship, "Target"));
    }
  }
  return std::nullopt;
}

bool is_sheet_part(std::string_view name) {
  return name.find("worksheets/") != std::string_view::npos && name.ends_with(".xml") &&
         name.find("_rels/") == std::string_view::npos;
}

}  // namespace

std::string_view attribute_named(const XmlAttributes& attributes, std::string_view name) {
  for (const auto& [key, value] : attributes) {
    if (key == name) return value;
  }
  return {};
}

std::vector<XmlAttributes> elements_named(const std::string& xml, std::string_view name) {
  ElementCollector collector(name);
  parse_xml(xml, collector);
  return collector.take();
}

std::optional<std::string> target_part(std::string_view source_part, std::string_view target) {
  if (target.find(':') != std::string_view::npos || target.find('\\') != std::string_view::npos) return std::nullopt;
  std::vector<std::string_view> segments;
  bool outside = false;
  auto add = [&](std::string_view path) {
    while (!path.empty()) {
      const std::size_t slash = std::min(path.find('/'), path.size());
      const std::string_view segment = path.substr(0, slash);
      if (segment == "..") {
        if (segments.empty()) outside = true;
        if (!segments.empty()) segments.pop_back();
      } else if (!segment.empty() && segment != ".") {
        segments.push_back(segment);
      }
      path.remove_prefix(std::min(slash + 1, path.size()));
    }
  };
  if (!target.starts_with('/')) {
    const std::size_t folder_end = source_part.rfind('/');
    if (folder_end != std::string_view::npos) add(source_part.substr(0, folder_end));
  }
  add(target);
  if (outside || segments.empty()) return std::nullopt;
  std::string name;
  for (const std::string_view segment : segments) {
    if (!name.empty()) name += '/';
    name += segment;
  }
  return name;
}

XlsxWorkbook read_workbook_part(const PartText& part_text, const std::vector<std::string>& part_names) {
  XlsxWorkbook workbook;
  const auto package = relationships_of(part_text, "");
  const auto workbook_part = related_part(package, "", "/officeDocument");
  if (!workbook_part) fail_reading("its relationships name no workbook part");
  workbook.part = *workbook_part;
  const auto workbook_xml = part_text(workbook.part);
  if (!workbook_xml) fail_reading("it holds no " + workbook.part + ", the workbook part its relationships name");
  const auto relationships = relationships_of(part_text, workbook.part);
  std::unordered_map<std::string_view, const XmlAttributes*> by_id;
  for (const auto& relationship : relationships) by_id.emplace(attribute_named(relationship, "Id"), &relationship);
  workbook.shared_strings_part = related_part(relationships, workbook.part, "/sharedStrings");
  workbook.metadata_part = related_part(relationships, workbook.part, "/sheetMetadata");

  // Sheets by their place in the workbook's list, which local names count in.
  std::vector<std::optional<std::size_t>> worksheet_at;
  std::unordered_map<std::string, std::string> sheet_of_part;
  for (const auto& entry : elements_named(*workbook_xml, "sheet")) {
    const std::string name(attribute_named(entry, "name"));
    const std::string shown = "sheet \"" + name + "\"";
    const std::string_view id = attribute_named(entry, "id");
    const auto found = by_id.find(id);
    if (found == by_id.end()) {
      fail_reading(shown + " names the relationship " + quoted_excerpt(id) + ", which the workbook does not have");
    }
    const XmlAttributes& relationship = *found->second;
    worksheet_at.emplace_back();
    // Chart and dialog sheets hold no cells.
    if (!has_type(relationship, "/worksheet")) continue;
    const std::string_view target = attribute_named(relationship, "Target");
    const auto part = attribute_named(relationship, "TargetMode") == "External"
                          ? std::nullopt
                          : target_part(workbook.part, target);
    if (!part) fail_reading(shown + " is to be read from " + quoted_excerpt(target) + ", which lies outside the file");
    if (!std::binary_search(part_names.begin(), part_names.end(), *part)) {
      fail_reading(shown + " is to be read from " + quoted_excerpt(target) + ", which the file does not hold");
    }
    const auto [other, fresh] = sheet_of_part.emplace(*part, name);
    if (!fresh) {
      fail_reading("sheets \"" + other->second + "\" and \"" + name + "\" are both to be read from " + *part);
    }
    worksheet_at.back() = workbook.sheets.size();
    workbook.sheets.push_back({name, attribute_named(entry, "state") == "hidden" ||
                                         attribute_named(entry, "state") == "veryHidden",
                               *part});
  }

  NameCollector names;
  parse_xml(*workbook_xml, names);
  for (auto& [attributes, formula] : names.take()) {
    XlsxDefinedName name{std::string(attribute_named(attributes, "name")), std::move(formula), std::nullopt};
    if (const std::string_view local = attribute_named(attributes, "localSheetId"); !local.empty()) {
      std::size_t index = 0;
      const auto [end, status] = std::from_chars(local.data(), local.data() + local.size(), index);
      // A name of a chart sheet, or of a sheet the workbook does not list, has nowhere to be read.
      if (status != std::errc() || end != local.data() + local.size() || index >= worksheet_at.size() ||
          !worksheet_at[index]) {
        continue;
      }
      name.sheet = *worksheet_at[index];
    }
    workbook.names.push_back(std::move(name));
  }

  for (const std::string& name : part_names) {
    if (is_sheet_part(name) && !sheet_of_part.contains(name)) workbook.unused_sheet_parts.push_back(name);
  }
  return workbook;
}

}  // namespace host
