// Recalculating a block of a simulation's iterations at once, a formula at a time: the cells
// are bound once to what they compute, an arithmetic formula runs as a tight loop over the
// block, a sampling call draws the block from its rule, and only what cannot be told in
// advance (a function other than these, a value that is no number) is computed the ordinary
// way, one iteration at a time. Each iteration draws from its own generator state, so the
// values are those of one recalculation per iteration, to the bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "common/automation/interface.hpp"
#include "common/uniform_generator.hpp"
#include "common/value.hpp"
#include "host/formula/formula_engine.hpp"

namespace host {

struct Cell;

class BlockRecalculation {
 public:
  // Binds the cells `engine` computes at each recalculation, for blocks of up to `block`
  // iterations; null where recalculate() must run each one (circular references).
  static std::unique_ptr<BlockRecalculation> bind(FormulaEngine& engine, std::size_t block);

  // Computes iterations first .. first+count-1 (count at most the block), each from the
  // generator state start_iteration(seed, its number) gives, stratified over `strata`
  // iterations (0: not stratified). False when a result spilled elsewhere than before: those
  // iterations must then be recalculated one by one, and this object no longer used.
  bool run(std::uint64_t seed, std::uint64_t first, std::size_t count, std::uint64_t strata);

  // Where a cell's values of the last run are: the slot of a cell computed at every iteration;
  // nullopt for any other cell, which keeps its value.
  std::optional<std::size_t> slot_of(const Sheet* sheet, std::int32_t row, std::int32_t column) const;
  // The value of a slot at iteration first+i: a number, or else value().
  bool is_number(std::size_t slot, std::size_t i) const { return slots_[slot].other[i] == 0; }
  double number(std::size_t slot, std::size_t i) const { return slots_[slot].numbers[i]; }
  const kx::Value& value(std::size_t slot, std::size_t i) const { return slots_[slot].values[i]; }

  // How the cells were bound, for the tests: cells of each kind.
  struct Kinds {
    std::size_t arithmetic = 0;
    std::size_t draws = 0;
    std::size_t general = 0;
    std::size_t calls = 0;
  };
  Kinds kinds() const;

 private:
  // A number fixed for the run (a constant, a cell no recalculation changes), an earlier slot,
  // or a cell an earlier slot's array spills into.
  struct Operand {
    double number = 0;
    std::int64_t slot = -1;
    std::int64_t element = -1;  // in the slot's spill
  };
  // One step of a formula computed over the block, on a stack of rows: each row holds a number
  // per iteration and, beside it, whether that iteration must be computed the ordinary way.
  struct Step {
    enum class Code : std::uint8_t {
      Push,      // the operand
      Negate,    // the top row
      Percent,   // the top row
      Combine,   // the top row `op` the operand (or the row above it, taken off): + - * / ^ or a comparison (1 or 0)
      Least,     // the smaller of the top row and the operand (or the row above it, taken off), as MIN keeps it
      Greatest,  // the larger, as MAX keeps it
      Select,    // IF: the third row from the top chooses the second (not 0) or the top one
    };
    Code code = Code::Push;
    Operator op = Operator::Add;
    bool from_stack = false;  // Combine, Least, Greatest: the right side is the top row, not the operand
    Operand operand;
  };
  // Call: a component's method giving an array from arguments fixed for the run (kxCORREL over
  // its matrix), called directly, without the formula's evaluation around it.
  enum class Kind { Arithmetic, Draw, General, Call };
  struct Slot {
    Kind kind = Kind::General;
    std::uint32_t index = 0;  // the engine's
    Cell* cell = nullptr;
    std::vector<Step> steps;                        // Arithmetic
    std::size_t depth = 0;                          // Arithmetic: rows of its stack
    kx::Object* provider = nullptr;                 // Draw
    const kx::SamplingDraw* draw = nullptr;         // Draw
    std::vector<Operand> parameters;                // Draw
    std::vector<std::pair<Operator, double>> tail;  // Draw: arithmetic on the variate
    bool tail_may_fail = false;                     // Draw
    const kx::Member* member = nullptr;             // Call, with `provider`
    std::vector<kx::Value> arguments;               // Call: as the formula gives them
    std::size_t spill_rows = 0;                     // Call: of its array, anchor included
    std::size_t spill_columns = 0;
    std::optional<Operand> uniform;  // Draw: corFactor, when given
    // General: the slots it reads, unless a function makes its references (all slots then).
    std::optional<std::vector<std::size_t>> reads;
    // The values of the block: a number, or `other` set and the value in `values`.
    std::vector<double> numbers;
    std::vector<std::uint8_t> other;
    std::vector<kx::Value> values;  // sized at the first value that is no number
    bool any_other = false;         // some iteration of the block holds no number
    kx::Value last;                 // of the iteration before the block
    // The cells its array result spills into beyond its own, and their values at each
    // iteration of the block (one row per iteration) and before it.
    std::vector<Cell*> spill;
    std::vector<std::pair<std::int32_t, std::int32_t>> spill_at;  // their rows and columns
    Sheet* sheet = nullptr;
    std::vector<kx::Value> spilled;
    std::vector<kx::Value> spilled_last;
  };

