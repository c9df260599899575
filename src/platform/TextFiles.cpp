// Reading the program's text files: the same on every system once the path is taken as UTF-8.
#include <chrono>
#include <filesystem>
#include <string>

#include "base/Utf8Path.h"
#include "base/Text.h"
#include "platform/TextFiles.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {
// Files in the shared save folder (histories, logs) are read only when they are regular files and
// not links: a link there could make any file of this PC readable to whoever placed it.
bool readSharedBytes(const std::string& path, std::string& bytes) {
  return readRegularFile(path, kMaxSharedTextBytes, LinkRule::Refuse, bytes) == FileRefusal::None;
}
// The administrator's own files (the configuration, the item definitions) may be links.
bool readOwnBytes(const std::string& path, std::string& bytes) {
  return readRegularFile(path, kMaxOwnTextBytes, LinkRule::Follow, bytes) == FileRefusal::None;
}
}  // namespace

bool readAnsiFile(const std::string& path, std::string& utf8Text) {
  std::string bytes;
  if (!readSharedBytes(path, bytes)) return false;
  utf8Text = ansiToUtf8(bytes);
  return true;
}

bool readAnsiOrUtf8File(const std::string& path, std::string& utf8Text) {
  std::string bytes;
  if (!readOwnBytes(path, bytes)) return false;
  utf8Text = ansiOrUtf8ToUtf8(bytes);
  return true;
}

bool readTextFileDetectingUtf8(const std::string& path, std::string& utf8Text, TextFileEncoding* found) {
  std::string bytes;
  if (!readOwnBytes(path, bytes)) return false;
  utf8Text = textFileToUtf8(bytes, found);
  return true;
}

bool writeTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines, TextFileEncoding encoding,
                          std::string* why) {
  if (encoding == TextFileEncoding::Ansi) return writeAnsiLinesAtomic(path, lines, why);
  std::string bytes(encoding == TextFileEncoding::Utf8Bom ? kUtf8Bom : std::string_view());
  for (const auto& l : lines) bytes += l + "\r\n";
  return writeFileAtomic(path, bytes, why);
}

bool isProgramTempFileName(std::string_view name) {
  auto digits = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  // "<digits>-<digits>" between a prefix and ".tmp"
  auto serialPair = [&](std::string_view s) {
    const std::size_t dash = s.find('-');
    return dash != std::string_view::npos && digits(s.substr(0, dash)) && digits(s.substr(dash + 1));
  };
  if (name.size() < 5 || name.substr(name.size() - 4) != ".tmp") return false;
  name.remove_suffix(4);
  if (name.rfind(".mrv-", 0) == 0) return serialPair(name.substr(5));
  const std::size_t mark = name.rfind(".~");
  return mark != std::string_view::npos && mark > 0 && serialPair(name.substr(mark + 2));
}

namespace {
// Removes the file when it is one of this program's temporary files, a regular file not written to
// for `minutes`; true when it was removed.
bool removeIfStale(const std::filesystem::path& file, std::string_view name, int minutes) {
  namespace fs = std::filesystem;
  if (!isProgramTempFileName(name)) return false;
  const auto cutoff = fs::file_time_type::clock::now() - std::chrono::minutes(minutes);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec) || ec) return false;
  const auto written = fs::last_write_time(file, ec);
  if (ec || written > cutoff) return false;
  return fs::remove(file, ec);
}
}  // namespace

int removeStaleTempFiles(const std::string& folder, int minutes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  int removed = 0;
  for (fs::directory_iterator it(fs::path(std::u8string(folder.begin(), folder.end())), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::u8string u8 = it->path().filename().u8string();
    if (removeIfStale(it->path(), std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()), minutes))
      ++removed;
  }
  return removed;
}

int removeStaleTempFiles(const std::string& folder, const std::vector<std::string>& names, int minutes) {
  const std::filesystem::path dir(std::u8string(folder.begin(), folder.end()));
  int removed = 0;
  for (const std::string& name : names)
    if (isProgramTempFileName(name) && removeIfStale(dir / std::u8string(name.begin(), name.end()), name, minutes))
      ++removed;
  return removed;
}

bool readAnsiLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!readAnsiFile(path, text)) return false;
  lines = splitLines(text);
  return true;
}

}  // namespace mrv
