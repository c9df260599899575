#pragma once
// Opens every platform service of one run from the [Sources] settings and owns them. This is the
// one place that chooses, for each service, between the machine's own (offered by linux/ or
// win32/) and a recorded one (replay/): an empty [Sources] entry means the machine itself.
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Sources.h"

namespace mrv {

class PlatformServices {
 public:
  explicit PlatformServices(const Sources& sources);
  ~PlatformServices();
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;

  const Platform& platform() const { return platform_; }
  // What went wrong while opening a configured source (a missing dump, a corrupt hive, …).
  const std::vector<std::string>& messages() const { return messages_; }
  // The configured sources that could not be opened at all, each with its reason (also among the
  // messages). A run with any of them would describe a mix of two PCs — another installation's
  // facts under this machine's name — so a batch run saves nothing then.
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  struct Owned;
  std::unique_ptr<Owned> owned_;
  Platform platform_;
  std::vector<std::string> messages_;
  std::vector<std::string> failures_;
};

// One service at a time, chosen the same way (for support commands, tools and tests).

// Registry= names a .reg export or a folder holding a Windows installation, UserRegistry= an
// NTUSER.DAT hive or a .reg export for HKEY_CURRENT_USER (see replay/RecordedRegistry.h). With
// neither, the machine's own registry (none on Linux: null, every key missing). Problems with the
// configured files are appended to `messages` once each, when the registry is opened; a configured
// file that cannot be opened at all also adds its reason to `failures`, when given.
std::unique_ptr<RegistryStore> openRegistrySource(const Sources& sources, std::vector<std::string>& messages,
                                                  std::vector<std::string>* failures = nullptr);

// Cpuid= a recorded CPUID dump, or this machine's processor. Null when the dump cannot be used;
// `message` then says why.
std::unique_ptr<CpuSource> openCpuSource(const Sources& sources, std::string& message);

// Drives= a folder of drive dumps, or this machine's own disks. Null, with `message` set, when the
// source cannot be used.
std::unique_ptr<AtaDevice> openAtaDevice(const Sources& sources, std::string& message);

// Records every drive of `real` into a folder of drive dumps, which Drives= reads back.
bool RecordDriveDumps(AtaDevice& real, const std::string& folder, std::string& report);

// Wmi= a WMI instances file (see docs/wmi-instances.md), or this machine's WMI (the system's on
// Windows, the machine's own provider on Linux; with Registry= configured, installationWmi of it).
// Null with a message when it cannot be opened.
std::unique_ptr<WmiService> openWmiService(const Sources& sources, std::string& message);

// The system service of this machine. With Registry= naming a Windows installation (a folder, or
// a registry export) and its store given, the identity facts that installation holds (computer
// name, workgroup or domain, Windows and System folders) come from it, and Windows paths are
// mapped into the installation's folder; hardware facts always come from this machine. `message`
// receives a note when the configured installation cannot be used, or when a registry export names
// no computer (this machine's name stands in for it); `identityMissing`, when given, is set when an
// installation folder holds no computer name (its facts must not go under this machine's name).
std::unique_ptr<SystemServices> openSystemServices(const Sources& sources, RegistryStore* registry,
                                                   std::string& message, bool* identityMissing = nullptr);

// The WMI a configured Windows registry is read with when no Wmi= file is: this machine's, except
// that the classes describing an installation (Win32_OperatingSystem, Win32_ComputerSystem) have
// no instances, as this machine would describe itself there. Hardware classes answer as they are.
std::unique_ptr<WmiService> installationWmi(std::unique_ptr<WmiService> machine);

// The desktop's shell (there is no recorded one).
std::unique_ptr<Shell> openShell();

}  // namespace mrv
