#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/MenuTable.h"
#include "records/InventoryRecord.h"
#include "gui/QtTestApp.h"
#include "gui/MainWindow.h"
#include "records/ItemCatalogue.h"

using namespace mrv;

namespace {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ensureQtApp();
    window = std::make_unique<MainWindow>(platform, "/nonexistent/mervana");
    window->form().FormCreate({});
  }
  Platform platform;
  std::unique_ptr<MainWindow> window;
};
}  // namespace

TEST_F(MainWindowTest, StartsAsTheInteractiveWindow) {
  EXPECT_EQ(window->windowTitle(), "Mervana");
  EXPECT_EQ(window->size(), QSize(749, 488));
  EXPECT_EQ(window->font().pixelSize(), 12);
  EXPECT_EQ(window->Memo1()->font().pixelSize(), 16);
  EXPECT_FALSE(window->Memo1()->isHidden());
  EXPECT_FALSE(window->Memo1()->isReadOnly());
  EXPECT_TRUE(window->StringGrid1()->isHidden());
  EXPECT_TRUE(window->Panel1()->isHidden());
}

// The window asks for the first of its Japanese Gothic faces that this desktop has, as the font
// configuration's own listing (fc-list) names them; with none of them, for all of them.
TEST_F(MainWindowTest, TheWindowAsksOnlyForTheJapaneseFacesTheDesktopHas) {
  QProcess fcList;
  fcList.start("fc-list", {":", "family"});
  ASSERT_TRUE(fcList.waitForFinished(30000)) << "fc-list did not run: " << fcList.errorString().toStdString();
  ASSERT_EQ(fcList.exitCode(), 0);
  QStringList listed;  // each line: a face's family names, comma-separated, in their languages
  for (const QString& line : QString::fromUtf8(fcList.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
    for (const QString& name : line.split(',')) listed << name.trimmed();
  const QStringList order{QString::fromUtf8("ＭＳ Ｐゴシック"), "MS PGothic", "IPAPGothic", "IPAGothic", "Noto Sans CJK JP"};
  QStringList expected;
  for (const QString& family : order)
    if (expected.isEmpty() && listed.contains(family, Qt::CaseInsensitive)) expected << family;
  if (expected.isEmpty()) expected = order;
  EXPECT_EQ(window->font().families().join(", ").toStdString(), expected.join(", ").toStdString());
  EXPECT_EQ(window->Memo1()->font().families().join(", ").toStdString(), expected.join(", ").toStdString());
}

// The grid and the chart panel's widgets are made when first used, not at start; made late, they
// stand where they would have stood: the grid under Memo1 and before Panel1, next after Memo1 in
// the focus order, in the window's fonts.
TEST_F(MainWindowTest, TheHiddenGridAndChartAreMadeWhenFirstUsedInTheirPlaces) {
  EXPECT_EQ(window->findChild<QTableWidget*>(), nullptr);
  EXPECT_EQ(window->Panel1()->findChild<QComboBox*>(), nullptr);
  window->form().window().setPanelVisible(true);
  auto* combo = window->Panel1()->findChild<QComboBox*>("ComboBox1");
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->placeholderText(), qs(kComboBox1Text));
  EXPECT_EQ(window->Panel1()->findChild<QLabel*>("Label23")->text(), QString::fromUtf8("記録日時"));
  window->form().window().setPanelVisible(false);

  QTableWidget* grid = window->StringGrid1();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(window->findChild<QTableWidget*>("StringGrid1"), grid);
  EXPECT_TRUE(grid->isHidden());
  EXPECT_EQ(grid->font().pixelSize(), 12);
  auto* layout = window->centralWidget()->layout();
  EXPECT_EQ(layout->indexOf(grid), layout->indexOf(window->Memo1()) + 1);
  EXPECT_EQ(layout->indexOf(window->Panel1()), layout->indexOf(grid) + 1);
  // in the focus order the grid comes after Memo1 and before the panel's widgets
  QWidget* next = window->Memo1()->nextInFocusChain();
  for (int i = 0; i < 500 && next != grid && next != window->Memo1() && !window->Panel1()->isAncestorOf(next); ++i)
    next = next->nextInFocusChain();
  EXPECT_EQ(next, grid);
}

TEST_F(MainWindowTest, MenusFollowTheTableWithSeparators) {
  const auto menus = window->menuBar()->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly);
  const auto table = MainMenu1();
  ASSERT_EQ(static_cast<std::size_t>(menus.size()), table.size());
  for (std::size_t m = 0; m < table.size(); ++m) {
    QMenu* menu = menus[static_cast<qsizetype>(m)];
    EXPECT_EQ(menu->title(), qs(table[m].caption));
    QStringList names;
    for (QAction* a : menu->actions()) names << (a->isSeparator() ? QString("-") : a->objectName());
    QStringList expected;
    for (const auto& item : table[m].items) {
      if (item.separatorBefore) expected << "-";
      expected << qs(item.name);
    }
    EXPECT_EQ(names, expected);
  }
  auto* exit = window->findChild<QAction*>("Exit1");
  ASSERT_NE(exit, nullptr);
  EXPECT_EQ(exit->text(), QString::fromUtf8("終了(&X)"));
  EXPECT_FALSE(window->findChild<QAction*>("Save1")->isEnabled());
}

