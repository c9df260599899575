#include <gtest/gtest.h>

#include "ui/MemoryViews.h"
#include "base/Error.h"
#include "collect/RasProbes.h"
#include "collect/SystemProbes.h"
#include "collect/FakeSystemServices.h"
#include "collect/DateTimeText.h"
#include "collect/ValueTerms.h"

using namespace mrv;
using mrv::test::FakeSystemServices;

// The room of a Windows computer name is the system's (its service fails a name that does not
// fit); a Linux name comes whole.
TEST(ProbeNames, ComputerNameIsWhatTheSystemGivesOrAnError) {
  FakeSystemServices sys;
  sys.computerName = "ABCDEFGHIJKLMNO";  // 15
  EXPECT_EQ(ComputerNameText(sys), "ABCDEFGHIJKLMNO");
  sys.computerName = "ACCOUNTING-PC-011";
  EXPECT_EQ(ComputerNameText(sys), "ACCOUNTING-PC-011");
  sys.computerName.reset();
  EXPECT_EQ(ComputerNameText(sys), "Error!");
  sys.computerName = "経理部ＰＣ";  // 10 bytes in Shift-JIS
  EXPECT_EQ(ComputerNameText(sys), "経理部ＰＣ");
  sys.raise = true;
  EXPECT_EQ(ComputerNameText(sys), "Error!");
}

TEST(ProbeNames, UserNamesAreEmptyWhenTheCallFailsAndErrorWhenItRaises) {
  FakeSystemServices sys;
  sys.userName = "administrator12";  // 15
  EXPECT_EQ(UserNameText(sys), "administrator12");
  sys.userName = "administrator123";  // 16: does not fit
  EXPECT_EQ(UserNameText(sys), "");
  sys.userName.reset();
  EXPECT_EQ(UserNameText(sys), "");
  sys.netUser = std::string(259, 'u');
  EXPECT_EQ(NetUserNameText(sys), std::string(259, 'u'));
  sys.netUser = std::string(260, 'u');
  EXPECT_EQ(NetUserNameText(sys), "");
  sys.raise = true;
  EXPECT_EQ(UserNameText(sys), "Error!");
  EXPECT_EQ(NetUserNameText(sys), "Error!");
}

TEST(ProbeMemory, PhysicalMemoryRoundsHalvesToEvenAndPageFileTruncates) {
  FakeSystemServices sys;
  auto mb = [&](std::uint64_t bytes) {
    sys.memory = MemoryStatus{bytes, bytes};
    return std::make_pair(PhysicalMemoryMB(sys), PageFileMB(sys));
  };
  EXPECT_EQ(mb(255ull << 20), std::make_pair(std::string("255"), std::string("255")));
  EXPECT_EQ(mb((254ull << 20) + (1 << 19)), std::make_pair(std::string("254"), std::string("254")));  // 254.5
  EXPECT_EQ(mb((255ull << 20) + (1 << 19)), std::make_pair(std::string("256"), std::string("255")));  // 255.5
  EXPECT_EQ(mb((255ull << 20) + (1 << 19) + 1), std::make_pair(std::string("256"), std::string("255")));
  EXPECT_EQ(mb((255ull << 20) + (1 << 19) - 1).first, "255");
  EXPECT_EQ(mb(64ull << 30).first, "65536");  // beyond 32 bits
  sys.memory.reset();
  EXPECT_EQ(PhysicalMemoryMB(sys), "Error!");
  EXPECT_EQ(PageFileMB(sys), "Error!");
}

TEST(ProbeFolders, FoldersAndTheirFailureTexts) {
  FakeSystemServices sys;
  EXPECT_EQ(WindowsFolder(sys), "Error!");
  EXPECT_EQ(SystemFolder(sys), "Error!");
  EXPECT_EQ(MyDocumentsFolder(sys), "Error!");
  sys.windowsDir = "C:\\WINDOWS";
  sys.systemDir = "C:\\WINDOWS\\system32";
  sys.documents = "/home/clerk1/Documents";
  EXPECT_EQ(WindowsFolder(sys), "C:\\WINDOWS\\");
  EXPECT_EQ(SystemFolder(sys), "C:\\WINDOWS\\system32");
  EXPECT_EQ(MyDocumentsFolder(sys), "/home/clerk1/Documents");
  EXPECT_EQ(LocalDateTimeText(sys), "2007/03/09 08:05:01");
}

