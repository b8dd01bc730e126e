// The queueing models and the duration text, through Main's published interface, against the
// textbook formulas (tests/data/queueing_values.csv, made by make_queueing_values.py).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/automation/dispatch.hpp"
#include "common/conversions.hpp"
#include "host/document/spreadsheet.hpp"
#include "mktfn/frame/main.hpp"
#include "mktfn/queueing/duration_text.hpp"

namespace mktfn {
namespace {

using kx::Value;

constexpr std::int32_t kValueError = 2015;
const Value kMissing = Value::missing();

class QueueingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main->set_application(Value(kx::ObjectRef(application)));
    main->xlErrValue = static_cast<double>(kValueError);
  }

  Value call(const std::string& name, std::vector<Value> arguments) { return kx::call_by_name(*main, name, arguments); }
  // The value column of an output table, by row.
  static std::vector<Value> values(const Value& table) {
    std::vector<Value> column;
    for (std::size_t row = 0; row < table.array().rows(); ++row) column.push_back(table.array().at(row, 1));
    return column;
  }
  static std::vector<Value> labels(const Value& table) {
    std::vector<Value> column;
    for (std::size_t row = 0; row < table.array().rows(); ++row) column.push_back(table.array().at(row, 0));
    return column;
  }

  std::shared_ptr<host::Spreadsheet> application = host::Spreadsheet::create();
  std::shared_ptr<Main> main = Main::create();
};

struct Reference {
  std::string model;
  std::vector<Value> arguments;
  std::map<std::string, double> measures;
};

std::vector<Reference> read_references() {
  std::ifstream file(std::string(KX_TEST_DATA_DIR) + "/queueing_values.csv");
  std::string line;
  std::getline(file, line);
  std::vector<std::string> header;
  for (std::stringstream names(line); std::getline(names, line, ',');) header.push_back(line);
  std::vector<Reference> references;
  while (std::getline(file, line)) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
    cells.resize(header.size());
    Reference reference{cells[0], {}, {}};
    for (std::size_t i = 1; i <= 4; ++i) {
      if (!cells[i].empty()) reference.arguments.push_back(std::stod(cells[i]));
    }
    for (std::size_t i = 5; i < header.size(); ++i) {
      if (!cells[i].empty()) reference.measures[header[i]] = std::stod(cells[i]);
    }
    references.push_back(reference);
  }
  return references;
}

// The rows of each model's table, in order.
const std::map<std::string, std::vector<std::string>> kRows = {
    {"MD1", {"U", "P0", "Lq", "L", "Wq", "Ws", "Wt"}},
    {"MG1", {"U", "P0", "Lq", "L", "Wq", "Ws", "Wt"}},
    {"MMS", {"U", "P0", "Pw", "Lq", "L", "Wq", "Ws", "Wt"}},
    {"MMSP", {"U", "P0", "Pw", "Lq", "L", "Wq", "Ws", "Wt"}},
    {"MMSQ", {"U", "P0", "Pw", "Pb", "Lq", "L", "Wq", "Ws", "Wt"}},
};

TEST_F(QueueingTest, MeasuresAgreeWithTheTextbookFormulas) {
  const std::vector<Reference> references = read_references();
  ASSERT_GE(references.size(), 15u);
  constexpr double kRelativeTolerance = 1e-11;
  for (const Reference& reference : references) {
    const std::string name = "kx" + reference.model;
    SCOPED_TRACE(name + " case " + std::to_string(&reference - references.data()));
    const Value table = call(name, reference.arguments);
    ASSERT_TRUE(table.is_array()) << (table.is_error() ? table.error().number : -1);
    const std::vector<Value> column = values(table);
    const std::vector<std::string>& rows = kRows.at(reference.model);
    for (std::size_t row = 0; row < rows.size(); ++row) {
      SCOPED_TRACE(rows[row]);
      const double expected = reference.measures.at(rows[row]);
      ASSERT_TRUE(column[row].is_number());
      EXPECT_NEAR(column[row].number(), expected, kRelativeTolerance * std::max(1.0, std::fabs(expected)));
    }
    // The model leaves its probabilities in Main's public variables.
    EXPECT_EQ(main->P0, column[1]);
    if (reference.model.starts_with("MMS")) {
      EXPECT_EQ(main->Pw, column[2]);
    }
    if (reference.model == "MMSQ") {
      EXPECT_EQ(main->Pb, column[3]);
    }
  }
}

