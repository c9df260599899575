// Record values pass through as the bytes the PCs wrote (Shift-JIS): they are only joined by
// commas, and a comma, CR or LF never occurs inside a Shift-JIS double-byte character, so the
// rows need no conversion. This keeps every byte as it was saved and spares two conversions per
// value. Texts the command reads or makes itself (headings, the administrator's list, file names)
// are handled as UTF-8 and encoded when written.
#include "records/Aggregate.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Where the line that is the section marker begins in a record's text, or npos. Lines end in
// CR LF, LF or a lone CR.
std::size_t findMarkerLine(std::string_view text) {
  for (std::size_t at = text.find(kSectionMarker); at != std::string_view::npos;
       at = text.find(kSectionMarker, at + 1)) {
    const std::size_t after = at + kSectionMarker.size();
    const bool startsLine = at == 0 || text[at - 1] == '\n' || text[at - 1] == '\r';
    const bool endsLine = after == text.size() || text[after] == '\r' || text[after] == '\n';
    if (startsLine && endsLine) return at;
  }
  return std::string_view::npos;
}

// Where the line from `at` ends, its line end (CR LF, LF or a lone CR) passed over.
std::size_t nextLine(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] != '\r' && text[at] != '\n') ++at;
  if (at < text.size()) at += text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
  return at;
}

// Writes every line of a byte text at `o`, the lines parted by commas, and gives where the
// writing ended; a final line end gives no empty last line. `comma`: whether the first line, too,
// stands behind a comma. With `dropMarkers` a line that is the section marker is left out.
// `firstEnd`, when given, receives where the first line written ends (null when none was). The
// room at `o` must be the text's size and one byte more.
//
// Records are long and their lines short (350 lines of some 14 bytes), so the copy goes sixteen
// (or, without SSE2, eight) bytes at a time and finds the first line end among them; a Shift-JIS
// double byte never holds a CR or an LF.
char* writeFields(char* o, std::string_view text, bool comma, bool dropMarkers, char** firstEnd = nullptr) {
  const char* p = text.data();
  const char* const end = p + text.size();
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
#endif
  while (p < end) {
    if (comma) *o++ = ',';
    char* const line = o;
    for (;;) {
#if defined(__SSE2__)
      if (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), v);  // all sixteen, though only those before a line end count
        const auto ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        if (ends == 0) {
          o += 16;
          p += 16;
          continue;
        }
        const int at = std::countr_zero(ends);
        o += at;
        p += at;
        break;
      }
#endif
      if constexpr (std::endian::native == std::endian::little) {
        if (end - p >= 8) {
          std::uint64_t w;
          std::memcpy(&w, p, 8);
          std::memcpy(o, p, 8);  // all eight, as above
          const std::uint64_t low = (w - 0x0E0E0E0E0E0E0E0Eull) & ~w & 0x8080808080808080ull;
          if (low == 0) {
            o += 8;
            p += 8;
            continue;
          }
          const int at = std::countr_zero(low) / 8;  // the first byte below 0x0E, which may end the line
          o += at;
          p += at;
          if (*p == '\r' || *p == '\n') break;
          ++o;  // a tab or other control byte within the value
          ++p;
          continue;
        }
      }
      while (p < end && *p != '\r' && *p != '\n') *o++ = *p++;
      break;
    }
    if (p < end) p += *p == '\r' && p + 1 < end && p[1] == '\n' ? 2 : 1;
    if (dropMarkers && std::string_view(line, static_cast<std::size_t>(o - line)) == kSectionMarker) {
      o = comma ? line - 1 : line;
      continue;
    }
    if (firstEnd && !*firstEnd) *firstEnd = o;
    comma = true;
  }
  return o;
}

// Text written in place at its end: room is made in steps and kept, so a batch's rows are written
// without a fill of each row's room first.
class RowText {
 public:
  // Room for `n` more bytes at the end; the bytes written there are kept by done().
  char* room(std::size_t n) {
    if (text_.size() < used_ + n) text_.resize(std::max(used_ + n, 2 * text_.size()));
    return text_.data() + used_;
  }
  void done(const char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }
  std::size_t size() const { return used_; }
  std::string_view view(std::size_t from, std::size_t to) const { return std::string_view(text_).substr(from, to - from); }
  std::string_view all() const { return view(0, used_); }
  void clear() { used_ = 0; }  // the room stays for the next batch

