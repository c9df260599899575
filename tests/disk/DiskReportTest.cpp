// The disk menu: the report, its saved-data variant, the history table, deletion and the viewer.
#include <gtest/gtest.h>

#include "DiskFixture.h"
#include "disk/DiskReport.h"
#include "ui/FormServices.h"

using namespace mrv;
using namespace mrv::test;

namespace {

const fs::path kData = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading";

class FakeForm : public FormServices {
 public:
  explicit FakeForm(DiskPc& pc) : pc_(pc) {}
  TextView& memo() override { return memo_; }
  GridView& grid() override { return grid_; }
  StatusView& status() override { return status_; }
  WindowView& window() override { return window_; }
  Dialogs& dialogs() override { return pc_.dialogs; }
  const Platform& platform() const override { return pc_.platform; }
  bool askUnsavedChanges() override { return true; }
  void resetView() override {}
  std::string programDir() const override { return "."; }

  // the disks as they are now
  void openDrives() {
    std::string message;
    pc_.device = openDriveDumps((pc_.root / "drives").string(), message);
    pc_.platform.ata = pc_.device.get();
  }
  std::vector<std::string> row(int r, int cols = 11) const {
    std::vector<std::string> out;
    for (int c = 0; c < cols; ++c) out.push_back(grid_.cell(c, r));
    return out;
  }

  MemoryTextView memo_;
  MemoryGridView grid_;
  MemoryStatusView status_;
  MemoryWindowView window_;

 private:
  DiskPc& pc_;
};

using Row = std::vector<std::string>;

}  // namespace

TEST(DiskReport, AnAdministratorSeesEveryDriveWithItsAttributes) {
  DiskPc pc;
  pc.system.admin = true;
  pc.setDrivesFrom(kData / "4-failing");
  FakeForm form(pc);
  form.openDrives();
  form.window_.setCaption("Mervana");
  HDD1Click(form, pc.historyPath().string());

  EXPECT_TRUE(pc.dialogs.shown.empty());
  EXPECT_EQ(form.window_.caption(), "Mervana HDD S.M.A.R.T.情報");
  EXPECT_TRUE(form.grid_.visible());
  EXPECT_FALSE(form.memo_.visible());
  EXPECT_EQ(form.grid_.colCount(), 11);
  EXPECT_EQ(form.row(0), (Row{"", "Name", "項目名", "状態", "現在値", "最悪値", "しきい値", "生データ", "故障警戒?",
                              "イベント?", "エラー率?"}));
  EXPECT_EQ(form.grid_.colWidth(1), 160);
  EXPECT_EQ(form.grid_.colWidth(7), 80);
  EXPECT_EQ(form.grid_.colWidth(9), 55);
  EXPECT_EQ(form.row(1, 4), (Row{"", "DiskNumber", "ディスクNo.", "0"}));
  EXPECT_EQ(form.row(3, 4), (Row{"", "SerialNumber", "シリアルNo.", "5JT1K9QW"}));
  EXPECT_EQ(form.row(4, 4), (Row{"", "Capacity(MB)", "容量(MB)", "114473"}));
  EXPECT_EQ(form.row(5, 4), (Row{"", "Reallocated Sector", "再配置セクタ数", "2276"}));
  EXPECT_EQ(form.row(10, 4), (Row{"", "Lowest Temperature", "最低温度", "14"}));
  EXPECT_EQ(form.row(11), Row(11));
  // the drive's fifteen attributes in its own order from row 12
  EXPECT_EQ(form.row(12), (Row{"1", "Raw Read Error Rate", "読み取りエラー", "警戒", "39", "39", "6", "87,829,395", "Yes",
                               "No", "Yes"}));
  EXPECT_EQ(form.row(15), (Row{"5", "Reallocated Sector Count", "再配置セクタ数", "故障", "33", "33", "36", "2,276",
                               "Yes", "Yes", "No"}));
  EXPECT_EQ(form.row(26, 3), (Row{"202", "TA Increase Count (Data Address Mark Errors)", "TA増加回数"}));
  EXPECT_EQ(form.row(27), Row(11));
  // the second drive after one empty row
  EXPECT_EQ(form.row(28, 4), (Row{"", "DiskNumber", "ディスクNo.", "1"}));
  EXPECT_EQ(form.row(31, 4), (Row{"", "Capacity(MB)", "容量(MB)", "76319"}));
  EXPECT_EQ(form.row(53, 3), (Row{"200", "Multi Zone Error Rate (Write Error Rate)", "書き込みエラー回数"}));
  EXPECT_GE(form.grid_.rowCount(), 54);
}

