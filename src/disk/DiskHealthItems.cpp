#include "disk/DiskHealthItems.h"

#include "disk/DiskHistory.h"
#include "platform/TextFiles.h"

namespace mrv {

namespace {

// status word/current/worst/threshold, or "" when the drive lacks the attribute
std::string blockText(const DriveHealth& h, int id) {
  for (int i = 0; i < h.attributeCount && i < kSmartAttributeSlots; ++i) {
    const SmartAttribute& a = h.attributes[static_cast<std::size_t>(i)];
    if (a.id == id)
      return a.statusWord + "/" + std::to_string(a.current) + "/" + std::to_string(a.worst) + "/" +
             std::to_string(a.threshold);
  }
  return {};
}

// The first four cells of block k of a history line (the raw value left out), joined by "/".
std::string savedBlockText(std::string_view line, int k) {
  const int first = kHistFirstBlock + kHistBlockWidth * k;
  return HistoryCell(line, first) + "/" + HistoryCell(line, first + 1) + "/" + HistoryCell(line, first + 2) + "/" +
         HistoryCell(line, first + 3);
}

}  // namespace

std::vector<std::string> DiskHealthValues(const DriveHealth& h) {
  return {std::to_string(h.failCount) + "/" + std::to_string(h.warningCount),
          blockText(h, 1),
          blockText(h, 5) + "/" + std::to_string(h.reallocatedSectors),
          blockText(h, 7),
          blockText(h, 10),
          blockText(h, 194) + "/" + std::to_string(h.temperature) + "/" +
              (h.temperatureExtremes ? std::to_string(h.highestTemperature) : std::string())};
}

std::vector<std::string> DiskHealthItemsFromHistory(const std::string& historyPath) {
  std::vector<std::string> lines;
  // Only a data row gives values: the header lines would read as words where counts belong.
  if (!readAnsiLines(historyPath, lines) || lines.size() < 3) return std::vector<std::string>(6);
  const std::string& last = lines.back();
  // blocks 0..3 are IDs 1, 5, 7, 10; block 5 is ID 194
  return {HistoryCell(last, kHistSmartFailTot) + "/" + HistoryCell(last, kHistSmartWarnTot) + " (" +
              HistoryCell(last, kHistDateTime) + ")",
          savedBlockText(last, 0),
          savedBlockText(last, 1) + "/" + HistoryCell(last, kHistReallocSector),
          savedBlockText(last, 2),
          savedBlockText(last, 3),
          savedBlockText(last, 5) + "/" + HistoryCell(last, kHistTemperature) + "/" + HistoryCell(last, kHistTempWorst)};
}

std::vector<std::string> DiskHealthItems(CollectionContext& ctx) {
  const std::string sep = ctx.recordFolder.empty() ? "/" : ctx.recordFolder.substr(ctx.recordFolder.size() - 1);
  const std::string historyPath = ctx.recordFolder + "hdd" + sep + ctx.stem + ".csv";
  if (ctx.platform.ata) {
    DriveHealth h;
    std::string errorText;
    ReadDriveHealth(*ctx.platform.ata, 0, h, errorText);
    if (errorText.empty()) {
      // judged as the save that follows will judge it
      JudgeAgainstLastSave(h, LastSavedRow(historyPath));
      return DiskHealthValues(h);
    }
  }
  return DiskHealthItemsFromHistory(historyPath);
}

}  // namespace mrv
