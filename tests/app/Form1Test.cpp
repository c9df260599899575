#include <gtest/gtest.h>

#include "platform/Encoding.h"
#include "platform/TextFiles.h"

#include <filesystem>
#include <fstream>

#include "collect/FakeSystemServices.h"
#include "platform/Encoding.h"
#include "platform/replay/DriveDump.h"
#include "ui/MemoryViews.h"
#include "app/TForm1.h"
#include "ui/Version.h"
#include "records/ItemCatalogue.h"
#include "support/UnopenableFile.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {
class Form1Test : public ::testing::Test {
 protected:
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  Platform platform;
  fs::path dir = fs::temp_directory_path() / ("mrv-form1-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::unique_ptr<TForm1> form;

  void SetUp() override {
    fs::create_directories(dir);
    form = std::make_unique<TForm1>(memo, grid, status, window, dialogs, platform, (dir / "mervana").string());
  }
  void TearDown() override { fs::remove_all(dir); }

  // The definition file open in the editor, edited by the user.
  void editDefinitions() {
    form->setSettingsEditMode(true);
    memo.setLines({"[edited]"});
    memo.setModified(true);
  }
  void writeIni(const std::string& name, const std::string& text) { std::ofstream(dir / name, std::ios::binary) << text; }
};
}  // namespace

TEST_F(Form1Test, InteractiveStartLeavesAnEmptyEditableTextView) {
  memo.setLines({"old"});
  form->FormCreate({});
  EXPECT_EQ(window.caption(), "Mervana");
  EXPECT_TRUE(memo.visible());
  EXPECT_TRUE(memo.lines().empty());
  EXPECT_FALSE(memo.readOnly());
  EXPECT_FALSE(grid.visible());
  EXPECT_FALSE(window.menuEnabled("Save1"));
  EXPECT_FALSE(window.menuEnabled("SaveSetting1"));
  EXPECT_TRUE(window.menuEnabled("Read1"));
  EXPECT_TRUE(window.menuEnabled("OneSheet1"));
  EXPECT_FALSE(form->timerEnabled());
  EXPECT_TRUE(form->showMainWindow());
}

TEST_F(Form1Test, BatchStartArmsTheTimerAndHidesTheWindow) {
  form->FormCreate({"/p/b10"});
  EXPECT_TRUE(form->timerEnabled());
  EXPECT_FALSE(form->showMainWindow());
  EXPECT_EQ(form->timerInterval(), 10000);
  EXPECT_TRUE(form->options().noHistory);
}

TEST_F(Form1Test, SaveDirLosesOneTrailingBackslash) {
  writeIni("mervana.ini", "[General]\r\nSaveDir=D:\\pcdata\\\r\n");
  form->FormCreate({});
  EXPECT_EQ(form->saveDir(), "D:\\pcdata");
  writeIni("two.ini", "[General]\r\nSaveDir=D:\\pcdata\\\\\r\n");
  EXPECT_EQ(ReadSettings((dir / "two.ini").string()).saveDir, "D:\\pcdata\\");
  writeIni("empty.ini", "[General]\r\nSaveDir=\r\n");
  EXPECT_EQ(ReadSettings((dir / "empty.ini").string()).saveDir, "");
  EXPECT_EQ(ReadSettings((dir / "missing.ini").string()).saveDir, "");
}

TEST_F(Form1Test, ReadFillsTheRecordAndShowsTheGrid) {
  form->FormCreate({});
  grid.setFixed(3, 2);  // as the disk views leave it
  form->runCommand("Read1");
  EXPECT_EQ(grid.fixedCols(), 1);
  EXPECT_EQ(grid.fixedRows(), 1);
  EXPECT_TRUE(form->readCompleted());
  EXPECT_TRUE(grid.visible());
  EXPECT_FALSE(memo.visible());
  EXPECT_TRUE(window.menuEnabled("Save1"));
  const auto lines = memo.lines();
  ASSERT_EQ(lines.size(), kStandardRows + 100u);  // the standard rows, 100 program rows, no patches
  EXPECT_EQ(lines[1], VersionBanner());
  EXPECT_EQ(grid.cell(1, 0), "ItemName");
  EXPECT_EQ(grid.cell(2, 0), "Value");
  EXPECT_EQ(grid.cell(1, 2), "MRVバージョン");
  EXPECT_EQ(grid.cell(0, 190), "190");
  EXPECT_EQ(grid.colWidth(2), 480);
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Form1Test, ReadWithUnmodifiedDefinitionsAsksNothing) {
  form->FormCreate({});
  form->setSettingsEditMode(true);
  memo.setLines({"[defs]"});
  form->runCommand("Read1");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(memo.lines().size(), 190u);
}

