// An NVMe drive walked over eight weekly saves as a failing one behaves: heat, cooling, growing
// media errors, spare running down, a namespace read that fails. The alerts, failure log lines,
// history cells and chart lines expected here are those docs/nvme-health.md and the alert rules
// of the history predict; they were worked out by hand from those texts.
#include <gtest/gtest.h>

#include <memory>

#include "DiskFixture.h"
#include "NvmeBlocks.h"
#include "app/TForm1.h"
#include "disk/DiskHealthItems.h"
#include "disk/HistoryChart.h"
#include "disk/NvmeHealth.h"
#include "chart/XYGraph.h"
#include "ui/MemoryChartPanel.h"

using namespace mrv;
using namespace mrv::test;

namespace {

const std::string kFailed = "警告|【重要】ハードディスクが故障しました\n作業をやめ直ちにシステム担当者に連絡してください";
const std::string kWorsening =
    "情報|【お知らせ】ハードディスクの状態が悪化してきています\n故障が予想されますので重要ファイルをバックアップしてください";

struct Save {
  const char* what;
  int critical, kelvin, spare;
  std::uint64_t mediaErrors;
  bool namespaceAnswers;
};

// 308 K = 35 °C. The spare threshold is 10 %, so spare under 46 % is a warning.
constexpr Save kWalk[] = {
    {"healthy", 0x00, 308, 100, 0, true},
    {"heat spike", 0x02, 353, 100, 0, true},
    {"still hot", 0x02, 351, 100, 0, true},
    {"cooled", 0x00, 313, 100, 0, true},
    {"first media errors", 0x00, 313, 100, 25, true},
    {"more errors, spare low", 0x00, 313, 40, 40, true},
    {"errors past the limit", 0x00, 313, 12, 60, true},
    {"spare used up, no namespace", 0x01, 313, 6, 80, false},
};

DriveDump walkDump(const Save& s, int week) {
  NvmeLogFields f;
  f.criticalWarning = s.critical;
  f.kelvin = s.kelvin;
  f.spare = s.spare;
  f.spareThreshold = 10;
  f.percentageUsed = 20;
  f.counters[kDataUnitsWrittenCounter] = 1000000 + 5000 * static_cast<std::uint64_t>(week);
  f.counters[kBusyTimeCounter] = 300 + 10 * static_cast<std::uint64_t>(week);
  f.counters[kPowerCyclesCounter] = 800 + static_cast<std::uint64_t>(week);
  f.counters[kPowerOnHoursCounter] = 4000 + 40 * static_cast<std::uint64_t>(week);
  f.counters[kMediaErrorsCounter] = s.mediaErrors;
  DriveDump d = nvmeDump(f, "WDC PC SN530 SDBPNPZ-512G");
  if (!s.namespaceAnswers) d.nvmeNamespace.reset();
  return d;
}

std::string logLine(int month, int day, const char* counts) {
  return "SEKKEI-PC12        2026/" + std::to_string(month) + "/" + (day < 10 ? "0" : "") + std::to_string(day) +
         " 08:30:00  " + counts;
}

std::vector<double> ys(const TXYLineSeries& s) {
  std::vector<double> v;
  for (const auto& p : s.Points()) v.push_back(p.y);
  return v;
}

}  // namespace

