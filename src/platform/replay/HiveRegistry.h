#pragma once
// Registry hive files of a Windows installation that is not running (a mounted disk, an image),
// read through libhivex (replay/hivex/) or, on Windows without it, through the system's own
// RegLoadAppKeyW (win32/HiveFileAppKey.cpp).
//
// The hives are mounted where Windows mounts them: SOFTWARE as HKEY_LOCAL_MACHINE\SOFTWARE, SYSTEM
// as HKEY_LOCAL_MACHINE\SYSTEM, the user's NTUSER.DAT as HKEY_CURRENT_USER and, when the profile
// beside it holds one, AppData\Local\Microsoft\Windows\UsrClass.dat as HKEY_CURRENT_USER\Software\Classes. The keys Windows
// derives at boot (CurrentControlSet, HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG) are added by
// OfflineRegistry; openHiveRegistry gives both together.
#include <memory>
#include <string>
#include <vector>

#include "platform/HiveFile.h"
#include "platform/RegistryStore.h"

namespace mrv {

class HiveRegistry : public RegistryStore {
 public:
  // Any path may be empty (that hive is not mounted). A hive that cannot be read adds one message
  // and stays unmounted; nothing else about it is ever reported.
  HiveRegistry(const std::string& softwareHive, const std::string& systemHive, const std::string& userHive,
               std::vector<std::string>& messages);
  ~HiveRegistry() override;

  std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) override;

  bool hasSoftware() const { return software_ != nullptr; }
  bool hasSystem() const { return system_ != nullptr; }
  bool hasUser() const { return user_ != nullptr; }

 private:
  std::shared_ptr<HiveFile> software_, system_, user_, userClasses_;
};

// HiveRegistry with the derived keys of a running Windows, as the program's other stores present them.
std::unique_ptr<RegistryStore> openHiveRegistry(const std::string& softwareHive, const std::string& systemHive,
                                                const std::string& userHive, std::vector<std::string>& messages);

}  // namespace mrv
