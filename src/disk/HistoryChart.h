#pragma once
// The chart view of a disk-health history (Panel1): the latest values of the first drive, a choice
// list of what to plot, and XYGraph1 with up to three lines against days back from now.
//
// The view works on the history as LoadHistoryGrid puts it into StringGrid1: row 0 the English
// header, row 1 the Japanese header, data rows from row 2, and one empty row after the last one.
// Columns are the cells of a history row (0 date-time, 2 DriveNum, ..., 13 HoursRunning, and the
// first drive's attribute blocks of five cells from column 14).
#include <string>
#include <string_view>

#include "ui/ChartPanelView.h"
#include "ui/FormServices.h"

namespace mrv {

class TXYGraph;
class TXYLineSeries;

// Gives XYGraph1 its three series when it has none yet: Series1 red, Series2 green, Series3 blue,
// pen width 2.
void SetUpXYGraph1(TXYGraph& graph);

// A history file as charts: "HDD情報ファイルがありません" when it does not exist; else the file
// into the grid (LoadHistoryGrid), the caption, and the chart view shown.
void ShowHistoryChart(FormServices& form, ChartPanelView& panel, const std::string& path);
// HDDG1: this PC's history as charts.
void HDDG1Click(FormServices& form, ChartPanelView& panel, const std::string& historyPath);
// HDD3: a history file chosen in the open dialog that HDDO1 uses (the same remembered folder).
void HDD3Click(FormServices& form, ChartPanelView& panel, std::string& dialogFolder, const std::string& historyPath);

// Steps of ShowHistoryChart after the file is in the grid: fills ComboBox1 and the value labels
// from the last data row, selects the first item and draws it, then shows Panel1.
void ShowHistoryChartFromGrid(FormServices& form, ChartPanelView& panel);

// Draws the selected item of ComboBox1. A cell that is not a whole number stops the drawing there
// with an MrvError (the points added so far stay).
void ComboBox1Change(FormServices& form, ChartPanelView& panel);

// Adds (x, the cell as a whole number, negatives as 0) to the series and keeps the largest y.
// Raises MrvError when the cell is not a whole number.
void AddChartPoint(TXYLineSeries& series, std::string_view cellText, double x, double& largestY);

// The x axis tick step for a span of days (a positive multiple of 30): 10 days up to 60 days, else
// 30 days, widened by whole multiples of 30 days while more than 30 ticks would be needed.
double HistoryTickStep(double spanDays);

}  // namespace mrv