TEST_F(Form1Test, ReadCancelledAtTheQuestionKeepsTheEdits) {
  form->FormCreate({});
  editDefinitions();
  dialogs.confirmAnswers = {false};
  form->runCommand("Read1");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "変更がありました|変更を保存しなくてよろしいか");
  EXPECT_EQ(memo.lines(), std::vector<std::string>{"[edited]"});
  EXPECT_TRUE(memo.modified());
  EXPECT_FALSE(grid.visible());
  EXPECT_EQ(grid.rowCount(), 10);
  EXPECT_FALSE(form->readCompleted());
}

TEST_F(Form1Test, SwitchViewTogglesTextAndGrid) {
  form->FormCreate({});
  window.setPanelVisible(true);
  form->runCommand("SwitchScreen1");
  EXPECT_TRUE(grid.visible());
  EXPECT_FALSE(memo.visible());
  EXPECT_FALSE(window.panelVisible());
  window.setCaption("Mervana 検索");
  form->runCommand("SwitchScreen1");
  EXPECT_FALSE(grid.visible());
  EXPECT_TRUE(memo.visible());
  EXPECT_EQ(window.caption(), "Mervana");
}

TEST_F(Form1Test, ExitWithEditsAsksTwiceAndCancelAtEitherKeepsRunning) {
  form->FormCreate({});
  editDefinitions();
  dialogs.confirmAnswers = {false};
  form->runCommand("Exit1");
  EXPECT_FALSE(window.closeRequested);
  EXPECT_EQ(dialogs.shown.size(), 1u);

  dialogs.confirmAnswers = {true};
  form->runCommand("Exit1");
  EXPECT_TRUE(window.closeRequested);  // the window now runs its close check
  dialogs.confirmAnswers = {false};
  EXPECT_FALSE(form->FormCloseQuery());
  EXPECT_EQ(dialogs.shown.back(), "|変更を保存せずに終了しますか?");
  dialogs.confirmAnswers = {true};
  EXPECT_TRUE(form->FormCloseQuery());
}

TEST_F(Form1Test, ExitWithoutEditsClosesWithoutQuestions) {
  form->FormCreate({});
  form->runCommand("Exit1");
  EXPECT_TRUE(window.closeRequested);
  EXPECT_TRUE(form->FormCloseQuery());
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Form1Test, PromptAnswerIsOneRowWithCommasAsBlanks) {
  form->FormCreate({});
  form->rowCounter() = kStandardRows + 1;
  grid.setRowCount(100);
  grid.setColCount(3);
  dialogs.promptAnswers = {"=a, b,c"};
  form->AskValue("部署名は?");
  EXPECT_EQ(dialogs.shown.back(), "prompt|部署名は?");
  EXPECT_EQ(memo.lines().back(), "'=a  b c");  // and the field form's guard: no live formula
  EXPECT_EQ(grid.cell(2, kStandardRows + 1), "'=a  b c");
  EXPECT_EQ(form->rowCounter(), kStandardRows + 2);
}

TEST_F(Form1Test, AggregateShowsItsOutcomeAndBuildsTheListsBesideTheProgram) {
  form->FormCreate({});
  writeIni("PC01.csv", "PC01\r\nvalue\r\n");
  form->runCommand("OneSheet1");
  EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"Mervana|集計表を作成しました：mervana.csv, mervana_a.csv"}));
  EXPECT_TRUE(fs::exists(dir / "mervana.csv"));
  UnopenableFile pc02(dir / "PC02.csv");
  form->runCommand("OneSheet1");
  EXPECT_EQ(dialogs.shown.back(), "Mervana|PC02.csvが開けません");
}

