// The history file, its alerts and the shared failure logs, save by save.
#include <gtest/gtest.h>

#include "DiskFixture.h"
#include "base/Error.h"
#include "disk/DiskHealthItems.h"

using namespace mrv;
using namespace mrv::test;

namespace {

const std::string kFailedAlert = "警告|" + std::string(kDiskFailedAlert);
const std::string kWorseningAlert = "情報|" + std::string(kDiskWorseningAlert);

std::string logLine(int newFail, int previousFail, int newWarning, int earlierWarning) {
  return "PC01               2007/03/09 08:05:01  故障 " + std::to_string(newFail) + "/" + std::to_string(previousFail) +
         "  警告 " + std::to_string(newWarning) + "/" + std::to_string(earlierWarning);
}

}  // namespace

TEST(DiskHistory, FirstSaveWritesBothHeadersAndOneRowAndNeverAlerts) {
  DiskPc pc;
  pc.setDrives({driveWith(1, 1)});
  const AppendHistoryResult r = pc.save();
  EXPECT_TRUE(r.rowWritten);
  EXPECT_TRUE(pc.noHistory);
  const auto lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0],
            "DateTime,DayOfWeek,DriveNum,CapacityMB,ModelNumber,SerialNumber,Temperature,TempWorst,TempLow,"
            "ReallocSector,SmartFailTot,SmartWarnTot,PowerCycles,HoursRunning,"
            "*1: Raw Read Error Rate,Current,Worst,Threshold,Raw Value,"
            "*5: Reallocated Sector Count,Current,Worst,Threshold,Raw Value,"
            "*7: Seek Error Rate,Current,Worst,Threshold,Raw Value,"
            "*10: Spin Retry Count,Current,Worst,Threshold,Raw Value,"
            "*3: Spin Up Time,Current,Worst,Threshold,Raw Value,"
            "194: Temperature Celcius,Current,Worst,Threshold,Raw Value,");
  EXPECT_EQ(lines[1],
            "日時,曜日番号,ディスクNo.,容量MB,モデルNo.,シリアルNo.,温度℃,最高温度,最低温度,"
            "再配置セクタ,故障数,警告数,電源サイクル,稼働時間,"
            "読み取りエラー,現在値,最悪値,閾値,生データ,再配置セクタ数,現在値,最悪値,閾値,生データ,"
            "シークエラー,現在値,最悪値,閾値,生データ,回転再トライ回数,現在値,最悪値,閾値,生データ,"
            "立ち上がり時間,現在値,最悪値,閾値,生データ,温度（℃）,現在値,最悪値,閾値,生データ,");
  // 2007/03/09 was a Friday (6); the temperature's raw byte equals its current value, so the worst
  // value is the highest temperature
  EXPECT_EQ(lines[2],
            "2007/03/09 08:05:01,6,0,114473,ST3120827AS,5JT1K9QW,38,49,14,0,1,1,0,0,"
            "OK,100,100,6,0,故障,5,100,36,0,警戒,40,60,30,17,OK,100,100,97,0,-,97,97,0,0,"
            "-,38,49,0,223339216934,");
  EXPECT_TRUE(pc.dialogs.shown.empty());
  EXPECT_FALSE(fs::exists(pc.log(kHddFailLog)));
  EXPECT_FALSE(fs::exists(pc.log(kFailedLog)));
  EXPECT_FALSE(fs::exists(pc.log(kFailPlusWarningLog)));
  // Shift-JIS with CR LF, the last line included
  const std::string bytes = testsupport::slurpFile(pc.historyPath());
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_NE(bytes.find("\x93\xfa\x8e\x9e"), std::string::npos);  // 日時 in CP932
}

TEST(DiskHistory, AFailingDiskAtTheSecondSaveAlertsAndLogsOnceInEachLog) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  pc.save();
  pc.setDrives({driveWith(1, 0)});
  const AppendHistoryResult r = pc.save();
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{kFailedAlert});
  EXPECT_EQ(r.logsAppended, (std::vector<std::string>{"_hddfail.txt", "_failed.txt", "_fail_plus_warning.txt"}));
  for (auto name : {kHddFailLog, kFailedLog, kFailPlusWarningLog})
    EXPECT_EQ(ansiLines(pc.log(name)), std::vector<std::string>{logLine(1, 0, 0, 0)}) << name;
  // a third save with the same failure: no new alert, but the save is logged as one with failures
  pc.save();
  EXPECT_EQ(pc.dialogs.shown.size(), 1u);
  EXPECT_EQ(ansiLines(pc.log(kHddFailLog)).size(), 1u);
  EXPECT_EQ(ansiLines(pc.log(kFailedLog)).size(), 2u);
  EXPECT_EQ(ansiLines(pc.log(kFailedLog))[1], logLine(1, 1, 0, 0));
}

