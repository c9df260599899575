#include "fleet/HistoryRows.h"

#include "base/Text.h"
#include "disk/DiskHistory.h"
#include "platform/Encoding.h"

namespace mrv {

namespace {

// The lines of a text (CR LF, LF or CR), without the empty ones at its end.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines = splitLines(text);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::optional<long long> number(const std::vector<std::string>& cells, std::size_t at) {
  if (at >= cells.size() || cells[at].empty()) return std::nullopt;
  long long n = 0;
  for (char c : cells[at]) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
    if (n > (1LL << 53)) return std::nullopt;
  }
  return n;
}

bool isDateTime(std::string_view s) {
  if (s.size() != 19) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const bool digit = c >= '0' && c <= '9';
    if (i == 4 || i == 7 ? c != '/' : i == 10 ? c != ' ' : i == 13 || i == 16 ? c != ':' : !digit) return false;
  }
  return true;
}

// The words of a line between runs of blanks.
std::vector<std::string> wordsOf(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && line[i] == ' ') ++i;
    const std::size_t from = i;
    while (i < line.size() && line[i] != ' ') ++i;
    if (i > from) words.emplace_back(line.substr(from, i - from));
  }
  return words;
}

// The fixed cells of a drive's segment, counted from its DriveNum cell.
constexpr std::size_t kSegmentFixedCells = 12;

}  // namespace

std::optional<std::vector<DriveHistoryRow>> ReadDriveHistoryRows(std::string_view bytes, std::string& why) {
  if (!isValidShiftJis(bytes)) {
    why = "Shift-JIS ではない文字があります";
    return std::nullopt;
  }
  const std::vector<std::string> lines = linesOf(ansiToUtf8(bytes));
  if (lines.empty()) return std::vector<DriveHistoryRow>{};
  const std::vector<std::string> header = split(lines[0], ',');
  std::vector<std::size_t> segments;
  for (std::size_t i = 0; i < header.size(); ++i)
    if (header[i] == "DriveNum") segments.push_back(i);
  if (header.empty() || header[0] != "DateTime" || segments.empty()) {
    why = "1 行目が履歴の見出しではありません";
    return std::nullopt;
  }
  std::vector<DriveHistoryRow> rows;
  for (std::size_t n = 2; n < lines.size(); ++n) {  // the English and the Japanese header lines first
    const std::string& line = lines[n];
    if (line.size() < kHistoryMinRowChars) continue;  // a save that found no drive
    const std::vector<std::string> cells = split(line, ',');
    const auto lineNo = std::to_string(n + 1);
    if (!isDateTime(cells[0])) {
      why = lineNo + " 行目の日時が読めません";
      return std::nullopt;
    }
    for (std::size_t s = 0; s < segments.size(); ++s) {
      const std::size_t at = segments[s];
      if (at >= cells.size() && s > 0) break;  // this save had fewer drives than the header names
      if (at + kSegmentFixedCells > cells.size()) {
        why = lineNo + " 行目のセルが足りません（" + std::to_string(cells.size()) + " 個）";
        return std::nullopt;
      }
      const auto drive = number(cells, at);
      if (!drive) {
        if (s > 0 && cells[at].empty()) break;
        why = lineNo + " 行目のディスク番号が読めません";
        return std::nullopt;
      }
      DriveHistoryRow r;
      r.dateTime = cells[0];
      r.driveNumber = static_cast<int>(*drive);
      r.capacityMB = number(cells, at + 1);
      r.model = cells[at + 2];
      r.serialNumber = cells[at + 3];
      r.temperature = number(cells, at + 4);
      r.highestTemperature = number(cells, at + 5);
      r.lowestTemperature = number(cells, at + 6);
      r.reallocatedSectors = number(cells, at + 7);
      r.failCount = number(cells, at + 8);
      r.warningCount = number(cells, at + 9);
      r.powerCycles = number(cells, at + 10);
      r.hoursRunning = number(cells, at + 11);
      r.state = r.failCount.value_or(0) > 0 ? "故障" : r.warningCount.value_or(0) > 0 ? "警戒" : "OK";
      rows.push_back(std::move(r));
    }
  }
  return rows;
}

std::optional<std::vector<LogRow>> ReadLogRows(std::string_view bytes, bool virusLog, std::string& why) {
  if (!isValidShiftJis(bytes)) {
    why = "Shift-JIS ではない文字があります";
    return std::nullopt;
  }
  std::vector<LogRow> rows;
  const std::vector<std::string> lines = linesOf(ansiToUtf8(bytes));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    LogRow r;
    r.lineNumber = static_cast<int>(i) + 1;
    r.text = lines[i];
    const std::vector<std::string> words = wordsOf(lines[i]);
    if (virusLog) {
      // "yyyy/mm/dd hh:mm:ss count PC"
      if (words.size() >= 4 && isDateTime(words[0] + " " + words[1])) {
        r.dateTime = words[0] + " " + words[1];
        r.pc = words[3];
      }
    } else if (words.size() >= 3 && isDateTime(words[1] + " " + words[2])) {
      r.pc = words[0];
      r.dateTime = words[1] + " " + words[2];
    }
    rows.push_back(std::move(r));
  }
  return rows;
}

}  // namespace mrv
