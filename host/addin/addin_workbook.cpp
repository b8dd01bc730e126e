#include "host/addin/addin_workbook.hpp"

#include <charconv>

#include "common/text_lookup.hpp"
#include "host/addin/addin_texts.hpp"

namespace host {
namespace {

std::string unescape(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      result += '\n';
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

// Fills a sheet from its TSV: the header's language codes on row 1, then each text at its row.
void load_text_sheet(Sheet& sheet, std::string_view tsv) {
  bool header = true;
  while (!tsv.empty()) {
    const std::size_t end = tsv.find('\n');
    std::string_view line = tsv.substr(0, end);
    tsv = end == std::string_view::npos ? std::string_view() : tsv.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;

    std::int32_t row = 1;
    std::int32_t column = 1;
    std::size_t start = 0;
    while (start <= line.size()) {
      const std::size_t tab = std::min(line.find('\t', start), line.size());
      const std::string_view field = line.substr(start, tab - start);
      if (column == 1) {
        if (!header) std::from_chars(field.data(), field.data() + field.size(), row);
      } else {
        sheet.set_value(row, column, kx::Value(unescape(field)));
      }
      ++column;
      start = tab + 1;
    }
    header = false;
  }
}

}  // namespace

std::shared_ptr<Book> make_addin_workbook(std::string_view language) {
  auto book = Book::create(kx::kAddinWorkbookName);
  for (const AddinTextSheet& texts : addin_text_sheets())
    load_text_sheet(*book->add_sheet(std::string(texts.name)), texts.tsv);
  book->add_sheet("matcov")->set_value(2, 5, kx::Value(std::string(language)));
  return book;
}

std::shared_ptr<Book> open_addin_workbook(Spreadsheet& application, std::string_view language) {
  if (auto open = application.find_book(kx::kAddinWorkbookName)) return open;
  auto book = make_addin_workbook(language);
  application.add_book(book);
  return book;
}

void set_addin_language(Spreadsheet& application, std::string_view language) {
  application.book(kx::kAddinWorkbookName)->sheet("matcov")->set_value(2, 5, kx::Value(std::string(language)));
}

}  // namespace host
