// The document model: addresses, sheets, ranges and their operations.
#include <gtest/gtest.h>

#include "host/document/address.hpp"
#include "host/document/cell_range.hpp"
#include "host/document/spreadsheet.hpp"

namespace host {
namespace {

using kx::Value;

TEST(Address, ParsesTheA1Forms) {
  struct Case {
    const char* text;
    const char* sheet;
    std::int32_t top, left, bottom, right;
  };
  const Case cases[] = {
      {"A1", "", 1, 1, 1, 1},
      {"$B$2:D9", "", 2, 2, 9, 4},
      {"D9:B2", "", 2, 2, 9, 4},
      {"Sheet2!A1:A10", "Sheet2", 1, 1, 10, 1},
      {"'My sheet'!C3", "My sheet", 3, 3, 3, 3},
      {"'It''s'!A1", "It's", 1, 1, 1, 1},
      {"xfd1048576", "", 1048576, 16384, 1048576, 16384},
      {"AA10", "", 10, 27, 10, 27},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto area = parse_address(c.text);
    ASSERT_TRUE(area);
    EXPECT_EQ(area->sheet, c.sheet);
    EXPECT_EQ(std::tie(area->top, area->left, area->bottom, area->right), std::tie(c.top, c.left, c.bottom, c.right));
  }
  for (const char* bad : {"", "A", "1", "A0", "XFE1", "A1048577", "A1:", "A1:B", "!A1", "A1B2", "A 1"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(parse_address(bad));
  }
  EXPECT_EQ(column_letters(16384), "XFD");
  EXPECT_EQ(column_letters(27), "AA");
  EXPECT_EQ(format_address(2, 2, 9, 4), "$B$2:$D$9");
}

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = application->add_book("model.csv");
    sheet = book->add_sheet("Data");
    other = book->add_sheet("Sheet2");
    // B2:D4 holds 1..9 row by row.
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) sheet->set_value(2 + r, 2 + c, Value(1.0 + 3 * r + c));
    }
  }

  std::shared_ptr<Spreadsheet> application = Spreadsheet::create();
  std::shared_ptr<Book> book;
  std::shared_ptr<Sheet> sheet;
  std::shared_ptr<Sheet> other;
};

TEST_F(DocumentTest, RangeGeometryAndCellAccess) {
  const kx::RangeRef block = sheet->range("B2:D4");
  EXPECT_EQ(block->row(), 2);
  EXPECT_EQ(block->column(), 2);
  EXPECT_EQ(block->row_count(), 3);
  EXPECT_EQ(block->column_count(), 3);
  EXPECT_EQ(block->count(), 9);
  EXPECT_EQ(block->cells(2, 3)->value(), Value(6.0));
  EXPECT_EQ(block->item(4)->value(), Value(4.0));  // row by row
  EXPECT_EQ(block->item(9)->value(), Value(9.0));
  EXPECT_EQ(block->rows(3)->value().array().at(0, 0), Value(7.0));
  EXPECT_EQ(block->columns(2)->row_count(), 3);
  EXPECT_EQ(block->columns(2)->value().array().at(2, 0), Value(8.0));
  EXPECT_EQ(block->cells(4, 1)->value(), Value());  // may reach outside the range
  EXPECT_EQ(block->cells(0, 0)->address(), "$A$1");
  EXPECT_THROW(block->cells(-5, 1), kx::Failure);
  EXPECT_THROW(block->item(0), kx::Failure);
}

TEST_F(DocumentTest, ValueIsATwoDimensionalArrayWithLowerBoundsOne) {
  const Value value = sheet->range("B2:C3")->value();
  ASSERT_TRUE(value.is_array());
  const kx::Array& array = value.array();
  EXPECT_EQ(array.dimensions(), 2);
  EXPECT_EQ(array.lower_bound(1), 1);
  EXPECT_EQ(array.lower_bound(2), 1);
  EXPECT_EQ(array.upper_bound(1), 2);
  EXPECT_EQ(array.upper_bound(2), 2);
  EXPECT_EQ(array.at(1, 1), Value(5.0));
  EXPECT_EQ(sheet->range("B2")->value(), Value(1.0));
}

