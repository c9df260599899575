#pragma once
// Registry stores read from files rather than from a running Windows:
//   the machine part: a .reg export, or a folder holding a Windows installation (its
//     Windows\System32\config\SOFTWARE and SYSTEM hives, names matched in any letter case; a folder
//     that holds the two hive files directly is taken too);
//   the user part: an NTUSER.DAT hive or a .reg export, for HKEY_CURRENT_USER.
// Problems with the files (missing, unreadable, damaged hives, bad .reg lines) are appended to
// `messages`, once each, when the store is opened; reading it later never reports.
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"

namespace mrv {

// Null when nothing can be read from `path` (the messages say why).
std::unique_ptr<RegistryStore> openRecordedMachineRegistry(const std::string& path, std::vector<std::string>& messages);
std::unique_ptr<RegistryStore> openRecordedUserRegistry(const std::string& path, std::vector<std::string>& messages);

}  // namespace mrv