TEST(ProbeNetworkIdentity, LanGroupAndDomainMembership) {
  FakeSystemServices sys;
  EXPECT_EQ(LanGroupName(sys), "");
  EXPECT_FALSE(IsDomainMember(sys));
  sys.lanGroup = "WG";
  sys.joinStatus = 2;
  EXPECT_EQ(LanGroupName(sys), "WG");
  EXPECT_FALSE(IsDomainMember(sys));
  sys.joinStatus = 3;
  EXPECT_TRUE(IsDomainMember(sys));
  sys.raise = true;
  EXPECT_EQ(LanGroupName(sys), "");
  EXPECT_FALSE(IsDomainMember(sys));
}

TEST(ProbeTime, TwoDigitsAndUnixTime) {
  EXPECT_EQ(TwoDigits(9), "09");
  EXPECT_EQ(TwoDigits(10), "10");
  EXPECT_EQ(TwoDigits(0), "00");
  EXPECT_DOUBLE_EQ(UnixTimeToDateTime(0), 25569.0);
  EXPECT_EQ(DateTimeText(UnixTimeToDateTime(0)), "1970/01/01 00:00:00");
  EXPECT_EQ(DateTimeText(UnixTimeToDateTime(86399)), "1970/01/01 23:59:59");
  EXPECT_EQ(DateTimeText(UnixTimeToDateTime(1159574400)), "2006/09/30 00:00:00");
  double t = 0;
  ASSERT_TRUE(ParseDateTimeText("2006/05/10 03:00:00", t));
  EXPECT_EQ(DateTimeText(t), "2006/05/10 03:00:00");
  EXPECT_FALSE(ParseDateTimeText("2006/02/31 00:00:00", t));
  EXPECT_FALSE(ParseDateTimeText("yesterday", t));
}

TEST(ProbeTime, RemoteTimeOfDayFormatsGreenwichFieldsAndRaisesWithoutAnswer) {
  FakeSystemServices sys;
  sys.clocks["\\\\server"] = TimeOfDayInfo{2006, 5, 10, 3, 0, 9};
  EXPECT_EQ(RemoteTimeOfDay(sys, "\\\\server"), "2006/05/10 03:00:09");
  EXPECT_THROW(RemoteTimeOfDay(sys, "\\\\silent"), MrvError);
}

TEST(ProbeHost, AddressResolvesOrIsNotAvailable) {
  FakeSystemServices sys;
  ScriptedDialogs dialogs;
  sys.hosts[""] = {192, 168, 0, 5};
  sys.hosts["pc01"] = {10, 1, 20, 3};
  EXPECT_EQ(HostAddress(sys, dialogs, ""), "192.168.0.5");
  EXPECT_EQ(HostAddress(sys, dialogs, "pc01"), "10.1.20.3");
  EXPECT_EQ(HostAddress(sys, dialogs, "nowhere"), "(N/A)");
  EXPECT_TRUE(dialogs.shown.empty());
  sys.winsock = false;
  EXPECT_EQ(HostAddress(sys, dialogs, "pc01"), "");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0], "|Error Occured");
  sys.raise = true;
  EXPECT_EQ(HostAddress(sys, dialogs, "pc01"), "Error!");
  EXPECT_EQ(HostNameText(sys), "");
}

TEST(ProbeDrives, OnlyFixedDrivesGiveSizes) {
  FakeSystemServices sys;
  sys.driveTypes = {{"C:\\", kDriveFixed}, {"D:\\", kDriveRemovable}, {"E:\\", kDriveRemote}, {"F:\\", kDriveFixed}};
  sys.fileSystems = {{"C:\\", "NTFS"}, {"F:\\", "ext4"}};
  sys.space["C:\\"] = {(10ull << 20) + 5, (40ull << 20) + (1 << 19) + 7};
  auto c = DriveInfo(sys, 3);
  EXPECT_EQ(c.totalMB, "40");
  EXPECT_EQ(c.freeMB, "10");
  EXPECT_EQ(c.fileSystem, "NTFS");
  for (int n : {1, 4, 5, 26, 0, 99}) {
    auto r = DriveInfo(sys, n);
    EXPECT_EQ(r.totalMB + r.freeMB + r.fileSystem, "") << n;
  }
  // A fixed drive whose size cannot be read keeps its file system name only.
  auto f = DriveInfo(sys, 6);
  EXPECT_EQ(f.totalMB, "");
  EXPECT_EQ(f.freeMB, "");
  EXPECT_EQ(f.fileSystem, "ext4");
}

