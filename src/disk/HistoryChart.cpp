#include "disk/HistoryChart.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/Calendar.h"
#include "base/Error.h"
#include "base/Text.h"
#include "disk/DiskReport.h"
#include "chart/XYGraph.h"
#include "platform/SystemServices.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {

constexpr int kFirstDataRow = 2;
constexpr int kFirstBlock = 14;    // the first drive's attribute blocks, five cells each
constexpr int kPowerColumn = 11;   // base column of "起動回数・稼働時間": PowerCycles, HoursRunning
constexpr int kTempColumn = 5;     // base column of "温度": Temperature, TempWorst, TempLow
constexpr int kTempStatus = 39;    // status word of attribute 194, the sixth block
constexpr const char* kSeparator = "-----------";
constexpr std::string_view kFailMark = "▲";
constexpr std::string_view kWarnMark = "△";

// A date-time value: days since 1899-12-30 with the time of day as the fraction.
double dateTimeValue(int y, int mo, int d, int h, int mi, int s) {
  return static_cast<double>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) + kUnixEpochDateTime) +
         (h * 3600 + mi * 60 + s) / 86400.0;
}

bool validDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The row's "yyyy/mm/dd hh:mm:ss", read by position: year 1-4, month 6-7, day 9-10, time 12-19.
double cellDateTime(std::string_view cell) {
  auto field = [&](std::size_t from, std::size_t count, int& out) {
    return parseInt(charSubstr(cell, from, count), out) && out >= 0;
  };
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  const bool dateOk = field(0, 4, y) && field(5, 2, mo) && field(8, 2, d) && validDate(y, mo, d);
  const bool hasTime = charCount(cell) > 10;
  const bool timeOk = !hasTime || (field(11, 2, h) && field(14, 2, mi) && field(17, 2, s) && h < 24 && mi < 60 && s < 60);
  if (!dateOk || !timeOk) throw MrvError("'" + std::string(cell) + "' は日付ではありません");
  return dateTimeValue(y, mo, d, h, mi, s);
}

double nowValue(FormServices& form) {
  if (SystemServices* sys = form.platform().system) {
    const LocalTime t = sys->getLocalTime();
    return dateTimeValue(t.year, t.month, t.day, t.hour, t.minute, t.second);
  }
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch());
  return static_cast<double>(secs.count()) / 86400.0 + 25569;
}

// Whole number as the "#,##0" mask shows it; a cell that is not a whole number shows 0.
std::string thousands(std::string_view cell) {
  std::string digits(cell);
  bool negative = false;
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative = digits[0] == '-';
    digits.erase(0, 1);
  }
  bool whole = !digits.empty() && digits.size() <= 18;
  for (char c : digits) whole = whole && c >= '0' && c <= '9';
  if (!whole) return "0";
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return (negative && out != "0" ? "-" : "") + out;
}

// Base columns of the first drive's attribute blocks. The walk ends at the grid's last column or
// where the English header shows no further block (a second drive's segment follows): the view
// charts the first drive only. A block's header is "ID: name" followed by "Current"; the six fixed
// blocks may be five empty cells instead.
std::vector<int> attributeColumns(const GridView& grid) {
  std::vector<int> cols;
  for (int c = kFirstBlock, k = 0; c < grid.colCount() - 1; c += 5, ++k) {
    const bool block = grid.cell(c, 0).empty() ? k < 6 && grid.cell(c + 1, 0).empty() : grid.cell(c + 1, 0) == "Current";
    if (!block) break;
    cols.push_back(c);
  }
  return cols;
}

bool listed(const std::string& japaneseName) { return !japaneseName.empty() && !contains(japaneseName, "不明"); }

std::vector<std::string> historyChoices(const GridView& grid, int lastRow) {
  std::vector<std::string> preFailure, others;
  for (int c : attributeColumns(grid)) {
    const std::string name = grid.cell(c, 1);
    if (!listed(name)) continue;
    if (startsWith(grid.cell(c, 0), "*")) {
      const std::string status = lastRow >= kFirstDataRow ? grid.cell(c, lastRow) : std::string();
      const std::string_view mark = contains(status, "故障") ? kFailMark : contains(status, "警戒") ? kWarnMark : "";
      preFailure.push_back(std::string(mark) + name);
    } else {
      others.push_back(name);
    }
  }
  std::vector<std::string> items{"温度", "起動回数・稼働時間", kSeparator};
  items.insert(items.end(), preFailure.begin(), preFailure.end());
  items.push_back(kSeparator);
  items.insert(items.end(), others.begin(), others.end());
  return items;
}

}  // namespace

