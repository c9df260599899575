// Fixed rows of StringGrid1 in the Qt window: the history table keeps its two header lines in
// view however far it is scrolled (the disk report's fixed columns: DiskReportWindowTest).
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <filesystem>
#include <fstream>
#include <random>

#include "disk/DiskReport.h"
#include "gui/QtTestApp.h"
#include "gui/QtViews.h"
#include "platform/TextFiles.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {

const fs::path kDrives = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading";

QTableView* part(QTableWidget* table, const char* name) { return table->findChild<QTableView*>(name); }

// The model cell shown at a point of a view's viewport.
QString shownAt(QTableView* view, QPoint p) { return view->indexAt(p).data().toString(); }

}  // namespace

TEST(FixedCells, TheHistoryTableKeepsBothHeaderLinesInView) {
  ensureQtApp();
  // a history of two drives and sixty saves, too long and too wide for the table
  std::vector<std::string> lines;
  ASSERT_TRUE(readAnsiLines((kDrives / "expected-history.csv").string(), lines));
  const std::string row = lines.back();
  while (lines.size() < 62) lines.push_back(row);
  const fs::path file = fs::temp_directory_path() / ("mrv-fixed-" + std::to_string(std::random_device{}()) + ".csv");
  ASSERT_TRUE(writeAnsiLinesAtomic(file.string(), lines));

  QTableWidget table;
  QtGridView grid(&table);
  table.resize(600, 300);
  table.show();
  LoadHistoryGrid(grid, file.string());
  fs::remove(file);
  QApplication::processEvents();
  EXPECT_EQ(grid.fixedRows(), 2);
  EXPECT_EQ(grid.fixedCols(), 1);
  EXPECT_EQ(part(&table, "fixedColumns"), nullptr);  // the date-time is the row header already

  QTableView* top = part(&table, "fixedRows");
  ASSERT_NE(top, nullptr);
  EXPECT_TRUE(top->isVisible());
  // the header (row 0) and the Japanese header line (row 1, the table's first row) and no more
  EXPECT_EQ(top->height(), table.horizontalHeader()->height() + table.rowHeight(0));
  EXPECT_EQ(top->y(), table.frameWidth());

  table.verticalScrollBar()->setValue(table.verticalScrollBar()->maximum());
  table.horizontalScrollBar()->setValue(6);  // the sixth column first: the first block's status
  QApplication::processEvents();
  ASSERT_GT(table.verticalScrollBar()->value(), 20);
  EXPECT_EQ(top->verticalScrollBar()->value(), 0);
  EXPECT_EQ(top->horizontalScrollBar()->value(), table.horizontalScrollBar()->value());
  const int y = top->viewport()->height() / 2;
  const int firstColumn = top->columnViewportPosition(table.columnAt(1)) + 2;
  EXPECT_EQ(top->indexAt({firstColumn, y}).row(), 0);
  EXPECT_EQ(top->indexAt({firstColumn, y}).column(), table.columnAt(1));
  // grid column 15 is the first block's current value: "現在値" on the Japanese line
  EXPECT_EQ(shownAt(top, {top->columnViewportPosition(14) + 2, y}), QString::fromUtf8("現在値"));
}
