// Whole standard blocks of recorded PCs: a registry export, a WMI instances file and a CPUID dump
// stand for the PC's Windows and hardware, a scripted system service for its session. The 90
// rows, written as the record file is (Shift-JIS, CR LF), must match the checked-in file byte for
// byte. Set MERVANA_UPDATE_EXPECTED=1 to rewrite the expected files after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "disk/DiskHealthItems.h"
#include "collect/FakeSystemServices.h"
#include "collect/StandardCollection.h"
#include "platform/CpuSource.h"
#include "platform/TextFiles.h"
#include "platform/PlatformServices.h"
#include "platform/SystemServicesNative.h"
#include "platform/Wmi.h"
#include "support/RegistryFixtures.h"
#include "ui/MemoryViews.h"
#include "support/TestEnv.h"
#include "support/FileBytes.h"

namespace mrv {
namespace {

const std::string kData = std::string(MERVANA_SOURCE_DIR) + "/tests/data/";

// The office PC's session as the running machine would answer it.
void officeSession(test::FakeSystemServices& sys) {
  sys.computerName = "SOUMU-PC07";
  sys.userName = "tanaka";
  sys.netUser = "tanaka";
  sys.lanGroup = "SOUMU";
  sys.joinStatus = 2;
  sys.memory = MemoryStatus{(1023ull << 20) + 300000, 2463ull << 20};
  sys.now = {2006, 11, 20, 9, 15, 3};
  sys.documents = "C:\\Documents and Settings\\tanaka\\My Documents";
  sys.windowsDir = "C:\\WINDOWS";
  sys.systemDir = "C:\\WINDOWS\\system32";
  sys.hostName = "soumu-pc07";
  sys.hosts["soumu-pc07"] = {192, 168, 1, 37};
  sys.driveTypes = {{"C:\\", kDriveFixed}, {"D:\\", kDriveFixed}};
  sys.fileSystems = {{"C:\\", "NTFS"}, {"D:\\", "NTFS"}};
  sys.space = {{"C:\\", {12345ull << 20, 38154ull << 20}}, {"D:\\", {40000ull << 20, 38154ull << 21}}};
  sys.admin = false;
  sys.ticks = 3u * 3600u * 1000u + 59u * 60u * 1000u;
  sys.rasEntries = {{"Office", std::string("clerk1")}, {"Home", std::string()}};
}

struct RecordedPc {
  std::unique_ptr<RegistryStore> registry;
  std::unique_ptr<WmiService> wmi;
  std::unique_ptr<CpuSource> cpu;
  std::unique_ptr<SystemServices> system;
  Platform platform;
};

// Runs the pass and returns the record's lines (the text view) and the step failures.
std::vector<std::string> collect(const Platform& platform, std::vector<std::string>* failures = nullptr) {
  CollectionState state(platform.registry);
  ScriptedDialogs dialogs;
  CollectionContext ctx(platform, state, dialogs);
  ctx.diskHealthRows = DiskHealthItems;  // as the Read command hands it in
  ctx.onStepFailure = [&](std::string_view step, std::string_view what) {
    if (failures) failures->push_back(std::string(step) + ": " + std::string(what));
  };
  MemoryGridView grid;
  MemoryTextView memo;
  int counter = 1;
  InventoryRecord record(grid, memo, counter);
  RunStandardCollection(ctx, record);
  return memo.lines();
}

// Compares the lines, written as a record file, with the expected file.
void expectRecord(const std::vector<std::string>& lines, const std::string& expectedName) {
  ASSERT_EQ(lines.size(), 90u);
  const std::string expected = kData + "recorded/" + expectedName;
  testing::TempDir dir;
  const std::string written = dir.file("record.csv");
  ASSERT_TRUE(writeAnsiLinesAtomic(written, lines));
  if (mrv::testing::updateExpectedFiles()) {
    ASSERT_TRUE(writeAnsiLinesAtomic(expected, lines));
    GTEST_SKIP() << "rewrote " << expected;
  }
  const std::string want = testsupport::slurpFile(expected), got = testsupport::slurpFile(written);
  ASSERT_FALSE(want.empty()) << expected << " is missing (MERVANA_UPDATE_EXPECTED=1 writes it)";
  if (want != got) {
    std::vector<std::string> wantLines;
    ASSERT_TRUE(readAnsiLines(expected, wantLines));
    for (std::size_t i = 0; i < std::max(wantLines.size(), lines.size()); ++i) {
      const std::string w = i < wantLines.size() ? wantLines[i] : "<none>", g = i < lines.size() ? lines[i] : "<none>";
      EXPECT_EQ(g, w) << "row " << i + 1;
    }
  }
  EXPECT_EQ(got, want) << "the record file differs from " << expected;
}

TEST(RecordedPc, WindowsXpOfficePcGivesItsRecordedRows) {
  Sources sources;
  sources.registry = kData + "recorded/office-pc-2006.reg";
  sources.wmi = kData + "wmi/office-pc-2006.txt";
  sources.cpuid = kData + "recorded/office-pc-2006.cpuid";
  std::vector<std::string> messages;
  std::string message;
  RecordedPc pc;
  pc.registry = openRegistrySource(sources, messages);
  ASSERT_TRUE(pc.registry) << (messages.empty() ? "" : messages[0]);
  pc.wmi = openWmiService(sources, message);
  ASSERT_TRUE(pc.wmi) << message;
  pc.cpu = openCpuSource(sources, message);
  ASSERT_TRUE(pc.cpu) << message;
  auto sys = std::make_unique<test::FakeSystemServices>();
  officeSession(*sys);
  pc.platform = {pc.registry.get(), pc.wmi.get(), pc.cpu.get(), nullptr, sys.get(), nullptr};
  pc.system = std::move(sys);
  std::vector<std::string> failures;
  const auto lines = collect(pc.platform, &failures);
  EXPECT_TRUE(failures.empty()) << failures[0];
  expectRecord(lines, "office-pc-2006.expected.csv");
}

TEST(RecordedPc, Windows98PcGivesItsRecordedRows) {
  Sources sources;
  sources.registry = kData + "recorded/win98-pc.reg";
  std::vector<std::string> messages;
  RecordedPc pc;
  pc.registry = openRegistrySource(sources, messages);
  ASSERT_TRUE(pc.registry) << (messages.empty() ? "" : messages[0]);
  auto sys = std::make_unique<test::FakeSystemServices>();
  officeSession(*sys);
  sys->computerName = "KEIRI-02";
  sys->lanGroup = "KEIRI";
  sys->systemDir = "C:\\WINDOWS\\SYSTEM";
  sys->documents = "C:\\My Documents";
  sys->fileContents["C:\\WINDOWS\\system\\oeminfo.ini"] = "[general]\r\nManufacturer=NEC\r\nModel=VALUESTAR\r\n";
  std::string auState(64, '\0');
  auState[16] = 2;
  auState.replace(32, 19, "2006.05.10 03:00:00");
  sys->fileContents["C:\\Program Files\\WindowsUpdate\\AUState.cfg"] = auState;
  pc.platform = {pc.registry.get(), nullptr, nullptr, nullptr, sys.get(), nullptr};
  pc.system = std::move(sys);
  const auto lines = collect(pc.platform);
  ASSERT_EQ(lines.size(), 90u);
  for (int row : {7, 25, 33, 35}) EXPECT_EQ(lines[row - 1], "") << "row " << row;
  expectRecord(lines, "win98-pc.expected.csv");
}

#ifdef MERVANA_HIVEX  // the installation is written with libhivex
TEST(RecordedPc, OfflineInstallationFillsItsRegistryRowsFromItsHives) {
  using namespace testing;
  const std::vector<RegEntry> entries = {
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion", "5.1"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber", "2600"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName", "Microsoft Windows XP"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion", "Service Pack 3"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "RegisteredOwner", "受付"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot", "C:\\WINDOWS"),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductId", "76487OEM0011903"),
      dwordValue(RootKey::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "InstallDate", 1136073600),
      strValue(RootKey::LocalMachine, "Software\\Microsoft\\Internet Explorer", "Version", "6.0.2900.5512"),
      dwordValue(RootKey::LocalMachine, "System\\Select", "Current", 1),
      strValue(RootKey::LocalMachine, "System\\ControlSet001\\Control\\ComputerName\\ComputerName", "ComputerName", "UKETSUKE"),
      strValue(RootKey::LocalMachine, "System\\ControlSet001\\Services\\lanmanserver\\parameters", "srvcomment", "受付の PC"),
      strValue(RootKey::LocalMachine, "System\\ControlSet001\\Control\\Network\\{4D36E975}\\{1}", "Description",
               "インターネット プロトコル (TCP/IP)"),
      strValue(RootKey::LocalMachine, "System\\ControlSet001\\Control\\Network\\{4D36E975}\\{1}", "InfPath", "nettcpip.inf"),
  };
  TempDir dir;
  writeInstallation(entries, dir.path());
  Sources sources;
  sources.registry = dir.path();
  std::vector<std::string> messages;
  auto registry = openRegistrySource(sources, messages);
  ASSERT_TRUE(registry) << (messages.empty() ? "" : messages[0]);
  auto sys = overlayInstallation(std::make_unique<test::FakeSystemServices>(), readInstallationIdentity(*registry),
                                 dir.path());
  Platform platform{registry.get(), nullptr, nullptr, nullptr, sys.get(), nullptr};
  const auto lines = collect(platform);
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[7], "UKETSUKE");  // the installation's computer name
  EXPECT_EQ(lines[8], "受付の PC");
  EXPECT_EQ(lines[9], "受付");
  EXPECT_EQ(lines[25], "C:\\WINDOWS\\system32");
  EXPECT_EQ(lines[29], "Microsoft Windows XP SP3");  // no WMI: the registry's name
  EXPECT_EQ(lines[30], "5.1.2600");
  EXPECT_EQ(lines[35], "2006/01/01 00:00:00");
  EXPECT_EQ(lines[36], "76487-OEM-0011903-");
  EXPECT_EQ(lines[38], "IE 6.0.2900.5512");
  EXPECT_EQ(lines[85], "インターネット プロトコル (TCP/IP)");
  EXPECT_EQ(lines[0], "UKETSUKE__");
}
#endif

}  // namespace
}  // namespace mrv
