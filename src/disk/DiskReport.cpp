#include "disk/DiskReport.h"

#include <filesystem>

#include "base/Error.h"
#include "base/Text.h"
#include "collect/SystemProbes.h"
#include "collect/WmiQuery.h"
#include "disk/DiskHistory.h"
#include "disk/DriveHealth.h"
#include "platform/TextFiles.h"
#include "platform/FolderFiles.h"
#include "base/Utf8Path.h"

namespace mrv {

namespace {

constexpr int kReportDrives = 5;


void showGrid(FormServices& form) {
  form.grid().setVisible(true);
  form.memo().setVisible(false);
  form.window().setPanelVisible(false);
}

void info(FormServices& form, std::string_view text) { form.dialogs().message("情報", text, Dialogs::Kind::Information); }

// A cell written below the grid's last row first makes room for it.
void put(GridView& grid, int col, int row, std::string_view text) {
  if (row >= grid.rowCount()) grid.setRowCount(row + 1);
  grid.setCell(col, row, text);
}

std::string_view yesNo(bool b) { return b ? "Yes" : "No"; }

// Takes the comma-ended cells of a line one by one.
class CellCursor {
 public:
  explicit CellCursor(std::string_view line) : rest_(line) {}
  std::string next() {
    const std::size_t comma = rest_.find(',');
    std::string cell(rest_.substr(0, comma));
    rest_ = comma == std::string_view::npos ? std::string_view() : rest_.substr(comma + 1);
    return cell;
  }
  void skip(int n) {
    for (int i = 0; i < n; ++i) next();
  }
  // The cell `ahead` cells on (0: the one next() gives), without taking it.
  std::string peek(int ahead) const {
    CellCursor copy = *this;
    copy.skip(ahead);
    return copy.next();
  }
  std::size_t charsLeft() const { return charCount(rest_); }

