#include "host/files/xml_check.hpp"

#include <charconv>
#include <cstdint>
#include <string>

#include "host/files/book_builder.hpp"

namespace host {
namespace {

constexpr std::uint32_t kLastCodePoint = 0x10ffff;

// The end of the markup that starts at `from` (a "<"), or npos when the text ends first.
std::size_t markup_end(std::string_view xml, std::size_t from) {
  // Tags, declarations and document types end at the first ">" outside quotes and brackets.
  char quote = 0;
  int brackets = 0;
  for (std::size_t i = from + 1; i < xml.size(); ++i) {
    const char c = xml[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      --brackets;
    } else if (c == '>' && brackets <= 0) {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

bool is_name_start(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool is_name_char(char c) { return is_name_start(c) || (c >= '0' && c <= '9') || c == '.' || c == '-'; }

// Whether every "&" in a piece of text or a tag starts a reference, as XML requires:
// "&name;", or "&#digits;" and "&#xhex;" naming a character.
bool references_are_well_formed(std::string_view text) {
  for (auto at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1)) {
    const auto end = text.find(';', at);
    if (end == std::string_view::npos) return false;
    std::string_view body = text.substr(at + 1, end - at - 1);
    if (!body.starts_with('#')) {
      if (body.empty() || !is_name_start(body.front())) return false;
      for (const char c : body) {
        if (!is_name_char(c)) return false;
      }
      continue;
    }
    body.remove_prefix(1);
    int base = 10;
    if (body.starts_with('x')) {
      body.remove_prefix(1);
      base = 16;
    }
    std::uint32_t code = 0;
    const auto [last, status] = std::from_chars(body.data(), body.data() + body.size(), code, base);
    if (body.empty() || status != std::errc() || last != body.data() + body.size() || code > kLastCodePoint) {
      return false;
    }
  }
  return true;
}

}  // namespace

void check_xml_part(std::string_view xml, std::string_view what) {
  const std::string where(what);
  std::size_t at = 0;
  // Elements opened and not yet closed: a part cut short after a whole tag leaves some open,
  // and orcus would read what came before as if it were all.
  std::int64_t open_elements = 0;
  const auto check_closed = [&] {
    if (open_elements != 0) fail_reading(where + " breaks off before its elements close");
  };
  while (at < xml.size()) {
    const std::size_t open = xml.find('<', at);
    if (open == std::string_view::npos) {
      // A document ends with markup; after it come only blanks (or the unpacker's zero bytes).
      for (const char c : xml.substr(at)) {
        if (static_cast<unsigned char>(c) > ' ') fail_reading(where + " breaks off after its last markup");
      }
      check_closed();
      return;
    }
    if (!references_are_well_formed(xml.substr(at, open - at))) {
      fail_reading(where + " holds an \"&\" that starts no reference");
    }
    const auto rest = xml.substr(open);
    std::size_t end = std::string_view::npos;
    bool check_references = true;
    // orcus asserts that a comment leaves more than three characters after its "<!--".
    if (rest.starts_with("<!--") && rest.size() < 8) fail_reading(where + " breaks off inside markup");
    if (rest.starts_with("<!--") || rest.starts_with("<![CDATA[")) {
      // Comments and CDATA sections hold no references.
      const std::string_view closing = rest.starts_with("<!--") ? "-->" : "]]>";
      end = xml.find(closing, open + 4);
      if (end != std::string_view::npos) end += closing.size();
      check_references = false;
    } else {
      end = markup_end(xml, open);
    }
    if (end == std::string_view::npos) fail_reading(where + " breaks off inside markup");
    if (check_references && !references_are_well_formed(xml.substr(open, end - open))) {
      fail_reading(where + " holds an \"&\" that starts no reference");
    }
    if (check_references && rest.size() > 1 && rest[1] != '?' && rest[1] != '!') {
      if (rest[1] == '/') {
        --open_elements;
      } else if (xml[end - 2] != '/') {
        ++open_elements;
      }
    }
    at = end;
  }
  check_closed();
}

}  // namespace host