TEST_F(Form1Test, AboutShowsTheBanner) {
  form->FormCreate({});
  form->runCommand("Version1");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "バージョン情報|" + VersionBanner());
}

TEST_F(Form1Test, SaveWritesTheRecordEveryTimeAndOnlyAfterAWholeRead) {
  writeIni("mervana.ini", "[General]\r\nSaveDir=" + (dir / "records").string() + "\r\n");
  fs::create_directories(dir / "records");
  form->FormCreate({});
  form->Save1Click();  // nothing read yet: nothing written
  EXPECT_TRUE(fs::is_empty(dir / "records"));

  form->runCommand("Read1");
  form->runCommand("Save1");
  ASSERT_TRUE(form->recordSaved());
  const fs::path record = form->lastRecordPath();
  EXPECT_EQ(record.parent_path(), dir / "records");
  EXPECT_EQ(record.filename().string(), memo.lines()[0] + ".csv");  // row 1 is the stem
  std::size_t bytes = 0;  // every line of the text view, in CP932, with CR LF
  for (const auto& line : memo.lines()) bytes += utf8ToAnsi(line).size() + 2;
  EXPECT_EQ(memo.lines().size(), 90u + 100u);
  EXPECT_EQ(fs::file_size(record), bytes);

  fs::remove(record);
  form->runCommand("Save1");  // a second Save in the same run writes the record again
  EXPECT_TRUE(fs::exists(record));
  EXPECT_TRUE(dialogs.shown.empty());  // saving says nothing to the person at the PC
}

// "SaveDir=/srv/sd1\\": the one backslash left after start-up is no separator on Linux, and the
// record once landed beside the folder as "sd1\NAME.csv".
TEST_F(Form1Test, SaveDirEndingInBackslashesSavesInsideTheFolder) {
  fs::create_directories(dir / "sd1");
  writeIni("mervana.ini", "[General]\r\nSaveDir=" + (dir / "sd1").string() + "\\\\\r\n");
  form->FormCreate({});
  form->runCommand("Read1");
  form->runCommand("Save1");
  ASSERT_TRUE(form->recordSaved());
  EXPECT_EQ(fs::path(form->lastRecordPath()).parent_path(), dir / "sd1");
  EXPECT_TRUE(fs::exists(dir / "sd1" / (memo.lines()[0] + ".csv")));
}

TEST_F(Form1Test, AFailedWriteIsSilentInTheWindowButFailsABatchRun) {
  writeIni("mervana.ini", "[General]\r\nSaveDir=" + (dir / "missing" / "folder").string() + "\r\n");
  form->FormCreate({});
  form->runCommand("Read1");
  form->runCommand("Save1");
  EXPECT_FALSE(form->recordSaved());
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(form->exitStatus(), 0);

  form->FormCreate({"/b0"});
  form->Timer1Timer();
  EXPECT_FALSE(form->recordSaved());
  EXPECT_EQ(form->exitStatus(), 1);
  EXPECT_TRUE(window.closeRequested);
}

namespace {
// A grid that fails part-way through a record, as a collector failure would end the Read.
class FailingGrid : public MemoryGridView {
 public:
  void setCell(int col, int row, std::string_view text) override {
    if (col == 2 && row == 50) throw std::runtime_error("collector failed");
    MemoryGridView::setCell(col, row, text);
  }
};
}  // namespace