 private:
  std::string_view rest_;
};

// Ten identity rows and one row per kept attribute of one drive, from `row`; returns the row after
// the drive's last.
int writeDriveRows(FormServices& form, int driveIndex, const DriveHealth& h, int row) {
  GridView& g = form.grid();
  const std::string identity[10][3] = {
      {"DiskNumber", "ディスクNo.", std::to_string(driveIndex)},
      {"Model", "モデル", WmiDiskModel(form.platform().wmi, driveIndex)},
      {"SerialNumber", "シリアルNo.", h.serialNumber},
      {"Capacity(MB)", "容量(MB)", std::to_string(h.capacity / 1048576u)},
      {"Reallocated Sector", "再配置セクタ数", std::to_string(h.reallocatedSectors)},
      {"Hours Running", "運転時間", std::to_string(h.hoursRunning)},
      {"Power Cycles", "電源入り切り回数", std::to_string(h.powerCycles)},
      {"Temperature Celcius", "温度", std::to_string(h.temperature)},
      {"Worst Temperature", "最高温度", h.temperatureExtremes ? std::to_string(h.highestTemperature) : std::string()},
      {"Lowest Temperature", "最低温度", h.temperatureExtremes ? std::to_string(h.lowestTemperature) : std::string()},
  };
  for (const auto& r : identity) {
    for (int c = 0; c < 3; ++c) put(g, c + 1, row, r[c]);
    ++row;
  }
  ++row;  // one empty row before the attributes
  for (int i = 0; i < h.attributeCount && i < kSmartAttributeSlots; ++i) {
    const SmartAttribute& a = h.attributes[static_cast<std::size_t>(i)];
    if (!IsHistoryAttributeId(a.id)) continue;
    const std::string_view japanese = attributeJapaneseName(h, a.id);
    const std::string cells[] = {std::to_string(a.id),
                                 a.name,
                                 japanese.empty() ? std::string("(不明な属性)") : std::string(japanese),
                                 a.statusWord,
                                 std::to_string(a.current),
                                 std::to_string(a.worst),
                                 std::to_string(a.threshold),
                                 ThousandsText(a.raw),
                                 std::string(yesNo(a.preFailure)),
                                 std::string(yesNo(a.eventCount)),
                                 std::string(yesNo(a.errorRate))};
    for (int c = 0; c < 11; ++c) put(g, c, row, cells[c]);
    ++row;
  }
  return row;
}

}  // namespace

std::string ThousandsText(std::uint64_t value) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void PrepareDiskReportGrid(FormServices& form) {
  GridView& g = form.grid();
  form.window().setCaption("Mervana HDD S.M.A.R.T.情報");
  for (int c = 0; c < g.colCount(); ++c) g.clearColumn(c);
  g.setColCount(11);
  g.setRowCount(20);
  g.setFixed(3, 1);  // number, name and Japanese name stay in view
  for (int c = 0; c < 11; ++c) g.setColWidth(c, 55);
  g.setColWidth(0, 28);
  g.setColWidth(1, 160);
  g.setColWidth(2, 110);
  g.setColWidth(3, 120);
  g.setColWidth(7, 80);
  const char* header[] = {"", "Name", "項目名", "状態", "現在値", "最悪値", "しきい値", "生データ", "故障警戒?"};
  for (int c = 1; c < 9; ++c) g.setCell(c, 0, header[c]);
  showGrid(form);
}

void ShowSavedDiskData(FormServices& form, const std::string& historyPath) {
  std::vector<std::string> lines;
  if (!readAnsiLines(historyPath, lines)) throw MrvError("HDD履歴ファイルを読み込めません: " + historyPath);
  if (lines.empty()) return;
  GridView& g = form.grid();
  CellCursor english(lines[0]);
  CellCursor japanese(lines.size() > 1 ? lines[1] : std::string_view());
  CellCursor data(lines.back());
  int row = 1;
  auto unit = [&](int width) {
    std::string name = english.next();
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos) {
      put(g, 1, row, name);
    } else {
      const bool preFailure = startsWith(name, "*");
      put(g, 8, row, yesNo(preFailure));
      if (preFailure) name.erase(0, 1);
      const std::size_t at = name.find(':');
      put(g, 0, row, name.substr(0, at));
      put(g, 1, row, name.substr(at + 1));
    }
    put(g, 2, row, japanese.next());
    for (int i = 0; i < width; ++i) put(g, 3 + i, row, data.next());
    english.skip(width - 1);
    japanese.skip(width - 1);
    ++row;
  };
  unit(1);  // date-time
  unit(1);  // weekday, overwritten by the drive number
  --row;
  for (int i = 0; i < 12; ++i) unit(1);  // DriveNum .. HoursRunning
  // The first drive's blocks only: "ID: name" followed by "Current", or five empty cells for one
  // of the fixed attributes the drive lacks. A second drive's segment follows the last of them.
  const int fixedBlocks = static_cast<int>(std::size(kHistoryFixedIds));
  for (int k = 0; english.charsLeft() > 1; ++k) {
    const std::string name = english.peek(0);
    const bool block = name.empty() ? k < fixedBlocks && english.peek(1).empty() : english.peek(1) == "Current";
    if (!block) break;
    unit(kHistBlockWidth);
  }
}

void HDD1Click(FormServices& form, const std::string& historyPath) {
  const Platform& p = form.platform();
  // A controller shared by every drive is the 9x family's, which has no administrators.
  const bool ntFamily = !(p.ata && p.ata->sharedController());
  // A system that cannot answer the test counts the user as an administrator.
  if (ntFamily && p.system && !IsAdminUser(*p.system)) {
    if (isRegularFile(historyPath)) {
      info(form, "管理者権限がなく実行できません。保存されたデータを表示します。");
      PrepareDiskReportGrid(form);
      ShowSavedDiskData(form, historyPath);
    } else {
      info(form, "この機能は管理者権限がないと実行できません");
    }
    return;
  }
  DriveHealth h;
  std::string errorText;
  if (!p.ata) errorText = "no drives";
  else ReadDriveHealth(*p.ata, 0, h, errorText);
  if (!errorText.empty()) {
    info(form, "ハードディスク情報が取得できません");
    return;
  }
  PrepareDiskReportGrid(form);
  form.grid().setCell(9, 0, "イベント?");
  form.grid().setCell(10, 0, "エラー率?");
  JudgeAgainstLastSave(h, LastSavedRow(historyPath));  // as this PC's saves judge its first drive
  int row = 1;
  for (int i = 0; i < kReportDrives; ++i) {
    if (i > 0) {
      ReadDriveHealth(*p.ata, i, h, errorText);
      if (!errorText.empty()) break;
    }
    row = writeDriveRows(form, i, h, row) + 1;  // one empty row between drives
  }
}

