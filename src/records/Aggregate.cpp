// Record values pass through as the bytes the PCs wrote (Shift-JIS): they are only joined by
// commas, and a comma, CR or LF never occurs inside a Shift-JIS double-byte character, so the
// rows need no conversion. This keeps every byte as it was saved and spares two conversions per
// value. Texts the command reads or makes itself (headings, the administrator's list, file names)
// are handled as UTF-8 and encoded when written.
#include "records/Aggregate.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <vector>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "platform/FolderFiles.h"
#include "platform/ReplacingFile.h"
#include "records/InventoryRecord.h"

namespace mrv {

namespace {

constexpr std::string_view kItemListMarker = "/UninstallInfo,/UninstallInfo";
constexpr std::string_view kCannotOpen = "が開けません";
constexpr std::string_view kDone = "集計表を作成しました：mervana.csv, mervana_a.csv";
constexpr std::string_view kPassedOver = "記録ではないため読まなかったファイル:";
constexpr std::size_t kAdminRestChars = 2048;

bool isAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}
std::string toAnsi(std::string_view utf8) { return isAscii(utf8) ? std::string(utf8) : utf8ToAnsi(utf8); }

// Calls f(line) for every line of a byte text (CR LF, LF or CR); a final line end gives no
// empty last line. Records are long and end their lines with CR LF, so the scan looks for LF and
// then for a lone CR inside the piece before it.
template <typename F>
void forEachLine(std::string_view text, F&& f) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
    const char* stop = lf ? lf : end;
    const char* lineEnd = lf && stop > p && stop[-1] == '\r' ? stop - 1 : stop;
    // lone CRs before it end lines of their own
    while (const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(lineEnd - p)))) {
      f(std::string_view(p, static_cast<std::size_t>(cr - p)));
      p = cr + 1;
    }
    if (lf || p < lineEnd) f(std::string_view(p, static_cast<std::size_t>(lineEnd - p)));
    p = lf ? lf + 1 : end;
  }
}

bool hasCsvExtension(std::string_view name) {
  return name.size() >= 4 && iequalsAscii(name.substr(name.size() - 4), ".csv");
}

// Compares names as Windows orders its own file systems: letters in upper case (so "_" sorts after
// them); names equal but for case follow in byte order, so every run gives the same order.
bool fileNameLess(const std::string& a, const std::string& b) {
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : static_cast<unsigned char>(c); };
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = upper(a[i]), y = upper(b[i]);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// The folder's record files in file-name order, case ignored. Only the names are held: the records
// themselves are read one at a time.
void keepRecordFileNames(std::vector<std::string>& names) {
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::string& n) { return !hasCsvExtension(n) || IsReservedListName(n); }),
              names.end());
  std::sort(names.begin(), names.end(), fileNameLess);
}

// The name under which a reserved file lies in the folder (the exact spelling first), or empty.
std::string findListFile(const std::vector<std::string>& names, std::string_view wanted) {
  std::string found;
  for (const auto& n : names) {
    if (n == wanted) return n;
    if (found.empty() && iequalsAscii(n, wanted)) found = n;
  }
  return found;
}

// The NT label of an item list line with its leading comma: the text from the first comma on,
// passing over a 9x label in double quotes. A line without a second field gives an empty label,
// so the columns after it stay in place.
std::string ntLabel(std::string_view line) {
  std::size_t from = 0;
  if (!line.empty() && line[0] == '"') {
    const std::size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return ",";
    from = close + 1;
  }
  const std::size_t comma = line.find(',', from);
  if (comma == std::string_view::npos) return ",";
  return std::string(line.substr(comma));
}

struct Headings {
  std::string main;
  std::string software;
};

Headings buildHeadings(const std::vector<std::string>& itemLines, const std::string* adminHeading) {
  Headings h;
  if (adminHeading) h.main = h.software = *adminHeading;
  bool inSoftware = false;
  bool copied = false;
  for (std::size_t i = 0; i < itemLines.size(); ++i) {
    // with the administrator's list, its columns stand where the record file name would be
    if (i == 0 && adminHeading) continue;
    if (itemLines[i] == kItemListMarker) {
      inSoftware = true;
      continue;
    }
    (inSoftware ? h.software : h.main) += ntLabel(itemLines[i]);
    if (!adminHeading && !copied && !inSoftware) h.software = h.main;  // the software list starts with the file name
    copied = true;
  }
  // The last label stays whole: only an empty last column's comma goes.
  if (!h.main.empty() && h.main.back() == ',') h.main.pop_back();
  if (!adminHeading) {
    if (startsWith(h.software, ",")) h.software.erase(0, 1);
    if (startsWith(h.main, ",")) h.main.erase(0, 1);
  }
  return h;
}