TEST(DiskHistory, RisingWarningsAlertOnlyAfterARowThatAlreadyWarned) {
  {  // 1, 1, 2: the third save shows the information and logs it
    DiskPc pc;
    for (int w : {1, 1}) {
      pc.setDrives({driveWith(0, w)});
      pc.save();
    }
    EXPECT_TRUE(pc.dialogs.shown.empty());
    pc.setDrives({driveWith(0, 2)});
    pc.save();
    EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{kWorseningAlert});
    EXPECT_EQ(ansiLines(pc.log(kHddFailLog)), std::vector<std::string>{logLine(0, 0, 2, 1)});
    EXPECT_FALSE(fs::exists(pc.log(kFailedLog)));
    EXPECT_EQ(ansiLines(pc.log(kFailPlusWarningLog)).size(), 2u);  // the first save logs nothing
  }
  {  // 0, 0, 1: nothing shown; only the failures-or-warnings log hears of it
    DiskPc pc;
    for (int w : {0, 0, 1}) {
      pc.setDrives({driveWith(0, w)});
      pc.save();
    }
    EXPECT_TRUE(pc.dialogs.shown.empty());
    EXPECT_FALSE(fs::exists(pc.log(kHddFailLog)));
    EXPECT_EQ(ansiLines(pc.log(kFailPlusWarningLog)), std::vector<std::string>{logLine(0, 0, 1, 0)});
  }
}

TEST(DiskHistory, AFullHistoryLosesItsOldestRowAndKeepsBothHeaders) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  pc.save();
  auto lines = ansiLines(pc.historyPath());
  const std::string row = lines[2];
  lines.pop_back();
  for (int i = 0; i < 499; ++i) lines.push_back("2006/01/01 00:00:00,1" + row.substr(21) + std::to_string(i));
  ASSERT_EQ(lines.size(), 501u);
  ASSERT_TRUE(writeAnsiLinesAtomic(pc.historyPath().string(), lines));
  pc.save();
  const auto after = ansiLines(pc.historyPath());
  ASSERT_EQ(after.size(), 501u);
  EXPECT_EQ(after[0], lines[0]);
  EXPECT_EQ(after[1], lines[1]);
  EXPECT_EQ(after[2], lines[3]);  // the oldest data row is gone
  EXPECT_EQ(after[499], lines[500]);
  EXPECT_EQ(after[500], row);
  for (const auto& e : fs::directory_iterator(pc.historyPath().parent_path()))
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

TEST(DiskHistory, OneRowPerRunAndNoneWithoutADrive) {
  DiskPc pc;
  pc.setDrives({});
  EXPECT_FALSE(pc.save().rowWritten);
  EXPECT_FALSE(pc.noHistory);  // a later save of the same run tries again
  EXPECT_FALSE(fs::exists(pc.historyPath()));
  EXPECT_TRUE(fs::is_directory(pc.historyPath().parent_path()));

  pc.setDrives({driveWith(0, 0)});
  EXPECT_TRUE(pc.save(true).rowWritten);
  EXPECT_FALSE(pc.save(true).rowWritten);
  EXPECT_EQ(ansiLines(pc.historyPath()).size(), 3u);
}

TEST(DiskHistory, EveryDriveGetsASegmentWithItsOwnAttributes) {
  DiskPc pc;
  DriveDump ssd;
  ssd.identify = identifyBlock("S21PNSAG", "Samsung SSD 850 EVO 120GB", 234441648u);
  // no IDs 1, 7, 10, 3 or 194; 177 and 252 are outside the kept ranges; 5 is listed twice
  const Tables t = tables({{5, 0x33, 100, 100, 0, 10},
                           {9, 0x32, 99, 99, 600, 0},
                           {177, 0x13, 99, 99, 3, 0},
                           {5, 0x33, 90, 90, 7, 10},
                           {235, 0x32, 99, 99, 12, 0},
                           {252, 0x32, 99, 99, 8899, 0}});
  ssd.smartData = t.data;
  ssd.smartThresholds = t.thresholds;
  pc.setDrives({driveWith(0, 0), ssd});
  pc.save();
  const auto lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 3u);
  const std::string& row = lines[2];
  // drive 0 ends after its six blocks (cells 14 to 43); an empty cell separates it from drive 1
  EXPECT_EQ(HistoryCell(row, 43), "223339216934");
  EXPECT_EQ(HistoryCell(row, 44), "");
  EXPECT_EQ(HistoryCell(row, 45), "1");  // a dump without a device map answers at its file's position
  EXPECT_EQ(HistoryCell(row, 47), "Samsung SSD 850 EVO 120GB");
  EXPECT_EQ(HistoryCell(row, 56), "11");  // hours running: 600 minutes
  const std::string drive1 = row.substr(row.find(",,1,") + 1);
  EXPECT_EQ(drive1,
            ",1,114473,Samsung SSD 850 EVO 120GB,S21PNSAG,0,0,0,7,0,0,0,11,"
            ",,,,,OK,100,100,10,0,,,,,,,,,,,,,,,,,,,,,-,99,99,0,600,-,99,99,0,12,");
  EXPECT_NE(lines[0].find(",,DriveNum,"), std::string::npos);
  EXPECT_NE(lines[0].find("9: Power On Hours Count,Current,Worst,Threshold,Raw Value,235: ,Current"), std::string::npos);
  EXPECT_EQ(lines[0].find("177:"), std::string::npos);
  EXPECT_EQ(lines[0].find("252:"), std::string::npos);
}

