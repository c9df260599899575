#pragma once
// Pieces of the system service that the operating-system implementations and the installation
// overlay share. Not for the core: it uses openSystemServices (SystemServices.h).
#include <memory>
#include <string>

#include "platform/SystemServices.h"

namespace mrv {

// The service of the machine running the program (linux/ or win32/).
std::unique_ptr<SystemServices> openNativeSystemServices(std::string& message);

// Identity facts an offline Windows registry holds; empty texts when it does not hold them.
struct InstallationIdentity {
  std::string computerName;
  std::string lanGroup;       // workgroup or domain
  bool lanGroupKnown = false;
  bool domainMember = false;
  std::string windowsDir;     // "C:\WINDOWS", no trailing backslash
  std::string systemDir;      // "C:\WINDOWS\system32"
};
InstallationIdentity readInstallationIdentity(RegistryStore& registry);

// Wraps the machine's service so that the identity facts come from the installation and Windows
// paths are mapped into `installationRoot` (the folder holding its C: drive; "" for a registry
// export without files).
std::unique_ptr<SystemServices> overlayInstallation(std::unique_ptr<SystemServices> machine,
                                                    InstallationIdentity identity, std::string installationRoot);

}  // namespace mrv