// The administrator's list: the lines after the heading, first column in upper case, sorted.
struct AdminList {
  std::string heading;
  std::string filler;  // one comma per comma of the heading
  std::multiset<std::string> lines;

  void load(const std::string& text) {
    const std::vector<std::string> all = splitLines(text);
    if (!all.empty()) heading = all.front();
    filler.assign(static_cast<std::size_t>(std::count(heading.begin(), heading.end(), ',')), ',');
    for (std::size_t i = 1; i < all.size(); ++i) {
      const std::string& l = all[i];
      const std::size_t comma = l.find(',');
      if (comma == std::string::npos) {
        lines.insert(toUpperAscii(l));
      } else {
        lines.insert(toUpperAscii(l.substr(0, comma + 1)) + charLeft(std::string_view(l).substr(comma + 1), kAdminRestChars));
      }
    }
  }

  // Takes out the line for a record: the first line that begins with the key; else the first line
  // whose first column is the computer name, given the key as its first column. Empty when none.
  bool take(const std::string& key, std::string& line) {
    if (key.empty()) return false;
    auto it = lines.lower_bound(key);
    if (it != lines.end() && startsWith(*it, key)) {
      line = *it;
      lines.erase(it);
      return true;
    }
    const std::string name = computerName(key);
    if (name.empty()) return false;
    for (it = lines.lower_bound(name); it != lines.end() && startsWith(*it, name); ++it) {
      if (it->size() == name.size() || (*it)[name.size()] == ',') {
        line = key + it->substr(name.size());
        lines.erase(it);
        return true;
      }
    }
    return false;
  }

  // The computer name in a record file name stem: before its first "__", else before its last "_"
  // (an underscore in first place does not count), else the whole stem.
  static std::string computerName(const std::string& key) {
    std::size_t cut = key.find("__");
    if (cut == std::string::npos) {
      cut = key.rfind('_');
      if (cut == 0) cut = std::string::npos;
    }
    return cut == std::string::npos ? key : key.substr(0, cut);
  }
};

AggregateOutcome failure(std::string message) { return {false, std::move(message)}; }

}  // namespace

bool IsReservedListName(std::string_view fileName) {
  constexpr std::array reserved{kItemListName, kMainListName, kSoftwareListName, kAdminListName};
  return std::any_of(reserved.begin(), reserved.end(), [&](std::string_view r) { return iequalsAscii(fileName, r); });
}

