// The rows of the standard block by family, each collector run against in-process fakes: a
// scripted system service, a registry in memory, WMI classes from text.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "disk/DiskHealthItems.h"
#include "CpuTestProcessor.h"
#include "collect/ComponentItems.h"
#include "collect/DriveItems.h"
#include "collect/FakeSystemServices.h"
#include "collect/IdentityItems.h"
#include "collect/MemoryItems.h"
#include "collect/ProcessorItems.h"
#include "collect/RecordName.h"
#include "collect/SessionItems.h"
#include "collect/StandardCollection.h"
#include "collect/WindowsItems.h"
#include "collect/WmiItems.h"
#include "platform/OsFacts.h"
#include "platform/replay/CpuidDump.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/WmiInstancesFile.h"
#include "platform/WmiRepository.h"
#include "ui/MemoryViews.h"

namespace mrv {
namespace {

constexpr RootKey HKLM = RootKey::LocalMachine;
constexpr const char* kNt = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* k9x = "Software\\Microsoft\\Windows\\CurrentVersion";

class FakeOsFacts : public OsFacts {
 public:
  std::string productName() override { return "Debian GNU/Linux 12 (bookworm)"; }
  std::string kernelRelease() override { return "6.1.0-18-amd64"; }
  std::string latestUpgradeDate() override { return "2024/05/01"; }
  std::string lastSuccessfulUpgrade() override { return "2024-05-01 10:00:07"; }
  std::optional<bool> automaticUpdates() override { return automatic; }
  std::optional<std::int64_t> installTime() override { return installed; }
  std::string computerDescription() override { return "経理の PC"; }
  std::vector<std::string> networkComponents() override { return components; }
  std::optional<bool> automatic = true;
  std::optional<std::int64_t> installed = 86399;
  std::vector<std::string> components = {"Samba プリンタ共有", "TCP/IP (IPv4) eth0"};
};

class StandardRows : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.registry = &reg;
    platform.system = &sys;
  }
  CollectionContext& context() {
    state = std::make_unique<CollectionState>(platform.registry);
    ctx = std::make_unique<CollectionContext>(platform, *state, dialogs);
    return *ctx;
  }
  ItemTexts run(ItemTexts (*collector)(CollectionContext&), std::string family = "NT") {
    CollectionContext& c = context();
    c.family = family;
    c.saveDir = saveDir;
    return collector(c);
  }
  void useWmi(const std::string& text) {
    std::vector<WmiClass> classes;
    std::string error;
    ASSERT_TRUE(parseWmiInstances(text, classes, error)) << error;
    wmi = std::make_unique<WmiProviderService>(std::make_shared<WmiReplayProvider>(std::move(classes)));
    platform.wmi = wmi.get();
  }
  // The whole pass into a record: its lines, and the families of the failures it reported.
  std::vector<std::string> collectRecord(std::vector<std::string>& failures) {
    MemoryGridView grid;
    MemoryTextView memo;
    int counter = 1;
    InventoryRecord record(grid, memo, counter);
    CollectionContext& c = context();
    c.diskHealthRows = DiskHealthItems;  // as the Read command hands it in
    c.onStepFailure = [&failures](std::string_view step, std::string_view) { failures.emplace_back(step); };
    RunStandardCollection(c, record);
    return memo.lines();
  }
  void as9x() { reg.setString(HKLM, k9x, "VersionNumber", "4.10.2222"); }

  MemoryRegistry reg;
  test::FakeSystemServices sys;
  ScriptedDialogs dialogs;
  Platform platform;
  std::unique_ptr<WmiService> wmi;
  std::unique_ptr<CollectionState> state;
  std::unique_ptr<CollectionContext> ctx;
  std::string saveDir;
};

TEST_F(StandardRows, FamilyComesFromTheRegistrysVersionKeys) {
  EXPECT_EQ(OsFamilyOf(context().state.reg), "NT");  // nothing known: NT
  as9x();
  EXPECT_EQ(OsFamilyOf(context().state.reg), "9x");
  reg.setString(HKLM, kNt, "CurrentVersion", "5.1");
  EXPECT_EQ(OsFamilyOf(context().state.reg), "NT");
  TRegistryEx none(nullptr);
  EXPECT_EQ(OsFamilyOf(none), "NT");  // Linux without an installation
}