void SetUpXYGraph1(TXYGraph& graph) {
  if (graph.SeriesCount() > 0) return;
  graph.AddSeries().setLinePen({colors::Red, 2, PenStyle::Solid});    // Series1
  graph.AddSeries().setLinePen({colors::Green, 2, PenStyle::Solid});  // Series2
  graph.AddSeries().setLinePen({colors::Blue, 2, PenStyle::Solid});   // Series3
}

void AddChartPoint(TXYLineSeries& series, std::string_view cellText, double x, double& largestY) {
  int y = 0;
  if (!parseInt(cellText, y)) throw MrvError("'" + std::string(cellText) + "' は整数ではありません");
  if (y < 0) y = 0;
  series.AddPoint(x, y);
  if (y > largestY) largestY = y;
}

double HistoryTickStep(double spanDays) {
  if (spanDays <= 60) return 10;
  // 30-day ticks, widened while they would be more than the axis takes
  const double widen = std::ceil(spanDays / (30.0 * 30.0) - 1e-9);
  return 30 * std::max(1.0, widen);
}

void ComboBox1Change(FormServices& form, ChartPanelView& panel) {
  const std::vector<std::string> items = panel.choices();
  const int index = panel.choiceIndex();
  if (index < 0 || index >= static_cast<int>(items.size())) return;
  std::string text = items[static_cast<std::size_t>(index)];
  if (startsWith(text, "-----")) return;
  if (startsWith(text, kFailMark)) text.erase(0, kFailMark.size());
  else if (startsWith(text, kWarnMark)) text.erase(0, kWarnMark.size());

  TXYGraph& graph = panel.XYGraph1();
  SetUpXYGraph1(graph);
  TGraphAxis& xAxis = graph.XAxis();
  TGraphAxis& yAxis = graph.YAxis();
  TXYLineSeries& red = graph.Series(0);
  TXYLineSeries& green = graph.Series(1);
  TXYLineSeries& blue = graph.Series(2);
  double largestY = 0, earliestX = 99999;
  // in this order every intermediate range stays valid
  yAxis.setMax(99999);
  yAxis.setMin(0);
  xAxis.setMin(-9999);
  xAxis.setMax(0);

  const GridView& grid = form.grid();
  int b = kTempColumn;
  if (index == 0) {
    panel.setLabelText("Label26", "グラフの 緑は現在温度、赤は過去最高温度、青は過去最低温度 です");
    panel.setLabelText("Label27", "");
  } else {
    panel.setLabelText("Label26", "グラフの 緑は現在値、赤は過去の最悪値、青はしきい値 です");
    b = -1;
    for (int c : attributeColumns(grid))
      if (grid.cell(c, 1) == text) {
        b = c;
        break;
      }
    if (b < 0 && index == 1) b = kPowerColumn;
    if (b < 0) {
      red.Clear();
      green.Clear();
      blue.Clear();
      return;
    }
  }
  red.Clear();
  green.Clear();
  blue.Clear();

  const double now = nowValue(form);
  int lastRow = -1;
  for (int row = kFirstDataRow; row < grid.rowCount(); ++row) {
    const std::string when = grid.cell(0, row);
    if (when.empty()) break;
    double x = cellDateTime(when) - now;
    if (x < earliestX) earliestX = x;
    if (x > 0) x = 0;
    AddChartPoint(green, grid.cell(b + 1, row), x, largestY);
    // A drive that reports no highest and lowest temperature leaves their cells empty: those
    // lines get no point for the row, the rest of the chart is drawn.
    const auto plot = [&](TXYLineSeries& series, int col) {
      const std::string cell = grid.cell(col, row);
      if (b == kTempColumn && cell.empty()) return;
      AddChartPoint(series, cell, x, largestY);
    };
    plot(red, b + 2);
    if (b != kPowerColumn) plot(blue, b + 3);
    lastRow = row;
  }

  std::string status = lastRow >= 0 ? grid.cell(index == 0 ? kTempStatus : b, lastRow) : std::string();
  if (status == "-") status.clear();
  panel.setLabelText("Label27", status);
  if (b == kPowerColumn) {
    panel.setLabelText("Label26", "グラフの 緑は起動回数、赤は稼働時間 です");
    panel.setLabelText("Label27", "");
  }

  xAxis.setMax(0);
  if (largestY <= 100)
    yAxis.setMax(120);
  else if (largestY < 300)
    yAxis.setMax(300);
  else
    yAxis.setAutoMax(true);

  double x0 = 0;
  while (x0 > earliestX) x0 -= 30;
  const double step = HistoryTickStep(-x0);
  // The ticks are counted from x0: a step widened past 30 days takes x0 down to a whole number of
  // steps, so that one tick still falls on 0 (today). No more ticks are needed for it.
  x0 = -std::ceil(-x0 / step - 1e-9) * step;
  xAxis.setMin(x0);
  xAxis.setOrigin(x0);
  xAxis.setTickStep(step);
  xAxis.setSubTicksCount(step == 10 ? 5 : 6);
  xAxis.setTitle("日数");
}

