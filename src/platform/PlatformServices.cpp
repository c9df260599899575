#include "platform/PlatformServices.h"

#include <filesystem>
#include <system_error>

#include "base/Text.h"
#include "base/Utf8Path.h"
#include "platform/AtaDevice.h"
#include "platform/CpuSource.h"
#include "platform/Printers.h"
#include "platform/OsFacts.h"
#include "platform/DesktopPrograms.h"
#include "platform/RegistryStore.h"
#include "platform/Shell.h"
#include "platform/SystemServices.h"
#include "platform/SystemServicesNative.h"
#include "platform/Wmi.h"
#include "platform/replay/CpuidDump.h"
#include "platform/replay/DriveDump.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/OfflineRegistry.h"
#include "platform/replay/RecordedRegistry.h"
#include "platform/WmiInstancesFile.h"

namespace mrv {

namespace {
// The messages added since `from`, as one reason.
std::string reasonSince(const std::vector<std::string>& messages, std::size_t from, const std::string& fallback) {
  std::string text;
  for (std::size_t i = from; i < messages.size(); ++i) text += (text.empty() ? "" : " ") + messages[i];
  return text.empty() ? fallback : text;
}
}  // namespace

std::unique_ptr<RegistryStore> openRegistrySource(const Sources& sources, std::vector<std::string>& messages,
                                                  std::vector<std::string>* failures) {
  if (sources.registry.empty() && sources.userRegistry.empty()) return openNativeRegistry();
  std::size_t before = messages.size();
  std::unique_ptr<RegistryStore> machine = sources.registry.empty()
                                               ? openNativeRegistry()
                                               : openRecordedMachineRegistry(sources.registry, messages);
  if (!sources.registry.empty() && !machine && failures)
    failures->push_back("Registry=" + sources.registry + " (" + reasonSince(messages, before, "cannot be opened") + ")");
  std::unique_ptr<RegistryStore> user;
  if (!sources.userRegistry.empty()) {
    before = messages.size();
    user = openRecordedUserRegistry(sources.userRegistry, messages);
    if (!user && failures)
      failures->push_back("UserRegistry=" + sources.userRegistry + " (" +
                          reasonSince(messages, before, "cannot be opened") + ")");
    // a user file that cannot be read leaves HKEY_CURRENT_USER empty rather than taken from elsewhere
    if (!user) user = std::make_unique<MemoryRegistry>();
  }
  return std::make_unique<OfflineRegistry>(std::move(machine), std::move(user), messages);
}

std::unique_ptr<CpuSource> openCpuSource(const Sources& sources, std::string& message) {
  message.clear();
  if (sources.cpuid.empty()) return openNativeCpuSource();
  return loadCpuidDump(sources.cpuid, message);
}

bool RecordDriveDumps(AtaDevice& real, const std::string& folder, std::string& report) {
  return writeDriveDumps(real, folder, report);
}

std::unique_ptr<AtaDevice> openAtaDevice(const Sources& sources, std::string& message) {
  if (sources.drives.empty()) return openNativeAtaDevice();
  return openDriveDumps(sources.drives, message);
}

namespace {

// The classes whose instances describe the installation rather than the hardware it runs on.
bool describesInstallation(std::string_view className) {
  return iequalsAscii(className, "Win32_OperatingSystem") || iequalsAscii(className, "Win32_ComputerSystem");
}

// The class a WQL query reads: the word after FROM.
std::string queriedClass(std::string_view wql) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : wql) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  for (std::size_t i = 0; i + 1 < words.size(); ++i)
    if (iequalsAscii(words[i], "FROM")) return words[i + 1];
  return {};
}

class InstallationWmiConnection : public WmiConnection {
 public:
  explicit InstallationWmiConnection(std::unique_ptr<WmiConnection> machine) : machine_(std::move(machine)) {}
  WmiObjectSet execQuery(std::string_view wql, int flags) override {
    if (describesInstallation(queriedClass(wql))) return {};
    return machine_->execQuery(wql, flags);
  }
  WmiObjectSet instancesOf(std::string_view className, int flags) override {
    if (describesInstallation(className)) return {};
    return machine_->instancesOf(className, flags);
  }

 private:
  std::unique_ptr<WmiConnection> machine_;
};

class InstallationWmi : public WmiService {
 public:
  explicit InstallationWmi(std::unique_ptr<WmiService> machine) : machine_(std::move(machine)) {}
  std::unique_ptr<WmiConnection> connectServer(std::string_view server, std::string_view nameSpace) override {
    return std::make_unique<InstallationWmiConnection>(machine_->connectServer(server, nameSpace));
  }

