// The observations `kx fit` reads: one column of a CSV file (or a workbook's first sheet).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace host {
class Book;
}

namespace cli {

struct Observations {
  std::string column;          // the header's name, or the column's letter when there is no header
  std::vector<double> values;  // in file order; empty cells left out
  // The file as read, and the address of the column's cells on its first sheet where they hold
  // the values with no gap (empty otherwise): a million cells are read there, not copied.
  std::shared_ptr<host::Book> book;
  std::string cells;
};

// `column` is empty (the first column of numbers), a column number from 1, or a header name.
// Raises kx::Failure with a one-line message for a missing or empty file, an unknown
// column, a cell in the column that holds no number, or a column without numbers.
Observations read_observations(const std::string& path, const std::string& column);

}  // namespace cli
