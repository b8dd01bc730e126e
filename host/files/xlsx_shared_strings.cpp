#include "host/files/xlsx_shared_strings.hpp"

#include <orcus/sax_parser.hpp>

namespace host {
namespace {

class SharedStrings : public orcus::sax_handler {
 public:
  explicit SharedStrings(BookBuilder& builder) : builder_(builder) {}

  void start_element(const orcus::sax::parser_element& element) {
    const std::string_view name = element.name;
    if (name == "si") {
      ++depth_in_item_;
      current_.clear();
    } else if (depth_in_item_ > 0) {
      ++depth_in_item_;
      if (name == "rPh") phonetic_ = true;
      if (name == "t" && !phonetic_) in_text_ = true;
    }
  }

  void end_element(const orcus::sax::parser_element& element) {
    if (depth_in_item_ == 0) return;
    const std::string_view name = element.name;
    if (name == "t") in_text_ = false;
    if (name == "rPh") phonetic_ = false;
    if (--depth_in_item_ == 0) store();
  }

  void characters(std::string_view text, bool) {
    if (!in_text_) return;
    builder_.check_text(bytes_ + static_cast<std::int64_t>(current_.size() + text.size()));
    current_.append(text);
  }

  std::vector<std::string> take() { return std::move(strings_); }

 private:
  void store() {
    // Each text costs its object too, so that a million empty texts count.
    bytes_ += static_cast<std::int64_t>(current_.size() + sizeof(std::string));
    builder_.check_text(bytes_);
    strings_.push_back(std::move(current_));
    current_.clear();
  }

  BookBuilder& builder_;
  std::vector<std::string> strings_;
  std::string current_;
  int depth_in_item_ = 0;
  bool in_text_ = false;
  bool phonetic_ = false;
  std::int64_t bytes_ = 0;
};

}  // namespace

std::vector<std::string> read_shared_strings(const std::string& xml, BookBuilder& builder) {
  SharedStrings handler(builder);
  orcus::sax_parser<SharedStrings> parser(xml.data(), xml.size(), handler);
  parser.parse();
  return handler.take();
}

}  // namespace host