TEST_F(DocumentTest, SheetReferencesAndWrites) {
  other->set_value(1, 1, Value("elsewhere"));
  EXPECT_EQ(sheet->range("Sheet2!A1")->value(), Value("elsewhere"));
  EXPECT_EQ(application->range("Sheet2!A1")->value(), Value("elsewhere"));
  EXPECT_EQ(application->range("B2")->value(), Value(1.0));  // the active workbook's first sheet
  EXPECT_THROW(sheet->range("Nowhere!A1"), kx::Failure);
  EXPECT_THROW(sheet->range("not an address"), kx::Failure);

  sheet->range("F1:G2")->set_value(Value(7.0));
  EXPECT_EQ(sheet->value(2, 7), Value(7.0));
  sheet->range("F1")->set_value(Value());
  EXPECT_EQ(sheet->find(1, 6), nullptr);
}

TEST_F(DocumentTest, CellsAnywhereAreFoundWrittenAndCleared) {
  // Corners of the sheet and of the indexed columns, where a lookup structure has its seams.
  const std::pair<std::int32_t, std::int32_t> places[] = {{1, 1},
                                                          {32, 8},
                                                          {33, 9},
                                                          {4096, 64},
                                                          {4097, 63},
                                                          {20000, 1},
                                                          {kMaxRows, 1},
                                                          {kMaxRows, 64},
                                                          {kMaxRows, 65},
                                                          {1, kMaxColumns},
                                                          {kMaxRows, kMaxColumns}};
  Sheet& empty = *book->add_sheet("Corners");
  double number = 0;
  for (const auto& [row, column] : places) empty.set_value(row, column, Value(++number));
  EXPECT_EQ(empty.cell_count(), std::size(places));
  number = 0;
  for (const auto& [row, column] : places) {
    SCOPED_TRACE(std::to_string(row) + "," + std::to_string(column));
    EXPECT_EQ(empty.value(row, column), Value(++number));
    EXPECT_EQ(empty.find(row + (row < kMaxRows ? 1 : -1), column), nullptr);
    empty.clear(row, column);
    EXPECT_EQ(empty.find(row, column), nullptr);
  }
  EXPECT_EQ(empty.cell_count(), 0u);
  EXPECT_EQ(empty.last_row(), kMaxRows);  // clearing does not shrink the used range
}

TEST_F(DocumentTest, HugeRangesFailClearlyInsteadOfAllocating) {
  const kx::RangeRef everything = sheet->range("A1:XFD1048576");
  EXPECT_EQ(everything->count(), std::int64_t{1048576} * 16384);
  try {
    everything->value();
    FAIL() << "no failure";
  } catch (const kx::Failure& failure) {
    EXPECT_EQ(failure.number(), kx::error::kOutOfMemory);
  }
  // A large but sparse column is read by walking the written cells.
  const Value column = sheet->range("C1:C100000")->value();
  EXPECT_EQ(column.array().at(2, 0), Value(5.0));
}

TEST_F(DocumentTest, TextShowsWhatTheCellDisplays) {
  sheet->set_value(1, 1, Value(true));
  sheet->set_value(1, 2, Value(kx::ErrorValue{kx::error::kXlNum}));
  sheet->set_value(1, 3, Value(0.1 + 0.2));
  EXPECT_EQ(sheet->range("A1")->text(), "TRUE");
  EXPECT_EQ(sheet->range("B1")->text(), "#NUM!");
  EXPECT_EQ(sheet->range("C1")->text(), "0.3");
}

TEST_F(DocumentTest, VolatileMarksTheCallingCellAndStatusBarNotifies) {
  application->mark_volatile();  // no calling cell: nothing to mark
  EXPECT_TRUE(application->volatile_cells().empty());
  application->set_calling_cell(CellRef{sheet.get(), 3, 4});
  application->mark_volatile();
  EXPECT_TRUE(application->is_volatile(CellRef{sheet.get(), 3, 4}));
  EXPECT_FALSE(application->is_volatile(CellRef{sheet.get(), 3, 5}));

  std::string shown;
  application->on_status_bar([&](std::string_view text) { shown = text; });
  application->set_status_bar("Item 3 of 10");
  EXPECT_EQ(shown, "Item 3 of 10");
  EXPECT_EQ(application->status_bar(), "Item 3 of 10");
}

TEST_F(DocumentTest, WorkbooksAndSheetsByName) {
  EXPECT_EQ(application->workbook("MODEL.CSV"), book);
  EXPECT_EQ(book->worksheet("data"), sheet);
  try {
    application->workbook("missing.xlsx");
    FAIL();
  } catch (const kx::Failure& failure) {
    EXPECT_EQ(failure.number(), kx::error::kSubscriptOutOfRange);
  }
  EXPECT_THROW(book->add_sheet("DATA"), kx::Failure);
}

}  // namespace
}  // namespace host
