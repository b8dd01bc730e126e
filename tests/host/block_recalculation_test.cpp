// Block evaluation against one recalculation per iteration: every example model and the
// simulation tests' models give the same seeded values, to the bit, for every block size and
// thread count; cells that cannot be computed a formula at a time fall back without a change.
#include "host/formula/block_recalculation.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/files/workbook_files.hpp"
#include "host/session/session.hpp"
#include "host/simulation/simulation.hpp"
#include "riskfn/frame/classes.hpp"
#include "tests/test_paths.hpp"

namespace host {
namespace {

std::vector<kx::ObjectRef> components() { return {riskfn::create_object("Main")}; }

ModelSource csv_model(const std::string& csv) {
  return {[csv] { return read_workbook(csv, WorkbookFormat::Csv, "model.csv"); }, components};
}

ModelSource file_model(const std::string& name) {
  const std::string path = std::string(KX_SOURCE_DIR) + "/examples/" + name;
  return {[path] { return load_workbook(path); }, components};
}

// Draws with references, signed constants and parameters that fail in some iterations (a
// negative spread), arithmetic over them with division by a number that may be 0, OFFSET,
// INDIRECT, a lookup over a range INDIRECT gives, and a cell whose precedents follow a draw.
const char* const kFallbackModel =
    "\"=kxUNIFORM(0,3,,\"\"\"\")\",\"=OFFSET(A8,INT(A1),0)+kxOUTPUT()\",0,100\n"
    "\"=kxNORMAL(-1,2,,\"\"\"\")\",\"=INDIRECT(\"\"A\"\"&(8+INT(A1)))*A2+kxOUTPUT()\",1,200\n"
    "\"=kxNORMAL(A2,A2,,\"\"\"\")\",\"=VLOOKUP(A1,INDIRECT(\"\"C1:D3\"\"),2,TRUE)+kxOUTPUT()\",2,300\n"
    "\"=kxTRI(A8,A9,A10,,\"\"\"\")\",\"=IF(A1<1.5,A2,A3)*2+kxOUTPUT()\"\n"
    "\"=kxPOISSON(A1,,\"\"\"\")\",\"=A3/(A5-2)+kxOUTPUT()\"\n"
    "\"=kxUNIFORM(A1,2,,\"\"\"\")\",\"=B1*2-B4^2+kxOUTPUT()\"\n"
    "\"=kxNORMAL(0,1,,\"\"ShowMode\"\")\",\"=A6+A7+kxOUTPUT()\"\n"
    "10\n"
    "20\n"
    "30\n";

// The simulation tests' models.
const char* const kKnownModel =
    "\"=kxNORMAL(10,2,,\"\"\"\")\",\"=A1+A2+kxOUTPUT()+kxNAME(\"\"normal sum\"\")\"\n"
    "\"=kxNORMAL(-3,1.5,,\"\"\"\")\",\"=A3*A4+kxOUTPUT()+kxNAME(\"\"uniform product\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A5+kxOUTPUT()+kxNAME(\"\"poisson count\"\")\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n"
    "\"=kxPOISSON(4,,\"\"\"\")\"\n";
const char* const kCorrelatedModel =
    "0.8,\"=kxCORREL(A1)\"\n"
    "\"=kxNORMAL(0,1,B1,\"\"\"\")\",\"=kxUNIFORM(5,6,C1,\"\"\"\")\",\"=A2+B2+kxOUTPUT()\"\n";
const char* const kLockedModel =
    "\"=kxNORMAL(100,15,,\"\"\"\")+kxLOCK()\",\"=A1+A2+kxOUTPUT()\"\n"
    "\"=kxUNIFORM(0,1,,\"\"\"\")\"\n";
const char* const kFailingModel = "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=IF(A1<0.3,1/0,A1)+kxOUTPUT()\"\n";
const char* const kSharedFormulaModel =
    "\"=kxUNIFORM(5,6,,\"\"\"\")\",\"=A1*2+kxOUTPUT()\"\n"
    "\"=kxUNIFORM(5,6,,\"\"\"\")\",\"=A1*2+kxOUTPUT()\"\n"
    "3,\"=A3+kxNAME(A3)+kxOUTPUT()\"\n";
// One draw feeding a chain of arithmetic cells, as the benchmark's models of many cells.
const char* const kChainModel =
    "\"=kxNORMAL(100,15,,\"\"\"\")\"\n\"=A1*1.01+1\"\n\"=A2*1.01+1\"\n\"=-A3%+A2/A1\"\n\"=A4+kxOUTPUT()\"\n";

// IF, SUM, MIN, MAX and SUMPRODUCT over draws: a text and an empty cell in ranges, a division
// by zero in the branch not chosen and in one that is, every comparison, an empty branch, MIN of
// no number, MIN and MAX of 0 and -0 (subtracting a marker's 0 keeps a -0), SQRT, which is
// left to the ordinary evaluation, and a draw whose arithmetic overflows in some iterations,
// which are drawn again the ordinary way before the next draw.
const char* const kFunctionsModel =
    "\"=kxUNIFORM(-1,1,,\"\"\"\")\",\"=IF(A3=0,A2,A1/A3)+IF(A3>0,A1/A3,-A1)+kxOUTPUT()\",1\n"
    "\"=kxNORMAL(0,1,,\"\"\"\")\",\"=SUM(A1:A6,A3*2,-1)+kxOUTPUT()\"\n"
    "\"=kxPOISSON(1,,\"\"\"\")\",\"=MIN(A1,A2,A6)+MAX(A1:A3)+MIN(A4:A5)+MIN(A4:A6)+kxOUTPUT()\",3\n"
    "text,\"=SUMPRODUCT(A1:A3,C1:C3)+SUMPRODUCT(A1:A2)+kxOUTPUT()\"\n"
    ",\"=IF(A1>=0,A2,)+IF(A1<>0,-A1%,A3)+IF(A1<=A2,1,2)+IF(A2>A1,3,4)+IF(A3,5,6)+kxOUTPUT()\"\n"
    "0,\"=1/A3+kxOUTPUT()\"\n"
    ",\"=IF(A1>0,SQRT(A1),-1)+kxOUTPUT()\"\n"
    ",\"=-A6*A1-kxOUTPUT()\"\n"
    ",\"=MAX(A1,A2)^2-(A1+B8)/2+kxOUTPUT()\"\n"
    ",\"=MIN(A6,B8)+MAX(B8,A6)-kxOUTPUT()\"\n"
    "\"=kxUNIFORM(-1,1,,\"\"\"\")^2*1E308*10\"\n"
    "\"=kxNORMAL(0,1,,\"\"\"\")\",\"=A12+kxOUTPUT()\"\n";

void expect_same(const Collection& a, const Collection& b) {
  ASSERT_EQ(a.inputs.size(), b.inputs.size());
  ASSERT_EQ(a.outputs.size(), b.outputs.size());
  const auto same = [](const Series& x, const Series& y) {
    ASSERT_EQ(x.values.size(), y.values.size());
    // Bit for bit: -0 and 0, and every last digit, count.
    EXPECT_EQ(std::memcmp(x.values.data(), y.values.data(), x.values.size() * sizeof(double)), 0);
    ASSERT_EQ(x.failures.size(), y.failures.size());
    for (std::size_t i = 0; i < x.failures.size(); ++i) {
      EXPECT_EQ(x.failures[i].iteration, y.failures[i].iteration);
      EXPECT_EQ(x.failures[i].error, y.failures[i].error);
    }
  };
  for (std::size_t k = 0; k < a.inputs.size(); ++k) same(a.inputs[k], b.inputs[k]);
  for (std::size_t k = 0; k < a.outputs.size(); ++k) same(a.outputs[k], b.outputs[k]);
}

TEST(BlockRecalculation, EveryModelGivesTheSeededValuesOfOneRecalculationPerIteration) {
  struct Case {
    const char* label;
    ModelSource source;
    std::int64_t iterations;
  };
  const Case cases[] = {
      {"fallbacks", csv_model(kFallbackModel), 1500},
      {"known outputs", csv_model(kKnownModel), 1500},
      {"correlated uniforms", csv_model(kCorrelatedModel), 1500},
      {"correlated uniforms of a drawn correlation",
       csv_model("\"=kxUNIFORM(0.1,0.2,,\"\"\"\")\",\"=kxCORREL(A1)\"\n,\"=B1+C1+kxOUTPUT()\"\n"), 1500},
      {"locked cell", csv_model(kLockedModel), 1500},
      {"failing output", csv_model(kFailingModel), 1500},
      {"shared formula", csv_model(kSharedFormulaModel), 1500},
      {"chain", csv_model(kChainModel), 1500},
      {"worksheet functions", csv_model(kFunctionsModel), 1500},
      {"product launch (xlsx)", file_model("product_launch.xlsx"), 600},
      {"product launch (csv)", file_model("product_launch.csv"), 600},
  };
  for (const Case& c : cases) {
    for (const Sampling sampling : {Sampling::Plain, Sampling::LatinHypercube}) {
      SimulationOptions options;
      options.iterations = c.iterations;
      options.seed = 11;
      options.sampling = sampling;
      options.evaluation_block = 1;
      const SimulationResult alone = simulate(c.source, options);
      for (const std::int64_t block : {2, 7, 256}) {
        for (const int threads : {1, 3}) {
          SCOPED_TRACE(std::string(c.label) + (sampling == Sampling::Plain ? ", plain" : ", lhs") + ", block " +
                       std::to_string(block) + ", threads " + std::to_string(threads));
          options.evaluation_block = block;
          options.threads = threads;
          const SimulationResult blocks = simulate(c.source, options);
          expect_same(alone.collection, blocks.collection);
          EXPECT_EQ(alone.call_failures.size(), blocks.call_failures.size());
        }
      }
    }
  }
}

// A result that spills wider or narrower with a draw makes the recalculation repeat its pass;
// the repeat draws what the first pass drew, so the input's values are those of the same model
// without the spill, whatever shape the spill had before the first iteration.
TEST(BlockRecalculation, ASpillChangingShapeRepeatsThePassWithTheSameDraws) {
  const ModelSource spilling =
      csv_model("\"=kxUNIFORM(0,3,,\"\"\"\")\",\"=SEQUENCE(1,1+INT(A1))\",,,,\n\"=SUM(B1:E1)+kxOUTPUT()\"\n");
  const ModelSource single = csv_model("\"=kxUNIFORM(0,3,,\"\"\"\")\",\"=1+INT(A1)\"\n\"=B1+kxOUTPUT()\"\n");
  for (const std::int64_t block : {1, 256}) {
    SCOPED_TRACE("block " + std::to_string(block));
    SimulationOptions options;
    options.iterations = 500;
    options.seed = 3;
    options.evaluation_block = block;
    const SimulationResult spilled = simulate(spilling, options);
    const SimulationResult plain = simulate(single, options);
    ASSERT_EQ(spilled.collection.inputs.size(), 1U);
    const auto& drawn = spilled.collection.inputs[0].values;
    EXPECT_TRUE(std::equal(drawn.begin(), drawn.end(), plain.collection.inputs[0].values.begin()));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      // 1 + 2 + … + n for a sequence of n = 1 + INT(u).
      const double n = 1 + std::floor(drawn[i]);
      ASSERT_EQ(spilled.collection.outputs[0].values[i], n * (n + 1) / 2) << "iteration " << i + 1;
    }
  }
}

TEST(BlockRecalculation, CellsAreBoundToWhatTheyCompute) {
  struct Case {
    const char* label;
    const char* csv;
    BlockRecalculation::Kinds kinds;
  };
  const Case cases[] = {
      // Draws with signed constants and references, and arithmetic over them and over percents.
      {"draws and arithmetic",
       "\"=kxNORMAL(-3,1.5,,\"\"\"\")\"\n\"=kxPOISSON(A1,,\"\"\"\")\"\n\"=A1*A2+1\"\n\"=-A3%+A2/A1\"\n",
       {2, 2, 0}},
      // OFFSET, INDIRECT, the lookup and "ShowMode" are computed the ordinary way; IF over
      // numbers runs a block at a time.
      {"fallbacks", kFallbackModel, {4, 6, 4}},
      // Of the worksheet functions, only SQRT keeps its cell from its loop.
      {"worksheet functions", kFunctionsModel, {10, 5, 1}},
      // kxCORREL over a fixed matrix is called directly; a draw taking its anchor as corFactor, a
      // draw followed by arithmetic and arithmetic on a cell it spills into run a block at a time.
      {"spill",
       "0.8,\"=kxCORREL(A1)\"\n\"=kxNORMAL(0,1,B1,\"\"\"\")\",\"=kxUNIFORM(5,6,,\"\"\"\")*2+1\",\"=C1*2\"\n",
       {1, 2, 0, 1}},
      // kxCORREL over a matrix that a draw changes is computed the ordinary way.
      {"computed matrix", "\"=kxUNIFORM(0.1,0.2,,\"\"\"\")\",\"=kxCORREL(A1)\"\n", {0, 1, 1, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    // Without the run's folding of the markers, a call to kxOUTPUT would keep a cell from its loop.
    std::string csv = c.csv;
    for (std::size_t at; (at = csv.find("kxOUTPUT()")) != std::string::npos;) csv.erase(at - 1, 11);
    Session session(components());
    session.open(read_workbook(csv, WorkbookFormat::Csv, "model.csv"));
    session.engine().recalculate();
    const auto bound = BlockRecalculation::bind(session.engine(), 16);
    ASSERT_NE(bound, nullptr);
    EXPECT_EQ(bound->kinds().arithmetic, c.kinds.arithmetic);
    EXPECT_EQ(bound->kinds().draws, c.kinds.draws);
    EXPECT_EQ(bound->kinds().general, c.kinds.general);
    EXPECT_EQ(bound->kinds().calls, c.kinds.calls);
  }
}

TEST(BlockRecalculation, CirclesAreLeftToTheRecalculation) {
  Session session(components());
  session.open(read_workbook("\"=B1+1\",\"=A1*2\"\n", WorkbookFormat::Csv, "model.csv"));
  session.engine().recalculate();
  EXPECT_EQ(BlockRecalculation::bind(session.engine(), 16), nullptr);
}

}  // namespace
}  // namespace host
