#pragma once
// The platform services one run of the program uses, filled by the program's entry from the INI
// file's [Sources] and handed down. A null service is one this machine does not have.
namespace mrv {

class RegistryStore;
class WmiService;
class CpuSource;
class AtaDevice;
class SystemServices;
class Shell;
class PrinterService;
class OsFacts;
class DesktopPrograms;

struct Platform {
  RegistryStore* registry = nullptr;
  WmiService* wmi = nullptr;
  CpuSource* cpu = nullptr;
  AtaDevice* ata = nullptr;
  SystemServices* system = nullptr;
  Shell* shell = nullptr;
  PrinterService* printers = nullptr;  // also the list the custom items' #printers line reads
  OsFacts* os = nullptr;  // the installation's own facts where no registry holds them (Linux)
  DesktopPrograms* desktop = nullptr;  // programs of file types where no Windows registry has them
};

}  // namespace mrv
