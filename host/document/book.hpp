// A workbook: named sheets in order.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/host_services.hpp"
#include "host/document/sheet.hpp"

namespace host {

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

 protected:
  explicit Book(std::string name) : name_(std::move(name)) {}

 private:
  std::string name_;
  std::vector<std::shared_ptr<Sheet>> sheets_;
  // By name without case, so that a workbook of many sheets loads in time linear in them.
  std::unordered_map<std::string, std::shared_ptr<Sheet>> sheet_by_name_;
};

}  // namespace host
