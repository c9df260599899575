#include "records/RecordFiles.h"

#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

namespace mrv {

namespace {
bool isSep(char c) { return c == '/' || c == '\\'; }

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

std::string RecordFolder(std::string_view saveDir, std::string_view programDir) {
  if (!saveDir.empty()) {
    std::string d(saveDir);
    if (!isSep(d.back())) d += kPathSeparator;
    return d;
  }
  std::string dir(programDir);
  while (dir.size() > 1 && isSep(dir.back())) dir.pop_back();
  if (dir.empty()) dir = ".";
  // the parent of the program's folder; a program in a root folder looks beside itself
  const std::size_t slash = dir.find_last_of("/\\");
  const std::string parent = slash == std::string::npos ? std::string() : dir.substr(0, slash + 1);
  const std::string candidate = (parent.empty() ? (dir.size() == 2 && dir[1] == ':' ? dir : std::string("../")) : parent) + "pcdata";
  if (dirExists(candidate)) return candidate + kPathSeparator;
  return isSep(dir.back()) ? dir : dir + kPathSeparator;
}

std::string RecordFileStem(std::string_view computerName, std::string_view group) {
  // the "__" between the parts keeps the stem from ever being "." or ".."
  return safePart(computerName) + "__" + safePart(group);
}

std::string AuditLogPath(const std::string& recordFolder, std::string_view stem) {
  return recordFolder + "p2p/" + std::string(stem) + ".log";
}

bool AuditLogAllowsRun(long long logSizeOrMinusOne) { return logSizeOrMinusOne <= 80; }

}  // namespace mrv
