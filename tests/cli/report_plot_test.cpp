// `kx simulate --plot`: a page or a file per output, each a whole picture of its type.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/cli/kx_program.hpp"
#include "tests/cli/simulation_files.hpp"

namespace cli {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::run_kx;
using testing::scratch;
using testing::read_bytes;

// Pages of a PDF: its page objects, not the page tree ("/Type /Pages").
std::size_t pdf_pages(const std::string& pdf) {
  std::size_t pages = 0;
  for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  }
  return pages;
}

TEST(ReportPlot, APagePerOutputOrAFileEachNamedAfterIt) {
  // Two names that read alike in a file name, and one that leaves nothing of itself there.
  const fs::path three = testing::write_model(
      scratch("three.csv"),
      "\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"u\"\")\",\"=A1+kxOUTPUT()+kxNAME(\"\"a/b\"\")\","
      "\"=2*A1+kxOUTPUT()+kxNAME(\"\"a?b\"\")\",\"=3*A1+kxOUTPUT()+kxNAME(\"\"\xE2\x82\xAC\"\")\"\n");
  const fs::path one =
      testing::write_model(scratch("one.csv"), "\"=kxUNIFORM(0,1,,\"\"\"\")\",\"=A1+kxOUTPUT()+kxNAME(\"\"x\"\")\"\n");
  struct Case {
    const char* label;
    fs::path model;
    std::string plot;                 // the file asked for
    std::vector<std::string> files;   // the files written
    std::string signature;            // each file's first bytes
    std::size_t pages;                // of a PDF
  };
  const Case cases[] = {
      {"one output, one picture", one, "one.png", {"one.png"}, "\x89PNG", 0},
      {"a file per output", three, "many.svg", {"many-a_b.svg", "many-2.svg", "many-3.svg"}, "<?xml", 0},
      {"a page per output", three, "pages.pdf", {"pages.pdf"}, "%PDF", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const Outcome run =
        run_kx({"simulate", c.model.string(), "-n", "300", "--seed", "2", "--plot", scratch(c.plot).string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::exists(scratch(c.plot)), c.files.front() == c.plot);
    for (const std::string& name : c.files) {
      SCOPED_TRACE(name);
      const std::string content = read_bytes(scratch(name));
      EXPECT_EQ(content.rfind(c.signature, 0), 0U) << content.substr(0, 20);
      if (c.pages > 0) {
        EXPECT_EQ(pdf_pages(content), c.pages);
      }
      // Where several files stand for one asked, the user is told which.
      if (c.files.size() > 1) {
        EXPECT_NE(run.err.find(scratch(name).string()), std::string::npos) << run.err;
      }
      fs::remove(scratch(name));
    }
    if (c.files.size() == 1) {
      EXPECT_EQ(run.err, "");
    }
  }
  fs::remove(one);
  fs::remove(three);
}

TEST(ReportPlot, LongNamesAreCutBetweenWholeCharacters) {
  std::string long_name;
  for (int i = 0; i < 60; ++i) long_name += "\xC3\xA9";  // é, two bytes in UTF-8
  const fs::path model = testing::write_model(
      scratch("names.csv"), fmt::format("\"=kxUNIFORM(0,1,,\"\"\"\")+kxNAME(\"\"{0}\"\")\",\"=A1+kxOUTPUT()+kxNAME(\"\"{0}\"\")\"\n",
                                        long_name));
  const fs::path svg = scratch("names.svg");
  const Outcome run = run_kx({"simulate", model.string(), "-n", "300", "--seed", "2", "--plot", svg.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string picture = read_bytes(svg);
  EXPECT_NE(picture.find("<svg"), std::string::npos);
  fs::remove(model);
  fs::remove(svg);
}

}  // namespace
}  // namespace cli