namespace {

// A file of the folder, read only when it is a regular file within the size limit. `why` says
// what kept it from being read. The administrator's lists may be links; records, which PCs save,
// may not: a link among them could copy any file this user may read into the lists.
FileRefusal readListFile(const std::string& folder, const std::string& name, LinkRule links, std::string& bytes,
                         std::string& why) {
  const FileRefusal r = readRegularFile(joinPath(folder, name), kMaxFolderFileBytes, links, bytes);
  // a file the system would not open keeps the plain message; a refusal of ours says what it was
  const bool ours = r == FileRefusal::Folder || r == FileRefusal::NotRegular || r == FileRefusal::Link ||
                    r == FileRefusal::TooLarge;
  why = ours ? "（" + fileRefusalText(r, kMaxFolderFileBytes) + "）" : std::string();
  return r;
}

// A pipe, a device or a link among the records is not a record a PC saved: it is passed over and
// named in the outcome. A file that is one but cannot be read stops the command.
bool isPassedOver(FileRefusal r) { return r == FileRefusal::NotRegular || r == FileRefusal::Link; }

AggregateOutcome buildLists(const std::string& folder) {
  // Both lists are written beside the old ones; the old ones stay until everything was read.
  ReplacingFile mainOut(joinPath(folder, std::string(kMainListName)));
  if (!mainOut.isOpen()) return failure(std::string(kMainListName) + std::string(kCannotOpen));
  ReplacingFile softwareOut(joinPath(folder, std::string(kSoftwareListName)));
  if (!softwareOut.isOpen()) return failure(std::string(kSoftwareListName) + std::string(kCannotOpen));

  std::vector<std::string> names;
  if (!listFileNames(folder, names)) return failure(folder + std::string(kCannotOpen));

  std::string bytes, why;
  AdminList admin;
  const std::string adminName = findListFile(names, kAdminListName);
  const bool hasAdmin = !adminName.empty();
  if (hasAdmin) {
    if (readListFile(folder, adminName, LinkRule::Follow, bytes, why) != FileRefusal::None)
      return failure(std::string(kAdminListName) + std::string(kCannotOpen) + why);
    // a spreadsheet saves it in UTF-8 as readily as in Shift-JIS: the configuration file's rule
    admin.load(textFileToUtf8(bytes));
  }

  const std::string itemListName = findListFile(names, kItemListName);
  if (!itemListName.empty()) {
    if (readListFile(folder, itemListName, LinkRule::Follow, bytes, why) != FileRefusal::None)
      return failure(std::string(kItemListName) + std::string(kCannotOpen) + why);
    const Headings h = buildHeadings(splitLines(ansiToUtf8(bytes)), hasAdmin ? &admin.heading : nullptr);
    mainOut.write(toAnsi(h.main) + "\r\n");
    softwareOut.write(toAnsi(h.software) + "\r\n");
  }

  keepRecordFileNames(names);
  std::string mainRow, softwareRow, row;
  std::string passedOver;
  for (const std::string& name : names) {
    const FileRefusal refusal = readListFile(folder, name, LinkRule::Refuse, bytes, why);
    if (isPassedOver(refusal)) {
      passedOver += "\n" + name + why;
      continue;
    }
    if (refusal != FileRefusal::None) return failure(name + std::string(kCannotOpen) + why);
    mainRow.clear();
    softwareRow.clear();
    bool inSoftware = false;
    bool first = true;
    std::size_t firstValueEnd = 0;  // where the main row's first value ends (its leading comma counted)
    forEachLine(bytes, [&](std::string_view line) {
      if (line == kSectionMarker) {
        inSoftware = true;
      } else {
        std::string& target = inSoftware ? softwareRow : mainRow;
        target += ',';
        target += line;
        if (!inSoftware && firstValueEnd == 0) firstValueEnd = mainRow.size();
        // without the administrator's list, the software row starts with the record file name
        if (first && !inSoftware && !hasAdmin) softwareRow = mainRow;
      }
      first = false;
    });

    if (!hasAdmin) {
      mainOut.write(std::string_view(mainRow).substr(mainRow.empty() ? 0 : 1));
      mainOut.write("\r\n");
      softwareOut.write(std::string_view(softwareRow).substr(softwareRow.empty() ? 0 : 1));
      softwareOut.write("\r\n");
      continue;
    }
    // The administrator's columns take the place of the file name stem.
    const std::string_view rest = std::string_view(mainRow).substr(std::min(firstValueEnd, mainRow.size()));
    const std::string key = toUpperAscii(name.substr(0, name.find('.')));
    std::string adminLine;
    row = admin.take(key, adminLine) ? toAnsi(adminLine) : toAnsi(key) + admin.filler;
    mainOut.write(row);
    mainOut.write(rest);
    mainOut.write("\r\n");
    softwareOut.write(row);
    softwareOut.write(softwareRow);  // begins with its comma, or is empty: then one empty column
    softwareOut.write(softwareRow.empty() ? ",\r\n" : "\r\n");
  }

  // PCs of the administrator's list that never saved a record close both lists.
  for (const std::string& line : admin.lines) {
    row = toAnsi(line) + "\r\n";
    mainOut.write(row);
    softwareOut.write(row);
  }

  // A list that cannot be written or put in place (a full disk, a list held open by a spreadsheet
  // on Windows) is reported as one that cannot be opened.
  if (!mainOut.finish()) return failure(std::string(kMainListName) + std::string(kCannotOpen));
  if (!softwareOut.finish()) return failure(std::string(kSoftwareListName) + std::string(kCannotOpen));
  if (!mainOut.replaceTarget()) return failure(std::string(kMainListName) + std::string(kCannotOpen));
  if (!softwareOut.replaceTarget()) return failure(std::string(kSoftwareListName) + std::string(kCannotOpen));
  if (passedOver.empty()) return {true, std::string(kDone)};
  return {true, std::string(kDone) + "\n" + std::string(kPassedOver) + passedOver};
}

}  // namespace

AggregateOutcome BuildAggregatedLists(const std::string& folder) {
  removeStaleTempFiles(folder);  // lists a killed run left half-written beside the old ones
  try {
    return buildLists(folder);
  } catch (const std::exception& e) {  // out of memory, say: the old lists stay, nothing is left beside them
    return failure(std::string(kMainListName) + std::string(kCannotOpen) + "（" + e.what() + "）");
  }
}

}  // namespace mrv
