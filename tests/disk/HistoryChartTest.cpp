#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/TForm1.h"
#include "base/Error.h"
#include "collect/FakeSystemServices.h"
#include "disk/HistoryChart.h"
#include "chart/XYGraph.h"
#include "platform/TextFiles.h"
#include "support/HistoryGrid.h"
#include "support/RegistryFixtures.h"
#include "ui/MemoryChartPanel.h"
#include "ui/MemoryViews.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

// The window with its chart panel, at a fixed "now": 2007/03/09 12:00:00.
class HistoryChartTest : public ::testing::Test {
 protected:
  HistoryChartTest() {
    sys.now = LocalTime{2007, 3, 9, 12, 0, 0};
    platform.system = &sys;
    form = std::make_unique<TForm1>(memo, grid, status, window, dialogs, platform, "/opt/mervana/mervana");
  }

  // "yyyy/mm/dd hh:mm:ss" of `days` (whole and half days) before now.
  static std::string daysAgo(double days) {
    using namespace std::chrono;
    const auto now = sys_days{year{2007} / 3 / 9} + hours{12};
    const auto t = now - seconds{static_cast<long long>(days * 86400)};
    const auto day = floor<std::chrono::days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%02u/%02u %02ld:%02ld:%02ld", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long>(hms.hours().count()), static_cast<long>(hms.minutes().count()),
                  static_cast<long>(hms.seconds().count()));
    return buf;
  }

  // One drive, a row per age (oldest first), each row shaped by `shape` before it is written.
  void load(const std::vector<double>& ages, const std::function<void(DriveCells&, std::size_t)>& shape = {}) {
    std::vector<std::string> lines{englishHeader({typicalAttributes()}), japaneseHeader({typicalAttributes()})};
    for (std::size_t i = 0; i < ages.size(); ++i) {
      DriveCells d;
      if (shape) shape(d, i);
      lines.push_back(historyRow(daysAgo(ages[i]), {d}));
    }
    fillHistoryGrid(grid, lines);
  }

  void choose(const std::string& item) {
    const auto items = panel.choices();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == item) {
        panel.setChoiceIndex(static_cast<int>(i));
        ComboBox1Change(*form, panel);
        return;
      }
    FAIL() << "no choice " << item;
  }

  TXYGraph& graph() { return panel.XYGraph1(); }
  const TGraphAxis& x() { return graph().XAxis(); }
  const TGraphAxis& y() { return graph().YAxis(); }
  std::vector<double> ys(int series) {
    std::vector<double> v;
    for (const auto& p : graph().Series(series).Points()) v.push_back(p.y);
    return v;
  }

  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  test::FakeSystemServices sys;
  Platform platform;
  std::unique_ptr<TForm1> form;
  MemoryChartPanel panel;
};

TEST_F(HistoryChartTest, XAxisFollowsTheOldestRow) {
  struct Case {
    std::vector<double> ages;
    double min, step;
    int subTicks;
  };
  const Case cases[] = {
      {{10, 3.5}, -30, 10, 5},  // earliest -10: one 30-day span in 10-day ticks
      {{75, 20, 1}, -90, 30, 6},
      {{60, 0.5}, -60, 10, 5},  // 60 days exactly still counts in tens
      {{61}, -90, 30, 6},
      {{899}, -900, 30, 6},  // 30 ticks: the most the axis takes
  };
  for (const auto& c : cases) {
    load(c.ages);
    ShowHistoryChartFromGrid(*form, panel);
    SCOPED_TRACE(c.ages.front());
    EXPECT_DOUBLE_EQ(x().Min(), c.min);
    EXPECT_DOUBLE_EQ(x().Max(), 0);
    EXPECT_DOUBLE_EQ(x().Origin(), c.min);
    EXPECT_DOUBLE_EQ(x().TickStep(), c.step);
    EXPECT_EQ(x().SubTicksCount(), c.subTicks);
    EXPECT_EQ(x().Title(), "日数");
    ASSERT_EQ(graph().Series(1).Count(), static_cast<int>(c.ages.size()));
    EXPECT_NEAR(graph().Series(1).Points().front().x, -c.ages.front(), 1e-6);
  }
}