  BlockRecalculation(FormulaEngine& engine, std::size_t block) : engine_(engine), block_(block) {}
  void bind_cell(const FormulaEngine::ComputedCell& computed);
  bool bind_draw(const SyntaxTree& tree, const Node& node, Slot& slot);
  bool bind_call(const SyntaxTree& tree, Slot& slot);
  std::optional<Operand> operand_of(const Sheet* sheet, std::int32_t row, std::int32_t column, bool empty_is_zero);
  // A cell computed at every iteration, or one an array result spills into, as an operand;
  // nullopt for any other cell. `later`: the cell is computed after those bound so far.
  std::optional<Operand> changing_operand(const Sheet* sheet, std::int32_t row, std::int32_t column, bool& later) const;

  // How a node's value is read where it stands: as a value of its own (a cell's result, an IF
  // branch, an aggregate's argument, a comparison's side), as an operand of arithmetic (where
  // nothing reads as 0), or as IF's condition (where a comparison may stand).
  enum class Use { Value, Arithmetic, Condition };
  // The steps that leave a node's value as the top row of the slot's stack; false for a node a
  // block cannot compute a formula at a time.
  bool compile(const SyntaxTree& tree, NodeId id, Use use, Slot& slot, std::size_t& height);
  bool compile_call(const SyntaxTree& tree, const Call& call, Slot& slot, std::size_t& height);
  bool compile_aggregate(const SyntaxTree& tree, std::span<const NodeId> arguments, Step::Code fold, Slot& slot,
                         std::size_t& height);
  bool compile_sum_product(const SyntaxTree& tree, std::span<const NodeId> arguments, Slot& slot, std::size_t& height);
  void push(Slot& slot, std::size_t& height, Step step);

  // An operand's value at iteration i, and whether it is a number (then in `number`).
  const kx::Value* value_at(const Operand& operand, std::size_t i, double& number) const;
  // An operand's row over the block, and whether each iteration must be computed alone: in
  // place for a slot's numbers, else written into `numbers` and `failed`.
  const double* operand_row(const Operand& operand, std::size_t count, double* numbers, std::uint8_t* failed,
                            const std::uint8_t*& failed_row) const;
  void run_arithmetic(std::size_t slot, std::size_t count);
  void run_draw(std::size_t slot, std::size_t count);
  void run_call(std::size_t slot, std::size_t count);
  // The slots from `slot` on that are computed the ordinary way, iteration by iteration;
  // returns the first slot after them.
  std::size_t run_general(std::size_t slot, std::size_t count);
  // One cell at one iteration the ordinary way, after the operands it reads are put in place.
  void compute_alone(std::size_t slot, std::size_t i);
  // Computes a cell on its sheet with iteration i's generator and keeps its value.
  void compute_in_place(std::size_t slot, std::size_t i);
  void keep(std::size_t slot, std::size_t i, const kx::Value& value);
  // Puts iteration i's value of a slot into its cell (i = -1: the one before the block).
  void put(std::size_t slot, std::ptrdiff_t i);
  // Puts back every value from before the block, after a spill moved.
  void restore();

  using Place = std::tuple<const Sheet*, std::int32_t, std::int32_t>;

  FormulaEngine& engine_;
  std::size_t block_;
  std::vector<Slot> slots_;
  std::map<Place, std::size_t> by_cell_;
  std::vector<std::pair<SheetArea, std::size_t>> spill_areas_;  // and the slot that spills there
  std::vector<kx::UniformGenerator> generators_;                // each iteration's of the block
  std::vector<double> stack_;                                   // arithmetic: depth rows of a block each
  std::vector<std::uint8_t> failed_;                            // arithmetic: beside each row of the stack
  std::vector<double> operand_numbers_;                         // arithmetic: an operand's row
  std::vector<std::uint8_t> operand_failed_;
  std::vector<std::uint8_t> none_failed_;
  std::vector<double> draw_rows_;                 // draws: a row per parameter
  std::vector<std::uint8_t> wanted_;              // draws: iterations to draw
  std::vector<std::uint8_t> drawn_;               // draws: iterations drawn
  std::vector<kx::UniformGenerator> drawn_from_;  // draws: the generators before
  std::vector<kx::Value> call_arguments_;         // calls: a call's, which it may write back into
  bool spilled_ = false;
};

}  // namespace host
