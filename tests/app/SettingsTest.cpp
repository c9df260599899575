// The settings of a run: read once from the configuration file, [General] and [Sources].
#include <gtest/gtest.h>

#include <fstream>

#include "app/Settings.h"
#include "support/RegistryFixtures.h"

namespace mrv {
namespace {

TEST(Settings, SaveDirAndSourcesComeFromOneRead) {
  testing::TempDir dir;
  const std::string ini = dir.file("mervana.ini");
  std::ofstream(ini) << "[General]\r\nSaveDir=\\\\SRV\\pcdata\\\r\n[Sources]\r\nRegistry=/mnt/win\r\n"
                        "UserRegistry=/mnt/win/NTUSER.DAT\r\nWmi=pc.wmi\r\nCpuid=pc.cpuid\r\nDrives=dumps\r\n";
  const Settings s = ReadSettings(ini);
  EXPECT_EQ(s.saveDir, "\\\\SRV\\pcdata");
  EXPECT_EQ(s.sources.registry, "/mnt/win");
  EXPECT_EQ(s.sources.userRegistry, "/mnt/win/NTUSER.DAT");
  EXPECT_EQ(s.sources.wmi, "pc.wmi");
  EXPECT_EQ(s.sources.cpuid, "pc.cpuid");
  EXPECT_EQ(s.sources.drives, "dumps");
  const Settings none = ReadSettings(dir.file("missing.ini"));
  EXPECT_EQ(none.saveDir, "");
  EXPECT_EQ(none.sources.registry, "");
  EXPECT_EQ(ReadSettings(dir.path()).saveDir, "");  // a folder is no configuration file
}

}  // namespace
}  // namespace mrv