TEST_F(HistoryChartTest, HistoriesLongerThan900DaysWidenTheStepInWholeMonths) {
  struct Case {
    double age, min, step;
  };
  // the left end goes down to a whole number of steps, so that a tick still falls on 0 (today):
  // 901 days in 60-day steps start at -960, not at -930 (ticks -930, -870, ..., -30)
  const Case cases[] = {{901, -960, 60}, {1000, -1020, 60}, {1800, -1800, 60}, {1801, -1890, 90}, {3650, -3750, 150}};
  for (const auto& c : cases) {
    load({c.age, 100, 2});
    SCOPED_TRACE(c.age);
    ASSERT_NO_THROW(ShowHistoryChartFromGrid(*form, panel));
    EXPECT_DOUBLE_EQ(x().Min(), c.min);
    EXPECT_DOUBLE_EQ(x().Origin(), c.min);
    EXPECT_DOUBLE_EQ(x().TickStep(), c.step);
    const double ticksToToday = -x().Origin() / x().TickStep();
    EXPECT_DOUBLE_EQ(ticksToToday, std::round(ticksToToday));
    EXPECT_LE(x().Min(), -c.age);
    EXPECT_LE(-x().Min() / x().TickStep(), 30);
    EXPECT_EQ(x().Title(), "日数");
    EXPECT_TRUE(window.panelVisible());
  }
  EXPECT_DOUBLE_EQ(HistoryTickStep(30), 10);
  EXPECT_DOUBLE_EQ(HistoryTickStep(90), 30);
  EXPECT_DOUBLE_EQ(HistoryTickStep(2700), 90);
}

TEST_F(HistoryChartTest, YAxisByTheLargestValuePlotted) {
  load({40, 20, 1}, [](DriveCells& d, std::size_t i) {
    d.temp = std::to_string(40 + 5 * static_cast<int>(i));  // up to 50
    d.tempWorst = "55";
    d.tempLow = "18";
    d.cycles = std::to_string(230 + 10 * static_cast<int>(i));  // up to 250
    d.hours = std::to_string(3980 + 10 * static_cast<int>(i));  // up to 4000
  });
  ShowHistoryChartFromGrid(*form, panel);
  EXPECT_EQ(ys(1), (std::vector<double>{40, 45, 50}));  // green: current
  EXPECT_EQ(ys(0), (std::vector<double>{55, 55, 55}));  // red: highest
  EXPECT_EQ(ys(2), (std::vector<double>{18, 18, 18}));  // blue: lowest
  EXPECT_DOUBLE_EQ(y().Min(), 0);
  EXPECT_DOUBLE_EQ(y().Max(), 120);
  EXPECT_FALSE(y().AutoMax());
  EXPECT_EQ(panel.labelText("Label26"), "グラフの 緑は現在温度、赤は過去最高温度、青は過去最低温度 です");

  // power cycles and hours: hours past 300 switch the automatic maximum on
  choose("起動回数・稼働時間");
  EXPECT_EQ(ys(1), (std::vector<double>{230, 240, 250}));
  EXPECT_EQ(ys(0), (std::vector<double>{3980, 3990, 4000}));
  EXPECT_EQ(graph().Series(2).Count(), 0);
  EXPECT_TRUE(y().AutoMax());
  EXPECT_GE(y().Max(), 4000);
  EXPECT_EQ(panel.labelText("Label26"), "グラフの 緑は起動回数、赤は稼働時間 です");
  EXPECT_EQ(panel.labelText("Label27"), "");

  // cycles alone up to 250: 0 to 300
  load({40, 20, 1}, [](DriveCells& d, std::size_t i) {
    d.cycles = std::to_string(230 + 10 * static_cast<int>(i));
    d.hours = "120";
  });
  ShowHistoryChartFromGrid(*form, panel);
  choose("起動回数・稼働時間");
  EXPECT_DOUBLE_EQ(y().Max(), 300);
  EXPECT_FALSE(y().AutoMax());
}

