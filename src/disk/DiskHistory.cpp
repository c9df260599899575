#include "disk/DiskHistory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "base/Error.h"
#include "base/Text.h"
#include "collect/SystemProbes.h"
#include "disk/HistoryFile.h"
#include "disk/NvmeHealth.h"
#include "platform/TextFiles.h"
#include "platform/FileLock.h"
#include "base/Utf8Path.h"

namespace mrv {

namespace {

void createFolder(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directory(pathFromUtf8(path), ec);
}

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

const SmartAttribute* findAttribute(const DriveHealth& h, int id) {
  for (int i = 0; i < h.attributeCount && i < kSmartAttributeSlots; ++i)
    if (h.attributes[static_cast<std::size_t>(i)].id == id) return &h.attributes[static_cast<std::size_t>(i)];
  return nullptr;
}

}  // namespace

std::string HistoryCell(std::string_view line, int n) {
  if (n < 0) return {};
  std::size_t start = 0;
  for (int i = 0; i < n; ++i) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  const std::size_t end = line.find(',', start);
  return std::string(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

int HistoryCount(std::string_view line, int n) {
  int v = 0;
  return parseInt(HistoryCell(line, n), v) ? v : 0;
}

bool IsHistoryAttributeId(int id) { return (id >= 1 && id <= 15) || (id >= 192 && id <= 250); }

std::vector<const SmartAttribute*> HistoryAttributeOrder(const DriveHealth& health) {
  std::vector<const SmartAttribute*> order;
  std::vector<int> written;
  for (int id : kHistoryFixedIds) {
    order.push_back(findAttribute(health, id));
    written.push_back(id);
  }
  for (int i = 0; i < health.attributeCount && i < kSmartAttributeSlots; ++i) {
    const SmartAttribute& a = health.attributes[static_cast<std::size_t>(i)];
    if (!IsHistoryAttributeId(a.id) || std::find(written.begin(), written.end(), a.id) != written.end()) continue;
    order.push_back(&a);
    written.push_back(a.id);
  }
  return order;
}

std::string HistoryDriveSegment(const DriveHealth& h) {
  std::string s;
  for (const std::string& cell :
       {std::to_string(h.driveNumber), std::to_string(h.capacity / 1048576u), h.model, h.serialNumber,
        std::to_string(h.temperature), h.temperatureExtremes ? std::to_string(h.highestTemperature) : std::string(),
        h.temperatureExtremes ? std::to_string(h.lowestTemperature) : std::string(),
        std::to_string(h.reallocatedSectors), std::to_string(h.failCount), std::to_string(h.warningCount),
        std::to_string(h.powerCycles), std::to_string(h.hoursRunning)})
    s += "," + cell;
  s += ",";  // the attribute blocks start a cell of their own
  for (const SmartAttribute* a : HistoryAttributeOrder(h)) {
    if (!a) {
      s += ",,,,,";
      continue;
    }
    s += a->statusWord + "," + std::to_string(a->current) + "," + std::to_string(a->worst) + "," +
         std::to_string(a->threshold) + "," + std::to_string(a->raw) + ",";
  }
  return s;
}

std::string HistoryEnglishHeaderSegment(const DriveHealth& h) {
  std::string s = ",DriveNum,CapacityMB,ModelNumber,SerialNumber,Temperature,TempWorst,TempLow"
                  ",ReallocSector,SmartFailTot,SmartWarnTot,PowerCycles,HoursRunning,";
  for (const SmartAttribute* a : HistoryAttributeOrder(h)) {
    if (!a) {
      s += ",,,,,";
      continue;
    }
    s += std::string(a->preFailure ? "*" : "") + std::to_string(a->id) + ": " + a->name +
         ",Current,Worst,Threshold,Raw Value,";
  }
  return s;
}

std::string HistoryJapaneseHeaderSegment(const DriveHealth& h) {
  std::string s = ",ディスクNo.,容量MB,モデルNo.,シリアルNo.,温度℃,最高温度,最低温度"
                  ",再配置セクタ,故障数,警告数,電源サイクル,稼働時間,";
  for (const SmartAttribute* a : HistoryAttributeOrder(h)) {
    if (!a) {
      s += ",,,,,";
      continue;
    }
    s += std::string(attributeJapaneseName(h, a->id)) + ",現在値,最悪値,閾値,生データ,";
  }
  return s;
}

std::string HistoryDateTimeText(const LocalTime& t) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

int WeekdayNumber(int year, int month, int day) {
  using namespace std::chrono;
  const year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                           std::chrono::day{static_cast<unsigned>(day)}};
  return static_cast<int>(weekday{sys_days{ymd}}.c_encoding()) + 1;
}

std::string LastSavedRow(const std::string& historyPath) {
  std::vector<std::string> lines;
  if (!readAnsiLines(historyPath, lines) || lines.size() < 3) return {};  // none yet, or unreadable
  return lines.back();
}

void JudgeAgainstLastSave(DriveHealth& h, std::string_view lastRow) {
  if (!h.nvme || lastRow.empty() || HistoryCell(lastRow, kHistModelNumber) != h.model ||
      HistoryCell(lastRow, kHistSerialNumber) != h.serialNumber)
    return;
  NvmeLastSave last;
  // block 0 of an NVMe drive is its critical warning; its raw cell is the byte
  last.criticalWarning = static_cast<unsigned>(HistoryCount(lastRow, kHistFirstBlock + kHistBlockWidth - 1));
  last.mediaErrors = HistoryCount(lastRow, kHistReallocSector);  // an NVMe drive's media errors
  judgeNvmeAgainstLastSave(h, last);
}

HistoryRow BuildHistoryRow(AtaDevice* device, const LocalTime& now, std::string_view lastRow) {
  HistoryRow row;
  row.englishHeader = "DateTime,DayOfWeek";
  row.japaneseHeader = "日時,曜日番号";
  row.data = HistoryDateTimeText(now) + "," + std::to_string(WeekdayNumber(now.year, now.month, now.day));
  if (!device) return row;
  // A controller that serves every index answers the same drive each time: one is all there is.
  const int limit = device->sharedController() ? 1 : kHistoryMaxDrives;
  for (int i = 0; i < limit; ++i) {
    DriveHealth h;
    std::string errorText;
    ReadDriveHealth(*device, i, h, errorText);
    if (!errorText.empty()) break;
    if (i == 0) JudgeAgainstLastSave(h, lastRow);  // the alerts follow the first drive only
    row.data += HistoryDriveSegment(h);
    row.englishHeader += HistoryEnglishHeaderSegment(h);
    row.japaneseHeader += HistoryJapaneseHeaderSegment(h);
    ++row.drives;
  }
  return row;
}

std::string FailureLogLine(std::string_view computerName, std::string_view dateTime, int newFail, int previousFail,
                           int newWarning, int earlierWarning) {
  std::string name(computerName);
  const std::size_t chars = charCount(name);
  if (chars < 19) name.append(19 - chars, ' ');
  return name + std::string(dateTime) + "  故障 " + std::to_string(newFail) + "/" + std::to_string(previousFail) +
         "  警告 " + std::to_string(newWarning) + "/" + std::to_string(earlierWarning);
}

std::string HistoryPathFor(const std::string& recordPath) {
  const std::size_t sep = lastSeparator(recordPath);
  if (sep == std::string::npos) return "hdd/" + recordPath;
  return recordPath.substr(0, sep + 1) + "hdd" + recordPath[sep] + recordPath.substr(sep + 1);
}

namespace {
HistoryStepHook gStepHook = nullptr;
void stepDone(std::string_view step) {
  if (gStepHook) gStepHook(step);
}
}  // namespace

void SetHistoryStepHook(HistoryStepHook hook) { gStepHook = hook; }

AppendHistoryResult AppendHistory(const Platform& platform, Dialogs& dialogs, const std::string& recordPath,
                                  bool& noHistory) {
  AppendHistoryResult result;
  if (noHistory) return result;
  result.historyPath = HistoryPathFor(recordPath);
  const std::size_t sep = lastSeparator(result.historyPath);
  const std::string hddFolder = result.historyPath.substr(0, sep);
  const std::string logFolder = result.historyPath.substr(0, sep + 1);
  createFolder(hddFolder);
  removeStaleTempFiles(hddFolder);  // what a history write killed half-way left behind
  if (!platform.system) return result;  // no clock to date a row with

  const LocalTime now = platform.system->getLocalTime();
  const HistoryRow row = BuildHistoryRow(platform.ata, now, LastSavedRow(result.historyPath));
  if (charCount(row.data) < kHistoryMinRowChars) return result;  // no drive answered

  // Saves of this PC take turns from reading the history to writing it, so none loses the row of
  // another one that ran at the same moment.
  FileLock lock;
  std::string why;
  if (!lock.acquire(HistoryLockPath(result.historyPath), kHistoryLockTimeoutMs, &why))
    throw MrvError("HDD履歴ファイルをロックできません（" + why + "）: " + result.historyPath);

  int newFail = 0, newWarning = 0, previousFail = 0, earlierWarning = 0;
  enum class Alert { None, Failed, Worsening } alert = Alert::None;
  std::vector<std::string> lines;
  // an emptied file is a new one; a file that lost its headers gets them back
  if (LoadHistoryLines(result.historyPath, lines, kHistoryMaxLines) && !lines.empty()) {
    RestoreHistoryHeaders(lines, row.englishHeader, row.japaneseHeader);
    TrimHistoryLines(lines, kHistoryMaxLines);
    int previousWarning = 0;
    if (lines.size() >= 4) {
      previousFail = HistoryCount(lines.back(), kHistSmartFailTot);
      previousWarning = HistoryCount(lines.back(), kHistSmartWarnTot);
      earlierWarning = HistoryCount(lines[lines.size() - 2], kHistSmartWarnTot);
    }
    lines.push_back(row.data);
    newFail = HistoryCount(row.data, kHistSmartFailTot);
    newWarning = HistoryCount(row.data, kHistSmartWarnTot);
    if (newFail > previousFail)
      alert = Alert::Failed;
    else if (newWarning > earlierWarning && previousWarning > 0)
      alert = Alert::Worsening;
  } else {
    // The first row: the headers describe the drives present now. No alert, and nothing to log.
    lines = {row.englishHeader, row.japaneseHeader, row.data};
  }

  // The logs are written before the history: a run killed between the two leaves the row unwritten,
  // so the next run compares against the same old row and raises the alert again, where the other
  // order would lose it for good. They are also written before the alert is shown: a modal dialog
  // nobody answers must not keep the administrator from learning of the disk.
  const std::string line = FailureLogLine(ComputerNameText(*platform.system), HistoryDateTimeText(now), newFail,
                                          previousFail, newWarning, earlierWarning);
  std::string failedLogs;
  auto log = [&](std::string_view name) {
    const std::string path = logFolder + std::string(name);
    if (appendAnsiLine(path, line))
      result.logsAppended.emplace_back(name);
    else
      failedLogs += (failedLogs.empty() ? "" : ", ") + path;
  };
  if (alert != Alert::None) log(kHddFailLog);
  if (newFail > 0) log(kFailedLog);
  if (newFail + newWarning > 0) log(kFailPlusWarningLog);
  stepDone("logs");

  // written beside and renamed over: a crash or a full disk never costs the PC its history
  if (!writeAnsiLinesAtomic(result.historyPath, lines, &why))
    throw MrvError("HDD履歴ファイルを書き込めません（" + why + "）: " + result.historyPath);
  lock.release();
  stepDone("history");
  result.rowWritten = true;
  noHistory = true;

  if (alert == Alert::Failed) dialogs.message("警告", kDiskFailedAlert, Dialogs::Kind::Warning);
  if (alert == Alert::Worsening) dialogs.message("情報", kDiskWorseningAlert, Dialogs::Kind::Information);
  if (!failedLogs.empty()) throw MrvError("HDD故障ログに追記できません: " + failedLogs);
  return result;
}

}  // namespace mrv