TEST(NvmeWalk, EightSavesGiveTheAlertsLogsAndChartsTheDocumentPredicts) {
  DiskPc pc;
  pc.system.computerName = "SEKKEI-PC12";
  const int days[] = {5, 12, 19, 26, 2, 9, 16, 23};  // 2026/10/05 .. 2026/11/23
  std::vector<std::vector<std::string>> shown;
  std::vector<std::string> row56;
  for (int i = 0; i < 8; ++i) {
    pc.system.now = {2026, i < 4 ? 10 : 11, days[i], 8, 30, 0};
    pc.setDrives({walkDump(kWalk[i], i)});
    // rows 56-61 of the record collected before the save
    std::string message;
    const auto device = openDriveDumps((pc.root / "drives").string(), message);
    CollectionState state(nullptr);
    CollectionContext ctx(pc.platform, state, pc.dialogs);
    pc.platform.ata = device.get();
    ctx.recordFolder = (pc.root / "records").string() + "/";
    ctx.stem = "PC01__SALES";
    row56.push_back(DiskHealthItems(ctx)[0]);

    pc.dialogs.shown.clear();
    ASSERT_TRUE(pc.save().rowWritten) << kWalk[i].what;
    shown.push_back(pc.dialogs.shown);
  }

  // fail/warning counts: heat once is a warning, twice a failure; growing errors warn, 50 fail;
  // spare under 46 % warns, under 10 % fails twice (row 3 and critical-warning bit 0)
  EXPECT_EQ(row56, (std::vector<std::string>{"0/0", "0/1", "1/0", "0/0", "0/1", "0/2", "1/1", "3/0"}));
  const std::vector<std::string> lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 10u);
  const std::pair<int, int> counts[] = {{0, 0}, {0, 1}, {1, 0}, {0, 0}, {0, 1}, {0, 2}, {1, 1}, {3, 0}};
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_EQ(HistoryCount(lines[2 + i], kHistSmartFailTot), counts[i].first) << kWalk[i].what;
    EXPECT_EQ(HistoryCount(lines[2 + i], kHistSmartWarnTot), counts[i].second) << kWalk[i].what;
  }
  // the failed namespace read keeps the row, with capacity 0
  EXPECT_EQ(HistoryCell(lines[9], 3), "0");
  EXPECT_EQ(HistoryCell(lines[8], 3), "488386");
  // no sensors: the extremes are empty cells, not 0
  EXPECT_EQ(HistoryCell(lines[2], kHistTempWorst), "");
  EXPECT_EQ(HistoryCell(lines[2], kHistTempWorst + 1), "");
  EXPECT_NE(lines[0].find(",*14: Media and Data Integrity Errors,Current,"), std::string::npos);

  // a first warning is only logged; heat twice fails; two warnings after one warn; 50 errors fail;
  // the spare used up fails again
  const std::vector<std::vector<std::string>> expectedShown = {{}, {}, {kFailed}, {}, {}, {kWorsening}, {kFailed}, {kFailed}};
  for (std::size_t i = 0; i < 8; ++i) EXPECT_EQ(shown[i], expectedShown[i]) << kWalk[i].what;
  EXPECT_EQ(ansiLines(pc.log(kHddFailLog)),
            (std::vector<std::string>{logLine(10, 19, "故障 1/0  警告 0/0"), logLine(11, 9, "故障 0/0  警告 2/0"),
                                      logLine(11, 16, "故障 1/0  警告 1/1"), logLine(11, 23, "故障 3/1  警告 0/2")}));
  EXPECT_EQ(ansiLines(pc.log(kFailedLog)),
            (std::vector<std::string>{logLine(10, 19, "故障 1/0  警告 0/0"), logLine(11, 16, "故障 1/0  警告 1/1"),
                                      logLine(11, 23, "故障 3/1  警告 0/2")}));
  EXPECT_EQ(ansiLines(pc.log(kFailPlusWarningLog)),
            (std::vector<std::string>{logLine(10, 12, "故障 0/0  警告 1/0"), logLine(10, 19, "故障 1/0  警告 0/0"),
                                      logLine(11, 2, "故障 0/0  警告 1/0"), logLine(11, 9, "故障 0/0  警告 2/0"),
                                      logLine(11, 16, "故障 1/0  警告 1/1"), logLine(11, 23, "故障 3/1  警告 0/2")}));

  // the charts of that history, drawn at noon of the last save's day
  pc.system.now = {2026, 11, 23, 12, 0, 0};
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  MemoryChartPanel panel;
  TForm1 form(memo, grid, status, window, pc.dialogs, pc.platform, "/opt/mervana/mervana");
  ShowHistoryChart(form, panel, pc.historyPath().string());
  EXPECT_EQ(panel.labelText("Label10"), "40℃");
  EXPECT_EQ(panel.labelText("Label12"), "");  // not "0℃"
  EXPECT_EQ(panel.labelText("Label8"), "0");
  EXPECT_EQ(panel.labelText("Label22"), "3");
  TXYGraph& g = panel.XYGraph1();
  // temperature: the green line is drawn; no red or blue points, and no stop
  EXPECT_EQ(ys(g.Series(1)), (std::vector<double>{35, 80, 78, 40, 40, 40, 40, 40}));
  EXPECT_TRUE(g.Series(0).Points().empty());
  EXPECT_TRUE(g.Series(2).Points().empty());

  const std::vector<std::string> items = panel.choices();
  auto draw = [&](const std::string& item) {
    const auto at = std::find(items.begin(), items.end(), item);
    ASSERT_NE(at, items.end()) << item;
    panel.setChoiceIndex(static_cast<int>(at - items.begin()));
    ComboBox1Change(form, panel);
  };
  draw("▲メディア・データ整合性エラー");
  EXPECT_EQ(ys(g.Series(1)), (std::vector<double>{0, 0, 0, 0, 25, 40, 60, 80}));
  EXPECT_EQ(ys(g.Series(0)), ys(g.Series(1)));
  EXPECT_EQ(ys(g.Series(2)), std::vector<double>(8, 50));
  EXPECT_EQ(panel.labelText("Label27"), "故障");
  draw("▲予備領域残量");
  EXPECT_EQ(ys(g.Series(1)), (std::vector<double>{100, 100, 100, 100, 100, 40, 12, 6}));
  EXPECT_EQ(ys(g.Series(2)), std::vector<double>(8, 10));
  draw("▲重大警告");
  EXPECT_EQ(ys(g.Series(1)), (std::vector<double>{0, 2, 2, 0, 0, 0, 0, 1}));
  draw("コントローラ稼働時間");
  EXPECT_EQ(ys(g.Series(1)), (std::vector<double>{300, 310, 320, 330, 340, 350, 360, 370}));
}

TEST(NvmeWalk, LookingBackNeedsTheSameDrive) {
  // the last row is another drive's (a replaced SSD): hot twice and more errors are not compared
  DiskPc pc;
  pc.system.now = {2026, 10, 5, 8, 30, 0};
  NvmeLogFields hot = healthyNvme();
  hot.criticalWarning = 0x02;
  pc.setDrives({nvmeDump(hot, "OLD DRIVE")});
  ASSERT_TRUE(pc.save().rowWritten);
  hot.counters[kMediaErrorsCounter] = 3;
  pc.setDrives({nvmeDump(hot)});
  ASSERT_TRUE(pc.save().rowWritten);
  const std::vector<std::string> lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(HistoryCell(lines[3], kHistFirstBlock), "警戒");  // heat, but the first time for this drive
  EXPECT_EQ(HistoryCount(lines[3], kHistSmartFailTot), 0);
  EXPECT_EQ(HistoryCount(lines[3], kHistSmartWarnTot), 1);  // its 3 errors were not seen growing
  // the same drive at the next save: heat twice fails; 3 errors stay 3 and are no warning
  ASSERT_TRUE(pc.save().rowWritten);
  const std::vector<std::string> after = ansiLines(pc.historyPath());
  EXPECT_EQ(HistoryCell(after[4], kHistFirstBlock), "故障");
  EXPECT_EQ(HistoryCount(after[4], kHistSmartFailTot), 1);
  EXPECT_EQ(HistoryCount(after[4], kHistSmartWarnTot), 0);
}