 private:
  std::string text_;
  std::size_t used_ = 0;
};

// A batch of records, read and split into rows: the lines before the section marker in the main
// row, those after it in the software row.
//
// Without the administrator's list the rows are the lists' lines as they are written (the
// software row led by the record's first value, its file name). With it, every value stands
// behind a comma, and the ends of each record's rows are kept so that the administrator's columns
// can take the place of the first value.
struct Batch {
  std::vector<FileRefusal> refusals;  // one a record
  std::vector<std::string> whys;      // what kept a record from being read
  RowText main, software;
  std::vector<std::size_t> mainEnds, softwareEnds, firstValueEnds;  // with the administrator's list

  void clear() {
    refusals.clear();
    whys.clear();
    main.clear();
    software.clear();
    mainEnds.clear();
    softwareEnds.clear();
    firstValueEnds.clear();
  }
};

void addRecord(std::string_view text, bool withAdmin, Batch& b) {
  const std::size_t marker = findMarkerLine(text);
  const std::string_view mainPart = text.substr(0, marker);
  const std::string_view softwarePart =
      marker == std::string_view::npos ? std::string_view() : text.substr(nextLine(text, marker));

  char* const mainStart = b.main.room(mainPart.size() + 3);
  char* firstEnd = nullptr;
  char* o = writeFields(mainStart, mainPart, withAdmin, false, &firstEnd);
  const std::string_view name(mainStart, firstEnd ? static_cast<std::size_t>(firstEnd - mainStart) : 0);
  if (withAdmin) {
    b.firstValueEnds.push_back(b.main.size() + name.size());
    b.main.done(o);
    b.mainEnds.push_back(b.main.size());
    b.software.done(writeFields(b.software.room(softwarePart.size() + 1), softwarePart, true, true));
    b.softwareEnds.push_back(b.software.size());
    return;
  }
  *o++ = '\r';
  *o++ = '\n';
  b.main.done(o);
  char* s = b.software.room(name.size() + softwarePart.size() + 3);
  s = std::copy(name.begin(), name.end(), s);
  s = writeFields(s, softwarePart, firstEnd != nullptr, true);  // after the name, even an empty one
  *s++ = '\r';
  *s++ = '\n';
  b.software.done(s);
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

// The first eight bytes of a name in upper case as one number that orders as fileNameLess does
// (a shorter name's missing bytes are zero, below any byte a name holds).
std::uint64_t nameHead(const std::string& name) {
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    unsigned char c = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    head = head << 8 | c;
  }
  return head;
}

// The folder's record files in file-name order (fileNameLess). The sort compares the names' heads
// as numbers and looks further only where two heads are the same. Only the names are held: the
// records themselves are read a batch at a time.
void keepRecordFiles(std::vector<FolderEntry>& files) {
  files.erase(std::remove_if(files.begin(), files.end(),
                             [](const FolderEntry& f) { return !hasCsvExtension(f.name) || IsReservedListName(f.name); }),
              files.end());
  struct Key {
    std::uint64_t head;
    std::size_t index;
  };
  std::vector<Key> keys(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) keys[i] = {nameHead(files[i].name), i};
  std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
    if (a.head != b.head) return a.head < b.head;
    return fileNameLess(files[a.index].name, files[b.index].name);
  });
  std::vector<FolderEntry> sorted;
  sorted.reserve(files.size());
  for (const Key& k : keys) sorted.push_back(std::move(files[k.index]));
  files = std::move(sorted);
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
std::string refusalWhy(FileRefusal r) {
  // a file the system would not open keeps the plain message; a refusal of ours says what it was
  const bool ours = r == FileRefusal::Folder || r == FileRefusal::NotRegular || r == FileRefusal::Link ||
                    r == FileRefusal::TooLarge;
  return ours ? "（" + fileRefusalText(r, kMaxFolderFileBytes) + "）" : std::string();
}