TEST_F(HistoryChartTest, ChoiceListMarksFailingAndWarnedPreFailureAttributes) {
  load({5, 1}, [](DriveCells& d, std::size_t i) {
    if (i == 1) {
      d.attrs[1].status = "過去に故障";  // 5 reallocated sectors
      d.attrs[2].status = "警戒";        // 7 seek errors
      d.attrs[4].status = "故障";        // 3 spin-up time
      d.attrs[6].status = "故障";        // 4 is not a pre-failure attribute: never marked
    }
  });
  ShowHistoryChartFromGrid(*form, panel);
  const std::vector<std::string> expected{
      "温度", "起動回数・稼働時間", "-----------",
      "読み取りエラー", "▲再配置セクタ数", "△シークエラー", "回転再トライ回数", "▲立ち上がり時間",
      "-----------",
      "温度（℃）", "起動回数", "電源入り時間", "電源入切回数", "再配置回数", "保留セクタ", "回復不可セクタ"};
  EXPECT_EQ(panel.choices(), expected);
  EXPECT_EQ(panel.choiceIndex(), 0);

  // choosing a marked item finds its block without the mark: current, worst, threshold
  load({5, 1}, [](DriveCells& d, std::size_t i) {
    d.attrs[1] = AttrCells{i ? "過去に故障" : "OK", i ? "90" : "100", "90", "36", "12"};
  });
  ShowHistoryChartFromGrid(*form, panel);
  choose("▲再配置セクタ数");
  EXPECT_EQ(ys(1), (std::vector<double>{100, 90}));
  EXPECT_EQ(ys(0), (std::vector<double>{90, 90}));
  EXPECT_EQ(ys(2), (std::vector<double>{36, 36}));
  EXPECT_EQ(panel.labelText("Label27"), "過去に故障");
  EXPECT_EQ(panel.labelText("Label26"), "グラフの 緑は現在値、赤は過去の最悪値、青はしきい値 です");
  EXPECT_DOUBLE_EQ(y().Max(), 120);
}

TEST_F(HistoryChartTest, UnnamedAndUnknownAttributesAreNotListed) {
  std::vector<HistoryAttr> attrs = typicalAttributes();
  attrs.push_back({13, false});  // "Unknown" with a Japanese name containing no 不明: listed
  attrs.push_back({14, false});  // no Japanese name
  std::vector<std::string> lines{englishHeader({attrs}), japaneseHeader({attrs})};
  // a name holding 不明 as some tables give for unknown IDs
  lines[1] = replaceAll(lines[1], "回復不可セクタ", "(不明な属性)");
  DriveCells d;
  d.attrs.resize(attrs.size());
  lines.push_back(historyRow(daysAgo(1), {d}));
  fillHistoryGrid(grid, lines);
  ShowHistoryChartFromGrid(*form, panel);
  const auto items = panel.choices();
  EXPECT_EQ(items.back(), "ソフト読み取りエラー");
  for (const auto& i : items) EXPECT_FALSE(contains(i, "不明")) << i;
  EXPECT_EQ(items.size(), 16u);
}

TEST_F(HistoryChartTest, SeparatorChangesNothingAndAnUnmatchedItemClearsTheLines) {
  load({5, 1});
  ShowHistoryChartFromGrid(*form, panel);
  const double min = x().Min();
  panel.setChoiceIndex(2);
  ComboBox1Change(*form, panel);
  EXPECT_EQ(graph().Series(1).Count(), 2);
  EXPECT_DOUBLE_EQ(x().Min(), min);

  auto items = panel.choices();
  items.push_back("存在しない項目");
  panel.setChoices(items);
  panel.setChoiceIndex(static_cast<int>(items.size()) - 1);
  ComboBox1Change(*form, panel);
  EXPECT_EQ(graph().Series(0).Count(), 0);
  EXPECT_EQ(graph().Series(1).Count(), 0);
  EXPECT_EQ(graph().Series(2).Count(), 0);
}

TEST_F(HistoryChartTest, TwoDriveHistoryChartsTheFirstDrive) {
  std::vector<HistoryAttr> second{{1, true}, {5, true}, {7, true}, {10, true}, {3, true}, {194, false}, {9, false}};
  std::vector<std::string> lines{englishHeader({typicalAttributes(), second}), japaneseHeader({typicalAttributes(), second})};
  for (int i = 0; i < 3; ++i) {
    DriveCells a, b;
    a.temp = std::to_string(30 + i);
    a.attrs[1].status = i == 2 ? "警戒" : "OK";
    b.driveNum = "1";
    b.model = "WDC WD5000AAKS";
    b.temp = std::to_string(60 + i);
    b.fail = "3";
    b.attrs.resize(second.size());
    b.attrs[0].status = "故障";
    lines.push_back(historyRow(daysAgo(20 - 8 * i), {a, b}));
  }
  fillHistoryGrid(grid, lines);
  ShowHistoryChartFromGrid(*form, panel);

  const auto items = panel.choices();
  EXPECT_EQ(items.size(), 16u);  // the first drive's twelve attributes and four fixed items
  EXPECT_EQ(items[4], "△再配置セクタ数");
  EXPECT_EQ(items[3], "読み取りエラー");  // the second drive's failing block leaves it unmarked
  for (const auto& i : items) EXPECT_NE(i, "ディスクNo.");
  EXPECT_EQ(panel.labelText("Label2"), "0");
  EXPECT_EQ(panel.labelText("Label4"), "ST3250310AS");
  EXPECT_EQ(panel.labelText("Label22"), "0");
  EXPECT_EQ(ys(1), (std::vector<double>{30, 31, 32}));
}