// Values within a few units in the last place of the exact ones.
void expect_close(const std::vector<Value>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t row = 0; row < expected.size(); ++row) {
    SCOPED_TRACE(row);
    ASSERT_TRUE(actual[row].is_number());
    EXPECT_NEAR(actual[row].number(), expected[row], 4e-16 * std::max(1.0, std::fabs(expected[row])));
  }
}

TEST_F(QueueingTest, SmallCasesAndTheConstantServiceCase) {
  EXPECT_EQ(values(call("kxMD1", {1.0, 0.5})), (std::vector<Value>{0.5, 0.5, 0.25, 0.75, 0.25, 0.5, 0.75}));
  EXPECT_EQ(call("kxMG1", {1.7, 0.3, 0.0}), call("kxMD1", {1.7, 0.3}));
  // p_n = (1/3)(2/3)^n stays at or above the default boundary 10^-6 up to n = 31: 32 chart bars.
  expect_close(values(call("kxMMS", {2, 3, 1})),
               {2.0 / 3, 1.0 / 3, 2.0 / 3, 4.0 / 3, 2.0, 2.0 / 3, 1.0 / 3, 1.0, 32.0});
}

TEST_F(QueueingTest, UnstableOrMeaninglessLoadsGiveTheErrorValue) {
  const struct {
    const char* name;
    std::vector<Value> arguments;
  } cases[] = {
      {"kxMD1", {2.0, 0.5}},          // U = 1
      {"kxMD1", {3.0, 0.5}},          // U > 1: the measures would be negative
      {"kxMD1", {-1.0, 0.5}},         // a negative arrival rate
      {"kxMG1", {4.0, 0.5, 0.1}},     // U = 2
      {"kxMMS", {3, 3, 1}},           // ρ = 1
      {"kxMMS", {10, 3, 2}},          // ρ > 1
      {"kxMMS", {-2, 3, 1}},          // negative load
      {"kxMMS", {2, 3, 0}},           // no server
      {"kxMMSP", {1.0, 2.0, 0, 5}},   // no server
      {"kxMMSQ", {2, 3, 0, 5}},       // no server
      {"kxMMSQ", {-2, 3, 1, 5}},      // negative load
      {"kxMD1", {-1.0, -0.5}},        // negative rate and time: U > 0, but no queue
      {"kxMMS", {-2, -3, 1}},         // both rates negative
      {"kxMMSP", {1.0, -2.0, 1, 5}},  // a negative service rate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    main->P0 = main->Pw = main->Pb = Value("before");
    EXPECT_EQ(call(c.name, c.arguments), Value(kx::ErrorValue{kValueError}));
    EXPECT_EQ(main->P0, Value("before"));
    EXPECT_EQ(main->Pw, Value("before"));
  }
  // A bounded queue stays valid when the servers cannot keep up.
  EXPECT_TRUE(call("kxMMSQ", {10, 3, 2, 20}).is_array());
  EXPECT_TRUE(call("kxMMSP", {5.0, 1.0, 1, 8}).is_array());
}

