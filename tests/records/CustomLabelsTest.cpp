// The label pass's reading of the definition file, and the item list built from it.
#include <gtest/gtest.h>

#include "records/CustomLabels.h"
#include "records/ItemList.h"
#include "records/ItemCatalogue.h"
#include "ui/MemoryViews.h"

using namespace mrv;
using V = std::vector<std::string>;

TEST(CustomLabels, OneLabelPerItemLineTheLastLineNever) {
  EXPECT_EQ(CustomLabels({"only item"}, "NT"), V{});
  EXPECT_EQ(CustomLabels({"item", "// end"}, "NT"), V{"item"});
  EXPECT_EQ(CustomLabels({"\\Software\\X", "Version==版", "Owner", "/lit", "// c", "HKEY_CURRENT_USER", "a==b==c",
                          "", "&Office==オフィス", "// end"},
                         "NT"),
            (V{"版", "Owner", "/lit", "b==c", "", "オフィス"}));
}

TEST(CustomLabels, SpecialListsGetTheirCountOfLabels) {
  EXPECT_EQ(CustomLabels({"#printers 3", "#shareddir", "#running a b", "#shareddir 1", "#printers -2", "// end"}, "NT"),
            (V{"#printers", "", "", "#shareddir", "#running", "#shareddir", "#printers"}));
}

TEST(CustomLabels, SectionsFollowTheFamily) {
  const V lines{"?NT", "nt", "?9x", "9x", "?9x NT", "both", "?end", "after end", "?NT", "nt again", "// end"};
  // "?end" is only another condition line here
  EXPECT_EQ(CustomLabels(lines, "NT"), (V{"nt", "both", "nt again"}));
  EXPECT_EQ(CustomLabels(lines, "9x"), (V{"9x", "both"}));
}

TEST(CustomLabels, TheWinVersionNoticeHasNoLabel) {
  EXPECT_EQ(CustomLabels({"<WinVersion", "<Agree?==同意", "// end"}, "NT"), V{"同意"});
  EXPECT_EQ(CustomLabels({"<WinVersion ", "// end"}, "NT"), V{"<WinVersion "});
}

namespace {
V itemList(const V& definition) {
  MemoryGridView grid;
  int counter = 1;
  BuildItemListGrid(grid, counter, definition);
  EXPECT_EQ(grid.cell(1, 0), "9x");
  EXPECT_EQ(grid.cell(2, 0), "NT");
  return ItemListLines(grid);
}
}  // namespace

TEST(ItemList, WithoutDefinitionFileTheCatalogueRowsOnly) {
  const V lines = itemList({});
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kStandardRows));
  EXPECT_EQ(lines[0], "CSVファイル名,CSVファイル名");
  EXPECT_EQ(lines[6], ",");
  EXPECT_EQ(lines[24], ",時計誤差Min");
  EXPECT_EQ(lines[32], ",");
  EXPECT_EQ(lines[34], ",管理者権限");
  EXPECT_EQ(lines[kStandardRows - 1], "起動後時間,起動後時間");
}

TEST(ItemList, EachFamilyIsItsOwnLabelPass) {
  const V lines = itemList({"?NT", "NT only", "?9x NT", "shared, with comma", "=x", "// end"});
  ASSERT_EQ(lines.size(), kStandardRows + 3u);
  EXPECT_EQ(lines[kStandardRows], "\"shared, with comma\",NT only");
  EXPECT_EQ(lines[kStandardRows + 1], "'=x,\"shared, with comma\"");
  EXPECT_EQ(lines[kStandardRows + 2], ",'=x");
}
