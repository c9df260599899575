#include "records/ItemList.h"

#include "records/CustomLabels.h"
#include "records/InventoryRecord.h"

namespace mrv {

namespace {
// The label pass writes no text view; the item list has none to write to.
struct NoTextView : TextView {
  void clear() override {}
  void appendLine(std::string_view) override {}
  void setLines(const std::vector<std::string>&) override {}
  std::vector<std::string> lines() const override { return {}; }
  std::string selectedText() const override { return {}; }
  void setReadOnly(bool) override {}
  bool readOnly() const override { return true; }
  bool modified() const override { return false; }
  void setModified(bool) override {}
  void setVisible(bool) override {}
  bool visible() const override { return false; }
};
}  // namespace

void BuildItemListGrid(GridView& grid, int& counter, const std::vector<std::string>& definitionLines) {
  for (int c = 0; c < grid.colCount(); ++c) grid.clearColumn(c);
  grid.setColCount(3);
  grid.setRowCount(10);
  grid.setFixed(1, 1);  // the disk views fix more
  grid.setColWidth(0, 28);
  grid.setColWidth(1, 200);
  grid.setColWidth(2, 200);
  grid.setCell(1, 0, "9x");
  grid.setCell(2, 0, "NT");
  NoTextView none;
  InventoryRecord record(grid, none, counter);
  record.numberRows();
  record.labelPass("9x", 1, CustomLabels(definitionLines, "9x"));
  record.labelPass("NT", 2, CustomLabels(definitionLines, "NT"));
}

std::vector<std::string> ItemListLines(const GridView& grid) {
  std::vector<std::string> lines;
  for (int row = 1; row < grid.rowCount(); ++row)
    lines.push_back(FieldForm(grid.cell(1, row)) + "," + FieldForm(grid.cell(2, row)));
  return lines;
}

}  // namespace mrv
