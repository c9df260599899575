#include "collect/InstallationFacts.h"

#include <exception>

#include "base/Text.h"
#include "collect/RegistryInstallation.h"
#include "collect/SystemProbes.h"
#include "collect/TRegistryEx.h"
#include "collect/ValueTerms.h"

namespace mrv {

namespace {

std::string registryFileTypeProgram(const Platform& platform, std::string_view fileType) {
  TRegistryEx reg(platform.registry);
  return ExePathOfFileType(reg, fileType);
}

// HKLM\Software\Microsoft\Windows\CurrentVersion ProgramFilesDir (else ProgramFilesPath); a quoted
// value gives the text between its first two quotes.
std::string registryProgramFilesFolder(const Platform& platform) {
  TRegistryEx reg(platform.registry);
  std::string folder;
  try {
    reg.setRootKey(RootKey::LocalMachine);
    if (reg.openKeyReadOnly("\\Software\\Microsoft\\Windows\\CurrentVersion")) {
      folder = reg.readString("ProgramFilesDir");
      if (folder.empty()) folder = reg.readString("ProgramFilesPath");
    }
    reg.closeKey();
  } catch (const std::exception&) {
    folder.clear();  // a value of another type names no folder
  }
  if (startsWith(folder, "\"")) {
    const auto close = folder.find('"', 1);
    folder = folder.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return folder;
}

}  // namespace

const InstallationFacts kRegistryInstallation = {
    "registry",
    RegistryOwnerRows,
    RegistryWindowsName,
    RegistryWindowsUpdate,
    RegistryInstallDate,
    RegistryProductId,
    RegistryInternetExplorer,
    RegistryAntivirus,
    RegistryNetworkComponents,
    RegistryPrinterDriverPort,
    registryFileTypeProgram,
    registryProgramFilesFolder,
};

const InstallationFacts& InstallationFactsOf(const Platform& platform) {
  return platform.registry ? kRegistryInstallation : kSystemInstallation;
}

const InstallationFacts& CollectionContext::installation() const { return InstallationFactsOf(platform); }

}  // namespace mrv
