// Reading ANSI text files: the same on every system once the path is taken as UTF-8.
#include <chrono>
#include <filesystem>
#include <string>

#include "base/Utf8Path.h"
#include "base/Text.h"
#include "platform/Encoding.h"
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

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t n = 0;
    char32_t cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07, min = 0x10000;
    else return false;
    if (i + n >= s.size()) return false;  // cut short
    for (std::size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

std::string ansiOrUtf8ToUtf8(std::string_view bytes) {
  // a byte-order mark says UTF-8 outright; bytes that then are not UTF-8 fall back to CP932
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (isValidUtf8(bytes)) return std::string(bytes);
  return ansiToUtf8(bytes);
}

bool readAnsiOrUtf8File(const std::string& path, std::string& utf8Text) {
  std::string bytes;
  if (!readOwnBytes(path, bytes)) return false;
  utf8Text = ansiOrUtf8ToUtf8(bytes);
  return true;
}

namespace {
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
}  // namespace

bool isValidShiftJis(std::string_view b) {
  for (std::size_t i = 0; i < b.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(b[i]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;  // ASCII and half-width katakana
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      if (i + 1 >= b.size()) return false;
      const unsigned char t = static_cast<unsigned char>(b[++i]);
      if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
      continue;
    }
    return false;
  }
  return true;
}

namespace {
bool isPlainAscii(std::string_view b) {
  for (char c : b)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

TextFileEncoding detectTextEncoding(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return TextFileEncoding::Utf8Bom;
  // the same rule as the configuration file: validity as UTF-8 decides (see ansiOrUtf8ToUtf8);
  // a pure ASCII file stays in the ANSI code page it has always been saved in
  if (isValidUtf8(bytes) && !isPlainAscii(bytes)) return TextFileEncoding::Utf8;
  return TextFileEncoding::Ansi;
}

std::string textFileToUtf8(std::string_view bytes, TextFileEncoding* found) {
  const TextFileEncoding e = detectTextEncoding(bytes);
  if (found) *found = e;
  if (e == TextFileEncoding::Utf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  return e == TextFileEncoding::Ansi ? ansiToUtf8(bytes) : std::string(bytes);
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

int removeStaleTempFiles(const std::string& folder, int minutes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto cutoff = fs::file_time_type::clock::now() - std::chrono::minutes(minutes);
  int removed = 0;
  for (fs::directory_iterator it(fs::path(std::u8string(folder.begin(), folder.end())), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::u8string u8 = it->path().filename().u8string();
    if (!isProgramTempFileName(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()))) continue;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc) || it->last_write_time(fileEc) > cutoff || fileEc) continue;
    if (fs::remove(it->path(), fileEc)) ++removed;
  }
  return removed;
}

bool readAnsiLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!readAnsiFile(path, text)) return false;
  lines = splitLines(text);
  return true;
}

}  // namespace mrv