TEST_F(QueueingTest, FailuresThatLeaveTheCall) {
  const struct {
    const char* name;
    std::vector<Value> arguments;
    std::int32_t number;
  } cases[] = {
      {"kxMD1", {1.0, 0.0}, kx::error::kDivisionByZero},  // no service time
      {"kxMD1", {0.0, 0.5}, kx::error::kOverflow},        // Wq = 0 / 0
      {"kxMD1", {"fast", 0.5}, kx::error::kTypeMismatch},
      {"kxMMS", {1, 0, 1}, kx::error::kDivisionByZero},  // μ = 0
      {"kxMMS", {1, 200, 200}, kx::error::kOverflow},    // s μ beyond 16 bits
      {"kxMMS", {2, 3, 1, 0, false, "low"}, kx::error::kTypeMismatch},
      {"kxMMS", {2, 3, 1, 0, false, kMissing, false, 1}, kx::error::kWrongArgumentCount},
      {"kxMMSP", {1.0, 2.0, 1, -1}, kx::error::kSubscriptOutOfRange},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      call(c.name, c.arguments);
      ADD_FAILURE() << "no failure";
    } catch (const kx::Failure& failure) {
      EXPECT_EQ(failure.number(), c.number) << failure.what();
    }
  }
}

TEST_F(QueueingTest, SideEffectsOnTheProbabilities) {
  call("kxMMSQ", {9, 4, 3, 5});
  const Value p0 = main->P0, pw = main->Pw, pb = main->Pb;
  EXPECT_TRUE(p0.is_number() && pw.is_number() && pb.is_number());
  call("kxMD1", {1.0, 0.5});
  EXPECT_EQ(main->P0, Value(0.5));
  EXPECT_EQ(main->Pw, pw);
  EXPECT_EQ(main->Pb, pb);
  call("kxMMS", {2, 3, 1});
  expect_close({main->Pw}, {2.0 / 3});
  EXPECT_EQ(main->Pb, pb);
}

TEST_F(QueueingTest, LabelsChartBlockAndTimes) {
  const Value table = call("kxMMS", {2, 3, 1, 0, false, kMissing, true});
  const std::vector<Value> long_labels = labels(table);
  EXPECT_EQ(long_labels[0], Value("U, Full system utilization"));
  EXPECT_EQ(long_labels[8], Value("Number of chart bars, threshhold=>0.0001%"));
  const double count = table.array().at(8, 1).number();
  EXPECT_EQ(count, 32.0);
  ASSERT_EQ(table.array().rows(), 9 + count + 1);
  EXPECT_EQ(table.array().at(9, 0), Value("Units"));
  EXPECT_EQ(table.array().at(9, 1), Value("Probability to be in system"));
  EXPECT_EQ(table.array().at(10, 0), Value(0.0));
  EXPECT_EQ(table.array().at(10, 1), Value(1.0 / 3));
  EXPECT_EQ(table.array().at(9 + count, 0), Value(count - 1));

  const Value brief = call("kxMMSQ", {2, 3, 1, 4, 1, true, 0.01, true});
  EXPECT_EQ(labels(brief)[3], Value("P bulk"));
  EXPECT_EQ(labels(brief)[9], Value("Chart =>1.0000%"));
  EXPECT_EQ(brief.array().at(10, 1), Value("P"));
  EXPECT_TRUE(values(brief)[6].is_text());      // Wq as a duration text
  EXPECT_EQ(values(brief)[7], Value("20:00"));  // a third of an hour
  // M/M/1 at 2 and 3 an hour: Wq = 2/3, Ws = 1/3 and Wt = 1 hour, each to the second.
  const std::vector<Value> times = values(call("kxMMS", {2, 3, 1, 0, true}));
  EXPECT_EQ(times[5], Value("40:00"));
  EXPECT_EQ(times[6], Value("20:00"));
  EXPECT_EQ(times[7], Value("01:00:00"));
  EXPECT_EQ(call("kxMMSP", {1.0, 4.0, 1, 5, 0, false, kMissing, true}).array().at(9, 1), Value("Probability"));
}

