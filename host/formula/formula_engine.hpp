// The formula engine of the host: parses and binds the formulas of the open workbooks once,
// keeps the order in which they must be computed, recalculates them (volatile cells every
// time), spills array results, and evaluates formulas typed outside any cell.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/object.hpp"
#include "common/value.hpp"
#include "host/document/spreadsheet.hpp"
#include "host/formula/dependency_graph.hpp"
#include "host/formula/evaluator.hpp"
#include "host/formula/formula.hpp"
#include "host/formula/function_table.hpp"

namespace host {

// "Sheet1!B2", as problems, cycles and failures name a cell.
std::string cell_label(const Sheet& sheet, std::int32_t row, std::int32_t column);

class FormulaEngine {
 public:
  // The members of each function provider's interface become functions of the formulas,
  // after the builtins and the host's worksheet functions.
  explicit FormulaEngine(std::shared_ptr<Spreadsheet> application, std::vector<kx::ObjectRef> function_providers = {});

  // Parses every formula of the open workbooks that is new or changed, binds all of them
  // again and marks them to be computed. Call after opening a workbook or writing formulas;
  // the order is computed again at the next recalculation.
  void load();

  // Formulas that do not parse or name something unknown; they evaluate to error values.
  struct CellProblem {
    std::string cell;  // "Sheet1!B2", or the defined name ("Rate", "Sheet1!Rate")
    FormulaProblem problem;
  };
  const std::vector<CellProblem>& problems() const { return problems_; }

  // The first failed call of each cell where one failed since the last load, in the order
  // they failed, for at most kMostCallFailures cells: a cell shows only its error value.
  struct CellFailure {
    std::string cell;  // "Sheet1!B2"
    CallFailure failure;
  };
  static constexpr std::size_t kMostCallFailures = 20;
  const std::vector<CellFailure>& call_failures() const { return call_failures_; }

  // Computes the cells whose formula is new, the volatile cells, and every cell that reads
  // one of those, in dependency order. Cells on a circular reference show error 522; cells whose
  // references only seem to run in a circle (a lookup that reads one cell of a column its own
  // row's result is in) are computed in the order their values allow.
  void recalculate();
  // Computes every formula cell.
  void recalculate_all();

  // The formula cells a recalculation computes now, in its order, for a caller that runs many
  // recalculations itself (a simulation's blocks of iterations); nullopt where circular
  // references or cells never computed leave that to recalculate().
  struct ComputedCell {
    std::uint32_t index = 0;  // for compute_cell
    Sheet* sheet = nullptr;
    std::int32_t row = 0;
    std::int32_t column = 0;
    const SyntaxTree* tree = nullptr;
    // The formula cells it reads through its references (a reference a function makes, as
    // OFFSET's, aside), by index.
    std::vector<std::uint32_t> precedents;
    std::optional<SheetArea> spill;  // where its array result spills, anchor included
  };
  std::optional<std::vector<ComputedCell>> computed_cells();
  // Computes one of those cells as a recalculation does. False when where it spills changed:
  // the cell keeps its old spill area, with its cells cleared, and the new one is cleared too.
  bool compute_cell(std::uint32_t index);

  // The circular references found by the last recalculation, each as its cells ("Sheet1!A1").
  std::vector<std::vector<std::string>> cycles() const;

  struct Evaluation {
    kx::Value value;                     // an array result stays an array
    std::optional<CallFailure> failure;  // the first call that failed, if any
  };
  // Evaluates a formula as if typed into a cell of the active workbook's first sheet that no
  // formula reads: nothing spills and nothing is stored. Raises ParseError for a formula that
  // does not parse or names an unknown function or sheet, with the column of the problem.
  Evaluation evaluate(std::string_view text);

  const FunctionTable& functions() const { return functions_; }
  Spreadsheet& application() const { return *application_; }

 private:
  struct CellState {
    Sheet* sheet = nullptr;
    std::shared_ptr<Formula> formula;
    bool is_volatile = false;
    bool dirty = true;
    bool intersects = false;  // a legacy formula's
  };

  // Defined names: each parsed when new or changed, bound once per load, the names it uses first.
  void load_names();
  void bind_name(Book& book, DefinedName& defined);
  // The bound formula of a name as a formula on `sheet` reads it (a workbook-wide name's
  // formula reads only workbook-wide names: `sheet` null); "Sheet2!Rate" names the sheet.
  const SyntaxTree* resolve_name(Book& book, const Sheet* sheet, std::string_view name, std::string& problem);
  NameResolver names_for(Book& book, const Sheet* sheet);

  void build_order();
  void run(bool everything);
  void compute(std::uint32_t index);
  void resolve_cycle(std::size_t cycle, bool everything);
  // After a pass: did a spill change where other formulas read?
  bool spill_changes_reach_readers() const;

  std::shared_ptr<Spreadsheet> application_;
  FunctionTable functions_;
  Evaluator evaluator_;
  std::vector<GraphCell> places_;  // where each formula cell is, what it reads, where it spilled
  std::vector<CellState> states_;
  std::vector<CellProblem> problems_;
  std::vector<CellFailure> call_failures_;
  std::optional<DependencyGraph> graph_;
  std::vector<char> computed_;             // per pass: was the cell computed
  std::vector<SheetArea> changed_spills_;  // per pass: spill areas that moved, old and new
  std::vector<char> cycle_pending_;        // per cycle of the order: to be settled at the next pass
  // The true circles' cells, by their first cell, as their last settling found them.
  std::map<std::uint32_t, std::vector<std::uint32_t>> circular_;
  enum class NameState : std::uint8_t { Binding, Bound };
  std::unordered_map<const DefinedName*, NameState> name_states_;
  int name_depth_ = 0;  // names being bound, one inside another
};

}  // namespace host
