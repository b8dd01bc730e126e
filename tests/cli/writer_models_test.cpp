// `kx simulate` runs a model saved by each program analysts write workbooks with.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/cli/kx_program.hpp"

namespace cli {
namespace {

// Calc!B6 = B5*B4/100 with B5 a normal in its "ShowMode" (100) and B4 = SUM(Data!B2:B4) = 8.
TEST(WriterModels, EachWritersModelSimulates) {
  for (const char* file : {"openpyxl.xlsx", "pandas.xlsx", "xlsxwriter.xlsx", "libreoffice.xlsx", "libreoffice.ods",
                           "gnumeric.xlsx", "gnumeric.ods"}) {
    SCOPED_TRACE(file);
    const testing::Outcome run = testing::run_kx({"simulate", std::string(KX_TEST_DATA_DIR) + "/writers/" + file, "-n",
                                                  "50", "--seed", "1", "--threads", "1", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto report = nlohmann::json::parse(run.out);
    ASSERT_EQ(report["outputs"].size(), 1u);
    const auto& output = report["outputs"][0];
    EXPECT_EQ(output["name"], "Model output");
    EXPECT_EQ(output["count"], 50);
    EXPECT_EQ(output["failed"], 0);
    EXPECT_DOUBLE_EQ(output["mean"].get<double>(), 8.0);
    EXPECT_EQ(report["inputs"].size(), 1u);
  }
}

}  // namespace
}  // namespace cli
