// Hive files read through the system's own RegLoadAppKeyW (no third-party library): each hive is
// loaded as a private application hive of this process and its keys are read with the registry
// API, so names are matched in any letter case as Windows matches them.
#include <string>

#include "base/Utf8Path.h"
#include "platform/HiveFile.h"
#include "platform/win32/WinRegistry.h"

namespace mrv {

class HiveFile {
 public:
  explicit HiveFile(HKEY root) : root_(root) {}
  ~HiveFile() { RegCloseKey(root_); }
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;
  HKEY root() const { return root_; }

 private:
  HKEY root_;
};

namespace {

std::string systemText(LONG code) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring text = n && buf ? std::wstring(buf, n) : std::wstring();
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  if (text.empty()) return "error " + std::to_string(code);
  return utf8FromPath(std::filesystem::path(text));
}

std::wstring widePath(std::string_view utf8) { return pathFromUtf8(utf8).wstring(); }

}  // namespace

std::shared_ptr<HiveFile> openHiveFile(const std::string& path, std::string& message) {
  std::string problem = hiveFileProblem(path);
  if (problem.empty()) {
    HKEY root = nullptr;
    LONG rc = RegLoadAppKeyW(widePath(path).c_str(), &root, KEY_READ, REG_PROCESS_APPKEY, 0);
    // wine's RegLoadAppKeyW is a stub that reports success with a handle no call accepts
    if (rc == ERROR_SUCCESS)
      rc = RegQueryInfoKeyW(root, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr);
    if (rc == ERROR_SUCCESS) return std::make_shared<HiveFile>(root);
    problem = "the hive cannot be loaded (RegLoadAppKeyW: " + systemText(rc) + ")";
  }
  message = "Registry hive " + path + ": " + problem + "; its keys are left out.";
  return nullptr;
}

std::unique_ptr<RegistryKey> openHiveKey(const std::shared_ptr<HiveFile>& hive, std::string_view path) {
  if (!hive) return nullptr;
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  HKEY key = nullptr;
  if (RegOpenKeyExW(hive->root(), widePath(path).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return adoptRegistryKey(key);
}

}  // namespace mrv