void ShowHistoryChart(FormServices& form, ChartPanelView& panel, const std::string& path) {
  if (path.empty() || !isRegularFile(path)) {
    form.dialogs().message("Mervana", "HDD情報ファイルがありません", Dialogs::Kind::Information);
    return;
  }
  LoadHistoryGrid(form.grid(), path);
  form.window().setCaption("Mervana HDD S.M.A.R.T.履歴グラフ");
  ShowHistoryChartFromGrid(form, panel);
}

void HDDG1Click(FormServices& form, ChartPanelView& panel, const std::string& historyPath) {
  ShowHistoryChart(form, panel, historyPath);
}

void HDD3Click(FormServices& form, ChartPanelView& panel, std::string& dialogFolder, const std::string& historyPath) {
  const std::string file = ChooseHistoryFile(form, dialogFolder, historyPath);
  if (file.empty()) return;
  ShowHistoryChart(form, panel, file);
  form.window().setCaption("Mervana --" + file);
}

void ShowHistoryChartFromGrid(FormServices& form, ChartPanelView& panel) {
  GridView& grid = form.grid();
  const int last = grid.rowCount() - 2;  // the grid keeps one empty row after the data
  const bool haveData = last >= kFirstDataRow;
  auto at = [&](int col) { return haveData ? grid.cell(col, last) : std::string(); };

  SetUpXYGraph1(panel.XYGraph1());
  panel.setChoices(historyChoices(grid, last));

  panel.setLabelText("Label2", at(2));
  panel.setLabelText("Label4", at(4));
  panel.setLabelText("Label6", at(5));
  panel.setLabelText("Label8", thousands(at(3)));
  panel.setLabelText("Label10", at(6) + "℃");
  panel.setLabelText("Label12", at(7).empty() ? std::string() : at(7) + "℃");  // not reported: no 0℃
  panel.setLabelText("Label14", at(9));
  panel.setLabelText("Label16", thousands(at(12)));
  panel.setLabelText("Label18", thousands(at(13)));
  panel.setLabelText("Label20", at(11));
  panel.setLabelText("Label22", at(10));
  const std::string when = at(0);
  panel.setLabelText("Label24", charLeft(when, 10));
  panel.setLabelText("Label25", charSubstr(when, 11, 8));
  const LabelColor warn = at(11) != "0" ? LabelColor::Red : LabelColor::Black;
  const LabelColor fail = at(10) != "0" ? LabelColor::Red : LabelColor::Black;
  panel.setLabelColor("Label19", warn);
  panel.setLabelColor("Label20", warn);
  panel.setLabelColor("Label21", fail);
  panel.setLabelColor("Label22", fail);

  panel.setChoiceIndex(0);
  ComboBox1Change(form, panel);
  form.window().setPanelVisible(true);
  grid.setVisible(false);
  form.memo().setVisible(false);
}

}  // namespace mrv
