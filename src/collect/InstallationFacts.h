#pragma once
// Where this machine's installation facts come from, chosen in one place for the whole run: a
// Windows registry (this PC's own, an offline installation's hive files or a .reg export, all
// behind the platform's RegistryStore), or, where there is none, what the system says of itself
// (platform/OsFacts.h, its printers, its package database and its antivirus files).
//
// The rows these facts fill ask the chosen source and never look for a registry themselves. The
// registry's answers are written beside the other rules of their families (IdentityItems,
// WindowsItems, PrinterItems, Antivirus, ComponentItems, declared in RegistryInstallation.h); the
// system's are in SystemInstallation.cpp.
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

struct InstallationFacts {
  using Rows = std::vector<std::string> (*)(CollectionContext&);

  std::string_view source;  // "registry" or "system"
  Rows ownerRows;           // 9 to 11 of an NT family: server comment, registered owner, organisation
  Rows windowsName;         // 30, 31: product name, version
  Rows windowsUpdate;       // 32 to 34: latest update, last successful update, automatic updates
  Rows installDate;         // 36
  Rows productId;           // 37, 38: product ID and key
  Rows internetExplorer;    // 39, 40
  Rows antivirus;           // 78 to 84
  Rows networkComponents;   // 85 to 88, found by the four search texts
  // The default printer's driver and port (rows 43 and 44); raises when they cannot be read.
  void (*printerDriverPort)(CollectionContext&, const std::string& printer, std::string& driver, std::string& port);

  // The program files of a file type open with ("" when none is registered, "Error!" when the
  // service fails), and the folder %programfiles% stands for ("" where there is none).
  std::string (*fileTypeProgram)(const Platform&, std::string_view fileType);
  std::string (*programFilesFolder)(const Platform&);
};

extern const InstallationFacts kRegistryInstallation;
extern const InstallationFacts kSystemInstallation;

// The one choice: the registry when the run has one, the system's own facts otherwise.
const InstallationFacts& InstallationFactsOf(const Platform& platform);

}  // namespace mrv