TEST(DiskReport, AttributesOutsideTheNamedRangesAreLeftOutAndUnnamedOnesSaySo) {
  DiskPc pc;
  pc.system.admin = true;
  DriveDump d = driveWith(0, 0);
  const Tables t = tables({{14, 0x32, 100, 100, 1234567, 0}, {100, 0x32, 100, 100, 0, 0}, {225, 0x32, 99, 99, 5, 0}});
  d.smartData = t.data;
  d.smartThresholds = t.thresholds;
  pc.setDrives({d});
  FakeForm form(pc);
  form.openDrives();
  HDD1Click(form, pc.historyPath().string());
  EXPECT_EQ(form.row(12, 8), (Row{"14", "Unknown", "(不明な属性)", "-", "100", "100", "0", "1,234,567"}));
  EXPECT_EQ(form.row(13, 3), (Row{"225", "Load/Unload Cycle Count", "(不明な属性)"}));
  EXPECT_EQ(form.row(14), Row(11));
  // the number, the name and the Japanese name stay in view
  EXPECT_EQ(form.grid_.fixedCols(), 3);
  EXPECT_EQ(form.grid_.fixedRows(), 1);
  EXPECT_EQ(ThousandsText(0), "0");
  EXPECT_EQ(ThousandsText(999), "999");
  EXPECT_EQ(ThousandsText(1000), "1,000");
  EXPECT_EQ(ThousandsText(281474976710655ull), "281,474,976,710,655");
}

TEST(DiskReport, WithoutAdministratorRightsTheLastSavedRowIsShown) {
  DiskPc pc;
  pc.setDrivesFrom(kData / "4-failing");
  pc.save();
  FakeForm form(pc);
  form.openDrives();
  HDD1Click(form, pc.historyPath().string());
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{"情報|管理者権限がなく実行できません。保存されたデータを表示します。"});
  EXPECT_EQ(form.window_.caption(), "Mervana HDD S.M.A.R.T.情報");
  EXPECT_EQ(form.row(1, 4), (Row{"", "DateTime", "日時", "2007/03/09 08:05:01"}));
  EXPECT_EQ(form.row(2, 4), (Row{"", "DriveNum", "ディスクNo.", "0"}));  // the weekday row is overwritten
  EXPECT_EQ(form.row(13, 4), (Row{"", "HoursRunning", "稼働時間", "320"}));
  EXPECT_EQ(form.row(14, 9),
            (Row{"1", " Raw Read Error Rate", "読み取りエラー", "警戒", "39", "39", "6", "87829395", "Yes"}));
  EXPECT_EQ(form.row(19, 9), (Row{"194", " Temperature Celcius", "温度（℃）", "-", "41", "49", "0", "223339216937", "No"}));
  EXPECT_EQ(form.row(28, 3), (Row{"202", " TA Increase Count (Data Address Mark Errors)", "TA増加回数"}));
  // the first drive's fifteen blocks end the report: the second drive's segment is not read as
  // more of them
  EXPECT_EQ(form.grid_.rowCount(), 29);
}

TEST(DiskReport, WithoutRightsOrDrivesOnlyAMessageIsShown) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  FakeForm form(pc);
  form.openDrives();
  form.window_.setCaption("Mervana");
  HDD1Click(form, pc.historyPath().string());
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{"情報|この機能は管理者権限がないと実行できません"});
  EXPECT_EQ(form.window_.caption(), "Mervana");
  EXPECT_FALSE(form.grid_.visible());

  pc.system.admin = true;
  pc.setDrives({});
  form.openDrives();
  pc.dialogs.shown.clear();
  HDD1Click(form, pc.historyPath().string());
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{"情報|ハードディスク情報が取得できません"});
  EXPECT_EQ(form.window_.caption(), "Mervana");
  EXPECT_FALSE(form.grid_.visible());
}

TEST(DiskReport, HistoryTableHasAColumnPerCellOfTheFirstLine) {
  DiskPc pc;
  FakeForm form(pc);
  HDD2Click(form, pc.historyPath().string());
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{"Mervana|HDD情報ファイルがありません"});
  EXPECT_FALSE(form.grid_.visible());

  pc.setDrives({driveWith(0, 1)});
  pc.save();
  pc.save();
  form.window_.setPanelVisible(true);
  HDD2Click(form, pc.historyPath().string());
  EXPECT_EQ(form.window_.caption(), "Mervana HDD S.M.A.R.T.履歴");
  EXPECT_TRUE(form.grid_.visible());
  EXPECT_FALSE(form.window_.panelVisible());
  EXPECT_EQ(form.grid_.colCount(), 44);  // 14 cells and six blocks; nothing after the last comma
  EXPECT_EQ(form.grid_.rowCount(), 5);   // four lines and one empty row
  EXPECT_EQ(form.grid_.cell(0, 0), "DateTime");
  EXPECT_EQ(form.grid_.cell(43, 0), "Raw Value");
  EXPECT_EQ(form.grid_.cell(15, 1), "現在値");
  EXPECT_EQ(form.grid_.cell(24, 3), "警戒");
  EXPECT_EQ(form.grid_.cell(0, 4), "");
  EXPECT_EQ(form.grid_.colWidth(0), 110);
  EXPECT_EQ(form.grid_.colWidth(1), 55);
  EXPECT_EQ(form.grid_.colWidth(4), 80);
  EXPECT_EQ(form.grid_.colWidth(5), 80);
  EXPECT_EQ(form.grid_.colWidth(14), 110);  // the status word before each "現在値"
  EXPECT_EQ(form.grid_.colWidth(18), 70);   // and the raw value three after it
  EXPECT_EQ(form.grid_.colWidth(16), 55);
  // both header lines and the date-time stay in view
  EXPECT_EQ(form.grid_.fixedRows(), 2);
  EXPECT_EQ(form.grid_.fixedCols(), 1);

  // a longer later line keeps the first line's columns
  auto lines = ansiLines(pc.historyPath());
  lines.push_back(lines.back() + "extra,cells,");
  writeAnsiLinesAtomic(pc.historyPath().string(), lines);
  LoadHistoryGrid(form.grid_, pc.historyPath().string());
  EXPECT_EQ(form.grid_.colCount(), 44);
  EXPECT_EQ(form.grid_.rowCount(), 6);
}

