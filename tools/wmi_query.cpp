// wmi_query: asks WMI what the program would ask and prints the texts it would get.
//
//   wmi_query [--file INSTANCES] "SELECT Name FROM Win32_Processor"   one query or class name, as a table
//   wmi_query [--file INSTANCES] --canned                              every canned hardware query
//   wmi_query [--file INSTANCES] --record OUT                          record the classes into an instances file
//
// Without --file the machine itself answers (WMI on Windows, the Linux provider on Linux).
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "collect/WmiQuery.h"
#include "platform/PlatformServices.h"
#include "platform/Wmi.h"
#include "platform/WmiInstancesFile.h"
#ifdef __linux__
#include "platform/linux/WmiLinux.h"
#endif

using namespace mrv;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: wmi_query [--file INSTANCES] QUERY-OR-CLASS\n"
               "       wmi_query [--file INSTANCES] --canned\n"
               "       wmi_query [--file INSTANCES] --record OUT\n");
  return 2;
}

void printTable(WmiService* wmi, const std::string& query) {
  int count = 0;
  WmiTable table;
  const int result = WmiQueryTable(wmi, "", "root\\CIMV2", query, count, table);
  std::printf("result %d, instances %d\n", result, count);
  for (std::size_t k = 1; k < table.size(); ++k) {
    std::printf("[%s]\n", table[k][0].c_str());
    for (std::size_t c = 1; c < table[k].size() && c < table[0].size(); ++c)
      std::printf("  %s = %s\n", table[0][c].c_str(), table[k][c].c_str());
  }
}

void printCanned(WmiService* wmi) {
  auto show = [](const char* name, const std::string& text) { std::printf("%-36s \"%s\"\n", name, text.c_str()); };
  show("WmiMotherboard", WmiMotherboard(wmi));
  show("WmiBiosVersion", WmiBiosVersion(wmi));
  show("WmiDiskModel(0)", WmiDiskModel(wmi, 0));
  show("WmiDiskSerial(0)", WmiDiskSerial(wmi, 0));
  show("WmiProcessorProperty(Name)", WmiProcessorProperty(wmi, "Name"));
  show("WmiProcessorProperty(L2CacheSize)", WmiProcessorProperty(wmi, "L2CacheSize"));
  show("WmiProcessorProperty(ProcessorId)", WmiProcessorProperty(wmi, "ProcessorId"));
  show("WmiOsProperty(Caption)", WmiOsProperty(wmi, "Caption"));
  show("WmiOsProperty(CSDVersion)", WmiOsProperty(wmi, "CSDVersion"));
  show("WmiComputerModel", WmiComputerModel(wmi));
  show("WmiOpticalDrive", WmiOpticalDrive(wmi));
  show("WmiMemoryCapacity", WmiMemoryCapacity(wmi));
  show("WmiMemoryModules", WmiMemoryModules(wmi));
  show("WmiMemorySpeed", WmiMemorySpeed(wmi));
}

int record(const std::string& file, const std::string& out) {
  std::unique_ptr<WmiClassProvider> provider;
  if (!file.empty()) {
    std::vector<WmiClass> classes;
    std::string error;
    if (!readWmiInstancesFile(file, classes, error)) {
      std::fprintf(stderr, "wmi_query: %s\n", error.c_str());
      return 1;
    }
    provider = std::make_unique<WmiReplayProvider>(std::move(classes));
  } else {
#ifdef __linux__
    provider = std::make_unique<LinuxWmiProvider>();
#else
    std::fprintf(stderr, "wmi_query: recording needs the Linux provider or --file\n");
    return 1;
#endif
  }
  std::vector<WmiClass> classes;
  for (const auto& name : provider->classNames()) {
    WmiClass c;
    if (provider->loadClass(name, c)) classes.push_back(std::move(c));
  }
  if (!writeWmiInstancesFile(out, classes)) {
    std::fprintf(stderr, "wmi_query: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("recorded %zu classes into %s\n", classes.size(), out.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Sources sources;
  std::size_t i = 0;
  if (i + 1 < args.size() && args[i] == "--file") {
    sources.wmi = args[i + 1];
    i += 2;
  }
  if (i >= args.size()) return usage();
  if (args[i] == "--record") return i + 1 < args.size() ? record(sources.wmi, args[i + 1]) : usage();

  std::string message;
  std::unique_ptr<WmiService> wmi = openWmiService(sources, message);
  if (!wmi) {
    std::fprintf(stderr, "wmi_query: %s\n", message.c_str());
    return 1;
  }
  if (args[i] == "--canned") {
    printCanned(wmi.get());
  } else {
    printTable(wmi.get(), args[i]);
  }
  return 0;
}
