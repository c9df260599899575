#include <gtest/gtest.h>

#include "ui/MemoryViews.h"
#include "records/InventoryRecord.h"
#include "records/ItemCatalogue.h"

using namespace mrv;

TEST(FieldForm, LeadingFormulaCharactersAndCommas) {
  EXPECT_EQ(FieldForm("=SUM(A1)"), "'=SUM(A1)");
  EXPECT_EQ(FieldForm("-5"), "'-5");
  EXPECT_EQ(FieldForm("+81"), "'+81");
  EXPECT_EQ(FieldForm("@home"), "'@home");
  EXPECT_EQ(FieldForm("a,b"), "\"a,b\"");
  EXPECT_EQ(FieldForm("say \"x\", y"), "say \"x\"  y");
  EXPECT_EQ(FieldForm("-1,2"), "\"'-1,2\"");
  EXPECT_EQ(FieldForm("plain \"quote\""), "plain \"quote\"");
  EXPECT_EQ(FieldForm(""), "");
}

TEST(FieldForm, LineBreaksAndControlCharactersBecomeBlanks) {
  EXPECT_EQ(FieldForm("Viewer\r\n2.0"), "Viewer  2.0");
  EXPECT_EQ(FieldForm("a\tb\x01\x1f\x7f"), "a b  \x7f");
  EXPECT_EQ(FieldForm("\n-5"), " -5");  // the blank, not the minus, now leads
  EXPECT_EQ(FieldForm("x\ny,z"), "\"x y,z\"");
  EXPECT_EQ(FieldForm("経理\r部"), "経理 部");
}

TEST(FieldForm, AValueWithALineBreakKeepsEveryLaterRowInPlace) {
  MemoryGridView grid;
  MemoryTextView memo;
  grid.setRowCount(10);
  grid.setColCount(3);
  int counter = 1;
  InventoryRecord record(grid, memo, counter);
  record.addValueRow("first");
  record.addValueRow("Uninstall\r\nname");
  record.addRow("typed\nanswer");
  record.addValueRow("fourth");
  ASSERT_EQ(memo.lines(), (std::vector<std::string>{"first", "Uninstall  name", "typed answer", "fourth"}));
  EXPECT_EQ(grid.cell(2, 4), "fourth");
}

TEST(ItemCatalogue, NinetyRowsWithTheirLabels) {
  ASSERT_EQ(kItemCatalogue.size(), 90u);
  for (int i = 0; i < kStandardRows; ++i) EXPECT_EQ(kItemCatalogue[static_cast<std::size_t>(i)].pos, i + 1);
  EXPECT_EQ(cataloguePos("CsvFileName"), 1);
  EXPECT_EQ(cataloguePos("HoursFromStart"), kStandardRows);
  EXPECT_EQ(catalogueLabel(61, "NT"), "HDD 温度（℃）");
  EXPECT_EQ(catalogueLabel(25, "NT"), "時計誤差Min");
  EXPECT_EQ(catalogueLabel(25, "9x"), "");
  EXPECT_EQ(catalogueLabel(35, "nt"), "");  // exact comparison
  EXPECT_EQ(catalogueLabel(7, "NT"), "");
  EXPECT_EQ(catalogueLabel(33, "NT"), "");
}

class RecordTest : public ::testing::Test {
 protected:
  MemoryGridView grid;
  MemoryTextView memo;
  int counter = 1;
  InventoryRecord record{grid, memo, counter};
  void SetUp() override {
    grid.setRowCount(10);
    grid.setColCount(3);
  }
};

TEST_F(RecordTest, ValueRowsGoToGridAndTextTogetherAndTheGridGrowsByTen) {
  for (int i = 1; i <= 12; ++i) record.addValueRow("v" + std::to_string(i));
  EXPECT_EQ(counter, 13);
  EXPECT_EQ(grid.cell(2, 12), "v12");
  EXPECT_EQ(memo.lines().size(), 12u);
  EXPECT_EQ(memo.lines()[0], "v1");
  EXPECT_EQ(grid.rowCount(), 20);
}

// The record writes a row before it enlarges the grid: rows 10, 20, 30 ... land past the last row
// for a moment and must still show once the grid grows.
TEST_F(RecordTest, EveryGridRowEqualsItsRecordLinePastAHundredRows) {
  std::vector<std::string> installed;
  for (int i = 0; i < 137; ++i) installed.push_back("program " + std::to_string(i));
  for (int i = 1; i <= kStandardRows; ++i) record.addValueRow("item " + std::to_string(i));
  record.closeRecord(installed, {"0@KB1", "0@KB2"});
  const auto lines = memo.lines();
  ASSERT_EQ(lines.size(), 229u);
  ASSERT_GE(grid.rowCount(), 230);
  for (int row = 1; row <= 229; ++row) EXPECT_EQ(grid.cell(2, row), lines[static_cast<std::size_t>(row - 1)]) << row;
  // shrinking the grid drops what it cut off; growing again shows nothing old
  grid.setRowCount(5);
  grid.setRowCount(300);
  EXPECT_EQ(grid.cell(2, 10), "");
}

TEST_F(RecordTest, ClosingPadsProgramsToHundredAndReversesPatches) {
  record.closeRecord({"A 1 ", "B 2 ", "C 3 "}, {"(KB100001)0@Fix (KB100001) 1 ", "(KB200002)0@Upd (KB200002)  ", "0@(KB3) x"});
  auto lines = memo.lines();
  ASSERT_EQ(lines.size(), 103u);
  EXPECT_EQ(lines[2], "C 3 ");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[99], "");
  EXPECT_EQ(lines[100], "(KB3) x");
  EXPECT_EQ(lines[101], "Upd (KB200002)  ");
  EXPECT_EQ(lines[102], "Fix (KB100001) 1 ");
}

TEST_F(RecordTest, MoreThanHundredProgramsGetNoPadding) {
  std::vector<std::string> many;
  for (int i = 0; i < 120; ++i) many.push_back("P" + std::to_string(i));
  record.closeRecord(many, {});
  EXPECT_EQ(memo.lines().size(), 120u);
}

TEST_F(RecordTest, LabelPassForBothFamiliesKeepsValues) {
  for (int i = 1; i <= kStandardRows; ++i) record.addValueRow("x");
  record.labelPass("9x", 1, {"custom A"});
  EXPECT_EQ(counter, kStandardRows + 2);
  EXPECT_EQ(grid.cell(1, 1), "CSVファイル名");
  EXPECT_EQ(grid.cell(1, 25), "");
  EXPECT_EQ(grid.cell(2, 25), "x");  // the row is there, unlabelled
  EXPECT_EQ(grid.cell(1, kStandardRows + 1), "custom A");
  EXPECT_EQ(grid.shownRow, kStandardRows + 1);
  record.labelPass("NT", 2, {});
  EXPECT_EQ(grid.cell(2, 35), "管理者権限");
}

TEST_F(RecordTest, NumberingCoversEveryGridRow) {
  record.addValueRow("a");
  record.numberRows();
  EXPECT_EQ(grid.cell(0, 1), "1");
  EXPECT_EQ(grid.cell(0, 9), "9");
  EXPECT_EQ(grid.cell(0, 0), "");
}