TEST_F(HistoryChartTest, ValueLabelsFromTheLastRow) {
  load({3, 1}, [](DriveCells& d, std::size_t i) {
    if (i == 0) return;
    d.driveNum = "0";
    d.capacity = "1907729";
    d.model = "ST2000DM001";
    d.serial = "Z1E0AB12";
    d.temp = "38";
    d.tempWorst = "51";
    d.realloc = "8";
    d.cycles = "1234";
    d.hours = "not a number";
    d.warn = "2";
    d.fail = "0";
  });
  grid.setVisible(true);
  ShowHistoryChartFromGrid(*form, panel);
  EXPECT_EQ(panel.labelText("Label2"), "0");
  EXPECT_EQ(panel.labelText("Label4"), "ST2000DM001");
  EXPECT_EQ(panel.labelText("Label6"), "Z1E0AB12");
  EXPECT_EQ(panel.labelText("Label8"), "1,907,729");
  EXPECT_EQ(panel.labelText("Label10"), "38℃");
  EXPECT_EQ(panel.labelText("Label12"), "51℃");
  EXPECT_EQ(panel.labelText("Label14"), "8");
  EXPECT_EQ(panel.labelText("Label16"), "1,234");
  EXPECT_EQ(panel.labelText("Label18"), "0");
  EXPECT_EQ(panel.labelText("Label20"), "2");
  EXPECT_EQ(panel.labelText("Label22"), "0");
  EXPECT_EQ(panel.labelText("Label24"), "2007/03/08");
  EXPECT_EQ(panel.labelText("Label25"), "12:00:00");
  EXPECT_EQ(panel.labelColor("Label19"), LabelColor::Red);
  EXPECT_EQ(panel.labelColor("Label20"), LabelColor::Red);
  EXPECT_EQ(panel.labelColor("Label21"), LabelColor::Black);
  EXPECT_EQ(panel.labelColor("Label22"), LabelColor::Black);
  EXPECT_EQ(panel.labelText("Label9"), "温度");
  EXPECT_TRUE(window.panelVisible());
  EXPECT_FALSE(grid.visible());
  EXPECT_FALSE(memo.visible());
}

TEST_F(HistoryChartTest, TemperatureStatusWordAndFutureRows) {
  load({4, -2}, [](DriveCells& d, std::size_t i) { d.attrs[5].status = i ? "警戒" : "-"; });
  ShowHistoryChartFromGrid(*form, panel);
  EXPECT_EQ(panel.labelText("Label27"), "警戒");
  EXPECT_NEAR(graph().Series(1).Points().back().x, 0, 1e-9);  // a row dated ahead of now plots at 0
  EXPECT_DOUBLE_EQ(x().Min(), -30);

  load({4, 1});
  for (int r = 2; r < 4; ++r) grid.setCell(39, r, "-");
  ShowHistoryChartFromGrid(*form, panel);
  EXPECT_EQ(panel.labelText("Label27"), "");
}

TEST_F(HistoryChartTest, ACellThatIsNoNumberStopsTheDrawingThere) {
  load({30, 20, 10});
  ShowHistoryChartFromGrid(*form, panel);
  grid.setCell(6, 3, "");  // the second row's temperature
  EXPECT_THROW(ComboBox1Change(*form, panel), MrvError);
  EXPECT_EQ(graph().Series(1).Count(), 1);  // the first row stays
  EXPECT_EQ(graph().Series(0).Count(), 1);
  EXPECT_DOUBLE_EQ(x().Min(), -9999);  // axes keep their reset values
  EXPECT_DOUBLE_EQ(y().Max(), 99999);

  // a file without data rows: nothing to span, the axis refuses 0..0
  fillHistoryGrid(grid, {englishHeader({typicalAttributes()}), japaneseHeader({typicalAttributes()})});
  window.setPanelVisible(false);
  try {
    ShowHistoryChartFromGrid(*form, panel);
    FAIL() << "no error";
  } catch (const MrvError& e) {
    EXPECT_STREQ(e.what(), "軸の範囲を超えています");
  }
  EXPECT_FALSE(window.panelVisible());
  EXPECT_EQ(panel.labelText("Label2"), "");
}

