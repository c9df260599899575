// The disk report of a replayed failing drive in the Qt window.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <filesystem>

#include "collect/FakeSystemServices.h"
#include "gui/MainWindow.h"
#include "gui/QtTestApp.h"
#include "platform/replay/DriveDump.h"

using namespace mrv;

TEST(DiskReportWindow, TheReportOfAFailingDriveFillsTheGrid) {
  ensureQtApp();
  std::string message;
  auto drives = openDriveDumps(
      (std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading" / "4-failing").string(),
      message);
  ASSERT_TRUE(drives) << message;
  mrv::test::FakeSystemServices system;
  system.admin = true;
  Platform platform;
  platform.ata = drives.get();
  platform.system = &system;
  MainWindow window(platform, "/nonexistent/mervana");
  window.form().FormCreate({});
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
