#include "platform/PlatformServices.h"

#include "platform/AtaDevice.h"
#include "platform/CpuSource.h"
#include "platform/Printers.h"
#include "platform/OsFacts.h"
#include "platform/DesktopPrograms.h"
#include "platform/RegistrySource.h"
#include "platform/RegistryStore.h"
#include "platform/Shell.h"
#include "platform/SystemServices.h"
#include "platform/Wmi.h"

namespace mrv {

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
  owned_->registry = openRegistrySource(sources, messages_);
  platform_.registry = owned_->registry.get();
  owned_->shell = openShell();
  platform_.shell = owned_->shell.get();
  owned_->cpu = openCpuSource(sources, message);
  note("Cpuid");
  platform_.cpu = owned_->cpu.get();
  owned_->ata = openAtaDevice(sources, message);
  note("Drives");
  platform_.ata = owned_->ata.get();
  owned_->system = openSystemServices(sources, platform_.registry, message);
  note("Registry");
  platform_.system = owned_->system.get();
  owned_->wmi = openWmiService(sources, message);
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