TEST_F(HistoryChartTest, HistoryFilesFromTheMenu) {
  TempDir dir;
  std::filesystem::create_directories(dir.file("hdd"));
  const std::string file = dir.file("hdd/PC07__OFFICE.csv");
  ASSERT_TRUE(writeAnsiLinesAtomic(file, {englishHeader({typicalAttributes()}), japaneseHeader({typicalAttributes()}),
                                          historyRow(daysAgo(40), {DriveCells{}}), historyRow(daysAgo(1), {DriveCells{}})}));
  std::string folder;
  dialogs.openFileAnswers = {file};
  HDD3Click(*form, panel, folder, dir.file("hdd/PC01__OFFICE.csv"));
  EXPECT_EQ(folder, dir.file("hdd"));
  EXPECT_EQ(window.caption(), "Mervana --" + file);
  EXPECT_TRUE(window.panelVisible());
  EXPECT_EQ(graph().Series(1).Count(), 2);
  EXPECT_DOUBLE_EQ(x().Min(), -60);
  EXPECT_EQ(panel.labelText("Label4"), "ST3250310AS");

  dialogs.openFileAnswers = {""};  // cancelled
  window.setCaption("before");
  HDD3Click(*form, panel, folder, dir.file("hdd/PC01__OFFICE.csv"));
  EXPECT_EQ(window.caption(), "before");

  window.setPanelVisible(false);
  HDDG1Click(*form, panel, dir.file("hdd/PC01__OFFICE.csv"));
  ASSERT_FALSE(dialogs.shown.empty());
  EXPECT_EQ(dialogs.shown.back(), "Mervana|HDD情報ファイルがありません");
  EXPECT_FALSE(window.panelVisible());
  HDDG1Click(*form, panel, file);
  EXPECT_EQ(window.caption(), "Mervana HDD S.M.A.R.T.履歴グラフ");
  EXPECT_TRUE(window.panelVisible());
}

}  // namespace

// A history whose first drive is an NVMe drive: its judged rows are the marked choices, under
// their own names, and a chosen row is drawn from its block.
TEST_F(HistoryChartTest, NvmeFirstDriveChartsItsOwnRows) {
  sys.now = LocalTime{2026, 12, 8, 12, 0, 0};
  std::vector<std::string> lines;
  ASSERT_TRUE(readAnsiLines(std::string(MERVANA_SOURCE_DIR) + "/tests/data/drives/pc-nvme/expected-history.csv", lines));
  fillHistoryGrid(grid, lines);
  ShowHistoryChartFromGrid(*form, panel);
  const std::vector<std::string> expected{
      "温度", "起動回数・稼働時間", "-----------", "▲重大警告", "△寿命消費率", "▲予備領域残量",
      "△メディア・データ整合性エラー", "-----------", "書き込み量", "コントローラ稼働時間", "総合温度（K）",
      "予備領域しきい値", "読み取り量", "読み取りコマンド数", "書き込みコマンド数", "電源入切回数", "電源入り時間",
      "異常シャットダウン回数", "エラーログ件数"};
  EXPECT_EQ(panel.choices(), expected);
  EXPECT_EQ(panel.labelText("Label4"), "SAMSUNG MZVLB512HBJQ-000L7");
  choose("△寿命消費率");
  EXPECT_EQ(ys(1), (std::vector<double>{3, 95, 97}));
  choose("▲予備領域残量");
  EXPECT_EQ(ys(1), (std::vector<double>{100, 100, 7}));
  EXPECT_EQ(ys(2), (std::vector<double>{10, 10, 10}));
  choose("電源入り時間");  // a counter: its count is the current value
  EXPECT_EQ(ys(1), (std::vector<double>{5312, 6230, 6414}));
  EXPECT_EQ(panel.labelText("Label12"), "39℃");  // the hottest sensor
}
