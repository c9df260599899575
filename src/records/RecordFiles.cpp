#include "records/RecordFiles.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"
#include "platform/Encoding.h"

namespace mrv {

namespace {
// Whether c separates folders on a system whose own separator is `sep` ('/' is one everywhere).
bool isSep(char c, char sep) { return c == '/' || c == sep; }

bool dirExists(const std::string& p) {
  std::error_code ec;
  return std::filesystem::is_directory(pathFromUtf8(p), ec);
}

bool badInFileName(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
         c == '<' || c == '>' || c == '|';
}

// Bytes of the UTF-8 character that starts at s[i]; 1 for a byte that starts no whole character.
std::size_t charBytesAt(std::string_view s, std::size_t i) {
  const unsigned char lead = static_cast<unsigned char>(s[i]);
  const std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
  if (i + n > s.size()) return 1;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// A part of the stem as the record file holds it: each character as it comes back from the users'
// code page, in which a character the code page lacks reads "?". "?" (like \ / : * " < > | and
// control characters) cannot stand in a file name, so such characters become "_" in both.
std::string safePart(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = charBytesAt(s, i);
    const std::string_view ch = s.substr(i, n);
    i += n;
    if (n == 1 && static_cast<unsigned char>(ch[0]) < 0x80) {
      out += badInFileName(ch[0]) ? '_' : ch[0];
      continue;
    }
    const std::string back = ansiToUtf8(utf8ToAnsi(ch));
    // lost: "?" (once per UTF-16 unit on some systems) or U+FFFD
    if (back.empty() || back.find('?') != std::string::npos || back.find("\xEF\xBF\xBD") != std::string::npos) {
      out += '_';
      continue;
    }
    for (const char c : back) out += badInFileName(c) ? '_' : c;  // a best-fit ASCII stand-in
  }
  return out;
}

// FNV-1a, 32 bits: the same for the same bytes on every system and in every run.
std::uint32_t fnv1a(std::string_view bytes) {
  std::uint32_t h = 2166136261u;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

// Longest stem whose files (".csv", ".log") still fit the 255-byte name limit of the file systems,
// counted in UTF-8 bytes (never fewer UTF-16 units, so NTFS's limit holds as well).
constexpr std::size_t kMaxStemBytes = 251;
constexpr std::size_t kStemHashBytes = 9;  // "~" and 8 hex digits

// An over-long stem keeps its beginning, cut at a character boundary, followed by "~" and a hash
// of the whole stem, so two long names that start alike still get files of their own.
std::string fitStem(std::string stem) {
  if (stem.size() <= kMaxStemBytes) return stem;
  std::size_t cut = 0;
  for (std::size_t n; cut < stem.size() && cut + (n = charBytesAt(stem, cut)) <= kMaxStemBytes - kStemHashBytes;)
    cut += n;
  char hash[16];
  std::snprintf(hash, sizeof hash, "~%08x", static_cast<unsigned>(fnv1a(stem)));
  return stem.substr(0, cut) + hash;
}
}  // namespace

std::string RecordFolder(std::string_view saveDir, std::string_view programDir, char separator) {
  if (!saveDir.empty()) {
    // Trailing separators, and on Linux trailing backslashes too (a Windows habit in a Linux
    // path), give way to one separator of this system: "/tmp/sd1\\" is the folder /tmp/sd1.
    std::string d(saveDir);
    while (d.size() > 1 && (isSep(d.back(), separator) || d.back() == '\\')) d.pop_back();
    if (!isSep(d.back(), separator)) d += separator;
    return d;
  }
  std::string dir(programDir);
  while (dir.size() > 1 && isSep(dir.back(), separator)) dir.pop_back();
  if (dir.empty()) dir = ".";
  const bool driveRoot = separator == '\\' && dir.size() == 2 && dir[1] == ':';
  // the parent of the program's folder; a program in a root folder looks in that root
  std::size_t slash = std::string::npos;
  for (std::size_t i = dir.size(); i-- > 0;)
    if (isSep(dir[i], separator)) {
      slash = i;
      break;
    }
  std::string parent;
  if (driveRoot)
    parent = dir + separator;  // C:\pcdata, never the drive-relative C:pcdata
  else if (slash != std::string::npos)
    parent = dir.substr(0, slash + 1);
  else
    parent = std::string("..") + separator;
  const std::string candidate = parent + "pcdata";
  if (dirExists(candidate)) return candidate + separator;
  return isSep(dir.back(), separator) ? dir : dir + separator;
}

std::string RecordFileStem(std::string_view computerName, std::string_view group) {
  // the "__" between the parts keeps the stem from ever being "." or ".."
  return fitStem(safePart(computerName) + "__" + safePart(group));
}

std::string AuditLogPath(const std::string& recordFolder, std::string_view stem) {
  return recordFolder + "p2p" + kPathSeparator + std::string(stem) + ".log";
}

bool AuditLogAllowsRun(long long logSizeOrMinusOne) { return logSizeOrMinusOne <= 80; }

}  // namespace mrv