void LoadHistoryGrid(GridView& g, const std::string& path) {
  std::vector<std::string> lines;
  if (!readAnsiLines(path, lines)) throw MrvError("HDD履歴ファイルを読み込めません: " + path);
  for (int c = 0; c < g.colCount(); ++c) g.clearColumn(c);
  g.setColCount(1);
  g.setRowCount(1);
  for (std::size_t r = 0; r < lines.size(); ++r) {
    const std::string_view line = lines[r];
    int col = 0;
    std::size_t start = 0;
    for (std::size_t comma = line.find(','); comma != std::string_view::npos; comma = line.find(',', start)) {
      if (r == 0 && col >= g.colCount()) g.setColCount(col + 1);
      g.setCell(col, static_cast<int>(r), line.substr(start, comma - start));
      start = comma + 1;
      ++col;
    }
    g.setRowCount(static_cast<int>(r) + 2);
  }
  g.setFixed(1, 2);  // the date-time column and both header lines stay in view
  for (int c = 0; c < g.colCount(); ++c) g.setColWidth(c, 55);
  g.setColWidth(0, 110);
  g.setColWidth(4, 80);
  g.setColWidth(5, 80);
  for (int c = 0; c < g.colCount(); ++c) {
    if (g.cell(c, 1) != "現在値") continue;
    if (c >= 1) g.setColWidth(c - 1, 110);
    if (c + 3 < g.colCount()) g.setColWidth(c + 3, 70);
  }
}

void HDD2Click(FormServices& form, const std::string& historyPath) {
  if (!isRegularFile(historyPath)) {
    form.dialogs().message("Mervana", "HDD情報ファイルがありません", Dialogs::Kind::Information);
    return;
  }
  LoadHistoryGrid(form.grid(), historyPath);
  form.window().setCaption("Mervana HDD S.M.A.R.T.履歴");
  showGrid(form);
}

void HDDE1Click(FormServices& form, const std::string& historyPath) {
  if (!isRegularFile(historyPath) || !form.dialogs().askYesNo("確認", "HDD履歴を削除してよろしいか")) return;
  std::error_code ec;
  if (!std::filesystem::remove(pathFromUtf8(historyPath), ec) || ec)
    throw MrvError("HDD履歴を削除できません: " + historyPath + (ec ? " (" + ec.message() + ")" : std::string()));
}

std::string ChooseHistoryFile(FormServices& form, std::string& dialogFolder, const std::string& historyPath) {
  if (dialogFolder.empty()) {
    const std::size_t sep = historyPath.find_last_of("/\\");
    dialogFolder = sep == std::string::npos ? std::string(".") : historyPath.substr(0, sep);
  }
  const std::string file = form.dialogs().openFile(dialogFolder, "CSV files (*.csv)|*.CSV");
  return !file.empty() && isRegularFile(file) ? file : std::string();
}

void HDDO1Click(FormServices& form, std::string& dialogFolder, const std::string& historyPath) {
  const std::string file = ChooseHistoryFile(form, dialogFolder, historyPath);
  if (file.empty()) return;
  LoadHistoryGrid(form.grid(), file);
  form.window().setCaption("Mervana --" + file);
  showGrid(form);
}

}  // namespace mrv