TEST(ProbeShares, MessagesAppendAndOnlySuccessClears) {
  FakeSystemServices sys;
  std::vector<std::string> list{"old"};
  sys.shares.enumCode = kErrorNoMoreItems;
  SharedFolderList(sys, list);
  EXPECT_EQ(sys.sharesAskedFor, "\\\\PC01");
  EXPECT_EQ(list, (std::vector<std::string>{"old", "共有フォルダはありません"}));
  sys.shares = {kErrorNoNetwork, 0, {}};
  SharedFolderList(sys, list);
  EXPECT_EQ(list.back(), "Error(No network is present.)");
  sys.shares = {53, 0, {}};
  SharedFolderList(sys, list);
  EXPECT_EQ(list.back(), "ネットワークエラー２(53)");
  sys.shares = {0, 234, {}};
  SharedFolderList(sys, list);
  EXPECT_EQ(list.back(), "ネットワークエラー(234)");
  sys.shares = {0, 0, {"\\\\PC01\\public", "\\\\PC01\\経理"}};
  SharedFolderList(sys, list);
  EXPECT_EQ(list, (std::vector<std::string>{"\\\\PC01\\public", "\\\\PC01\\経理"}));
}

TEST(ProbeProcesses, ListIsReplacedOrEmptied) {
  FakeSystemServices sys;
  std::vector<std::string> list{"stale"};
  sys.processes = std::vector<std::string>{"init", "bash"};
  ProcessList(sys, list);
  EXPECT_EQ(list, (std::vector<std::string>{"init", "bash"}));
  sys.processes.reset();
  ProcessList(sys, list);
  EXPECT_TRUE(list.empty());
}

TEST(ProbeDialUp, EntriesWithTheirUsersAndTheLibraryTexts) {
  FakeSystemServices sys;
  EXPECT_EQ(RasEntryList(sys), "");
  sys.rasEntries = {{"Office", "clerk1"}, {"Home", ""}};
  EXPECT_EQ(RasEntryList(sys), "Office:clerk1/Home:");
  sys.rasEntries.push_back({"Broken", std::nullopt});
  EXPECT_EQ(RasEntryList(sys), "Office:clerk1/Home:/Broken:RasGetEntryDialParams failed.");
  sys.rasEnum = LibraryCall::LibraryMissing;
  EXPECT_EQ(RasEntryList(sys), "rasapi32.dll not found.");
  sys.rasEnum = LibraryCall::FunctionMissing;
  EXPECT_EQ(RasEntryList(sys), "RasEnumEntriesA not found.");
  sys.rasEnum = LibraryCall::Failed;
  EXPECT_EQ(RasEntryList(sys), "RasEnumEntries failed.");
  sys.raise = true;
  EXPECT_EQ(RasEntryList(sys), "Error");
  EXPECT_EQ(RasDialUserName(sys, "Office"), "Error");
}

TEST(ProbePadIpAddress, EachNumberRightAlignedInThree) {
  EXPECT_EQ(PadIpAddress(""), "");
  EXPECT_EQ(PadIpAddress("(N/A)"), "(N/A)");
  EXPECT_EQ(PadIpAddress("192.168.0.5"), "192.168.  0.  5");
  EXPECT_EQ(PadIpAddress("10.1.20.3"), " 10.  1. 20.  3");
  EXPECT_EQ(PadIpAddress("7"), "  7");
  EXPECT_EQ(PadIpAddress("Error!"), "Error!");
  EXPECT_EQ(PadIpAddress("10.0.0.1.192.168.1.2"), " 10.  0.  0.  1.192.168.  1.  2");
}