TEST(DiskReport, DeletingTheHistoryAsksFirst) {
  DiskPc pc;
  FakeForm form(pc);
  HDDE1Click(form, pc.historyPath().string());
  EXPECT_TRUE(pc.dialogs.shown.empty());  // nothing to delete, nothing asked

  pc.setDrives({driveWith(0, 0)});
  pc.save();
  pc.dialogs.yesNoAnswers = {false};
  HDDE1Click(form, pc.historyPath().string());
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{"確認|HDD履歴を削除してよろしいか"});
  EXPECT_TRUE(fs::exists(pc.historyPath()));
  pc.dialogs.yesNoAnswers = {true};
  HDDE1Click(form, pc.historyPath().string());
  EXPECT_FALSE(fs::exists(pc.historyPath()));
}

TEST(DiskReport, TheOpenDialogStartsInTheHddFolderAndRemembersIt) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  pc.save();
  FakeForm form(pc);
  std::string folder;
  pc.dialogs.openFileAnswers = {""};
  HDDO1Click(form, folder, pc.historyPath().string());
  EXPECT_EQ(folder, pc.historyPath().parent_path().string());
  EXPECT_FALSE(form.grid_.visible());

  pc.dialogs.openFileAnswers = {pc.historyPath().string()};
  HDDO1Click(form, folder, "/elsewhere/hdd/other.csv");
  EXPECT_EQ(folder, pc.historyPath().parent_path().string());
  EXPECT_EQ(form.window_.caption(), "Mervana --" + pc.historyPath().string());
  EXPECT_TRUE(form.grid_.visible());
  EXPECT_EQ(form.grid_.rowCount(), 4);

  pc.dialogs.openFileAnswers = {(pc.root / "gone.csv").string()};
  form.window_.setCaption("x");
  HDDO1Click(form, folder, pc.historyPath().string());
  EXPECT_EQ(form.window_.caption(), "x");
}

TEST(DiskReport, AnNvmeDriveShowsItsHealthLogRows) {
  DiskPc pc;
  pc.system.admin = true;
  pc.setDrivesFrom(fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-nvme" / "3-failing");
  FakeForm form(pc);
  form.openDrives();
  HDD1Click(form, pc.historyPath().string());
  EXPECT_TRUE(pc.dialogs.shown.empty());
  EXPECT_EQ(form.row(4, 4), (Row{"", "Capacity(MB)", "容量(MB)", "488386"}));
  EXPECT_EQ(form.row(5, 4), (Row{"", "Reallocated Sector", "再配置セクタ数", "5"}));
  EXPECT_EQ(form.row(6, 4), (Row{"", "Hours Running", "運転時間", "6414"}));
  EXPECT_EQ(form.row(8, 4), (Row{"", "Temperature Celcius", "温度", "35"}));
  EXPECT_EQ(form.row(12), (Row{"1", "Critical Warning", "重大警告", "故障", "1", "1", "0", "1", "Yes", "No", "No"}));
  EXPECT_EQ(form.row(14), (Row{"3", "Available Spare", "予備領域残量", "故障", "7", "7", "10", "7", "Yes", "No", "No"}));
  EXPECT_EQ(form.row(16), (Row{"5", "Percentage Used", "寿命消費率", "警戒", "97", "97", "0", "97", "Yes", "No", "No"}));
  EXPECT_EQ(form.row(19, 8), (Row{"8", "Host Read Commands", "読み取りコマンド数", "-", "412309871", "412309871", "0", "412,309,871"}));
  // no earlier save to compare with: 5 media errors are not seen growing
  EXPECT_EQ(form.row(25, 7), (Row{"14", "Media and Data Integrity Errors", "メディア・データ整合性エラー", "OK", "5", "5", "50"}));
  // the temperatures from the composite and sensor 1 (39 °C)
  EXPECT_EQ(form.row(9, 4), (Row{"", "Worst Temperature", "最高温度", "39"}));
  EXPECT_EQ(form.row(10, 4), (Row{"", "Lowest Temperature", "最低温度", "35"}));
  EXPECT_EQ(form.row(26, 3), (Row{"15", "Error Information Log Entries", "エラーログ件数"}));
  // the ATA disk after it keeps its own names
  EXPECT_EQ(form.row(28, 4), (Row{"", "DiskNumber", "ディスクNo.", "1"}));
  EXPECT_EQ(form.row(39, 3), (Row{"1", "Raw Read Error Rate", "読み取りエラー"}));
}
