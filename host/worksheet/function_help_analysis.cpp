#include <string_view>
#include <vector>

#include "host/worksheet/function_help_tables.hpp"

namespace host::worksheet::help {
namespace {

using kx::FunctionHelp;
using kx::ParameterHelp;

constexpr ParameterHelp kNumber1 = p("number1",
                                     "the first number, array or range; texts and empty cells in ranges are "
                                     "skipped");
constexpr ParameterHelp kMoreNumbers = p("...", "more numbers, arrays or ranges (255 arguments in all)");
constexpr ParameterHelp kValue1 = p("value1",
                                    "the first value, array or range; in ranges TRUE counts as 1, FALSE and texts "
                                    "as 0");
constexpr ParameterHelp kMoreValues = p("...", "more values, arrays or ranges (255 arguments in all)");
constexpr ParameterHelp kX = p("x", "the value at which the distribution is taken");
constexpr ParameterHelp kPositiveX = p("x", "the value (>= 0)");
constexpr ParameterHelp kProbability = p("probability", "the probability, in (0, 1)");
constexpr ParameterHelp kDegFreedom = p("deg_freedom", "the degrees of freedom (>= 1)");
constexpr ParameterHelp kDegFreedom1 = p("deg_freedom1", "the degrees of freedom of the numerator (>= 1)");
constexpr ParameterHelp kDegFreedom2 = p("deg_freedom2", "the degrees of freedom of the denominator (>= 1)");
constexpr ParameterHelp kCumulative = p("cumulative",
                                        "TRUE for the cumulative probability P(X <= x), FALSE for the "
                                        "density or probability mass");
constexpr ParameterHelp kSample1 = p("array1", "the first sample, an array or range of numbers");
constexpr ParameterHelp kSample2 = p("array2", "the second sample");
constexpr ParameterHelp kTrials = p("trials", "the number of independent trials");
constexpr ParameterHelp kProbabilityS = p("probability_s", "the probability of a success in each trial, in [0, 1]");
constexpr ParameterHelp kArrayX = p("array_x", "the first array or range of numbers");
constexpr ParameterHelp kArrayY = p("array_y", "the second one, as many numbers as the first");
constexpr ParameterHelp kKnownYs = p("known_y's", "the observed values, an array or range");
constexpr ParameterHelp kKnownXs = p("known_x's",
                                     "the values of the variables, one column (or row) each; 1, 2, 3, ... when "
                                     "omitted");
constexpr ParameterHelp kNewXs = p("new_x's", "the values to predict at (the known x's when omitted)");
// Databases.
constexpr ParameterHelp kDatabase = p("database", "the range or array whose first row holds the field names");
constexpr ParameterHelp kField = p("field", "the column: its name as a text, or its number from 1");
constexpr ParameterHelp kDbCriteria = p("criteria",
                                        "a range whose first row names fields and whose rows below hold conditions "
                                        "such as \">5\"; conditions in one row must all hold, rows are alternatives");
// Securities.
constexpr ParameterHelp kSettlement = p("settlement", "the date the buyer receives the security, a serial number");
constexpr ParameterHelp kMaturity = p("maturity", "the date the security expires, after the settlement");
constexpr ParameterHelp kFrequency = p("frequency", "the coupons a year: 1, 2 or 4");
constexpr ParameterHelp kBasis = p("basis",
                                   "the day count: 0 or omitted US 30/360, 1 actual/actual, 2 actual/360, 3 "
                                   "actual/365, 4 European 30/360");
constexpr ParameterHelp kCouponRate = p("rate", "the yearly coupon rate, a fraction");
constexpr ParameterHelp kYield = p("yld", "the yearly yield, a fraction");
constexpr ParameterHelp kPrice = p("pr", "the price per 100 of face value");
constexpr ParameterHelp kRedemption = p("redemption", "the value at maturity per 100 of face value");
constexpr ParameterHelp kDiscount = p("discount", "the yearly discount rate, a fraction");
constexpr ParameterHelp kIssue = p("issue", "the date the security was issued");
constexpr ParameterHelp kBillMaturity = p("maturity", "the date the bill expires, at most a year after settlement");
constexpr ParameterHelp kFunctionNum = p("function_num",
                                         "the function: 1 AVERAGE, 2 COUNT, 3 COUNTA, 4 MAX, 5 MIN, 6 PRODUCT, 7 "
                                         "STDEV, 8 STDEVP, 9 SUM, 10 VAR, 11 VARP; add 100 to skip hidden rows too");

}  // namespace

std::vector<FunctionHelp> analysis_help() {
  return {
      // Descriptive statistics.
      {"GEOMEAN", "the geometric mean of positive numbers", {kNumber1, kMoreNumbers}, "GEOMEAN(2,8)"},
      {"HARMEAN", "the harmonic mean of positive numbers", {kNumber1, kMoreNumbers}, "HARMEAN(1,2,4)"},
      {"TRIMMEAN",
       "the mean of the numbers without a share of the smallest and largest",
       {p("array", "the numbers, an array or range"),
        p("percent", "the share left out, in [0, 1), half at each end, rounded down to an even count")},
       "TRIMMEAN({1,2,3,4,100},0.4)"},
      {"AVEDEV",
       "the mean absolute deviation of the numbers from their mean",
       {kNumber1, kMoreNumbers},
       "AVEDEV(2,4,6,8)"},
      {"DEVSQ",
       "the sum of the squared deviations of the numbers from their mean",
       {kNumber1, kMoreNumbers},
       "DEVSQ(2,4,6,8)"},
      {"MAXA", "the largest value, logical values and texts counted", {kValue1, kMoreValues}, "MAXA(-1,FALSE)"},
      {"MINA", "the smallest value, logical values and texts counted", {kValue1, kMoreValues}, "MINA(2,TRUE)"},
      {"AVERAGEA",
       "the mean of the values, logical values and texts counted",
       {kValue1, kMoreValues},
       "AVERAGEA(2,4,TRUE)"},
      {"STDEVA",
       "the standard deviation of a sample, logical values and texts counted",
       {kValue1, kMoreValues},
       "STDEVA(2,4,TRUE)"},
      {"STDEVPA",
       "the standard deviation of a population, logical values and texts counted",
       {kValue1, kMoreValues},
       "STDEVPA(2,4,TRUE)"},
      {"VARA", "the variance of a sample, logical values and texts counted", {kValue1, kMoreValues}, "VARA(2,4,TRUE)"},
      {"VARPA",
       "the variance of a population, logical values and texts counted",
       {kValue1, kMoreValues},
       "VARPA(2,4,TRUE)"},
      {"FREQUENCY",
       "how many numbers fall in each bin, in a column one longer than the bins",
       {p("data_array", "the numbers to count"),
        p("bins_array", "the upper bounds of the bins; the last count is of the numbers above them all")},
       "FREQUENCY({1,2,3,4,5,6},{2,4})"},
      {"PROB",
       "the probability that a value falls between two limits, from a table of values and probabilities",
       {p("x_range", "the values"), p("prob_range", "their probabilities, summing to 1"),
        p("lower_limit", "the lower limit"), p("upper_limit", "the upper limit (the lower one when omitted)")},
       "PROB({1,2,3,4},{0.1,0.2,0.3,0.4},2,3)"},
      {"SUMX2MY2",
       "the sum of the differences of the squares of paired numbers",
       {kArrayX, kArrayY},
       "SUMX2MY2({2,3},{1,2})"},
      {"SUMX2PY2", "the sum of the sums of the squares of paired numbers", {kArrayX, kArrayY}, "SUMX2PY2({2,3},{1,2})"},

      // Distribution forms.
      {"CHISQ.DIST",
       "the chi-squared density or left-tail cumulative probability",
       {kPositiveX, kDegFreedom, kCumulative},
       "CHISQ.DIST(3.84,1,TRUE)"},
      {"CHISQ.INV",
       "the value below which a chi-squared variable falls with a probability",
       {kProbability, kDegFreedom},
       "CHISQ.INV(0.95,1)"},
      {"CHISQ.TEST",
       "the probability of counts at least as far from the expected ones, by the chi-squared test",
       {p("actual_range", "the observed counts"), p("expected_range", "the expected counts, of the same shape")},
       "CHISQ.TEST({58,35;11,25},{45.35,47.65;23.65,24.35})"},
      {"F.DIST",
       "the F density or left-tail cumulative probability",
       {kPositiveX, kDegFreedom1, kDegFreedom2, kCumulative},
       "F.DIST(3,4,10,TRUE)"},
      {"F.INV",
       "the value below which an F variable falls with a probability",
       {kProbability, kDegFreedom1, kDegFreedom2},
       "F.INV(0.95,4,10)"},
      {"F.TEST",
       "the two-tailed probability that two samples' variances do not differ",
       {kSample1, kSample2},
       "F.TEST({6,7,9,15,21},{20,28,31,38,40})"},
      {"FTEST",
       "the two-tailed probability that two samples' variances do not differ",
       {kSample1, kSample2},
       "FTEST({6,7,9,15,21},{20,28,31,38,40})"},
      {"T.DIST.2T",
       "the two-tailed probability of the Student t distribution",
       {kPositiveX, kDegFreedom},
       "T.DIST.2T(2,10)"},
      {"T.DIST.RT", "the right-tail probability of the Student t distribution", {kX, kDegFreedom}, "T.DIST.RT(2,10)"},
      {"T.TEST",
       "the probability of the Student t test that two samples have the same mean",
       {kSample1, kSample2, p("tails", "1 for one tail, 2 for both"),
        p("type", "1 paired, 2 two samples of equal variance, 3 two samples of unequal variance")},
       "T.TEST({3,4,5,8,9},{6,19,3,2,14},2,2)"},
      {"TTEST",
       "the probability of the Student t test that two samples have the same mean",
       {kSample1, kSample2, p("tails", "1 for one tail, 2 for both"),
        p("type", "1 paired, 2 two samples of equal variance, 3 two samples of unequal variance")},
       "TTEST({3,4,5,8,9},{6,19,3,2,14},2,1)"},
      {"Z.TEST",
       "the one-tailed probability of the z test that a sample's mean exceeds a value",
       {p("array", "the sample"), p("x", "the value to test"),
        p("sigma", "the population's standard deviation (the sample's when omitted)")},
       "Z.TEST({3,6,7,8,6,5,4,2,1,9},4)"},
      {"ZTEST",
       "the one-tailed probability of the z test that a sample's mean exceeds a value",
       {p("array", "the sample"), p("x", "the value to test"),
        p("sigma", "the population's standard deviation (the sample's when omitted)")},
       "ZTEST({3,6,7,8,6,5,4,2,1,9},4,2)"},
      {"BINOM.INV",
       "the smallest number of successes whose cumulative binomial probability reaches a criterion",
       {kTrials, kProbabilityS, p("alpha", "the criterion, a probability in [0, 1]")},
       "BINOM.INV(10,0.3,0.9)"},
      {"BINOM.DIST.RANGE",
       "the binomial probability of a number of successes, or of a number within a range",
       {kTrials, kProbabilityS, p("number_s", "the number of successes, or the smallest of the range"),
        p("number_s2", "the largest number of successes of the range (number_s alone when omitted)")},
       "BINOM.DIST.RANGE(60,0.75,45,50)"},
      {"NEGBINOM.DIST",
       "the probability of a number of failures before a number of successes, or of at most that many",
       {p("number_f", "the number of failures"), p("number_s", "the number of successes awaited (>= 1)"), kProbabilityS,
        kCumulative},
       "NEGBINOM.DIST(3,5,0.4,TRUE)"},
      {"HYPGEOM.DIST",
       "the probability of a number of successes in a sample drawn without replacement, or of at most that many",
       {p("sample_s", "the successes in the sample"), p("number_sample", "the sample size"),
        p("population_s", "the successes in the population"), p("number_pop", "the population size"), kCumulative},
       "HYPGEOM.DIST(2,10,5,50,TRUE)"},
      {"CONFIDENCE.T",
       "the half-width of a confidence interval for a mean, by the Student t distribution",
       {p("alpha", "one minus the confidence level, in (0, 1)"),
        p("standard_dev", "the sample's standard deviation (> 0)"), p("size", "the sample size (>= 2)")},
       "CONFIDENCE.T(0.05,1,50)"},

      // Regression.
      {"TREND",
       "the values the least-squares line predicts",
       {kKnownYs, kKnownXs, kNewXs},
       "TREND({2,4,5,9},{1,2,3,4},{5,6})"},
      {"GROWTH",
       "the values the least-squares exponential curve predicts",
       {p("known_y's", "the observed values, an array or range of positive numbers"), kKnownXs, kNewXs},
       "GROWTH({2,4,8,16},{1,2,3,4},{5})"},
      {"LOGEST",
       "the base and factor of the exponential curve y = b*m^x that fits the values best",
       {p("known_y's", "the observed values, an array or range of positive numbers"), kKnownXs},
       "LOGEST({2,4,8,16},{1,2,3,4})"},

      // Subtotals.
      {"SUBTOTAL",
       "an aggregate of ranges that leaves out the SUBTOTAL and AGGREGATE cells inside them",
       {kFunctionNum, p("ref1", "the first range or array"), p("...", "more ranges (254 in all)")},
       "SUBTOTAL(9,{1,2,3})"},
      {"AGGREGATE",
       "an aggregate of ranges that can leave out errors, hidden rows and nested subtotals",
       {p("function_num",
          "the function: 1 AVERAGE, 2 COUNT, 3 COUNTA, 4 MAX, 5 MIN, 6 PRODUCT, 7 STDEV.S, 8 STDEV.P, 9 SUM, 10 "
          "VAR.S, 11 VAR.P, 12 MEDIAN, 13 MODE.SNGL, 14 LARGE, 15 SMALL, 16 PERCENTILE.INC, 17 QUARTILE.INC, 18 "
          "PERCENTILE.EXC, 19 QUARTILE.EXC"),
        p("options",
          "what to leave out: 0 to 3 nested subtotals, with 1 hidden rows, 2 errors, 3 both; 4 nothing; 5 hidden "
          "rows; 6 errors; 7 both"),
        p("ref1", "the first range or array; for 14 to 19, the array followed by k"),
        p("...", "more ranges, or k for 14 to 19")},
       "AGGREGATE(14,6,{1,5,3},2)"},

      // Databases.
      {"DSUM",
       "the sum of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DSUM({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DAVERAGE",
       "the mean of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DAVERAGE({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DCOUNT",
       "the number of numbers in a field over the records that meet the criteria",
       {kDatabase, p("field", "the column: its name or number (the records themselves counted when omitted)"), kDbCriteria},
       "DCOUNT({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Height\";\">13\"})"},
      {"DCOUNTA",
       "the number of non-empty values in a field over the records that meet the criteria",
       {kDatabase, p("field", "the column: its name or number (whole records counted when omitted)"), kDbCriteria},
       "DCOUNTA({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Tree\",{\"Height\";\">13\"})"},
      {"DGET",
       "the value of a field in the one record that meets the criteria",
       {kDatabase, kField, kDbCriteria},
       "DGET({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Pear\"})"},
      {"DMAX",
       "the largest value of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DMAX({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DMIN",
       "the smallest value of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DMIN({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DPRODUCT",
       "the product of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DPRODUCT({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DSTDEV",
       "the sample standard deviation of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DSTDEV({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DSTDEVP",
       "the population standard deviation of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DSTDEVP({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DVAR",
       "the sample variance of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DVAR({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},
      {"DVARP",
       "the population variance of a field over the records that meet the criteria",
       {kDatabase, kField, kDbCriteria},
       "DVARP({\"Tree\",\"Height\";\"Apple\",18;\"Pear\",12;\"Apple\",14},\"Height\",{\"Tree\";\"Apple\"})"},

      // Securities.
      {"COUPPCD",
       "the last coupon date on or before the settlement",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "TEXT(COUPPCD(DATE(2025,1,25),DATE(2026,11,15),2,1),\"yyyy-mm-dd\")"},
      {"COUPNCD",
       "the next coupon date after the settlement",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "TEXT(COUPNCD(DATE(2025,1,25),DATE(2026,11,15),2,1),\"yyyy-mm-dd\")"},
      {"COUPNUM",
       "the number of coupons paid from the settlement to the maturity",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "COUPNUM(DATE(2025,1,25),DATE(2026,11,15),2,1)"},
      {"COUPDAYBS",
       "the days from the start of the coupon period to the settlement",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "COUPDAYBS(DATE(2025,1,25),DATE(2026,11,15),2,1)"},
      {"COUPDAYS",
       "the days in the coupon period that holds the settlement",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "COUPDAYS(DATE(2025,1,25),DATE(2026,11,15),2,1)"},
      {"COUPDAYSNC",
       "the days from the settlement to the next coupon date",
       {kSettlement, kMaturity, kFrequency, kBasis},
       "COUPDAYSNC(DATE(2025,1,25),DATE(2026,11,15),2,1)"},
      {"PRICE",
       "the price per 100 of face value of a security that pays periodic coupons",
       {kSettlement, kMaturity, kCouponRate, kYield, kRedemption, kFrequency, kBasis},
       "PRICE(DATE(2025,2,15),DATE(2032,11,15),0.0575,0.065,100,2,0)"},
      {"YIELD",
       "the yield of a security that pays periodic coupons, from its price",
       {kSettlement, kMaturity, kCouponRate, kPrice, kRedemption, kFrequency, kBasis},
       "YIELD(DATE(2025,2,15),DATE(2032,11,15),0.0575,95.47837,100,2,0)"},
      {"DURATION",
       "the Macaulay duration in years of a security that pays periodic coupons",
       {kSettlement, kMaturity, p("coupon", "the yearly coupon rate, a fraction"), kYield, kFrequency, kBasis},
       "DURATION(DATE(2025,1,1),DATE(2033,1,1),0.08,0.09,2,1)"},
      {"MDURATION",
       "the modified duration in years of a security that pays periodic coupons",
       {kSettlement, kMaturity, p("coupon", "the yearly coupon rate, a fraction"), kYield, kFrequency, kBasis},
       "MDURATION(DATE(2025,1,1),DATE(2033,1,1),0.08,0.09,2,1)"},
      {"ACCRINT",
       "the interest accrued on a security that pays periodic coupons",
       {kIssue, p("first_interest", "the date of the first coupon"), kSettlement, kCouponRate,
        p("par", "the face value"), kFrequency, kBasis,
        p("calc_method", "TRUE or omitted to accrue from the issue, FALSE from the last coupon date")},
       "ACCRINT(DATE(2025,3,1),DATE(2025,9,1),DATE(2025,5,1),0.1,1000,2,0)"},
      {"ACCRINTM",
       "the interest accrued on a security that pays interest at maturity",
       {kIssue, p("settlement", "the maturity date, a serial number"), kCouponRate,
        p("par", "the face value (1000 when omitted)"), kBasis},
       "ACCRINTM(DATE(2025,4,1),DATE(2025,6,15),0.1,1000,3)"},
      {"PRICEDISC",
       "the price per 100 of face value of a discounted security",
       {kSettlement, kMaturity, kDiscount, kRedemption, kBasis},
       "PRICEDISC(DATE(2025,2,16),DATE(2025,3,1),0.0525,100,2)"},
      {"DISC",
       "the discount rate of a security, from its price",
       {kSettlement, kMaturity, kPrice, kRedemption, kBasis},
       "DISC(DATE(2025,1,25),DATE(2025,6,15),97.975,100,1)"},
      {"YIELDDISC",
       "the yearly yield of a discounted security, from its price",
       {kSettlement, kMaturity, kPrice, kRedemption, kBasis},
       "YIELDDISC(DATE(2025,2,16),DATE(2025,3,1),99.795,100,2)"},
      {"INTRATE",
       "the interest rate of a security fully invested and redeemed at maturity",
       {kSettlement, kMaturity, p("investment", "the amount invested"),
        p("redemption", "the amount received at maturity"), kBasis},
       "INTRATE(DATE(2025,2,15),DATE(2025,5,15),1000000,1014420,2)"},
      {"RECEIVED",
       "the amount received at maturity for a security fully invested at a discount",
       {kSettlement, kMaturity, p("investment", "the amount invested"), kDiscount, kBasis},
       "RECEIVED(DATE(2025,2,15),DATE(2025,5,15),1000000,0.0575,2)"},
      {"PRICEMAT",
       "the price per 100 of face value of a security that pays interest at maturity",
       {kSettlement, kMaturity, kIssue, p("rate", "the yearly interest rate at issue, a fraction"), kYield, kBasis},
       "PRICEMAT(DATE(2025,2,15),DATE(2025,4,13),DATE(2024,11,11),0.061,0.061,0)"},
      {"YIELDMAT",
       "the yearly yield of a security that pays interest at maturity, from its price",
       {kSettlement, kMaturity, kIssue, p("rate", "the yearly interest rate at issue, a fraction"), kPrice, kBasis},
       "YIELDMAT(DATE(2025,3,15),DATE(2025,11,3),DATE(2024,11,8),0.0625,100.0123,0)"},
      {"TBILLPRICE",
       "the price per 100 of face value of a Treasury bill",
       {kSettlement, kBillMaturity, kDiscount},
       "TBILLPRICE(DATE(2025,3,31),DATE(2025,6,1),0.09)"},
      {"TBILLYIELD",
       "the yield of a Treasury bill, from its price",
       {kSettlement, kBillMaturity, kPrice},
       "TBILLYIELD(DATE(2025,3,31),DATE(2025,6,1),98.45)"},
      {"TBILLEQ",
       "the bond-equivalent yield of a Treasury bill",
       {kSettlement, kBillMaturity, kDiscount},
       "TBILLEQ(DATE(2025,3,31),DATE(2025,6,1),0.0914)"},
  };
}

}  // namespace host::worksheet::help
