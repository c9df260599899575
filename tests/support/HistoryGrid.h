#pragma once
// Disk-health history files for the chart tests: header and data lines as the history writer
// makes them, and the grid as LoadHistoryGrid fills it (headers in rows 0 and 1, data from row 2,
// one empty row after the last, text after the last comma of a line dropped).
#include <string>
#include <vector>

#include "base/Text.h"
#include "disk/DriveHealth.h"
#include "ui/Views.h"

namespace mrv::testing {

struct HistoryAttr {
  int id;
  bool preFailure;
};

// The fixed six first, then what a typical drive adds.
inline std::vector<HistoryAttr> typicalAttributes() {
  return {{1, true}, {5, true}, {7, true}, {10, true}, {3, true}, {194, false},
          {4, false}, {9, false}, {12, false}, {196, false}, {197, false}, {198, false}};
}

struct AttrCells {
  std::string status = "OK", current = "100", worst = "100", threshold = "6", raw = "0";
};

struct DriveCells {
  std::string driveNum = "0", capacity = "238475", model = "ST3250310AS", serial = "6RYBJ9XK";
  std::string temp = "35", tempWorst = "45", tempLow = "20", realloc = "0", fail = "0", warn = "0";
  std::string cycles = "120", hours = "3500";
  std::vector<AttrCells> attrs = std::vector<AttrCells>(12);
};

inline std::string englishHeader(const std::vector<std::vector<HistoryAttr>>& drives) {
  std::string s = "DateTime,DayOfWeek";
  for (const auto& attrs : drives) {
    s += ",DriveNum,CapacityMB,ModelNumber,SerialNumber,Temperature,TempWorst,TempLow"
         ",ReallocSector,SmartFailTot,SmartWarnTot,PowerCycles,HoursRunning,";
    for (const auto& a : attrs)
      s += (a.preFailure ? "*" : "") + std::to_string(a.id) + ": " + std::string(smartAttributeName(a.id)) +
           ",Current,Worst,Threshold,Raw Value,";
  }
  return s;
}

inline std::string japaneseHeader(const std::vector<std::vector<HistoryAttr>>& drives) {
  std::string s = "日時,曜日番号";
  for (const auto& attrs : drives) {
    s += ",ディスクNo.,容量MB,モデルNo.,シリアルNo.,温度℃,最高温度,最低温度,再配置セクタ,故障数,警告数,電源サイクル,稼働時間,";
    for (const auto& a : attrs) s += std::string(smartAttributeJapaneseName(a.id)) + ",現在値,最悪値,閾値,生データ,";
  }
  return s;
}

inline std::string historyRow(const std::string& when, const std::vector<DriveCells>& drives) {
  std::string s = when + ",3";
  for (const auto& d : drives) {
    for (const auto* c : {&d.driveNum, &d.capacity, &d.model, &d.serial, &d.temp, &d.tempWorst, &d.tempLow,
                          &d.realloc, &d.fail, &d.warn, &d.cycles, &d.hours})
      s += "," + *c;
    s += ",";
    for (const auto& a : d.attrs) s += a.status + "," + a.current + "," + a.worst + "," + a.threshold + "," + a.raw + ",";
  }
  return s;
}

// The grid as LoadHistoryGrid leaves it.
inline void fillHistoryGrid(GridView& grid, const std::vector<std::string>& lines) {
  for (int c = 0; c < grid.colCount(); ++c) grid.clearColumn(c);
  grid.setColCount(1);
  grid.setRowCount(1);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    auto cells = split(lines[r], ',');
    cells.pop_back();  // the text after the last comma
    if (r == 0) grid.setColCount(static_cast<int>(cells.size()));
    for (std::size_t c = 0; c < cells.size() && static_cast<int>(c) < grid.colCount(); ++c)
      grid.setCell(static_cast<int>(c), static_cast<int>(r), cells[c]);
    grid.setRowCount(static_cast<int>(r) + 2);
  }
}

}  // namespace mrv::testing
