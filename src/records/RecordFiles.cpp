#include "records/RecordFiles.h"

#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

namespace mrv {

namespace {
// Whether c separates folders on a system whose own separator is `sep` ('/' is one everywhere).
bool isSep(char c, char sep) { return c == '/' || c == sep; }

bool dirExists(const std::string& p) {
  std::error_code ec;
  return std::filesystem::is_directory(pathFromUtf8(p), ec);
}

std::string safePart(std::string_view s) {
  std::string out;
  for (char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool bad = u < 0x20 || u == 0x7F || c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' ||
                     c == '"' || c == '<' || c == '>' || c == '|';
    out += bad ? '_' : c;
  }
  return out;
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
  return safePart(computerName) + "__" + safePart(group);
}

std::string AuditLogPath(const std::string& recordFolder, std::string_view stem) {
  return recordFolder + "p2p" + kPathSeparator + std::string(stem) + ".log";
}

bool AuditLogAllowsRun(long long logSizeOrMinusOne) { return logSizeOrMinusOne <= 80; }

}  // namespace mrv
