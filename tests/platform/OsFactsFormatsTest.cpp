// The Linux installation facts read from sample texts of os-release, APT and CUPS.
// The Linux installation facts: Linux only.
#ifdef __linux__
#include <gtest/gtest.h>

#include "platform/linux/OsFactsFormats.h"

namespace mrv::linuxfacts {
namespace {

TEST(OsFactsFormats, OsReleaseNamesThePrettyNameElseNameAndVersion) {
  EXPECT_EQ(osReleaseName("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(osReleaseName("# comment\nNAME=Fedora\nVERSION='39 (Workstation \"Edition\")'\n"),
            "Fedora 39 (Workstation \"Edition\")");
  EXPECT_EQ(osReleaseName(""), "");
}

TEST(OsFactsFormats, AptHistoryGivesTheLatestUpgradeAndTheLastSuccess) {
  const char* log =
      "Start-Date: 2024-04-02  09:00:00\nCommandline: apt-get upgrade\nUpgrade: a:amd64 (1, 2)\n"
      "End-Date: 2024-04-02  09:01:00\n\n"
      "Start-Date: 2024-05-01  10:00:00\nCommandline: apt-get install b\nInstall: b:amd64 (1)\n"
      "End-Date: 2024-05-01  10:00:07\n\n"
      "Start-Date: 2024-05-03  08:00:00\nUpgrade: c:amd64 (1, 2)\nError: Sub-process /usr/bin/dpkg returned an error code (1)\n"
      "End-Date: 2024-05-03  08:00:09\n";
  const AptHistory h = parseAptHistory(log);
  EXPECT_EQ(h.latestUpgradeDay, "2024/05/03");
  EXPECT_EQ(h.lastSuccessEnd, "2024-05-01 10:00:07");
  EXPECT_EQ(parseAptHistory("").latestUpgradeDay, "");
  // a run cut off before its end counts as an upgrade, not as a success
  const AptHistory cut = parseAptHistory("Start-Date: 2024-06-01  10:00:00\nUpgrade: d:amd64 (1, 2)\n");
  EXPECT_EQ(cut.latestUpgradeDay, "2024/06/01");
  EXPECT_EQ(cut.lastSuccessEnd, "");
}

TEST(OsFactsFormats, UnattendedUpgradeSettingTakesTheLastUncommentedOne) {
  EXPECT_EQ(aptUnattendedUpgrade("APT::Periodic::Update-Package-Lists \"1\";\nAPT::Periodic::Unattended-Upgrade \"1\";\n"),
            std::optional<bool>(true));
  EXPECT_EQ(aptUnattendedUpgrade("APT::Periodic::Unattended-Upgrade \"1\";\nAPT::Periodic::Unattended-Upgrade \"0\";\n"),
            std::optional<bool>(false));
  EXPECT_EQ(aptUnattendedUpgrade("// APT::Periodic::Unattended-Upgrade \"1\";\n"), std::nullopt);
  EXPECT_EQ(aptUnattendedUpgrade("APT { Periodic { Update-Package-Lists \"1\"; }; };\n"), std::nullopt);
}

TEST(OsFactsFormats, CupsSharedPrintersAreThoseMarkedShared) {
  const char* conf =
      "<DefaultPrinter office>\nShared Yes\nState Idle\n</DefaultPrinter>\n"
      "<Printer label>\nShared No\n</Printer>\n<Printer hall>\nShared Yes\n</Printer>\n";
  EXPECT_EQ(cupsSharedPrinters(conf), (std::vector<std::string>{"office", "hall"}));
  EXPECT_TRUE(cupsSharedPrinters("<Printer x>\n</Printer>\n").empty());
}

}  // namespace
}  // namespace mrv::linuxfacts

#endif  // __linux__
