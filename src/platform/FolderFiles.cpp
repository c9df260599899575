#include "platform/FolderFiles.h"

#include <filesystem>
#include <fstream>

namespace mrv {

namespace fs = std::filesystem;

namespace {
fs::path u8path(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }
std::string fromPath(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}
}  // namespace

bool listFileNames(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  std::error_code ec;
  fs::directory_iterator it(u8path(folder), ec);
  if (ec) return false;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return false;
    // anything but a folder: a file that cannot be opened must be noticed, not passed over
    std::error_code typeEc;
    if (!it->is_directory(typeEc)) names.push_back(fromPath(it->path().filename()));
  }
  return !ec;
}

#ifndef _WIN32  // Windows reads with its own sharing rules (win32/FolderFilesWin32.cpp)
bool readFileBytes(const std::string& path, std::string& bytes) {
  std::ifstream in(u8path(path), std::ios::binary);
  if (!in) return false;
  bytes.clear();
  char buf[1 << 16];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) bytes.append(buf, static_cast<std::size_t>(in.gcount()));
  return !in.bad();
}
#endif

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == static_cast<char>(fs::path::preferred_separator)) return folder + name;
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

}  // namespace mrv
