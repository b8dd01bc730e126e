// Price and quantity index numbers: the worked example and a basket against numpy, exactly 100
// for unchanged figures, and the failures.
#include <string>
#include <vector>

#include "common/conversions.hpp"
#include "tests/mktfn/marketing_fixture.hpp"

namespace mktfn {
namespace {

using kx::Value;

class IndexNumbersTest : public MarketingTest {
 protected:
  // The arguments each index takes, from the four columns of a basket.
  std::vector<Value> arguments_of(const std::string& function, const Value& po, const Value& pn, const Value& qo,
                                  const Value& qn) {
    if (function == "kxLASP") return {po, pn, qo};
    if (function == "kxPAASCHEP") return {po, pn, qn};
    if (function == "kxLASQ") return {po, qo, qn};
    if (function == "kxPAASCHEQ") return {pn, qo, qn};
    return {po, pn, qo, qn};
  }
};

const char* const kIndices[] = {"kxLASP", "kxPAASCHEP", "kxEDGEP", "kxFISHERP",
                                "kxLASQ", "kxPAASCHEQ", "kxEDGEQ", "kxFISHERQ"};

TEST_F(IndexNumbersTest, AgreeWithNumpy) {
  std::int32_t left = 1;
  for (const auto& basket : marketing_values()["index_numbers"]) {
    const Value po = column(1, left, basket["price_old"].get<std::vector<double>>());
    const Value pn = column(1, left + 1, basket["price_new"].get<std::vector<double>>());
    const Value qo = column(1, left + 2, basket["quantity_old"].get<std::vector<double>>());
    const Value qn = column(1, left + 3, basket["quantity_new"].get<std::vector<double>>());
    left += 4;
    for (const char* function : kIndices) {
      SCOPED_TRACE(std::string(function) + " of basket " + std::to_string(left / 4));
      const double expected = basket["expected"][function];
      EXPECT_NEAR(call(function, arguments_of(function, po, pn, qo, qn)).number(), expected, 1e-12 * expected);
    }
  }
}

// A basket reads the same laid out in rows, in columns or as array constants of either layout.
TEST_F(IndexNumbersTest, EveryLayoutOfABasketGivesTheSameIndex) {
  const auto& basket = marketing_values()["index_numbers"][0];
  const char* const columns[] = {"price_old", "price_new", "quantity_old", "quantity_new"};
  const auto array_of = [&](const char* name, bool as_row) {
    const auto numbers = basket[name].get<std::vector<double>>();
    std::vector<Value> values(numbers.begin(), numbers.end());
    if (!as_row) return Value(kx::Array::vector(std::move(values), 1));
    kx::Array row(1, numbers.size(), 1, 1);
    for (std::size_t i = 0; i < numbers.size(); ++i) row.at(0, i) = values[i];
    return Value(std::move(row));
  };
  std::vector<Value> in_rows;
  std::vector<Value> as_arrays;
  std::vector<Value> as_row_arrays;
  for (std::int32_t i = 0; i < 4; ++i) {
    in_rows.push_back(row(10 + i, 1, basket[columns[i]].get<std::vector<double>>()));
    as_arrays.push_back(array_of(columns[i], false));
    as_row_arrays.push_back(array_of(columns[i], true));
  }
  const struct {
    const char* label;
    const std::vector<Value>& basket;
  } layouts[] = {{"rows", in_rows}, {"array constants", as_arrays}, {"array constants in a row", as_row_arrays}};
  for (const auto& layout : layouts) {
    for (const char* function : kIndices) {
      SCOPED_TRACE(std::string(function) + " of " + layout.label);
      const double expected = basket["expected"][function];
      const auto& b = layout.basket;
      const Value result = call(function, arguments_of(function, b[0], b[1], b[2], b[3]));
      ASSERT_TRUE(result.is_number()) << kx::to_text(result);
      EXPECT_NEAR(result.number(), expected, 1e-12 * expected);
    }
  }
}

TEST_F(IndexNumbersTest, UnchangedFiguresGiveExactly100) {
  const Value prices = column(1, 1, {2.5, 4.1, 0.8, 12.0, 7.35});
  const Value quantities = column(1, 2, {120, 80, 400, 15, 44});
  for (const char* function : kIndices) {
    SCOPED_TRACE(function);
    EXPECT_EQ(call(function, arguments_of(function, prices, prices, quantities, quantities)), Value(100.0));
  }
}

TEST_F(IndexNumbersTest, Failures) {
  const Value prices = column(1, 1, {1, 2});
  const Value zero = column(1, 2, {0, 0});
  const Value longer = column(1, 3, {1, 2, 3});
  const Value words = table(1, 4, {{"one"}, {"two"}});
  const FailureCase cases[] = {
      {"no base value", "kxLASP", {zero, prices, prices}, kx::error::kDivisionByZero},
      {"ranges of different lengths", "kxPAASCHEP", {prices, prices, longer}, kx::error::kTypeMismatch},
      {"texts for prices", "kxEDGEP", {words, prices, prices, prices}, kx::error::kTypeMismatch},
      {"Edgeworth of a shorter range", "kxEDGEQ", {prices, prices, longer, prices}, kx::error::kTypeMismatch},
      {"Fisher of a failing Laspeyres", "kxFISHERQ", {prices, prices, zero, prices}, kx::error::kDivisionByZero},
  };
  expect_failures(cases);
}

}  // namespace
}  // namespace mktfn
