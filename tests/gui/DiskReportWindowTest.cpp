// The disk report of a replayed failing drive in the Qt window, and its fixed columns.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QScrollBar>
#include <filesystem>
#include <memory>

#include "collect/FakeSystemServices.h"
#include "gui/MainWindow.h"
#include "gui/QtTestApp.h"
#include "platform/replay/DriveDump.h"

using namespace mrv;

namespace {

// The model cell shown at a point of a view's viewport.
QString shownAt(QTableView* view, QPoint p) { return view->indexAt(p).data().toString(); }

// The Qt window on a PC whose drives are the replayed failing disk, the user an administrator.
struct ReplayedWindow {
  ReplayedWindow() {
    std::string message;
    drives = openDriveDumps(
        (std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading" / "4-failing").string(),
        message);
    EXPECT_TRUE(drives) << message;
    system.admin = true;
    platform.ata = drives.get();
    platform.system = &system;
    window = std::make_unique<MainWindow>(platform, "/nonexistent/mervana");
    window->form().FormCreate({});
  }
  std::unique_ptr<AtaDevice> drives;
  mrv::test::FakeSystemServices system;
  Platform platform;
  std::unique_ptr<MainWindow> window;
};

}  // namespace

TEST(DiskReportWindow, TheReportOfAFailingDriveFillsTheGrid) {
  ensureQtApp();
  ReplayedWindow pc;
  ASSERT_TRUE(pc.drives);
  MainWindow& window = *pc.window;
  QAction* hdd1 = window.findChild<QAction*>("HDD1");
  ASSERT_NE(hdd1, nullptr);
  EXPECT_TRUE(hdd1->isEnabled());
  hdd1->trigger();

  QTableWidget* grid = window.StringGrid1();
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("Mervana HDD S.M.A.R.T.情報"));
  EXPECT_FALSE(grid->isHidden());
  EXPECT_TRUE(window.Memo1()->isHidden());
  EXPECT_EQ(grid->columnCount(), 10);  // columns 1..10; column 0 is the row header
  EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QString::fromUtf8("状態"));
  EXPECT_EQ(grid->horizontalHeaderItem(9)->text(), QString::fromUtf8("エラー率?"));
  // grid row 15 (table row 14) is attribute 5, failing
  EXPECT_EQ(grid->verticalHeaderItem(14)->text(), "5");
  EXPECT_EQ(grid->item(14, 2)->text(), QString::fromUtf8("故障"));
  EXPECT_EQ(grid->item(14, 6)->text(), "2,276");

  const QString dir = qEnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    window.show();
    grid->scrollToTop();
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(dir + "/disk-report-failing.png"));
    grid->scrollToItem(grid->item(14, 2), QAbstractItemView::PositionAtTop);
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().save(dir + "/disk-report-failing-attributes.png"));
  }
}

// The number, name and Japanese name columns stay in view, however far the report is scrolled.
TEST(DiskReportWindow, TheNameColumnsStayInViewWhenScrolled) {
  ensureQtApp();
  ReplayedWindow pc;
  ASSERT_TRUE(pc.drives);
  MainWindow& window = *pc.window;
  window.resize(749, 488);
  window.show();
  window.findChild<QAction*>("HDD1")->trigger();
  QApplication::processEvents();

  QTableWidget* table = window.StringGrid1();
  QTableView* left = table->findChild<QTableView*>("fixedColumns");
  ASSERT_NE(left, nullptr);
  EXPECT_TRUE(left->isVisible());
  EXPECT_EQ(table->findChild<QTableView*>("fixedRows"), nullptr);
  // the number (the row header, 28), the name (160) and the Japanese name (110)
  EXPECT_EQ(left->width(), table->verticalHeader()->width() + 160 + 110);
  EXPECT_EQ(table->verticalHeader()->width(), 28);

  table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
  table->verticalScrollBar()->setValue(12);
  QApplication::processEvents();
  ASSERT_GT(table->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(left->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(left->verticalScrollBar()->value(), table->verticalScrollBar()->value());
  // the row at the top of the scrolled table is grid row 15 (table row 14): attribute 5, by name
  const int rowY = left->rowViewportPosition(14) + 2;
  EXPECT_EQ(shownAt(left, {left->columnViewportPosition(0) + 2, rowY}), "Reallocated Sector Count");
  EXPECT_EQ(shownAt(left, {left->columnViewportPosition(1) + 2, rowY}), QString::fromUtf8("再配置セクタ数"));
  EXPECT_EQ(left->verticalHeader()->logicalIndexAt(rowY), 14);

  const QString shots = qEnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    EXPECT_TRUE(window.grab().save(shots + "/disk-report-scrolled.png"));
  }
}