FileRefusal readListFile(const FolderReader& folder, const std::string& name, LinkRule links, std::string& bytes,
                         std::string& why) {
  const FileRefusal r = folder.read(name, kMaxFolderFileBytes, links, bytes);
  why = refusalWhy(r);
  return r;
}

// A pipe, a device or a link among the records is not a record a PC saved: it is passed over and
// named in the outcome. A file that is one but cannot be read stops the command.
bool isPassedOver(FileRefusal r) { return r == FileRefusal::NotRegular || r == FileRefusal::Link; }

// Records are read and split in batches, several at once on threads of their own, while the
// lists are written from the batches in file-name order. Most of the time goes to the system's
// opening and reading of many small files, which spreads over the processors; each thread's
// reader hands the system a few dozen files at a time where it can (FolderRunReader).
constexpr std::size_t kBatchRecords = 256;

// What the batches' threads share: the folder's readers and the batches' buffers, given back when a
// batch is done, so that neither a reader's kernel queue nor a batch's pages are made anew for each.
class Spares {
 public:
  explicit Spares(const FolderReader& folder) : folder_(folder) {}

  std::unique_ptr<FolderRunReader> reader() {
    {
      const std::lock_guard<std::mutex> lock(m_);
      if (!readers_.empty()) {
        auto r = std::move(readers_.back());
        readers_.pop_back();
        return r;
      }
    }
    return std::make_unique<FolderRunReader>(folder_);
  }
  Batch batch() {
    const std::lock_guard<std::mutex> lock(m_);
    if (batches_.empty()) return {};
    Batch b = std::move(batches_.back());
    batches_.pop_back();
    return b;
  }
  void giveBack(std::unique_ptr<FolderRunReader> r) {
    const std::lock_guard<std::mutex> lock(m_);
    readers_.push_back(std::move(r));
  }
  void giveBack(Batch&& b) {
    b.clear();
    const std::lock_guard<std::mutex> lock(m_);
    batches_.push_back(std::move(b));
  }

 private:
  const FolderReader& folder_;
  std::mutex m_;
  std::vector<std::unique_ptr<FolderRunReader>> readers_;
  std::vector<Batch> batches_;
};

Batch readBatch(Spares& spares, const std::vector<FolderEntry>& files, std::size_t from, std::size_t to,
                bool withAdmin) {
  Batch b = spares.batch();
  std::unique_ptr<FolderRunReader> reader = spares.reader();
  reader->readEach(files, from, to, kMaxFolderFileBytes, LinkRule::Refuse,
                   [&b, withAdmin](std::size_t, FileRefusal refusal, std::string_view bytes) {
                     b.refusals.push_back(refusal);
                     b.whys.push_back(refusalWhy(refusal));
                     if (refusal == FileRefusal::None) addRecord(bytes, withAdmin, b);
                   });
  spares.giveBack(std::move(reader));
  return b;
}

