// Every marketing worksheet function through `kx eval`, with its ranges read from a sheet file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;

// Columns A to AB of the figures the formulas read, ten rows, as CSV.
constexpr const char* kFigures =
    "10,11,1,20,30,10,50,30,40,1,2,10,10,10,0.5,400,1,1,A,north,A,10,35,0,,,,100\n"
    "12,12,-1,30,20,20,50,10,60,2,2,10,20,20,0.3,400,2,2,B,north,B,20,48,,,,,\n"
    "14,12,1,,,20,,,,,,,,30,,,3,,,south,A,0.1,66,,,,,\n"
    ",,,,,30,,,,,,,,40,,,,,,north,A,35,82,,,,,\n"
    ",,,,,,,,,,,,,50,,,,,,south,A,0.2,101,,,,,\n"
    ",,,,,,,,,,,,,,,,,,,,,,112,,,,,\n"
    ",,,,,,,,,,,,,,,,,,,,,,120,,,,,\n"
    ",,,,,,,,,,,,,,,,,,,,,,114,,,,,\n"
    ",,,,,,,,,,,,,,,,,,,,,,97,,,,,\n"
    ",,,,,,,,,,,,,,,,,,,,,,80,,,,,\n";

struct Case {
  const char* formula;
  const char* out;
};

// The worked examples of each function; arrays print one row per line, cells split by tabs.
const Case kCases[] = {
    {"OLDkxBASS(1000,0.03,0.38,2)", "40.158\n"},
    {"INDEX(STANDBYkxBASS(0.03,0.38,1000,3,1),1)", "30\n"},
    {"ROUND(INDEX(STANDBYkxBASSest(W1:W10),1),4)", "999.6172\n"},
    {"kxBDI(G1:G2,H1:H2)", "150\n50\n"},
    {"kxCDI(G1:G2,I1:I2)", "80\n120\n"},
    {"INDEX(kxMOI(G1:G2,H1:H2,I1:I2),2)", "2.4\n"},
    {"kxBEI(0.2,10,12,1.1)", "0.264\n"},
    {"kxBEP(10,6,400,TRUE)", "1000\n"},
    {"ROUND(kxBEPR(10,6,400,0.2),3)", "200\n"},
    {"kxBUYRATE(1000,0.1,3)", "343.9\n"},
    {"kxCAGR(121,100)", "0.1\n"},
    {"ROUND(kxCHIp(D1:E2),6)", "0.0455\n"},
    {"ROUND(INDEX(kxCHIp(D1:E2,0.05,TRUE),6,2),6)", "3.841459\n"},
    {"kxCODING(Q1:Q3,R1:R2,S1:S2)", "A\nB\nFALSE\n"},
    {"kxCSII({4,4},{1,1},5)", "0.75\n"},
    {"kxCSIW({0.1,0.3,0.6},{1,2,3})", "0.833333333333333\n"},
    {"kxDBCOUNT(\"north\",1,\"A\",2,3,T1:V5)", "2\n"},
    {"kxDBSUM(\"north\",1,\"A\",2,3,T1:V5)", "45\n"},
    {"kxDBAVG(\"north\",1,\"A\",2,3,T1:V5)", "22.5\n"},
    {"kxEI(L1:L2,M1:M2)", "66.6666666666667\n133.333333333333\n"},
    {"kxEXPECT(D1:E2)", "25\t25\n25\t25\n"},
    {"kxMSE(A1:A3,B1:B3)", "1.66666666666667\n"},
    {"kxMAD(A1:A3,B1:B3)", "1\n"},
    {"ROUND(kxRMSE(A1:A3,B1:B3),6)", "1.290994\n"},
    {"kxDW(C1:C3)", "2.66666666666667\n"},
    {"ROUND(kxU(A1:A3,B1:B3),6)", "0.759555\n"},
    {"kxMAPE(A1:A3,B1:B3)", "0.080952380952381\n"},
    {"kxME(A1:A3,B1:B3)", "-0.333333333333333\n"},
    {"kxGROWTH(L1:L2,M1:M2)", "0\n1\n"},
    {"kxGROWTHBACK(110,0.1)", "100\n"},
    {"kxGRP(0.6,3)", "180\n"},
    {"kxHERF({0.5,0.3,0.2})", "0.38\n"},
    {"kxLASP(J1:J2,K1:K2,L1:L2)", "133.333333333333\n"},
    {"kxPAASCHEP(J1:J2,K1:K2,M1:M2)", "120\n"},
    {"kxEDGEP(J1:J2,K1:K2,L1:L2,M1:M2)", "125\n"},
    {"kxFISHERP(J1:J2,K1:K2,L1:L2,M1:M2)", "126.491106406735\n"},
    {"kxLASQ(J1:J2,L1:L2,M1:M2)", "166.666666666667\n"},
    {"kxPAASCHEQ(K1:K2,L1:L2,M1:M2)", "150\n"},
    {"kxEDGEQ(J1:J2,K1:K2,L1:L2,M1:M2)", "157.142857142857\n"},
    {"kxFISHERQ(J1:J2,K1:K2,L1:L2,M1:M2)", "158.113883008419\n"},
    {"kxINTERPOLE(X1,AB1)", "25\t50\t75\n"},
    {"kxLEARN(100,0.8,4)", "64\n"},
    {"kxMSAR(0.2,0.1)", "2\n"},
    {"kxPERFCV(1.2,1.05)", "0.15\n"},
    {"kxPERFO(F1:F4)", "20\n"},
    {"kxPERFR(50,D1:E1)", "200\n"},
    {"kxPERTSD(2,12)", "1.66666666666667\n"},
    {"kxPERTVAR(2,12)", "2.77777777777778\n"},
    {"kxPERTT(2,4,12)", "5\n"},
    {"kxPREMIUM(12,10)", "0.2\n"},
    {"kxPRESS(G1:G2,H1:H2)", "0.666666666666667\n2\n"},
    {"kxRANGE(F1:F4)", "20\n"},
    {"kxRANK(20,F1:F4,3)", "2.5\n"},
    {"kxREBUY(0.2,0.6)", "0.333333333333333\n"},
    {"kxREBUYS(0.5)", "2\n"},
    {"kxRELATIVE(30,D1:E1)", "1\n"},
    {"ROUND(kxSAMPLE(10000,0.95,0.05,0.5),2)", "369.97\n"},
    {"kxSAMPLEMIN(0.5,0.4,0.95,TRUE)", "188\n"},
    {"kxSEASON(N1:N5,2)", "30\n30\n"},
    {"kxSHARE(D1:E2)", "0.4\t0.6\n0.6\t0.4\n"},
    {"kxSIGNIF(O1:O2,P1:P2,0.95)", "b\t\n"},
    {"ROUND(kxVARc(N1:N5),6)", "0.471405\n"},
};