TEST_F(StandardRows, NetworkIdentityOfWorkgroupAndDomainMembers) {
  sys.lanGroup = "WG";
  sys.joinStatus = 2;
  RecordStemItem(context());
  auto t = run(NetworkIdentityItems);
  EXPECT_EQ(t[0], "WG");
  EXPECT_EQ(t[1], "");
  EXPECT_EQ(t[2], "");
  sys.lanGroup = "DOM";
  sys.joinStatus = kNetSetupDomainName;
  t = run(NetworkIdentityItems);
  EXPECT_EQ(t[0], "");
  EXPECT_EQ(t[1], "DOM");
  EXPECT_EQ(t[2], "");
}

TEST_F(StandardRows, NineXWorkgroupIsTheLastOfCommaSeparatedNames) {
  as9x();
  const std::string vnetsup = "System\\CurrentControlSet\\Services\\VxD\\VNETSUP";
  reg.setString(HKLM, vnetsup, "WorkGroup", "ONE,TWO,SOUMU");
  reg.setString(HKLM, vnetsup, "Comment", "総務");
  reg.setString(HKLM, "System\\CurrentControlSet\\Services\\VxD\\MSTCP", "Domain", "example.local");
  auto t = run(NetworkIdentityItems, "9x");
  EXPECT_EQ(t[0], "SOUMU");
  EXPECT_EQ(t[1], "example.local");
  EXPECT_EQ(t[4], "総務");
  reg.setString(HKLM, vnetsup, "WorkGroup", "SOUMU");
  EXPECT_EQ(run(NetworkIdentityItems, "9x")[0], "SOUMU");
}

// Row 1 and the file names: on 9x the workgroup is the VNETSUP value's last name, not the LAN
// group NetAPI32 would give on NT.
TEST_F(StandardRows, NineXRecordNameEndsInTheVnetsupWorkgroup) {
  sys.lanGroup = "NT-DOMAIN";
  EXPECT_EQ(CsvFileNameText(platform), "PC01__NT-DOMAIN");
  as9x();
  reg.setString(HKLM, "System\\CurrentControlSet\\Services\\VxD\\VNETSUP", "WorkGroup", "ONE,TWO,SOUMU");
  EXPECT_EQ(CsvFileNameText(platform), "PC01__SOUMU");
  EXPECT_EQ(RecordStemItem(context()), ItemTexts{"PC01__SOUMU"});
  reg.deleteValue(HKLM, "System\\CurrentControlSet\\Services\\VxD\\VNETSUP", "WorkGroup");
  EXPECT_EQ(CsvFileNameText(platform), "PC01__");
}

TEST_F(StandardRows, ModelFallsBackThroughTheOemChain) {
  const std::string oem = "Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\OemInfo";
  reg.setString(HKLM, oem, "SmbOem", "");
  reg.setString(HKLM, oem, "WbemOem", "FUJITSU  ");
  reg.setString(HKLM, oem, "WbemProduct", "FMV-C6");
  sys.windowsDir = "C:\\WINDOWS";
  sys.fileContents["C:\\WINDOWS\\system\\oeminfo.ini"] = "[General]\r\nManufacturer=Fujitsu\r\nModel=\"C6 220\"\r\n";
  reg.setString(HKLM, "Software\\environment\\registration\\customerinfo", "ModelNum", "FMVC6220");
  EXPECT_EQ(run(ModelItem, "9x")[0], "FUJITSU FMV-C6 /Fujitsu C6 220 /FMVC6220");
  // NT: WMI's model wins when it has one; the chain has no ModelNum step
  EXPECT_EQ(run(ModelItem, "NT")[0], "FUJITSU FMV-C6 / ");
  useWmi("class Win32_ComputerSystem\nkey Name string\nproperty Manufacturer string\nproperty Model string\n"
         "instance\n  Name = \"PC\"\n  Manufacturer = \"NEC\"\n  Model = \" PC-MY26 \"\n");
  EXPECT_EQ(run(ModelItem, "NT")[0], "PC-MY26 / NEC");
}

