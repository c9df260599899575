// Prints every system probe's answer on this machine.
// Usage: probes [--server \\NAME-or-folder] [--file PATH ...]
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ui/MemoryViews.h"
#include "collect/RasProbes.h"
#include "collect/SystemProbes.h"
#include "platform/SystemServices.h"
#include "platform/PlatformServices.h"
#include "collect/ValueTerms.h"
#include "collect/InstalledPrograms.h"

using namespace mrv;

int main(int argc, char** argv) {
  std::string server;
  std::vector<std::string> files;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string opt = argv[i];
    if (opt == "--server") server = argv[i + 1];
    else if (opt == "--file") files.push_back(argv[i + 1]);
  }
  std::string message;
  auto sys = openSystemServices(Sources{}, nullptr, message);
  if (!message.empty()) std::cerr << message << "\n";
  if (!sys) return 1;
  ConsoleDialogs dialogs;
  auto show = [](const std::string& name, const std::string& value) { std::cout << name << ": " << value << "\n"; };

  show("ComputerNameText", ComputerNameText(*sys));
  show("UserNameText", UserNameText(*sys));
  show("NetUserNameText", NetUserNameText(*sys));
  show("LanGroupName", LanGroupName(*sys));
  show("IsDomainMember", IsDomainMember(*sys) ? "true" : "false");
  show("PhysicalMemoryMB", PhysicalMemoryMB(*sys));
  show("PageFileMB", PageFileMB(*sys));
  show("LocalDateTimeText", LocalDateTimeText(*sys));
  show("MyDocumentsFolder", MyDocumentsFolder(*sys));
  show("WindowsFolder", WindowsFolder(*sys));
  show("SystemFolder", SystemFolder(*sys));
  for (int n = 3; n <= 5; ++n) {
    const auto d = DriveInfo(*sys, n);
    show(std::string("DriveInfo(") + static_cast<char>(n + 64) + ":)",
         "total=" + d.totalMB + " free=" + d.freeMB + " fs=" + d.fileSystem);
  }
  HostAddress(*sys, dialogs, "");
  const std::string host = HostNameText(*sys);
  show("HostName", host);
  show("HostAddress", HostAddress(*sys, dialogs, host));
  show("PadIpAddress", "[" + PadIpAddress(HostAddress(*sys, dialogs, host)) + "]");
  try {
    show("RemoteTimeOfDay(\"\")", RemoteTimeOfDay(*sys, ""));
  } catch (const std::exception& e) {
    show("RemoteTimeOfDay(\"\")", std::string("raised: ") + e.what());
  }
  if (!server.empty()) {
    try {
      show("RemoteTimeOfDay(" + server + ")", RemoteTimeOfDay(*sys, server));
    } catch (const std::exception& e) {
      show("RemoteTimeOfDay(" + server + ")", std::string("raised: ") + e.what());
    }
  }
  show("RasEntryList", RasEntryList(*sys));
  std::vector<std::string> shares;
  SharedFolderList(*sys, shares);
  for (const auto& s : shares) show("SharedFolderList", s);
  std::vector<std::string> processes;
  ProcessList(*sys, processes);
  std::string first;
  for (std::size_t i = 0; i < processes.size() && i < 8; ++i) first += (i ? ", " : "") + processes[i];
  show("ProcessList", std::to_string(processes.size()) + " processes: " + first + (processes.size() > 8 ? ", ..." : ""));
  show("IsAdminUser", IsAdminUser(*sys) ? "AdminUser" : "Non-AdminUser");
  show("HoursFromStart", std::to_string(sys->getTickCount() / 3600 / 1000));
  for (const auto& f : files) show("FileVersionText(" + f + ")", FileVersionText(*sys, f, "FileVersion ProductVersion", ""));
  CollectionState state(nullptr);
  InstalledSoftwareList(state, *sys);
  show("InstalledSoftwareList", std::to_string(state.installed.size()) + " programs, " +
                                    std::to_string(state.patches.size()) + " patches");
  for (std::size_t i = 0; i < state.installed.size() && i < 5; ++i) show("  installed", "[" + state.installed[i] + "]");
  return 0;
}
