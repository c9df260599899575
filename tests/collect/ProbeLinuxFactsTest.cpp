// The text formats the Linux system service reads, and the facts an offline Windows registry gives.
#include <gtest/gtest.h>

#include "platform/SystemServicesNative.h"
#include "platform/replay/MemoryRegistry.h"
#ifndef _WIN32
#include "platform/linux/SystemServicesFormats.h"
#endif

using namespace mrv;

#ifndef _WIN32
using namespace mrv::linuxfacts;

TEST(LinuxFacts, SambaConfigurationNamesGroupAndShares) {
  const auto config = parseSambaConfig(
      "# comment\n"
      "[global]\n"
      "   Work Group = office\n"
      "   netbios name = reception-desk-pc-2\n"
      "   security = ADS\n"
      "[Public]\n  path = /srv/public\n"
      "[homes]\n  browseable = no\n"
      "[printers]\n  printable = yes\n"
      "[secret$]\n  path = /srv/s\n"
      "[hidden]\n  browsable = no\n"
      "[off]\n  available = no\n"
      "[laser]\n  print ok = yes\n"
      "[経理]\n  path = /srv/k \\\n  ; continued\n"
      "[public]\n  comment = merged into the first\n");
  ASSERT_NE(config.global(), nullptr);
  EXPECT_EQ(config.global()->get("workgroup"), "office");
  EXPECT_EQ(config.global()->get("Security"), "ADS");
  EXPECT_EQ(sambaDiskShares(config), (std::vector<std::string>{"Public", "経理"}));
  EXPECT_EQ(netbiosName(&config, "ignored"), "RECEPTION-DESK-PC-2");
  EXPECT_EQ(netbiosName(nullptr, "buildhost.example.com"), "BUILDHOST");
  // never cut: two hosts that share their first 15 characters keep names (and records) apart
  EXPECT_EQ(netbiosName(nullptr, "accounting-pc-011"), "ACCOUNTING-PC-011");
  EXPECT_EQ(netbiosName(nullptr, "accounting-pc-012.corp.example"), "ACCOUNTING-PC-012");
  const auto japanese = parseSambaConfig("[global]\nnetbios name = 経理部の受付パソコン\n");
  EXPECT_EQ(netbiosName(&japanese, ""), "経理部の受付パソコン");
  const auto unset = parseSambaConfig("[global]\nworkgroup = office\n");
  EXPECT_EQ(netbiosName(&unset, "pc7"), "PC7");
  EXPECT_EQ(usershareName("#VERSION 2\npath=/home/u/pub\nsharename=Pub Docs\n", "pub docs"), "Pub Docs");
  EXPECT_EQ(usershareName("path=/x\n", "music"), "music");
}

TEST(LinuxFacts, FixedDrivesFollowTheMountTableWithRootFirst) {
  const auto mounts = parseMountTable(
      "proc /proc proc rw 0 0\n"
      "/dev/sdb1 /data ext4 rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "//srv/share /mnt/share cifs rw 0 0\n"
      "/dev/sdc1 /media/usb vfat rw 0 0\n"
      "/dev/sda2 /var/lib/docker ext4 rw 0 0\n"
      "/dev/loop0 /snap/core squashfs ro 0 0\n"
      "/dev/sdd1 /mnt/my\\040disk xfs rw 0 0\n");
  ASSERT_EQ(mounts.size(), 9u);
  EXPECT_EQ(mounts[8].mountPoint, "/mnt/my disk");
  const auto drives = fixedDrives(mounts, [](const std::string& dev) { return dev == "/dev/sdc1"; });
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].mountPoint, "/");
  EXPECT_EQ(drives[1].mountPoint, "/data");
  EXPECT_EQ(drives[2].mountPoint, "/mnt/my disk");
  EXPECT_EQ(drives[2].fsType, "xfs");
  EXPECT_TRUE(fixedDrives(parseMountTable("garbage\n\n"), nullptr).empty());
}

TEST(LinuxFacts, PackageDatabaseAndDialUpPeersAndDocuments) {
  const auto packages = parseDpkgStatus(
      "Package: bash\nStatus: install ok installed\nVersion: 5.2.15-2\nDescription: shell\n more text\n\n"
      "Package: gone\nStatus: deinstall ok config-files\nVersion: 1.0\n\n"
      "Package: zlib1g\nStatus: install ok installed\nVersion: 1:1.2.13\n");
  EXPECT_EQ(packages, (std::vector<std::pair<std::string, std::string>>{{"bash", "5.2.15-2"}, {"zlib1g", "1:1.2.13"}}));
  EXPECT_EQ(pppPeerUser("# provider\nuser old\nnoauth\nuser \"office clerk\" # saved\n"), "office clerk");
  EXPECT_EQ(pppPeerUser("noauth\n# user commented\n"), "");
  EXPECT_EQ(xdgDocumentsDir("XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/文書\"\n", "/home/u"),
            "/home/u/文書");
  EXPECT_EQ(xdgDocumentsDir("XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/home/u"), "/srv/docs");
  EXPECT_EQ(xdgDocumentsDir("", "/home/u"), "");
}