TEST_F(MainWindowTest, ReadShowsTheRecordInTheGrid) {
  window->findChild<QAction*>("Read1")->trigger();
  QTableWidget* grid = window->StringGrid1();
  EXPECT_FALSE(grid->isHidden());
  EXPECT_TRUE(window->Memo1()->isHidden());
  EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "ItemName");
  EXPECT_EQ(grid->item(0, 0)->text(), QString::fromUtf8("CSVファイル名"));
  EXPECT_EQ(grid->verticalHeaderItem(0)->text(), "1");
  EXPECT_EQ(grid->columnWidth(1), 480);
  EXPECT_EQ(window->Memo1()->toPlainText().split('\n').size(), 190);
  EXPECT_TRUE(window->findChild<QAction*>("Save1")->isEnabled());
}

// Rows 10, 20, 30 ... are written before the grid grows to them: the table must still show them.
TEST_F(MainWindowTest, EveryGridRowShowsItsRecordLinePastAHundredRows) {
  TForm1& form = window->form();
  form.grid().setRowCount(10);
  form.grid().setColCount(3);
  form.memo().clear();
  int counter = 1;
  InventoryRecord record(form.grid(), form.memo(), counter);
  for (int i = 1; i <= kStandardRows; ++i) record.addValueRow("item " + std::to_string(i));
  std::vector<std::string> installed;
  for (int i = 0; i < 123; ++i) installed.push_back("program " + std::to_string(i));
  record.closeRecord(installed, {"0@KB1"});
  const QStringList lines = window->Memo1()->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 214);
  QTableWidget* grid = window->StringGrid1();
  ASSERT_GE(grid->rowCount(), 214);
  for (int row = 1; row <= 214; ++row) {
    QTableWidgetItem* item = grid->item(row - 1, 1);
    EXPECT_EQ(item ? item->text() : QString(), lines[row - 1]) << row;
  }
}

TEST_F(MainWindowTest, PromptDialogIsForm2AndTakesTheAnswer) {
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == "Form2" && w->isVisible()) {
        EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Dorvel：問い合わせ"));
        EXPECT_EQ(w->size(), QSize(433, 146));
        EXPECT_EQ(w->findChild<QLineEdit*>("Edit1")->width(), 393);
        w->findChild<QLineEdit*>("Edit1")->setText("a,b");
        w->findChild<QPushButton*>("Button1")->click();
      }
    }
  });
  window->form().rowCounter() = 1;
  window->form().AskValue(QString::fromUtf8("部署は?").toStdString());
  EXPECT_EQ(window->Memo1()->toPlainText(), "a b");
}

// With MERVANA_SCREENSHOT_DIR set, saves pictures of the window for a person to look at.
TEST_F(MainWindowTest, ScreenshotsOnRequest) {
  const QString dir = qEnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (dir.isEmpty()) GTEST_SKIP() << "MERVANA_SCREENSHOT_DIR not set";
  window->show();
  QApplication::processEvents();
  EXPECT_TRUE(window->grab().save(dir + "/window-start.png"));
  window->findChild<QAction*>("Read1")->trigger();
  QApplication::processEvents();
  EXPECT_TRUE(window->grab().save(dir + "/window-read.png"));
  QMenu* file = window->menuBar()->findChild<QMenu*>("File1");
  file->popup(window->mapToGlobal(QPoint(0, 20)));
  QApplication::processEvents();
  EXPECT_TRUE(file->grab().save(dir + "/menu-file.png"));
  file->hide();
  QMenu* disk = window->menuBar()->findChild<QMenu*>("D1");
  disk->popup(window->mapToGlobal(QPoint(0, 20)));
  QApplication::processEvents();
  EXPECT_TRUE(disk->grab().save(dir + "/menu-disk.png"));
  disk->hide();
  QMenu* search = window->menuBar()->findChild<QMenu*>("S1");
  search->popup(window->mapToGlobal(QPoint(0, 20)));
  QApplication::processEvents();
  EXPECT_TRUE(search->grab().save(dir + "/menu-search.png"));
  search->hide();
}

TEST_F(MainWindowTest, ReadShowsNinetyRowsWithTheScreenTheWindowIsOn) {
  window->show();
  window->form().runCommand("Read1");
  QTableWidget* grid = window->StringGrid1();
  ASSERT_FALSE(grid->isHidden());
  ASSERT_GE(grid->rowCount(), kStandardRows);  // record row r is the grid's row r - 1: label, value
  EXPECT_EQ(grid->item(0, 0)->text(), QString::fromUtf8("CSVファイル名"));
  EXPECT_EQ(grid->item(kStandardRows - 1, 0)->text(), QString::fromUtf8("起動後時間"));
  // the screen rows come from the window's own screen (the offscreen platform has one)
  const QScreen* screen = window->screen();
  ASSERT_NE(screen, nullptr);
  EXPECT_EQ(grid->item(27, 1)->text(), QString::number(screen->geometry().width()));
  EXPECT_EQ(grid->item(28, 1)->text(), QString::number(screen->depth()));
}
