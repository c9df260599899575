#include "platform/WindowsInstallation.h"

#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"
#include "base/Text.h"

namespace fs = std::filesystem;

namespace mrv {

std::string findPathIgnoringCase(const std::string& base, std::string_view relative) {
  fs::path current = pathFromUtf8(base);
  std::error_code ec;
  if (!fs::is_directory(current, ec)) return {};
  std::string rel(relative);
  for (char& c : rel)
    if (c == '/') c = '\\';
  for (const auto& part : split(rel, '\\')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") return {};  // never leave the installation
    fs::path exact = current / part;
    if (fs::exists(exact, ec)) {
      current = exact;
      continue;
    }
    bool found = false;
    for (fs::directory_iterator it(current, ec), end; !ec && it != end; it.increment(ec)) {
      if (iequalsAscii(utf8FromPath(it->path().filename()), part)) {
        current = it->path();
        found = true;
        break;
      }
    }
    if (!found) return {};
  }
  return utf8FromPath(current);
}

std::string mapWindowsPath(const std::string& root, std::string_view windowsPath) {
  std::string_view p = windowsPath;
  if (p.size() >= 2 && p[1] == ':') p.remove_prefix(2);
  return findPathIgnoringCase(root, p);
}

}  // namespace mrv