TEST_F(QueueingTest, QueueLimitShowsTheMessageFirst) {
  EXPECT_TRUE(call("kxMMSQ", {6, 2, 3, 242}).is_array());
  EXPECT_EQ(application->last_message(), "");
  EXPECT_EQ(call("kxMMSQ", {6, 2, 3, 243}), Value(kx::ErrorValue{kValueError}));
  EXPECT_EQ(application->last_message(),
            "Excel can handle a maximum queue length of 242 units.\rReduce the maximum queue length and try again.");
}

TEST_F(QueueingTest, StateTablesOfDoArr) {
  const Value mms = call("doArr", {"MMS", 2.0 / 3, 1.0, 1, 2.0, 0});
  ASSERT_TRUE(mms.is_array());
  EXPECT_EQ(mms.array().rows(), 60001u);
  EXPECT_EQ(mms.array().columns(), 4u);
  EXPECT_EQ(mms.array().lower_bound(1), 0);
  EXPECT_EQ(main->P0, Value(1.0 / 3));

  // Every model's state probabilities sum to one, whatever the number of servers.
  const struct {
    std::vector<Value> arguments;
    std::size_t probability_column;
  } tables[] = {
      {{"MSP", 10, 3, 0.7}, 4},
      {{"MSP", 4, 6, 2.5}, 4},
      {{"MSQ", 9.0 / 4, std::pow(9.0 / 4, 3) / 6, 3, 0.75, 5}, 3},
      {{"MSQ", 4.0, 8.0, 2, 2.0, 30}, 3},
  };
  for (const auto& t : tables) {
    SCOPED_TRACE(t.arguments[0].text() + " " + kx::to_text(t.arguments[1]));
    const Value table = call("doArr", t.arguments);
    ASSERT_TRUE(table.is_array());
    double total = 0.0;
    for (std::size_t row = 0; row < table.array().rows(); ++row)
      total += table.array().at(row, t.probability_column).number();
    EXPECT_NEAR(total, 1.0, 1e-13);
  }

  const Value other = call("doArr", {"mms", 1.0, 1.0, 1.0});
  ASSERT_TRUE(other.is_array());
  EXPECT_EQ(other.array().size(), 0u);
  EXPECT_EQ(other.array().upper_bound(1), -1);
}

TEST_F(QueueingTest, DurationText) {
  const struct {
    Value hours;
    const char* text;
  } cases[] = {
      {24.5, "1:00:30:00"}, {2.0, "02:00:00"},     {0.5, "30:00"}, {30.0, "1:06:00:00"},  {5.5, "05:30:00"},
      {0.25, "15:00"},      {49.75, "2:01:45:00"}, {0.0, "00:00"}, {1.0 / 3600, "00:01"}, {"12", "12:00:00"},
      // Binary fractions of an hour round to the nearest second, never to one short or negative.
      {83.0 / 60, "01:23:00"}, {61.0 / 60, "01:01:00"}, {1.0 / 60, "01:00"}, {7.0 / 60, "07:00"},
      {23.0 + 3599.6 / 3600, "1:00:00:00"}, {-1.5, "-01:30:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(call("kxDHMS", {c.hours}), Value(c.text));
  }
  EXPECT_THROW(call("kxDHMS", {"soon"}), kx::Failure);
}

// Every whole second of two days, as hours, reads as itself.
TEST_F(QueueingTest, DurationTextOfEveryWholeSecond) {
  int wrong = 0;
  for (int second = 0; second < 2 * 86400; ++second) {
    const int days = second / 86400;
    const int hours = second % 86400 / 3600;
    const int minutes = second % 3600 / 60;
    char text[32];
    if (days > 0) {
      std::snprintf(text, sizeof text, "%d:%02d:%02d:%02d", days, hours, minutes, second % 60);
    } else if (hours > 0) {
      std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, second % 60);
    } else {
      std::snprintf(text, sizeof text, "%02d:%02d", minutes, second % 60);
    }
    const std::string expected = text;
    const std::string shown = duration_text(second / 3600.0);
    if (shown != expected && ++wrong <= 5) ADD_FAILURE() << second << " s: " << shown << " for " << expected;
  }
  EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace mktfn
