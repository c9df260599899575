// Registry stores read from files: an installation's hives or a .reg export (see RecordedRegistry.h).
#include "platform/replay/RecordedRegistry.h"

#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"
#include "platform/WindowsInstallation.h"
#include "platform/replay/HiveRegistry.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/OfflineRegistry.h"
#include "platform/replay/RegFile.h"

namespace fs = std::filesystem;

namespace mrv {

namespace {

// A hive of the installation at `folder`: in Windows\System32\config, or, for hives copied out of
// an installation, in the folder itself.
std::string findHive(const std::string& folder, const char* name) {
  std::string path = findPathIgnoringCase(folder, std::string("Windows\\System32\\config\\") + name);
  if (path.empty()) {
    path = findPathIgnoringCase(folder, name);
    std::error_code ec;
    if (!path.empty() && (!fs::is_regular_file(pathFromUtf8(path), ec) || !looksLikeHiveFile(path))) path.clear();
  }
  return path;
}

std::unique_ptr<RegistryStore> openRegExport(const std::string& path, std::vector<std::string>& messages) {
  auto reg = std::make_unique<MemoryRegistry>();
  if (!loadRegFile(path, *reg, messages)) return nullptr;
  return reg;
}

}  // namespace

std::unique_ptr<RegistryStore> openRecordedMachineRegistry(const std::string& path, std::vector<std::string>& messages) {
  std::error_code ec;
  if (fs::is_directory(pathFromUtf8(path), ec)) {
    const std::string software = findHive(path, "SOFTWARE");
    const std::string system = findHive(path, "SYSTEM");
    if (software.empty() && system.empty()) {
      messages.push_back("Registry=" + path +
                         ": no Windows installation there (Windows\\System32\\config\\SOFTWARE and SYSTEM are "
                         "missing); every registry key is missing.");
      return nullptr;
    }
    if (software.empty())
      messages.push_back("Registry=" + path + ": Windows\\System32\\config\\SOFTWARE is missing; HKEY_LOCAL_MACHINE\\"
                         "SOFTWARE is left out.");
    if (system.empty())
      messages.push_back("Registry=" + path + ": Windows\\System32\\config\\SYSTEM is missing; HKEY_LOCAL_MACHINE\\"
                         "SYSTEM is left out.");
    return std::make_unique<HiveRegistry>(software, system, std::string(), messages);
  }
  if (!fs::exists(pathFromUtf8(path), ec)) {
    messages.push_back("Registry=" + path + ": not found; every registry key is missing.");
    return nullptr;
  }
  if (looksLikeHiveFile(path)) {
    messages.push_back("Registry=" + path +
                       ": a single hive file; name the folder that holds the Windows installation instead.");
    return nullptr;
  }
  return openRegExport(path, messages);
}

std::unique_ptr<RegistryStore> openRecordedUserRegistry(const std::string& path, std::vector<std::string>& messages) {
  std::error_code ec;
  if (!fs::is_regular_file(pathFromUtf8(path), ec)) {
    messages.push_back("UserRegistry=" + path + ": not found; HKEY_CURRENT_USER is empty.");
    return nullptr;
  }
  if (looksLikeHiveFile(path)) {
    auto hive = std::make_unique<HiveRegistry>(std::string(), std::string(), path, messages);
    if (!hive->hasUser()) return nullptr;
    return hive;
  }
  return openRegExport(path, messages);
}

}  // namespace mrv