class MarketingEval : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(directory_);
    std::ofstream(figures_) << kFigures;
  }
  void TearDown() override { fs::remove_all(directory_); }

  // All formulas in one run, after the given options.
  testing::Outcome run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"eval", "--sheet", figures_.string()});
    for (const Case& c : kCases) arguments.emplace_back(c.formula);
    return testing::run_kx(arguments);
  }

  const fs::path directory_ = fs::temp_directory_path() / ("kx_marketing_eval_" + std::to_string(getpid()));
  const fs::path figures_ = directory_ / "figures.csv";
};

// Columns longer than 32767 rows, and ones that start below it, answer alike in-process and
// through the server: every row read once, none above the range.
TEST_F(MarketingEval, LongColumnsAnswerAlikeInProcessAndThroughTheServer) {
  const fs::path long_figures = directory_ / "long.csv";
  {
    std::ofstream out(long_figures);
    for (int row = 1; row <= 72766; ++row) out << 100 << ',' << 101 << ',' << 1 + row % 4 << ",2\n";
  }
  // The margins of rows 40000 to 72766 add to 81916, the last of them is 3; every cost is 2:
  // the last index is (3 / 81916) / (2 / 65534).
  const std::vector<std::string> formulas = {
      "ROUND(kxMAPE(A1:A32767,B1:B32767),12)", "ROUND(kxMAPE(A1:A40000,B1:B40000),12)",
      "ROWS(kxPRESS(C40000:C72766,D40000:D72766))", "INDEX(kxPRESS(C40000:C72766,D40000:D72766),32767)"};
  const std::string expected = "0.01\n0.01\n32767\n1.20002197372919\n";
  std::vector<std::string> arguments = {"eval", "--sheet", long_figures.string()};
  arguments.insert(arguments.end(), formulas.begin(), formulas.end());
  const testing::Outcome in_process = testing::run_kx(arguments);
  ASSERT_EQ(in_process.status, 0) << in_process.err;
  EXPECT_EQ(in_process.out, expected);
  arguments.insert(arguments.begin(), "--server");
  const testing::Outcome through_server = testing::run_kx(arguments);
  ASSERT_EQ(through_server.status, 0) << through_server.err;
  EXPECT_EQ(through_server.out, in_process.out);
}

TEST_F(MarketingEval, EveryFunctionAnswersInProcess) {
  std::string expected;
  for (const Case& c : kCases) expected += c.out;
  const testing::Outcome in_process = run({});
  EXPECT_EQ(in_process.status, 0) << in_process.err;
  EXPECT_EQ(in_process.err, "");
  EXPECT_EQ(in_process.out, expected);
}

}  // namespace
}  // namespace cli
