#include "app/Settings.h"

#include <filesystem>
#include <system_error>

#include "app/IniFile.h"
#include "base/Utf8Path.h"
#include "platform/FolderFiles.h"

namespace mrv {

Settings ReadSettings(const std::string& iniPath) {
  Settings s;
  IniFile ini;
  if (iniPath.empty() || !isRegularFile(iniPath) || !ini.load(iniPath)) return s;
  s.saveDir = ini.value("General", "SaveDir");
  if (!s.saveDir.empty() && s.saveDir.back() == '\\') s.saveDir.pop_back();  // one backslash only
  s.databaseTarget = ini.value("Database", "Target");
  s.sources.registry = ini.value("Sources", "Registry");
  s.sources.userRegistry = ini.value("Sources", "UserRegistry");
  s.sources.wmi = ini.value("Sources", "Wmi");
  s.sources.cpuid = ini.value("Sources", "Cpuid");
  s.sources.drives = ini.value("Sources", "Drives");
  return s;
}

}  // namespace mrv