TEST(DiskHistory, AHistoryThatCannotBeWrittenRaisesAndLeavesTheSwitchOff) {
  DiskPc pc;
  pc.setDrives({driveWith(1, 0)});
  fs::create_directories(pc.historyPath());  // a folder where the file belongs
  EXPECT_THROW(pc.save(), MrvError);
  EXPECT_FALSE(pc.noHistory);
  EXPECT_TRUE(fs::is_directory(pc.historyPath()));
  for (const auto& e : fs::directory_iterator(pc.historyPath().parent_path()))
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

TEST(DiskHistory, FailureLogLinesPadTheComputerNameToNineteenCharacters) {
  EXPECT_EQ(FailureLogLine("ACCT-PC8", "2007/03/09 08:05:01", 1, 0, 2, 1),
            "ACCT-PC8           2007/03/09 08:05:01  故障 1/0  警告 2/1");
  EXPECT_EQ(FailureLogLine("経理部のパソコン", "2007/03/09 08:05:01", 0, 0, 1, 0),
            "経理部のパソコン           2007/03/09 08:05:01  故障 0/0  警告 1/0");
  EXPECT_EQ(FailureLogLine("A-VERY-LONG-PC-NAME-01", "d", 0, 0, 0, 0), "A-VERY-LONG-PC-NAME-01d  故障 0/0  警告 0/0");
}

TEST(DiskHistory, CellsAreFoundByPosition) {
  EXPECT_EQ(HistoryCell("a,b,,d", 0), "a");
  EXPECT_EQ(HistoryCell("a,b,,d", 2), "");
  EXPECT_EQ(HistoryCell("a,b,,d", 3), "d");
  EXPECT_EQ(HistoryCell("a,b,,d", 4), "");
  EXPECT_EQ(HistoryCount("x,7,y", 1), 7);
  EXPECT_EQ(HistoryCount("x,7,y", 2), 0);
  EXPECT_EQ(WeekdayNumber(2007, 3, 11), 1);  // Sunday
  EXPECT_EQ(WeekdayNumber(2000, 2, 29), 3);
  EXPECT_EQ(WeekdayNumber(2026, 12, 5), 7);
  EXPECT_EQ(HistoryPathFor("D:\\pcdata\\PC01__SALES.csv"), "D:\\pcdata\\hdd\\PC01__SALES.csv");
}

// Rows 56-61 of the record: the drive when it answers, else the last saved row.
TEST(DiskHealthItems, ValuesFromTheDriveOrFromTheLastSavedRow) {
  DiskPc pc;
  DriveDump no5 = driveWith(0, 1);
  const Tables t = tables({{1, kPreFail, 100, 100, 0, 6}, {194, 0x22, 41, 49, temperatureRaw(41, 14, 52), 0}});
  no5.smartData = t.data;
  no5.smartThresholds = t.thresholds;
  pc.setDrives({no5});
  pc.save();
  std::string message;
  auto device = openDriveDumps((pc.root / "drives").string(), message);
  DriveHealth h;
  std::string errorText;
  ReadDriveHealth(*device, 0, h, errorText);
  EXPECT_EQ(DiskHealthValues(h), (std::vector<std::string>{"0/0", "OK/100/100/6", "/0", "", "", "-/41/49/0/41/49"}));
  // the saved row: blocks without the raw value, the fixed ID 5 missing gives "///"
  EXPECT_EQ(DiskHealthItemsFromHistory(pc.historyPath().string()),
            (std::vector<std::string>{"0/0 (2007/03/09 08:05:01)", "OK/100/100/6", "////0", "///", "///",
                                      "-/41/49/0/41/49"}));
  EXPECT_EQ(DiskHealthItemsFromHistory((pc.root / "none.csv").string()), std::vector<std::string>(6));
  auto lines = ansiLines(pc.historyPath());
  lines.pop_back();
  writeAnsiLinesAtomic(pc.historyPath().string(), lines);
  EXPECT_EQ(DiskHealthItemsFromHistory(pc.historyPath().string()), std::vector<std::string>(6));
}