TEST_F(StandardRows, ProcessorNameFromWmiThenRegistryThenCpuid) {
  CpuidDump cpu = CpuidDump::fromText("CPUID 00000000: 00000002-756E6547-6C65746E-49656E69\n"
                                      "CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFF\n");
  platform.cpu = &cpu;
  EXPECT_FALSE(run(CpuNameItem)[0].empty());  // CPUID names it
  const std::string name = run(CpuNameItem)[0];
  reg.setString(HKLM, "Hardware\\Description\\System\\CentralProcessor\\0", "Identifier", "x86 Family 15 Model 2");
  EXPECT_EQ(run(CpuNameItem)[0], "x86 Family 15 Model 2");
  useWmi("class Win32_Processor\nkey DeviceID string\nproperty Name string\n"
         "instance\n  DeviceID = \"CPU0\"\n  Name = \"  Intel(R) Pentium(R) 4 CPU 2.40GHz \"\n");
  EXPECT_EQ(run(CpuNameItem)[0], "Intel(R) Pentium(R) 4 CPU 2.40GHz");
  EXPECT_NE(name, "");
}

TEST_F(StandardRows, MemoryRoundsToEightAndAnErrorTextFailsOnlyItsRow) {
  EXPECT_EQ(RoundedMemoryMB("255"), "256");
  EXPECT_EQ(RoundedMemoryMB("251"), "248");
  EXPECT_EQ(RoundedMemoryMB("252"), "256");
  EXPECT_THROW(RoundedMemoryMB("Error!"), MrvError);
  sys.memory.reset();  // the probe answers "Error!"
  std::vector<std::string> failures;
  const std::vector<std::string> lines = collectRecord(failures);
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[15], "Error!");  // row 16: the step's own failure
  EXPECT_EQ(lines[16], "Error!");  // row 17: PageFileMB's failure text
  EXPECT_EQ(failures, std::vector<std::string>{"memory"});
}

TEST_F(StandardRows, EveryPassAddsNinetyRowsWhateverFails) {
  sys.raise = true;
  reg.setDword(HKLM, kNt, "ProductName", 7);  // a number where text is read
  reg.setDword(HKLM, "System\\CurrentControlSet\\Control\\Network\\{4D36E975}", "Description", 1);
  std::vector<std::string> failures;
  const std::vector<std::string> lines = collectRecord(failures);
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[29], "Error!");  // row 30 needs the product name; row 31 does not
  EXPECT_EQ(lines[30], ".");
  EXPECT_EQ(lines[84], "Error!");  // rows 85 to 88
  EXPECT_EQ(lines[87], "Error!");
  EXPECT_EQ(lines[6], "");  // row 7 is always empty
  EXPECT_FALSE(failures.empty());
}