AggregateOutcome buildLists(const std::string& folder) {
  // Both lists are written beside the old ones; the old ones stay until everything was read.
  ReplacingFile mainOut(joinPath(folder, std::string(kMainListName)));
  if (!mainOut.isOpen()) return failure(std::string(kMainListName) + std::string(kCannotOpen));
  ReplacingFile softwareOut(joinPath(folder, std::string(kSoftwareListName)));
  if (!softwareOut.isOpen()) return failure(std::string(kSoftwareListName) + std::string(kCannotOpen));

  std::vector<FolderEntry> files;
  if (!listFolderEntries(folder, files)) return failure(folder + std::string(kCannotOpen));
  // the names the lists need besides the records: the program's temporary files and the reserved lists
  std::vector<std::string> names;
  for (const FolderEntry& f : files)
    if (!hasCsvExtension(f.name) || IsReservedListName(f.name)) names.push_back(f.name);
  removeStaleTempFiles(folder, names);  // lists a killed run left half-written beside the old ones
  const FolderReader reader(folder);

  std::string bytes, why;
  AdminList admin;
  const std::string adminName = findListFile(names, kAdminListName);
  const bool hasAdmin = !adminName.empty();
  if (hasAdmin) {
    if (readListFile(reader, adminName, LinkRule::Follow, bytes, why) != FileRefusal::None)
      return failure(std::string(kAdminListName) + std::string(kCannotOpen) + why);
    // a spreadsheet saves it in UTF-8 as readily as in Shift-JIS: the configuration file's rule
    admin.load(textFileToUtf8(bytes));
  }

  const std::string itemListName = findListFile(names, kItemListName);
  if (!itemListName.empty()) {
    if (readListFile(reader, itemListName, LinkRule::Follow, bytes, why) != FileRefusal::None)
      return failure(std::string(kItemListName) + std::string(kCannotOpen) + why);
    const Headings h = buildHeadings(splitLines(ansiToUtf8(bytes)), hasAdmin ? &admin.heading : nullptr);
    mainOut.write(toAnsi(h.main) + "\r\n");
    softwareOut.write(toAnsi(h.software) + "\r\n");
  }

  names.clear();
  keepRecordFiles(files);
  Spares spares(reader);
  // batches being read: a few more than the processors, so that none waits for the lists' writing
  std::deque<std::future<Batch>> reading;
  const std::size_t ahead = std::max(2u, std::thread::hardware_concurrency()) + 1;
  std::size_t next = 0;
  auto readNextBatch = [&] {
    const std::size_t from = next, to = std::min(files.size(), next + kBatchRecords);
    next = to;
    auto job = [&spares, &files, from, to, hasAdmin] { return readBatch(spares, files, from, to, hasAdmin); };
    try {
      reading.push_back(std::async(std::launch::async, job));
    } catch (const std::system_error&) {  // no thread to be had: read it when its turn comes
      reading.push_back(std::async(std::launch::deferred, job));
    }
  };
  while (next < files.size() && reading.size() < ahead) readNextBatch();

  std::string row;
  std::string passedOver;
  for (std::size_t done = 0; !reading.empty();) {
    Batch batch = reading.front().get();
    reading.pop_front();
    if (next < files.size()) readNextBatch();
    std::size_t read = 0;  // records of the batch that were read
    for (std::size_t k = 0; k < batch.refusals.size(); ++k) {
      const std::string& name = files[done++].name;
      const FileRefusal refusal = batch.refusals[k];
      if (isPassedOver(refusal)) {
        passedOver += "\n" + name + batch.whys[k];
        continue;
      }
      if (refusal != FileRefusal::None) return failure(name + std::string(kCannotOpen) + batch.whys[k]);
      if (!hasAdmin) continue;  // the batch's lines go at once, below
      // The administrator's columns take the place of the file name stem.
      const std::string_view rest = batch.main.view(batch.firstValueEnds[read], batch.mainEnds[read]);
      const std::string_view software = batch.software.view(read ? batch.softwareEnds[read - 1] : 0, batch.softwareEnds[read]);
      ++read;
      const std::string key = toUpperAscii(name.substr(0, name.find('.')));
      std::string adminLine;
      row = admin.take(key, adminLine) ? toAnsi(adminLine) : toAnsi(key) + admin.filler;
      mainOut.write(row);
      mainOut.write(rest);
      mainOut.write("\r\n");
      softwareOut.write(row);
      softwareOut.write(software);  // begins with its comma, or is empty: then one empty column
      softwareOut.write(software.empty() ? ",\r\n" : "\r\n");
    }
    if (!hasAdmin) {
      mainOut.write(batch.main.all());
      softwareOut.write(batch.software.all());
    }
    spares.giveBack(std::move(batch));
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
  try {
    return buildLists(folder);
  } catch (const std::exception& e) {  // out of memory, say: the old lists stay, nothing is left beside them
    return failure(std::string(kMainListName) + std::string(kCannotOpen) + "（" + e.what() + "）");
  }
}

}  // namespace mrv
