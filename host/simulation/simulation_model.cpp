#include "host/simulation/simulation_model.hpp"

#include <algorithm>
#include <charconv>
#include <memory>
#include <tuple>
#include <variant>

#include "common/automation/interface.hpp"
#include "common/failure.hpp"
#include "common/text_compare.hpp"
#include "host/document/address.hpp"
#include "host/formula/function_table.hpp"

namespace host {
namespace {

constexpr std::string_view kOutputMarker = "kxOUTPUT";
constexpr std::string_view kNameMarker = "kxNAME";
constexpr std::string_view kLockMarker = "kxLOCK";
// What a locked cell's sampling calls are given as their sampling mode.
constexpr std::string_view kModeParameter = "ModeSheet";
constexpr std::string_view kShowMode = "ShowMode";

// What one formula says about its cell's part in the model.
struct Markers {
  bool output = false;
  bool locked = false;
  bool samples = false;
  std::string name;
};

Markers markers_of(const SyntaxTree& tree) {
  Markers found;
  for (const Node& node : tree.nodes) {
    const auto* call = std::get_if<Call>(&node.data);
    if (call == nullptr || call->function == nullptr || call->function->kind != Function::Kind::Member) continue;
    const std::string& name = call->function->name;
    if (kx::equals_ignore_case(name, kOutputMarker)) found.output = true;
    if (kx::equals_ignore_case(name, kLockMarker)) found.locked = true;
    if (is_sampling_function(*call->function->member)) found.samples = true;
    if (kx::equals_ignore_case(name, kNameMarker) && call->arguments.count > 0 && found.name.empty()) {
      const Node& argument = tree[tree.arguments[call->arguments.first]];
      if (const auto* constant = std::get_if<Constant>(&argument.data)) {
        const kx::Value& text = tree.constants[constant->index];
        if (text.is_text()) found.name = text.text();
      }
    }
  }
  return found;
}

[[noreturn]] void fail(const std::string& message) { throw kx::Failure(kx::error::kHostFailure, message); }

// One cell's place: its sheet (the first when the address names none), row and column.
struct Place {
  std::shared_ptr<Sheet> sheet;
  std::int32_t row = 0;
  std::int32_t column = 0;
};

Place place_of(const Book& book, const std::string& address) {
  const auto area = parse_address(address);
  if (!area || area->row_count() != 1 || area->column_count() != 1) fail(address + ": not the address of one cell");
  const auto sheet = area->sheet.empty() ? (book.sheets().empty() ? nullptr : book.sheets().front())
                                         : book.find_sheet(area->sheet);
  if (!sheet) fail(address + ": the model has no sheet " + (area->sheet.empty() ? "at all" : area->sheet));
  return {sheet, area->top, area->left};
}

kx::Value constant_of(const std::string& text) {
  double number = 0;
  const char* end = text.data() + text.size();
  if (!text.empty()) {
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error == std::errc() && stop == end) return number;
  }
  if (kx::equals_ignore_case(text, "TRUE")) return true;
  if (kx::equals_ignore_case(text, "FALSE")) return false;
  return text;
}

}  // namespace

void apply_settings(Book& book, const std::vector<CellSetting>& settings) {
  for (const CellSetting& setting : settings) {
    const Place place = place_of(book, setting.cell);
    if (setting.text.starts_with('=')) {
      place.sheet->set_formula(place.row, place.column, setting.text);
    } else {
      place.sheet->set_value(place.row, place.column, constant_of(setting.text));
    }
  }
}

bool is_sampling_function(const kx::Member& member) {
  const auto declares = [&](std::string_view parameter) {
    return std::any_of(member.parameters.begin(), member.parameters.end(),
                       [&](const kx::Parameter& p) { return p.name == parameter; });
  };
  return declares("corFactor") && declares(kModeParameter);
}

SimulationModel prepare_model(FormulaEngine& engine, const ModelOverrides& overrides) {
  if (!engine.problems().empty()) {
    const auto& first = engine.problems().front();
    fail(first.cell + ": " + first.problem.message + " (column " + std::to_string(first.problem.column) + ")");
  }

  // Cells locked from outside the model, by sheet, row and column.
  std::vector<std::tuple<const Sheet*, std::int32_t, std::int32_t>> locked_here;
  if (!overrides.locked.empty()) {
    const std::shared_ptr<Book> book = engine.application().active_book();
    for (const std::string& address : overrides.locked) {
      const Place place = place_of(*book, address);
      const Cell* cell = place.sheet->find(place.row, place.column);
      if (cell == nullptr || !cell->formula) fail(address + ": holds no formula to lock");
      locked_here.emplace_back(place.sheet.get(), place.row, place.column);
    }
  }

  SimulationModel model;
  for (const auto& book : engine.application().books()) {
    for (const auto& sheet : book->sheets()) {
      std::vector<std::tuple<std::int32_t, std::int32_t, Cell*>> formulas;
      sheet->for_each_cell([&](std::int32_t row, std::int32_t column, Cell& cell) {
        if (cell.formula) formulas.emplace_back(row, column, &cell);
      });
      std::sort(formulas.begin(), formulas.end());
      for (const auto& [row, column, cell] : formulas) {
        Markers markers = markers_of(cell->formula->tree());
        if (overrides.lock_every_input && markers.samples) markers.locked = true;
        if (std::find(locked_here.begin(), locked_here.end(), std::tuple(sheet.get(), row, column)) !=
            locked_here.end())
          markers.locked = true;
        const std::string address = sheet->name() + "!" + column_letters(column) + std::to_string(row);
        ModelCell place{sheet.get(), row, column, address, markers.name.empty() ? address : markers.name};
        if (markers.locked) {
          cell->formula->pass_argument(kModeParameter, kx::Value(std::string(kShowMode)));
          model.locked.push_back(place);
        } else if (markers.samples) {
          model.inputs.push_back(place);
        }
        if (markers.output) model.outputs.push_back(std::move(place));
      }
      // The markers give nothing and cost a call each time; once every cell of the sheet is
      // known (cells may share a formula), they become constants. A marker whose arguments
      // are computed keeps its call, and with it any failure of theirs.
      for (const auto& [row, column, cell] : formulas) {
        cell->formula->fold_calls(kOutputMarker, 0, kx::Value());
        cell->formula->fold_calls(kLockMarker, 0, kx::Value());
        cell->formula->fold_calls(kNameMarker, 1, kx::Value());
      }
    }
  }

  engine.recalculate_all();
  if (const auto cycles = engine.cycles(); !cycles.empty()) {
    std::string cells;
    for (const std::string& cell : cycles.front()) cells += (cells.empty() ? "" : ", ") + cell;
    fail(cycles.front().front() + ": circular reference through " + cells);
  }
  if (model.outputs.empty()) fail("the model has no output: mark a result cell with kxOUTPUT() in its formula");
  return model;
}

}  // namespace host
