#pragma once
// The registry of a Windows machine that is not running, put together from the stores that hold
// its parts (hive files, .reg exports). A running Windows derives some keys at boot; they are
// derived here the same way:
//   HKEY_LOCAL_MACHINE\System\CurrentControlSet  the control set named by System\Select\Current
//                                                (unless the store holds the key itself, as a
//                                                .reg export of a running machine does);
//   HKEY_CLASSES_ROOT    HKCU\Software\Classes over the store's own HKEY_CLASSES_ROOT over
//                        HKLM\Software\Classes (a key or value of an upper layer hides the lower);
//   HKEY_CURRENT_CONFIG  HKLM\System\CurrentControlSet\Hardware Profiles\Current.
// CurrentControlSet is not listed among the subkeys of HKLM\System: the installation holds it only
// as its numbered control set, and listing both would show every key there twice.
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace mrv {

class OfflineRegistry : public RegistryStore {
 public:
  // `machine` serves HKLM and HKU, and HKCU too when there is no `user` store; `user` serves HKCU.
  // Either may be null. A Select key naming a missing control set adds a message.
  OfflineRegistry(std::unique_ptr<RegistryStore> machine, std::unique_ptr<RegistryStore> user,
                  std::vector<std::string>& messages);

  std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) override;

  // The key CurrentControlSet stands for ("ControlSet001"); empty when the store holds
  // CurrentControlSet itself or there is none.
  const std::string& controlSet() const { return controlSet_; }

 private:
  std::unique_ptr<RegistryKey> openLayer(RootKey root, const std::vector<std::string>& parts);

  std::unique_ptr<RegistryStore> machine_, user_;
  std::string controlSet_;
};

// A key with no values and no subkeys: what a root of a store without data opens as.
std::unique_ptr<RegistryKey> makeEmptyKey();

// "\\A\\\\B\\" → "A\\B": no backslash at either end, none doubled.
std::string normalRegistryPath(std::string_view path);

// Joins path parts with backslashes.
std::string joinRegistryPath(const std::vector<std::string>& parts, std::size_t from = 0);

}  // namespace mrv