TEST(Form1ReadFailure, ATruncatedRecordIsNeverSaved) {
  MemoryTextView memo;
  FailingGrid grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  TForm1 form(memo, grid, status, window, dialogs, Platform{}, "/nonexistent/mervana");
  form.FormCreate({});
  form.runCommand("Read1");
  EXPECT_FALSE(form.readCompleted());
  EXPECT_FALSE(window.menuEnabled("Save1"));
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "Mervana|collector failed");

  form.FormCreate({"/b0"});
  form.Timer1Timer();  // batch: no message box to wait behind, a failure status instead
  EXPECT_EQ(form.exitStatus(), 1);
  EXPECT_FALSE(form.recordSaved());
  EXPECT_TRUE(window.closeRequested);
  EXPECT_EQ(dialogs.shown.size(), 1u);
}

namespace {
// This PC with its disks replayed from the recorded dumps of a failing drive.
class Form1DiskTest : public Form1Test {
 protected:
  void SetUp() override {
    Form1Test::SetUp();
    std::string message;
    drives = openDriveDumps(
        (fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading" / "4-failing").string(), message);
    platform.ata = drives.get();
    platform.system = &system;
    system.admin = true;
    form = std::make_unique<TForm1>(memo, grid, status, window, dialogs, platform, (dir / "bin" / "mervana").string());
    fs::create_directories(dir / "records");
    writeIni("site.ini", "[General]\r\nSaveDir=" + (dir / "records").string() + "\r\n");
  }
  std::vector<std::string> history() {
    std::vector<std::string> lines;
    readAnsiLines(form->HistoryPath(), lines);
    return lines;
  }
  std::unique_ptr<AtaDevice> drives;
  mrv::test::FakeSystemServices system;
};
}  // namespace

TEST_F(Form1DiskTest, ReadShowsTheDisksHealthAndSaveKeepsOneHistoryRowPerRun) {
  form->FormCreate({(dir / "site.ini").string()});
  for (const char* item : {"HDD1", "HDD2", "HDDE1", "HDDO1"}) EXPECT_TRUE(window.menuEnabled(item)) << item;
  form->runCommand("Read1");
  const auto rows = memo.lines();
  ASSERT_GE(rows.size(), 61u);
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 55, rows.begin() + 61),
            (std::vector<std::string>{"1/1", "警戒/39/39/6", "故障/33/33/36/2276", "OK/84/60/30", "OK/100/100/97",
                                      "'-/41/49/0/41/49"}));  // field form: a quote before a leading "-"
  form->runCommand("Save1");
  form->runCommand("Save1");
  EXPECT_EQ(form->HistoryPath(), (dir / "records" / "hdd" / (rows[0] + ".csv")).string());
  EXPECT_EQ(history().size(), 3u);
  EXPECT_TRUE(form->options().noHistory);

  // a later run whose disk cannot be read shows the saved values, dated
  drives.reset();
  platform.ata = nullptr;
  TForm1 later(memo, grid, status, window, dialogs, platform, (dir / "bin" / "mervana").string());
  later.FormCreate({(dir / "site.ini").string()});
  later.runCommand("Read1");
  EXPECT_EQ(memo.lines()[55], "1/1 (2007/03/09 08:05:01)");
  EXPECT_EQ(memo.lines()[56], "警戒/39/39/6");
  EXPECT_EQ(memo.lines()[60], "'-/41/49/0/41/49");
}

TEST_F(Form1DiskTest, ABatchRunWithPWritesNoHistoryAndTheReportNeedsNoRead) {
  form->FormCreate({"/p/b0", (dir / "site.ini").string()});
  form->Timer1Timer();
  EXPECT_EQ(form->exitStatus(), 0);
  EXPECT_TRUE(form->recordSaved());
  EXPECT_FALSE(fs::exists(form->HistoryPath()));

  TForm1 menu(memo, grid, status, window, dialogs, platform, (dir / "bin" / "mervana").string());
  menu.FormCreate({(dir / "site.ini").string()});
  menu.runCommand("HDD1");
  EXPECT_EQ(window.caption(), "Mervana HDD S.M.A.R.T.情報");
  EXPECT_EQ(grid.cell(3, 4), "114473");
  menu.runCommand("HDD2");
  EXPECT_EQ(dialogs.shown.back(), "Mervana|HDD情報ファイルがありません");
}