TEST(LinuxFacts, SmbNegotiateAnswerGivesTheServerClock) {
  const std::string request = smb2NegotiateRequest();
  ASSERT_EQ(request.size(), 4u + 64 + 36 + 8);
  EXPECT_EQ(request.substr(4, 4), "\xFESMB");
  // An answer: session header, SMB2 header, NEGOTIATE response with SystemTime.
  std::string answer(4 + 64 + 65 + 7, '\0');
  answer.replace(4, 4, "\xFESMB");
  answer[4 + 64] = 65;
  // 2006-05-10 03:00:09 UTC as a FILETIME.
  const std::uint64_t ft = (1147230009ULL * 10000000ULL) + 116444736000000000ULL + 1234;
  for (int i = 0; i < 8; ++i) answer[4 + 64 + 40 + i] = static_cast<char>((ft >> (8 * i)) & 0xFF);
  TimeOfDayInfo tod;
  ASSERT_TRUE(smb2NegotiateTime(answer, tod));
  EXPECT_EQ(tod.year, 2006);
  EXPECT_EQ(tod.month, 5);
  EXPECT_EQ(tod.day, 10);
  EXPECT_EQ(tod.hours, 3);
  EXPECT_EQ(tod.mins, 0);
  EXPECT_EQ(tod.secs, 9);
  EXPECT_FALSE(smb2NegotiateTime(answer.substr(0, 100), tod));
  answer[4 + 8] = 1;  // an error status
  EXPECT_FALSE(smb2NegotiateTime(answer, tod));
  EXPECT_EQ(cifsServer("//fileserver/pcdata"), "fileserver");
  EXPECT_EQ(cifsServer("\\\\fileserver"), "fileserver");
  EXPECT_EQ(cifsServer("/dev/sda1"), "");
}
#endif

TEST(InstallationIdentity, NameGroupAndFoldersComeFromTheRegistry) {
  MemoryRegistry reg;
  const RootKey HKLM = RootKey::LocalMachine;
  // A hive file: no CurrentControlSet, Select\Current names the set.
  reg.setDword(HKLM, "SYSTEM\\Select", "Current", 2);
  reg.setString(HKLM, "SYSTEM\\ControlSet002\\Control\\ComputerName\\ComputerName", "ComputerName", "RECEPTION");
  reg.setString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\WINDOWS");
  auto id = readInstallationIdentity(reg);
  EXPECT_EQ(id.computerName, "RECEPTION");
  EXPECT_EQ(id.windowsDir, "C:\\WINDOWS");
  EXPECT_EQ(id.systemDir, "C:\\WINDOWS\\system32");
  EXPECT_FALSE(id.lanGroupKnown);

  reg.setString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "CachePrimaryDomain", "CORP");
  id = readInstallationIdentity(reg);
  EXPECT_TRUE(id.lanGroupKnown);
  EXPECT_TRUE(id.domainMember);
  EXPECT_EQ(id.lanGroup, "CORP");

  // The policy database, when present, names a workgroup as well.
  std::string polPrDmN = std::string("\x0C\x00\x0E\x00\x10\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\x00", 16) +
                         std::string("O\0F\0F\0I\0C\0E\0", 12) + std::string(2, '\0');
  reg.setValue(HKLM, "SECURITY\\Policy\\PolPrDmN", "", RegValue{kRegNone, polPrDmN});
  id = readInstallationIdentity(reg);
  EXPECT_TRUE(id.lanGroupKnown);
  EXPECT_FALSE(id.domainMember);
  EXPECT_EQ(id.lanGroup, "OFFICE");
}

#include <filesystem>
#include <fstream>

#include "collect/PeImageBuilder.h"
#include "collect/SystemProbes.h"
#include "platform/PlatformServices.h"
#include "collect/ValueTerms.h"

TEST(InstallationIdentity, AnOfflineInstallationServesItsFactsAndFiles) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("mrv-install-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(root);
  fs::create_directories(root / "Windows" / "System32");
  { std::ofstream(root / "Windows" / "System32" / "Tool.DLL") << "not a program"; }
  fs::create_directories(root / "Program Files" / "Viewer");
  {
    const std::string image = test::peImage(test::versionBlock(
        true, {test::str("OriginalFilename", "VIEWER.EXE"), test::str("FileVersion", "2.1.0.7")}));
    std::ofstream(root / "Program Files" / "Viewer" / "Viewer.exe", std::ios::binary) << image;
  }
  MemoryRegistry reg;
  const RootKey HKLM = RootKey::LocalMachine;
  reg.setString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName", "RECEPTION");
  reg.setString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\Windows");
  reg.setString(HKLM, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "CachePrimaryDomain", "CORP");
  Sources sources;
  sources.registry = root.string();
  std::string message;
  auto sys = openSystemServices(sources, &reg, message);
  ASSERT_TRUE(sys);
  EXPECT_EQ(ComputerNameText(*sys), "RECEPTION");
  EXPECT_EQ(WindowsFolder(*sys), "C:\\Windows\\");
  EXPECT_EQ(SystemFolder(*sys), "C:\\Windows\\system32");
  EXPECT_EQ(LanGroupName(*sys), "CORP");
  EXPECT_TRUE(IsDomainMember(*sys));
  EXPECT_TRUE(sys->fileExists("c:\\windows\\system32\\tool.dll"));
  EXPECT_FALSE(sys->fileExists("C:\\Windows\\System32\\missing.dll"));
  std::string bytes;
  EXPECT_TRUE(sys->readFile("\\WINDOWS\\SYSTEM32\\TOOL.DLL", bytes, 1024));
  EXPECT_EQ(bytes, "not a program");
  // Not a PE image: a file without version information.
  EXPECT_EQ(FileVersionText(*sys, "C:\\Windows\\System32\\Tool.dll", "FileVersion", ""), "");
  EXPECT_EQ(FileVersionText(*sys, "%ProgramFiles%\\viewer\\viewer.exe", "FileVersion ProductVersion",
                            "C:\\Program Files"),
            "viewer.exe 2.1.0.7");
  // the installation's name is a Windows name: read with GetComputerNameA's room of 16 characters
  reg.setString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName",
                "RECEPTION-DESK-2");
  auto longName = openSystemServices(sources, &reg, message);
  ASSERT_TRUE(longName);
  EXPECT_EQ(ComputerNameText(*longName), "Error!");
  fs::remove_all(root);
}
