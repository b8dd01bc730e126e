// The functions a formula can call, resolved by name once when the formula is bound:
// the engine's builtins, the host's worksheet functions under their spreadsheet names, and
// the members of the components' interfaces, reached through the automation layer.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/automation/interface.hpp"
#include "common/host_services.hpp"
#include "common/object.hpp"
#include "host/formula/limits.hpp"

namespace host {

struct Builtin;
namespace worksheet {
struct SheetFunction;
}

struct Function {
  enum class Kind { Builtin, Worksheet, Sheet, Member };

  Kind kind = Kind::Builtin;
  std::string name;  // as the provider spells it: "IF", "NORMINV", "kxNORMAL"
  std::size_t min_arguments = 0;
  std::size_t max_arguments = kMaxArguments;
  std::string_view parameters;  // of the spreadsheet's functions, as `kx functions` lists them

  const Builtin* builtin = nullptr;                 // Builtin
  kx::WorksheetFn worksheet{};                      // Worksheet
  const worksheet::SheetFunction* sheet = nullptr;  // Sheet
  kx::Object* object = nullptr;                     // Member: the provider, kept alive by the table
  const kx::Member* member = nullptr;               // Member
};

class FunctionTable {
 public:
  // Builtins come first, then the worksheet functions the components call, then the other
  // worksheet functions by family, then the providers' members in order,
  // so that the first of two equal names wins.
  explicit FunctionTable(std::vector<kx::ObjectRef> providers = {});

  // Case-insensitive, with the _xll., _xlfn. and _xlws. prefixes of saved workbooks removed;
  // nullptr for an unknown name.
  const Function* find(std::string_view name) const;

  // The spreadsheet's own functions (builtins and worksheet functions), by name.
  std::vector<const Function*> spreadsheet_functions() const;

 private:
  void add(Function function);

  std::vector<kx::ObjectRef> providers_;
  std::deque<Function> functions_;  // a deque keeps the addresses that bound formulas hold
  std::unordered_map<std::string, const Function*> by_name_;
};

// The name without the prefixes that workbook files put before add-in and newer functions.
std::string_view without_prefixes(std::string_view name);

}  // namespace host
