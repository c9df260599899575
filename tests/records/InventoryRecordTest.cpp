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

TEST(ItemCatalogue, NinetyRowsWithTheirLabels) {
  ASSERT_EQ(kItemCatalogue.size(), 90u);
  for (int i = 0; i < 90; ++i) EXPECT_EQ(kItemCatalogue[static_cast<std::size_t>(i)].pos, i + 1);
  EXPECT_EQ(cataloguePos("CsvFileName"), 1);
  EXPECT_EQ(cataloguePos("HoursFromStart"), 90);
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

TEST_F(RecordTest, EveryTenthRowReachesTheGridToo) {
  for (int i = 1; i <= 90; ++i) record.addValueRow("v" + std::to_string(i));
  for (int row : {9, 10, 11, 20, 30, 90}) EXPECT_EQ(grid.cell(2, row), "v" + std::to_string(row)) << row;
  EXPECT_EQ(grid.rowCount(), 100);
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
  for (int i = 1; i <= 90; ++i) record.addValueRow("x");
  record.labelPass("9x", 1, {"custom A"});
  EXPECT_EQ(counter, 92);
  EXPECT_EQ(grid.cell(1, 1), "CSVファイル名");
  EXPECT_EQ(grid.cell(1, 25), "");
  EXPECT_EQ(grid.cell(2, 25), "x");  // the row is there, unlabelled
  EXPECT_EQ(grid.cell(1, 91), "custom A");
  EXPECT_EQ(grid.shownRow, 91);
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
