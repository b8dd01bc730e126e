// What a simulation reads in a workbook: its outputs (cells marked kxOUTPUT()), its inputs
// (cells that call a sampling function) and its locked cells (marked kxLOCK(), held at their
// deterministic values).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/document/book.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {

struct ModelCell {
  const Sheet* sheet = nullptr;
  std::int32_t row = 0;
  std::int32_t column = 0;
  std::string address;  // "Model!C12"
  std::string name;     // kxNAME's text, or the address
};

struct SimulationModel {
  std::vector<ModelCell> inputs;   // in workbook, sheet, row and column order
  std::vector<ModelCell> outputs;  // the same
  std::vector<ModelCell> locked;
};

// A cell replaced for a run: a constant, or a formula when the text starts with "=".
struct CellSetting {
  std::string cell;  // "A1" on the first sheet, or "Sheet!A1"
  std::string text;
};

// What a run changes in the model without editing its file.
struct ModelOverrides {
  std::vector<std::string> locked;  // cells locked as kxLOCK() locks them
  std::vector<CellSetting> set;
  bool lock_every_input = false;  // every input at its deterministic value: the base case
};

// Puts the settings into a workbook before it is opened. Raises kx::Failure for an address
// that names no cell of the workbook.
void apply_settings(Book& book, const std::vector<CellSetting>& settings);

// Finds the model in the engine's workbooks, locks its locked cells and computes every cell
// once. Raises kx::Failure with a one-line message naming the cell when the model cannot run:
// a formula that does not parse or names an unknown function or sheet, a circular reference,
// no output at all, or a cell to lock that holds no formula.
SimulationModel prepare_model(FormulaEngine& engine, const ModelOverrides& overrides = {});

// A member of a component is a sampling function when it takes a uniform and a sampling mode.
bool is_sampling_function(const kx::Member& member);

}  // namespace host
