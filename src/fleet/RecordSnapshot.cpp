#include "fleet/RecordSnapshot.h"

#include "base/Text.h"
#include "platform/Encoding.h"
#include "records/InventoryRecord.h"

namespace mrv {

namespace {

// "a,b" gives a and b; a quoted first label keeps its comma ("\"a, b\",c" gives a, b and c).
void splitLabels(const std::string& line, std::string& nine, std::string& nt) {
  std::size_t comma;
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    nine = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    comma = close == std::string::npos ? std::string::npos : line.find(',', close);
  } else {
    comma = line.find(',');
    nine = line.substr(0, comma);
  }
  nt = comma == std::string::npos ? std::string() : line.substr(comma + 1);
  if (nt.size() >= 2 && nt.front() == '"' && nt.back() == '"') nt = nt.substr(1, nt.size() - 2);
}

}  // namespace

CustomLabels CustomLabelsOfItemList(std::string_view bytes) {
  CustomLabels labels;
  const std::vector<std::string> lines = splitLines(ansiToUtf8(bytes));
  for (std::size_t i = kStandardRows; i < lines.size(); ++i) {
    std::string nine, nt;
    splitLabels(lines[i], nine, nt);
    labels.nine.push_back(nine);
    labels.nt.push_back(nt);
  }
  return labels;
}

std::optional<RecordSnapshot> ReadRecordSnapshot(std::string_view stem, std::string_view bytes,
                                                 const std::optional<CustomLabels>& labels, std::string& why) {
  if (!isValidShiftJis(bytes)) {
    why = "Shift-JIS ではない文字があります";
    return std::nullopt;
  }
  std::vector<std::string> lines = splitLines(ansiToUtf8(bytes));
  if (lines.size() < static_cast<std::size_t>(kStandardRows)) {
    why = "記録の行が " + std::to_string(lines.size()) + " 行しかありません（" + std::to_string(kStandardRows) +
          " 行以上のはずです）";
    return std::nullopt;
  }
  RecordSnapshot s;
  s.stem = stem;
  for (int i = 0; i < kStandardRows; ++i) s.standard[static_cast<std::size_t>(i)] = std::move(lines[static_cast<std::size_t>(i)]);

  // the NT family fills row 35 (administrator rights); a 9x PC leaves it empty
  const bool nt = !s.standard[34].empty();
  std::size_t custom = 0;
  if (labels) {
    custom = labels->nt.size();
  } else {
    for (std::size_t i = kStandardRows; i < lines.size(); ++i)
      if (lines[i] == kSectionMarker) {
        custom = i + 1 - kStandardRows;
        break;
      }
  }
  custom = std::min(custom, lines.size() - kStandardRows);
  for (std::size_t i = 0; i < custom; ++i) {
    const std::string& value = lines[kStandardRows + i];
    std::string label;
    if (labels) label = nt ? labels->nt[i] : labels->nine[i];
    s.custom.push_back({label, value});
  }

  const std::size_t block = kStandardRows + custom;
  std::size_t end = block;
  while (end < lines.size() && !lines[end].empty()) ++end;  // the programs
  s.programs.assign(lines.begin() + static_cast<std::ptrdiff_t>(block), lines.begin() + static_cast<std::ptrdiff_t>(end));
  std::size_t patch = end;
  while (patch < lines.size() && lines[patch].empty()) ++patch;  // the block's empty rows
  for (; patch < lines.size(); ++patch)
    if (!lines[patch].empty()) s.patches.push_back(lines[patch]);
  return s;
}

}  // namespace mrv
