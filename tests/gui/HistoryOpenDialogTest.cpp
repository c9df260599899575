// The open dialog of the history files (HDD履歴ファイルを開く, グラフ表示) in the Qt window: the
// program's filter "CSV files (*.csv)|*.CSV" must list the history files of the hdd folder, whatever
// the case of their extension, and nothing else.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QListView>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "gui/QtDialogs.h"
#include "gui/QtTestApp.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {

// The file names the dialog's list shows once the folder is read.
QStringList listedNames(QFileDialog& dialog) {
  QListView* list = dialog.findChild<QListView*>("listView");
  if (!list) return {};
  QStringList names;
  QElapsedTimer waited;
  waited.start();
  // the folder is read in the background; what it shows settles within a moment
  int steady = 0;
  while (waited.elapsed() < 5000 && steady < 20) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QStringList now;
    const QAbstractItemModel* model = list->model();
    const QModelIndex root = list->rootIndex();
    for (int r = 0; r < model->rowCount(root); ++r) now << model->index(r, 0, root).data().toString();
    now.sort();
    steady = !now.isEmpty() && now == names ? steady + 1 : 0;
    names = now;
  }
  return names;
}

}  // namespace

TEST(HistoryOpenDialog, TheWindowsFilterBecomesQtNameFilters) {
  ensureQtApp();
  EXPECT_EQ(qtNameFilters("CSV files (*.csv)|*.CSV"), QStringList{"CSV files (*.CSV *.csv)"});
  EXPECT_EQ(qtNameFilters("Text (*.txt)|*.txt;*.log|All|*.*"), (QStringList{"Text (*.txt *.TXT *.log *.LOG)", "All (*.*)"}));
  EXPECT_EQ(qtNameFilters(""), QStringList{});
}

TEST(HistoryOpenDialog, TheHddFolderShowsItsHistoryFiles) {
  ensureQtApp();
  const fs::path hdd = fs::temp_directory_path() / ("mrv-open-" + std::to_string(std::random_device{}())) / "hdd";
  fs::create_directories(hdd);
  for (const char* name : {"KEIRI-PC03__WORKGROUP.csv", "SOUMU-PC07__OFFICE.CSV", "_hddfail.txt", "_failed.txt"})
    std::ofstream(hdd / name) << "DateTime,DayOfWeek\r\n";

  std::unique_ptr<QFileDialog> dialog(newOpenFileDialog(nullptr, hdd.string(), "CSV files (*.csv)|*.CSV"));
  dialog->setOption(QFileDialog::DontUseNativeDialog);  // the widgets are looked at
  dialog->resize(640, 420);
  dialog->show();
  EXPECT_EQ(dialog->directory().absolutePath(), QString::fromStdString(hdd.string()));
  EXPECT_EQ(listedNames(*dialog), (QStringList{"KEIRI-PC03__WORKGROUP.csv", "SOUMU-PC07__OFFICE.CSV"}));

  const QString shots = qEnvironmentVariable("MERVANA_SCREENSHOT_DIR");
  if (!shots.isEmpty()) {
    EXPECT_TRUE(dialog->grab().save(shots + "/history-open-dialog.png"));
  }
  dialog->close();
  std::error_code ec;
  fs::remove_all(hdd.parent_path(), ec);
}