// A value of the wrong type fails the row that reads it, and no other: its neighbours were read.
TEST_F(StandardRows, AWrongTypedValueFailsOnlyItsOwnRow) {
  sys.lanGroup = "WG";
  sys.joinStatus = 2;
  reg.setString(HKLM, kNt, "CurrentVersion", "5.1");
  reg.setString(HKLM, kNt, "CurrentBuildNumber", "2600");
  reg.setString(HKLM, kNt, "RegisteredOwner", "総務部");
  reg.setValue(HKLM, kNt, "RegisteredOrganization", RegValue{kRegBinary, "\x01\x02"});
  reg.setString(HKLM, kNt, "ProductName", "Microsoft Windows XP");
  reg.setValue(HKLM, kNt, "CSDVersion", RegValue{kRegBinary, "\x03"});
  reg.setString(HKLM, kNt, "ProductId", "55274-640-1234567-23456");
  reg.setDword(HKLM, kNt, "ProductKey", 1);
  reg.setDword(HKLM, "SOFTWARE\\Microsoft\\Internet Explorer", "Version", 6);
  reg.setString(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", "MinorVersion", ";SP2;");
  reg.setDword(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update\\Results\\Install",
               "LastSuccessTime", 1);
  reg.setDword(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update", "AUOptions", 4);
  const std::string net = "System\\CurrentControlSet\\Control\\Network\\{4D36E974}";
  reg.setString(HKLM, net + "\\0000", "Description", "ファイルとプリンタ共有");
  reg.setString(HKLM, net + "\\0000", "InfPath", "netserv.inf");
  reg.setDword(HKLM, net + "\\0001", "Description", 1);  // every later search meets it first
  reg.setString(HKLM, net + "\\0002", "Description", "TCP/IP");
  std::vector<std::string> failures;
  const std::vector<std::string> lines = collectRecord(failures);
  ASSERT_EQ(lines.size(), 90u);
  const auto row = [&](int n) { return lines[static_cast<std::size_t>(n - 1)]; };
  EXPECT_EQ(row(5), "WG");
  EXPECT_EQ(row(8), "PC01");
  EXPECT_EQ(row(10), "総務部");
  EXPECT_EQ(row(11), "Error!");
  EXPECT_EQ(row(30), "Error!");
  EXPECT_EQ(row(31), "5.1.2600");
  EXPECT_EQ(row(32), "");
  EXPECT_EQ(row(33), "Error!");
  EXPECT_EQ(row(34), "4:自動アップデート");
  EXPECT_EQ(row(37), "55274-640-1234567-23456");
  EXPECT_EQ(row(38), "Error!");
  EXPECT_EQ(row(39), "Error!");
  EXPECT_EQ(row(40), ";SP2;");
  EXPECT_EQ(row(85), "ファイルとプリンタ共有");
  for (int n = 86; n <= 88; ++n) EXPECT_EQ(row(n), "Error!") << n;
  // each failure is reported once, under its family
  EXPECT_EQ(std::count(failures.begin(), failures.end(), "identity"), 1);
  EXPECT_EQ(std::count(failures.begin(), failures.end(), "windows"), 4);
  EXPECT_EQ(std::count(failures.begin(), failures.end(), "components"), 3);
}

TEST_F(StandardRows, WindowsDriveIsCUnlessWindowsIsOnA) {
  sys.systemDir = "D:\\WINNT\\system32";
  sys.driveTypes = {{"C:\\", kDriveFixed}, {"D:\\", kDriveFixed}};
  sys.fileSystems = {{"C:\\", "NTFS"}, {"D:\\", "FAT32"}};
  sys.space = {{"C:\\", {1ull << 30, 4ull << 30}}, {"D:\\", {(1ull << 20) * 3, (1ull << 20) * 10}}};
  EXPECT_EQ(run(DriveItems), (ItemTexts{"C: NTFS", "1024", "4096", "D: FAT32", "3", "10"}));
  sys.driveTypes["D:\\"] = kDriveCdRom;
  EXPECT_EQ(run(DriveItems), (ItemTexts{"C: NTFS", "1024", "4096", "", "", ""}));
}

// A processor whose millisecond timer stands still once the clock's wait has begun, until a later
// step of the pass lets it go. Were the clock measured in its turn, its wait could not end: it
// gives up after five seconds, and says so.
class GatedClock : public test::FakeCpu {
 public:
  explicit GatedClock(test::FakeCpu cpu) : FakeCpu(std::move(cpu)) {}
  std::uint64_t timeStampCounter() override { return tscReadings_++ == 0 ? 0 : 2'400'000'000ull; }
  std::uint32_t millisecondTimer() override {
    if (timerReadings_++ < 2) return 0;  // m0 and m1: the wait begins
    std::unique_lock lock(m_);
    if (!cv_.wait_for(lock, std::chrono::seconds(5), [this] { return open_; })) gaveUp_ = true;
    return 1000;
  }
  void release() {
    std::lock_guard lock(m_);
    open_ = true;
    cv_.notify_all();
  }
  bool gaveUp() {
    std::lock_guard lock(m_);
    return gaveUp_;
  }

 private:
  int tscReadings_ = 0, timerReadings_ = 0;  // read by the clock's thread alone
  std::mutex m_;
  std::condition_variable cv_;
  bool open_ = false, gaveUp_ = false;
};

TEST_F(StandardRows, TheClocksSecondPassesWhileTheStepsAfterItRun) {
  GatedClock cpu(test::intel(15, 2).build());
  platform.cpu = &cpu;
  MemoryGridView grid;
  MemoryTextView memo;
  int counter = 1;
  InventoryRecord record(grid, memo, counter);
  CollectionContext& c = context();
  // the disk-health rows come 42 rows after the clock's
  c.diskHealthRows = [&cpu](CollectionContext&) {
    cpu.release();
    return std::vector<std::string>{"a", "b", "c", "d", "e", "f"};
  };
  std::vector<std::pair<std::string, double>> timings;
  RunStandardCollection(c, record, &timings);
  EXPECT_FALSE(cpu.gaveUp());
  const std::vector<std::string> lines = memo.lines();
  ASSERT_EQ(lines.size(), 90u);
  EXPECT_EQ(lines[12], CpuNameItem(c)[0]);  // rows 13 and 15 on either side, each in its place
  EXPECT_EQ(lines[13], "2400");            // 2,400,000,000 counts in the timer's 1000 ms
  EXPECT_EQ(lines[14], MemorySpeedL2CacheItem(c)[0]);
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 55, lines.begin() + 61),
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
  // the families' times stay in pass order
  const auto clock = std::find_if(timings.begin(), timings.end(), [](const auto& t) { return t.first == "processor clock"; });
  ASSERT_NE(clock, timings.end());
  EXPECT_EQ((clock - 1)->first, "processor");
  EXPECT_EQ((clock + 1)->first, "memory");
}

TEST_F(StandardRows, ClockDifferenceAgainstTheSaveFoldersServer) {
  EXPECT_EQ(SaveFolderServer("\\\\SRV\\pcdata"), "\\\\SRV");
  EXPECT_EQ(SaveFolderServer("C:\\pcdata"), "C:");
  saveDir = "C:\\pcdata";  // a local folder that does not exist here
  EXPECT_EQ(run(TimeDifferenceItem)[0], "");
  saveDir = std::filesystem::temp_directory_path().string();
  sys.clocks[""] = TimeOfDayInfo{2007, 3, 9, 8, 5, 30};
  EXPECT_EQ(run(TimeDifferenceItem)[0], "");  // the server does not answer
  sys.clocks[SaveFolderServer(saveDir)] = TimeOfDayInfo{2007, 3, 9, 8, 4, 0};  // 90 seconds behind
  EXPECT_EQ(run(TimeDifferenceItem)[0], "    1.50");
  EXPECT_EQ(run(TimeDifferenceItem, "9x")[0], "");
}

TEST_F(StandardRows, NineXProductNamesCarryTheirReleaseSuffix) {
  EXPECT_EQ(Windows9xName("Microsoft Windows 98", "4.10.2222"), "Microsoft Windows 98 SE");
  EXPECT_EQ(Windows9xName("Microsoft Windows 98", "4.10.1998"), "Microsoft Windows 98");
  EXPECT_EQ(Windows9xName("Microsoft Windows 95", "4.00.950"), "Microsoft Windows 95");
  EXPECT_EQ(Windows9xName("Microsoft Windows 95", "4.00.1111"), "Microsoft Windows 95 OSR1");
  EXPECT_EQ(Windows9xName("Microsoft Windows 95", "4.03.1214"), "Microsoft Windows 95 OSR2");
  EXPECT_EQ(Windows9xName("Microsoft Windows 95", "4.03.1214B"), "Microsoft Windows 95");
  as9x();
  reg.setString(HKLM, k9x, "ProductName", "Microsoft Windows 98");
  CollectionContext& c = context();
  c.family = "9x";
  EXPECT_EQ(WindowsNameItems(c), (ItemTexts{"98 SE", "4.10.2222"}));  // WMI has no CSDVersion
  EXPECT_EQ(c.windowsProductName, "Microsoft Windows 98 SE");
}

TEST_F(StandardRows, NineXAutomaticUpdateFromAuStateCfg) {
  as9x();
  reg.setString(HKLM, k9x, "ProgramFilesDir", "C:\\Program Files");
  EXPECT_EQ(run(WindowsUpdateItems, "9x"), ItemTexts(3));  // no file
  std::string cfg(64, '\0');
  cfg[16] = 3;
  cfg.replace(32, 19, "2006.05.10 03:00:00");
  sys.fileContents["C:\\Program Files\\WindowsUpdate\\AUState.cfg"] = cfg;
  EXPECT_EQ(run(WindowsUpdateItems, "9x"), (ItemTexts{"2006/05/10 03:00:00", "", "1:マニュアル"}));
  cfg[16] = 1;
  EXPECT_EQ(AuStateTexts(cfg).second, "3:自動ダウンロード後通知");
  cfg[16] = 9;
  EXPECT_EQ(AuStateTexts(cfg).second, "");
  sys.files.insert("C:\\Program Files\\WindowsUpdate\\AUState.cfg");
  sys.fileContents.clear();  // exists, cannot be opened: the step fails (and says so)
  EXPECT_THROW(run(WindowsUpdateItems, "9x"), MrvError);
}

TEST_F(StandardRows, NtUpdateDatesAndAutomaticUpdateSetting) {
  const std::string updates = "Software\\Microsoft\\Updates";
  reg.setString(HKLM, updates + "\\Windows XP\\SP3\\KB000001", "InstalledDate", "5/10/06");
  reg.setString(HKLM, updates + "\\Windows XP\\SP3\\KB000002", "InstalledDate", "2006/11/2");
  reg.setString(HKLM, updates + "\\Windows XP\\SP3\\KB000003", "InstalledDate", "12/31/99");
  reg.setString(HKLM, updates + "\\DirectX\\KB000004", "InstalledDate", "2009/1/1");  // not under "\Windows "
  const std::string au = "Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update";
  reg.setDword(HKLM, au, "AUOptions", 5);
  auto t = run(WindowsUpdateItems);
  EXPECT_EQ(t[0], "2006/11/02");
  EXPECT_EQ(t[2], "5");
  reg.setString(HKLM, au, "AUOptions", "4");  // stored as text
  EXPECT_EQ(run(WindowsUpdateItems)[2], "");
  reg.setDword(HKLM, au, "AUOptions", 4);
  EXPECT_EQ(run(WindowsUpdateItems)[2], "4:自動アップデート");
  EXPECT_EQ(UpdateDateText("12/31/99"), "1999/12/31");
  EXPECT_EQ(UpdateDateText("1/2/2007"), "2007/01/02");
  EXPECT_EQ(UpdateDateText("20060510"), "");
}

TEST_F(StandardRows, InstallDatesProductIdAndInternetExplorer) {
  reg.setDword(HKLM, kNt, "InstallDate", 86399);
  EXPECT_EQ(run(InstallDateItem)[0], "1970/01/01 23:59:59");
  reg.setString(HKLM, kNt, "InstallDate", "86399");  // not an integer: its own handler
  EXPECT_EQ(run(InstallDateItem)[0], "");
  EXPECT_EQ(DosDateTimeText(std::string("\x60\x18\x0A\x35", 4)), "2006/08/10 03:03:00");
  EXPECT_THROW(DosDateTimeText(std::string("\0\0\0\0", 4)), MrvError);

  EXPECT_EQ(ProductIdText("55274640123456723456"), "55274-640-1234567-23456");
  EXPECT_EQ(ProductIdText("55274-640-1234567-23456"), "55274-640-1234567-23456");

  EXPECT_EQ(IeVersionName("6.0.2900.2180"), "IE 6.0.2900.2180");
  EXPECT_EQ(IeVersionName("5.50.4807.2300"), "IE5.5 SP2 5.50.4807.2300");
  EXPECT_EQ(IeVersionName("6.0.2800.1106"), "IE6 SP1 6.0.2800.1106");
  EXPECT_EQ(IeVersionName("5.00.2614.3500"), "IE5.0 5.00.2614.3500");
  as9x();
  reg.setString(HKLM, k9x, "Plus! VersionNumber", "IE 5 5.50.4134.0100");
  EXPECT_EQ(run(IeItems, "9x")[0], "IE5.5 5.50.4134.0100");

  // 9x: only the binary FirstInstallDateTime is an MS-DOS date
  reg.setValue(HKLM, k9x, "FirstInstallDateTime", RegValue{kRegBinary, std::string("\x60\x18\x0A\x35", 4)});
  EXPECT_EQ(run(InstallDateItem, "9x")[0], "2006/08/10 03:03:00");
  reg.setString(HKLM, k9x, "FirstInstallDateTime", "2006/08/10");
  EXPECT_EQ(run(InstallDateItem, "9x")[0], "");
  reg.setDword(HKLM, k9x, "FirstInstallDateTime", 0x350A1860);
  EXPECT_EQ(run(InstallDateItem, "9x")[0], "");
}

TEST_F(StandardRows, NineXLeavesItsNtOnlyRowsEmpty) {
  as9x();
  sys.admin = true;
  EXPECT_EQ(run(IsAdminItem, "9x")[0], "");
  EXPECT_EQ(run(IsAdminItem, "NT")[0], "AdminUser");
  EXPECT_EQ(run(TimeDifferenceItem, "9x")[0], "");
}

TEST_F(StandardRows, HostAddressAndHoursSinceStart) {
  sys.hostName = "pc07";
  sys.hosts["pc07"] = {192, 168, 0, 5};
  EXPECT_EQ(run(HostItems), (ItemTexts{"pc07", "192.168.  0.  5"}));
  sys.hosts.clear();
  EXPECT_EQ(run(HostItems)[1], "(N/A)");
  sys.ticks = 7199999;
  EXPECT_EQ(run(HoursFromStartItem)[0], "1");
  sys.ticks = 7200000;
  EXPECT_EQ(run(HoursFromStartItem)[0], "2");
  sys.ticks = 0xFFFFFFFFu;  // the tick count wraps after 49.7 days, and the hours with it
  EXPECT_EQ(run(HoursFromStartItem)[0], "1193");
}

TEST_F(StandardRows, NetworkComponentsAreTheFirstDescriptionNamingThem) {
  const std::string net = "System\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}";
  reg.setString(HKLM, net + "\\0001", "Description", "インターネット プロトコル (TCP/IP)");
  reg.setString(HKLM, net + "\\0001", "InfPath", "nettcpip.inf");
  reg.setString(HKLM, net + "\\0000", "Description", "NWLink IPX/SPX/NetBIOS 互換トランスポート プロトコル");
  reg.setString(HKLM, net + "\\0000", "InfPath", "");  // no InfPath: not an installed component
  const std::string svc = "System\\CurrentControlSet\\Control\\Network\\{4D36E974-E325-11CE-BFC1-08002BE10318}";
  reg.setString(HKLM, svc + "\\0000", "Description", "Microsoft ネットワーク用ファイルとプリンタ共有");
  reg.setString(HKLM, svc + "\\0000", "InfPath", "netserv.inf");
  EXPECT_EQ(run(NetworkComponentItems),
            (ItemTexts{"Microsoft ネットワーク用ファイルとプリンタ共有", "インターネット プロトコル (TCP/IP)", "", ""}));
}

TEST_F(StandardRows, WithoutARegistryTheSystemsOwnFactsFillTheWindowsRows) {
  FakeOsFacts os;
  platform.registry = nullptr;
  platform.os = &os;
  useWmi("class Win32_OperatingSystem\nkey Name string\nproperty Caption string\n"
         "instance\n  Name = \"linux\"\n  Caption = \"Debian GNU/Linux 12 (bookworm)\"\n");
  EXPECT_EQ(run(WindowsNameItems), (ItemTexts{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64"}));
  EXPECT_EQ(run(WindowsUpdateItems), (ItemTexts{"2024/05/01", "2024-05-01 10:00:07", "4:自動アップデート"}));
  os.automatic = false;
  EXPECT_EQ(run(WindowsUpdateItems)[2], "1:マニュアル");
  os.automatic.reset();
  EXPECT_EQ(run(WindowsUpdateItems)[2], "");
  EXPECT_EQ(run(InstallDateItem)[0], "1970/01/01 23:59:59");
  os.installed.reset();
  EXPECT_EQ(run(InstallDateItem)[0], "");
  EXPECT_EQ(run(ProductIdItems), ItemTexts(2));
  EXPECT_EQ(run(IeItems), ItemTexts(2));
  EXPECT_EQ(run(NetworkComponentItems), (ItemTexts{"Samba プリンタ共有", "TCP/IP (IPv4) eth0", "", ""}));
  RecordStemItem(context());
  EXPECT_EQ(run(NetworkIdentityItems)[4], "経理の PC");
}

TEST_F(StandardRows, ScreenRowsComeFromTheWindowAndAreEmptyWithoutOne) {
  EXPECT_EQ(run(ScreenItems), ItemTexts(2));
  EXPECT_EQ(run(DefaultImeItem)[0], "");
  struct Screen : ScreenInfo {
    bool screenWidth(int& p) const override { return p = 1024, true; }
    bool colorBits(int& b) const override { return b = 32, true; }
    std::string inputMethodDescription() const override { return "fcitx"; }
  } screen;
  CollectionContext& c = context();
  c.screen = &screen;
  EXPECT_EQ(ScreenItems(c), (ItemTexts{"1024", "32"}));
  EXPECT_EQ(DefaultImeItem(c)[0], "fcitx");
}

}  // namespace
}  // namespace mrv
