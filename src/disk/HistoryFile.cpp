#include "disk/HistoryFile.h"

#include "base/Error.h"
#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {
constexpr std::string_view kEnglishHeaderStart = "DateTime,DayOfWeek";
constexpr std::string_view kJapaneseHeaderStart = "日時,曜日番号";
}  // namespace

bool LoadHistoryLines(const std::string& path, std::vector<std::string>& lines, std::size_t maxLines) {
  std::string bytes;
  const FileRefusal refusal = readRegularFile(path, kHistoryMaxBytes, LinkRule::Refuse, bytes);
  if (refusal == FileRefusal::Missing) return false;
  if (refusal != FileRefusal::None)
    throw MrvError("HDD履歴ファイルを読み込めません（" + fileRefusalText(refusal, kHistoryMaxBytes) + "）: " + path);
  // Line ends never occur inside a Shift-JIS character, so the file is cut into lines first and
  // only the lines kept are decoded: a history far over its limit costs one pass, not a decoding.
  std::vector<std::string> raw = splitLines(bytes);
  TrimHistoryLines(raw, maxLines);
  lines.clear();
  lines.reserve(raw.size());
  for (const std::string& line : raw) lines.push_back(ansiToUtf8(line));
  return true;
}

void TrimHistoryLines(std::vector<std::string>& lines, std::size_t maxLines) {
  if (lines.size() <= maxLines || maxLines < 2) return;
  const auto firstRow = lines.begin() + 2;
  lines.erase(firstRow, firstRow + static_cast<std::ptrdiff_t>(lines.size() - maxLines));
}

bool RestoreHistoryHeaders(std::vector<std::string>& lines, const std::string& englishHeader,
                           const std::string& japaneseHeader) {
  bool restored = false;
  if (lines.empty() || !startsWith(lines[0], kEnglishHeaderStart)) {
    lines.insert(lines.begin(), englishHeader);
    restored = true;
  }
  if (lines.size() < 2 || !startsWith(lines[1], kJapaneseHeaderStart)) {
    lines.insert(lines.begin() + 1, japaneseHeader);
    restored = true;
  }
  return restored;
}

std::string HistoryLockPath(const std::string& historyPath) { return historyPath + ".lock"; }

}  // namespace mrv