 private:
  std::unique_ptr<WmiService> machine_;
};

}  // namespace

std::unique_ptr<WmiService> installationWmi(std::unique_ptr<WmiService> machine) {
  if (!machine) return nullptr;
  return std::make_unique<InstallationWmi>(std::move(machine));
}

std::unique_ptr<WmiService> openWmiService(const Sources& sources, std::string& message) {
  if (!sources.wmi.empty()) return openWmiInstancesFile(sources.wmi, message);
  // another installation's own facts come from its registry, or are empty: never from this machine
  if (!sources.registry.empty()) return installationWmi(openNativeWmiService());
  return openNativeWmiService();
}

std::unique_ptr<SystemServices> openSystemServices(const Sources& sources, RegistryStore* registry,
                                                   std::string& message, bool* identityMissing) {
  if (identityMissing) *identityMissing = false;
  auto machine = openNativeSystemServices(message);
  if (sources.registry.empty() || !registry || !machine) return machine;
  std::error_code ec;
  std::string root;
  if (std::filesystem::is_directory(pathFromUtf8(sources.registry), ec)) root = sources.registry;
  InstallationIdentity id = readInstallationIdentity(*registry);
  if (id.computerName.empty() && !root.empty()) {
    // a whole installation without its name: its facts would be filed under this machine's
    message = "The configured Windows installation holds no computer name.";
    if (identityMissing) *identityMissing = true;
  } else if (id.computerName.empty()) {
    // an export of a few keys names no PC: it is read as this machine's
    message = "The configured Windows registry holds no computer name; this machine's name is used.";
  }
  return overlayInstallation(std::move(machine), std::move(id), std::move(root));
}

std::unique_ptr<Shell> openShell() { return openNativeShell(); }

struct PlatformServices::Owned {
  std::unique_ptr<RegistryStore> registry;
  std::unique_ptr<Shell> shell;
  std::unique_ptr<CpuSource> cpu;
  std::unique_ptr<AtaDevice> ata;
  std::unique_ptr<SystemServices> system;
  std::unique_ptr<WmiService> wmi;
  std::unique_ptr<PrinterService> printers;
  std::unique_ptr<OsFacts> os;
  std::unique_ptr<DesktopPrograms> desktop;
};

PlatformServices::PlatformServices(const Sources& sources) : owned_(std::make_unique<Owned>()) {
  std::string message;
  auto note = [&](const char* what) {
    if (!message.empty()) messages_.push_back(std::string(what) + ": " + message);
    message.clear();
  };
  // a configured source that is not there at all is a failure of the run, not a quiet fallback
  auto noteFailure = [&](const char* key, const std::string& value, bool failed) {
    if (failed)
      failures_.push_back(std::string(key) + "=" + value + " (" + (message.empty() ? "cannot be opened" : message) + ")");
  };
  owned_->registry = openRegistrySource(sources, messages_, &failures_);
  const bool registryFailed = !failures_.empty();
  platform_.registry = owned_->registry.get();
  owned_->shell = openShell();
  platform_.shell = owned_->shell.get();
  owned_->cpu = openCpuSource(sources, message);
  noteFailure("Cpuid", sources.cpuid, !sources.cpuid.empty() && !owned_->cpu);
  note("Cpuid");
  platform_.cpu = owned_->cpu.get();
  owned_->ata = openAtaDevice(sources, message);
  noteFailure("Drives", sources.drives, !sources.drives.empty() && !owned_->ata);
  note("Drives");
  platform_.ata = owned_->ata.get();
  bool identityMissing = false;
  owned_->system = openSystemServices(sources, platform_.registry, message, &identityMissing);
  // the record would carry this machine's name over another installation's facts; a registry that
  // did not open at all has said so already
  if (registryFailed) message.clear();
  noteFailure("Registry", sources.registry, identityMissing && !registryFailed);
  note("Registry");
  platform_.system = owned_->system.get();
  owned_->wmi = openWmiService(sources, message);
  noteFailure("Wmi", sources.wmi, !sources.wmi.empty() && !owned_->wmi);
  note("Wmi");
  platform_.wmi = owned_->wmi.get();
  owned_->printers = openPrinterService(sources, platform_.registry);
  platform_.printers = owned_->printers.get();
  owned_->os = openOsFacts();
  platform_.os = owned_->os.get();
  owned_->desktop = openDesktopPrograms();
  platform_.desktop = owned_->desktop.get();
}

PlatformServices::~PlatformServices() = default;

}  // namespace mrv
