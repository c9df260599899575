// What a run takes from a configured Windows registry (an export, or an installation folder) and
// what it still asks this machine.
#include <gtest/gtest.h>

#include "collect/SystemProbes.h"
#include "collect/WmiQuery.h"
#include "platform/PlatformServices.h"
#include "platform/SystemServices.h"
#include "platform/Wmi.h"
#include "support/RegistryFixtures.h"

namespace mrv {
namespace {

using namespace mrv::testing;

constexpr RootKey HKLM = RootKey::LocalMachine;
constexpr char kNoNameWarning[] = "holds no computer name; this machine's name is used";

std::unique_ptr<WmiService> recordedWmi() {
  Sources sources;
  sources.wmi = MERVANA_SOURCE_DIR "/tests/data/wmi/office-pc-2006.txt";
  std::string message;
  auto wmi = openWmiService(sources, message);
  EXPECT_TRUE(wmi) << message;
  return wmi;
}

// The operating system and the computer system describe the installation; this machine's WMI
// would answer them for itself. Its hardware classes still answer.
TEST(InstallationSources, ThisMachinesWmiAnswersNoInstallationClasses) {
  auto wmi = installationWmi(recordedWmi());
  ASSERT_TRUE(wmi);
  EXPECT_EQ(WmiOsProperty(wmi.get(), "Caption"), "");
  EXPECT_EQ(WmiOsProperty(wmi.get(), "CSDVersion"), "");
  EXPECT_EQ(WmiComputerModel(wmi.get()), "");
  for (std::string_view asked : {"Win32_OperatingSystem", "SELECT * FROM win32_computersystem",
                                  "SELECT Caption FROM Win32_OperatingSystem WHERE Primary = TRUE"}) {
    int count = -1;
    WmiTable table;
    EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", asked, count, table), 0) << asked;
    EXPECT_EQ(count, 0) << asked;
  }
  EXPECT_EQ(WmiProcessorProperty(wmi.get(), "L2CacheSize"), "1024");
  EXPECT_EQ(WmiBiosVersion(wmi.get()), "0802 v2.3");
  EXPECT_EQ(WmiMemorySpeed(wmi.get()), "400");
}

TEST(InstallationSources, AConfiguredRegistryWithoutAWmiFileDoesNotTakeThisMachinesSystem) {
  TempDir dir;
  writeBytes(dir.file("pc.reg"),
             regExportBytes({strValue(HKLM, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName",
                                      "ComputerName", "RECEPTION")}));
  std::string message;
  auto machine = openWmiService(Sources{}, message);
  const std::string own = WmiOsProperty(machine.get(), "Caption");
  if (own.empty()) GTEST_SKIP() << "this machine's WMI names no operating system";
  Sources sources;
  sources.registry = dir.file("pc.reg");
  PlatformServices services(sources);
  EXPECT_EQ(WmiOsProperty(services.platform().wmi, "Caption"), "");
  // a recorded WMI file is that PC's own: it answers everything
  sources.wmi = MERVANA_SOURCE_DIR "/tests/data/wmi/office-pc-2006.txt";
  PlatformServices recorded(sources);
  EXPECT_EQ(WmiOsProperty(recorded.platform().wmi, "Caption"), "Microsoft Windows XP Professional");
}

// An export of a few keys (to try an item definition file) names no PC: the run uses it under this
// machine's name and says so.
TEST(InstallationSources, AnExportWithoutAComputerNameIsUsedUnderThisMachinesName) {
  TempDir dir;
  writeBytes(dir.file("few-keys.reg"), regExportBytes({strValue(HKLM, "SOFTWARE\\Vendor\\App", "Version", "2.0")}));
  Sources sources;
  sources.registry = dir.file("few-keys.reg");
  PlatformServices services(sources);
  EXPECT_TRUE(services.failures().empty()) << services.failures().front();
  ASSERT_EQ(services.messages().size(), 1u);
  EXPECT_NE(services.messages()[0].find(kNoNameWarning), std::string::npos) << services.messages()[0];
  std::string message;
  auto machine = openSystemServices(Sources{}, nullptr, message);
  ASSERT_TRUE(machine && services.platform().system);
  EXPECT_EQ(ComputerNameText(*services.platform().system), ComputerNameText(*machine));
}

#ifdef MERVANA_HIVEX
// An installation folder is a whole PC: without its name its facts would be filed under this one's.
TEST(InstallationSources, AnInstallationFolderWithoutAComputerNameIsRefused) {
  TempDir dir;
  std::vector<RegEntry> entries = {strValue(HKLM, "SOFTWARE\\Vendor\\App", "Version", "2.0"),
                                   dwordValue(HKLM, "SYSTEM\\Select", "Current", 1)};
  writeInstallation(entries, dir.file("unnamed"));
  Sources sources;
  sources.registry = dir.file("unnamed");
  PlatformServices unnamed(sources);
  ASSERT_EQ(unnamed.failures().size(), 1u);
  EXPECT_NE(unnamed.failures()[0].find("Registry="), std::string::npos) << unnamed.failures()[0];
  EXPECT_NE(unnamed.failures()[0].find("no computer name"), std::string::npos) << unnamed.failures()[0];

  entries.push_back(strValue(HKLM, "SYSTEM\\ControlSet001\\Control\\ComputerName\\ComputerName", "ComputerName",
                             "RECEPTION"));
  writeInstallation(entries, dir.file("named"));
  sources.registry = dir.file("named");
  PlatformServices named(sources);
  EXPECT_TRUE(named.failures().empty()) << named.failures().front();
  EXPECT_EQ(ComputerNameText(*named.platform().system), "RECEPTION");
}
#endif

}  // namespace
}  // namespace mrv
