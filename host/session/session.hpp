// A session of the host with the components started as the add-in starts them: the add-in
// workbook open, each component's Application and ThisWorkbook set and Initialize called,
// and the members of their interfaces callable from formulas.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "common/object.hpp"
#include "host/document/book.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {

class Session {
 public:
  // `components` are the components' entry objects (riskfn's Main, ...), created by the
  // caller: the host knows them only through their automation interfaces. Raises the
  // failure of a property or Initialize that fails.
  explicit Session(std::vector<kx::ObjectRef> components);

  Spreadsheet& application() { return *application_; }
  const std::shared_ptr<Spreadsheet>& application_ref() const { return application_; }
  FormulaEngine& engine() { return engine_; }

  // Opens a workbook and loads its formulas; the first one opened is the active workbook.
  void open(std::shared_ptr<Book> book);
  // Opens an empty workbook "Book1" with one sheet "Sheet1", for formulas without a file.
  void open_blank();

 private:
  std::shared_ptr<Spreadsheet> application_;
  std::shared_ptr<Book> addin_;
  FormulaEngine engine_;
};

}  // namespace host
