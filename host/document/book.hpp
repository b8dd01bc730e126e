// A workbook: named sheets in order, and the names defined for the workbook or one sheet.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/host_services.hpp"
#include "host/document/sheet.hpp"

namespace host {

class Formula;  // a parsed formula, owned by the formula engine

// A defined name: a range, a cell, a constant or a formula, written as a cell's formula is
// ("Inputs!$B$2:$B$9", "0.05", "Rate*12"). Unqualified references in it are read on its
// sheet, or on the workbook's first sheet for a workbook-wide name.
struct DefinedName {
  std::string name;                  // as written
  std::string formula_text;          // without a leading "="
  const Sheet* scope = nullptr;      // the sheet it belongs to; null for the whole workbook
  std::shared_ptr<Formula> formula;  // parsed and bound by the formula engine
};

// A text that may name a range: a letter, '_' or a backslash first, then letters, digits, '_' and '.',
// and neither a cell address nor TRUE or FALSE.
bool is_valid_defined_name(std::string_view name);

class Book : public kx::Workbook {
 public:
  static std::shared_ptr<Book> create(std::string name);

  std::string name() const override { return name_; }
  std::shared_ptr<kx::Worksheet> worksheet(std::string_view name) override { return sheet(name); }

  // The sheet by name, compared without case; fails with 9 when there is none.
  std::shared_ptr<Sheet> sheet(std::string_view name) const;
  std::shared_ptr<Sheet> find_sheet(std::string_view name) const;
  // Adds a sheet at the end; fails when the name is taken or empty.
  std::shared_ptr<Sheet> add_sheet(std::string name);
  const std::vector<std::shared_ptr<Sheet>>& sheets() const { return sheets_; }

  // Defines `name` for the workbook (scope null) or for one of its sheets, replacing an
  // earlier definition of the same name and scope; fails with 1004 for a name that is not valid.
  DefinedName& define_name(std::string name, std::string formula_text, const Sheet* scope = nullptr);
  // The definition a formula on `sheet` reads: the sheet's own name wins over the workbook's.
  // Names compare without case; null when neither defines it.
  DefinedName* find_name(std::string_view name, const Sheet* sheet) const;
  // Every definition, workbook-wide ones first, then by sheet and name.
  std::vector<DefinedName*> defined_names() const;

  // What reading the file could not keep as the file had it, one line per cell
  // ("Data!B7: ..."), for the user to see; empty for a workbook read whole.
  const std::vector<std::string>& read_warnings() const { return read_warnings_; }
  void add_read_warning(std::string line) { read_warnings_.push_back(std::move(line)); }

 protected:
  explicit Book(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
  std::vector<std::shared_ptr<Sheet>> sheets_;
  // By name without case, so that a workbook of many sheets loads in time linear in them.
  std::unordered_map<std::string, std::shared_ptr<Sheet>> sheet_by_name_;
  // By (sheet name, name), both upper case; the sheet name is empty for workbook-wide names.
  mutable std::map<std::pair<std::string, std::string>, DefinedName> names_;
  std::vector<std::string> read_warnings_;
};

}  // namespace host
