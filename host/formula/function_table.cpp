#include "host/formula/function_table.hpp"

#include <algorithm>

#include "common/text_compare.hpp"
#include "host/formula/builtins.hpp"
#include "host/worksheet/sheet_functions.hpp"
#include "host/worksheet/worksheet_functions.hpp"

namespace host {

std::string_view without_prefixes(std::string_view name) {
  for (bool stripped = true; stripped;) {
    stripped = false;
    for (std::string_view prefix : {"_xll.", "_xlfn.", "_xlws."}) {
      if (name.size() > prefix.size() && kx::equals_ignore_case(name.substr(0, prefix.size()), prefix)) {
        name.remove_prefix(prefix.size());
        stripped = true;
      }
    }
  }
  return name;
}

FunctionTable::FunctionTable(std::vector<kx::ObjectRef> providers) : providers_(std::move(providers)) {
  for (const std::span<const Builtin> table :
       {builtins(), worksheet::engine_builtins(), worksheet::lambda_builtins()}) {
    for (const Builtin& builtin : table) {
      Function function;
      function.kind = Function::Kind::Builtin;
      function.name = std::string(builtin.name);
      function.min_arguments = builtin.min_arguments;
      function.max_arguments = builtin.max_arguments;
      function.builtin = &builtin;
      function.parameters = builtin.parameters;
      add(std::move(function));
    }
  }
  for (int i = 0; i < kx::kWorksheetFnCount; ++i) {
    const auto fn = static_cast<kx::WorksheetFn>(i);
    Function function;
    function.kind = Function::Kind::Worksheet;
    function.name = kx::to_upper_ascii(kx::worksheet_fn_name(fn));
    function.worksheet = fn;
    function.parameters = worksheet_fn_parameters(fn);
    add(std::move(function));
  }
  for (const worksheet::Family family : worksheet::sheet_function_families()) {
    for (const worksheet::SheetFunction& sheet_function : family) {
      Function function;
      function.kind = Function::Kind::Sheet;
      function.name = std::string(sheet_function.name);
      function.min_arguments = static_cast<std::size_t>(sheet_function.fewest);
      function.max_arguments =
          sheet_function.most == worksheet::kUnlimited ? kMaxArguments : static_cast<std::size_t>(sheet_function.most);
      function.sheet = &sheet_function;
      function.parameters = sheet_function.parameters;
      add(std::move(function));
    }
  }
  for (const kx::ObjectRef& provider : providers_) {
    const kx::Interface* interface = provider ? provider->automation_interface() : nullptr;
    if (interface == nullptr) continue;
    for (const kx::Member& member : interface->members()) {
      Function function;
      function.kind = Function::Kind::Member;
      function.name = member.name;
      function.max_arguments = member.kind == kx::MemberKind::Method ? member.parameters.size() : 0;
      function.object = provider.get();
      function.member = &member;
      add(std::move(function));
    }
  }
}

void FunctionTable::add(Function function) {
  std::string key = kx::to_upper_ascii(function.name);
  if (by_name_.count(key) > 0) return;
  functions_.push_back(std::move(function));
  by_name_.emplace(std::move(key), &functions_.back());
}

std::vector<const Function*> FunctionTable::spreadsheet_functions() const {
  std::vector<const Function*> listed;
  for (const Function& function : functions_) {
    if (function.kind != Function::Kind::Member) listed.push_back(&function);
  }
  std::sort(listed.begin(), listed.end(), [](const Function* a, const Function* b) { return a->name < b->name; });
  return listed;
}

const Function* FunctionTable::find(std::string_view name) const {
  const auto found = by_name_.find(kx::to_upper_ascii(without_prefixes(name)));
  return found == by_name_.end() ? nullptr : found->second;
}

}  // namespace host
