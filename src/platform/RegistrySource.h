#pragma once
// Chooses the registry the program reads, from the INI file's [Sources] entries:
//   Registry=      a .reg export, or a folder holding a Windows installation (its
//                  Windows\System32\config\SOFTWARE and SYSTEM hives, names matched in any letter
//                  case; a folder that holds the two hive files directly is taken too);
//   UserRegistry=  an NTUSER.DAT hive or a .reg export, for HKEY_CURRENT_USER.
// With neither entry the machine's own registry is read: the registry API on Windows, none
// elsewhere (null: every key is missing).
#include <memory>
#include <string>
#include <vector>

#include "platform/RegistryStore.h"
#include "platform/Sources.h"

namespace mrv {

// Problems with the configured files (missing, unreadable, damaged hives, bad .reg lines) are
// appended to `messages`, once each, when the registry is opened; reading it later never reports.
std::unique_ptr<RegistryStore> openRegistrySource(const Sources& sources, std::vector<std::string>& messages);

#ifdef _WIN32
// The running machine's registry through the registry API (platform/win32/WinRegistry.cpp).
std::unique_ptr<RegistryStore> openWindowsRegistry();
#endif

}  // namespace mrv
