// The antivirus rows from registry exports of each product version (tests/data/antivirus), the
// virus-found log, and ClamAV on a PC without a Windows registry.
#include "collect/Antivirus.h"

#include <gtest/gtest.h>

#include <fstream>

#include "collect/ClamAvStatus.h"
#include "collect/FakeSystemServices.h"
#include "platform/TextFiles.h"
#include "platform/PlatformServices.h"
#include "support/RegistryFixtures.h"
#include "ui/MemoryViews.h"

namespace mrv {
namespace {

using Rows = std::vector<std::string>;

class Antivirus : public ::testing::Test {
 protected:
  Rows run(const std::string& fixture) {
    Sources sources;
    sources.registry = std::string(MERVANA_SOURCE_DIR) + "/tests/data/antivirus/" + fixture;
    std::vector<std::string> messages;
    auto store = openRegistrySource(sources, messages);
    EXPECT_TRUE(messages.empty()) << messages.front();
    return runWith(store.get());
  }
  Rows runWith(RegistryStore* store) {
    Platform platform;
    platform.registry = store;
    platform.system = &sys;
    CollectionState state(store);
    ScriptedDialogs dialogs;
    CollectionContext ctx(platform, state, dialogs);
    ctx.recordFolder = dir.path() + "/";
    ctx.onStepFailure = [&](std::string_view, std::string_view what) { failures.emplace_back(what); };
    return AntivirusStatus(ctx);
  }
  std::string logPath() const { return dir.path() + "/VirusScan/VirusFound.txt"; }
  Rows logLines() const {
    Rows lines;
    readAnsiLines(logPath(), lines);
    return lines;
  }

  testing::TempDir dir;
  test::FakeSystemServices sys;
  std::vector<std::string> failures;
};

TEST_F(Antivirus, NoProduct) {
  testing::writeBytes(dir.file("empty.reg"), "Windows Registry Editor Version 5.00\r\n");
  Sources sources;
  sources.registry = dir.file("empty.reg");
  std::vector<std::string> messages;
  auto store = openRegistrySource(sources, messages);
  EXPECT_EQ(runWith(store.get()), (Rows{"'", "", "", "", "", "", "'---"}));
  EXPECT_TRUE(failures.empty());
}

TEST_F(Antivirus, PcCillin) {
  EXPECT_EQ(run("pccillin-12.reg"), (Rows{"TrendMicro 12.0.1234", "8.550.1001", "4.123.00", "", "", "1", "'---"}));
  // a short version is kept as it stands and nothing else is read from PC-cillin
  EXPECT_EQ(run("pccillin-short-version.reg"), (Rows{"'2007", "", "", "", "", "", "'---"}));
}

TEST_F(Antivirus, AValueOfTheWrongTypeEmptiesOnlyItsOwnRow) {
  const Rows rows = run("pccillin-enable-as-text.reg");
  EXPECT_EQ(rows, (Rows{"TrendMicro 12.0.1234", "8.550.1001", "", "", "", "", "'---"}));
  EXPECT_EQ(failures.size(), 2u) << "the pattern stored as a number and the flag stored as text";
}

TEST_F(Antivirus, VirusScanEnterprise87) {
  EXPECT_EQ(run("vse-8.7.reg"), (Rows{"'8.7.0.570", "5400.1158", "5400.0000",
                                      "CANCELLED 2008/04/02 08:00:00 --> 2008/04/02 09:00:00", "3", "1",
                                      "'1-2  3:05"}));
  EXPECT_EQ(logLines(), (Rows{"CANCELLED 2008/04/02 08:00:00 --> 2008/04/02 09:00:00 3 PC01"}));
  // the same scan found again is not logged twice
  run("vse-8.7.reg");
  EXPECT_EQ(logLines().size(), 1u);
}

TEST_F(Antivirus, McAfeeWinsOverPcCillinAndABadEngineValueIsNotFatal) {
  // no task data: the identifier and both times are empty
  EXPECT_EQ(run("vse-8.7-with-pccillin.reg"), (Rows{"'8.7.0.570", "", "5400.0000", "  --> ", "", "0", "'---"}));
  EXPECT_EQ(failures.size(), 1u);
}

TEST_F(Antivirus, VirusScanEnterprise85) {
  EXPECT_EQ(run("vse-8.5.reg"),
            (Rows{"'8.5.0.781", "5100.0194", "4930.0000", "2008/04/01 09:00:00", "0", "0", "'---"}));
  EXPECT_FALSE(std::ifstream(logPath())) << "no infected files, no log";
}

TEST_F(Antivirus, VirusScan80WithTheOlderEngine) {
  EXPECT_EQ(run("vse-8.0.reg"),
            (Rows{"'8.0.0.912", "4.4.00", "4.0.4401", "2008/04/01 09:00:00", "2", "0", "'---"}));
  EXPECT_EQ(logLines(), (Rows{"2008/04/01 09:00:00 2 PC01"}));
}

TEST_F(Antivirus, VirusScan71And65) {
  EXPECT_EQ(run("vse-7.1.reg"), (Rows{"'7.1.0", "", "", "", "0", "", "'---"})) << "no scan log file";
  sys.fileTimes["c:\\Documents and Settings\\All Users\\Application Data\\Network Associates\\VirusScan\\"
                "OnDemandScanLog.txt"] = LocalTime{2007, 3, 9, 8, 5, 1};
  EXPECT_EQ(run("vse-7.1.reg")[3], "2007/03/09 08:05:01");
  // the online scanner's disk is not newer than the definitions: the pattern stays
  EXPECT_EQ(run("vse-6.5.reg"), (Rows{"'4.5.1", "4.1.60", "4.0.4290", "2003/7/15 9:05:03", "1", "1", "'---"}));
  EXPECT_EQ(logLines(), (Rows{"2003/7/15 9:05:03 1 PC01"}));
}

TEST_F(Antivirus, ALogThatCannotBeWrittenStillGivesSevenRows) {
  // the log folder's place is taken by a file
  testing::writeBytes(dir.file("VirusScan"), "not a folder");
  EXPECT_EQ(run("vse-8.0.reg")[4], "2");
  EXPECT_EQ(failures.size(), 1u);
}

TEST(VirusFoundLog, APartialLastLineIsNoMatchAndStaysApart) {
  testing::TempDir dir;
  const std::string log = dir.file("VirusFound.txt");
  testing::writeBytes(log, "2008/04/01 09:00:00 2 PC01\r\n2008/04/01 09:00:00 2 PC");
  EXPECT_TRUE(AppendVirusFoundLine(log, "2008/04/01 09:00:00 2 PC01"));
  EXPECT_TRUE(AppendVirusFoundLine(log, "2008/04/01 09:00:00 2 PC"));
  std::string text;
  ASSERT_TRUE(readAnsiFile(log, text));
  EXPECT_EQ(text, "2008/04/01 09:00:00 2 PC01\r\n2008/04/01 09:00:00 2 PC2008/04/01 09:00:00 2 PC\r\n");
}

TEST(AntivirusRules, VersionNumber) {
  EXPECT_EQ(VersionNumber(""), 0);
  EXPECT_EQ(VersionNumber("4321"), 4321);
  EXPECT_EQ(VersionNumber("4.0.4321"), 400004321);
  EXPECT_EQ(VersionNumber("4.0.x"), -1);
  EXPECT_EQ(VersionNumber("4..1"), -1);
}

TEST(AntivirusRules, FiletimeTextAddsNineHours) {
  EXPECT_EQ(FiletimeText("128514816000000000"), "2008/04/01 09:00:00");
  EXPECT_EQ(FiletimeText("12851481600"), "2008/04/01 09:00:00");
  EXPECT_EQ(FiletimeText(""), "");
  EXPECT_EQ(FiletimeText("1285148x6000000000"), "");
}

// A PC without a Windows registry: the facts ClamAV leaves.
class ClamAvServices : public test::FakeSystemServices {
 public:
  std::map<std::string, std::string> contents;
  bool readFile(const std::string& path, std::string& bytes, std::size_t maxBytes) override {
    check();
    auto it = contents.find(path);
    if (it == contents.end()) return false;
    bytes = it->second.substr(0, maxBytes);
    return true;
  }
};

Rows clamRows(ClamAvServices& sys) {
  Platform platform;
  platform.system = &sys;
  CollectionState state(nullptr);
  ScriptedDialogs dialogs;
  CollectionContext ctx(platform, state, dialogs);
  return AntivirusStatus(ctx);
}

std::string cvdHeader(const std::string& version) {
  std::string h = "ClamAV-VDB:07 Dec 2026 08-26 +0000:" + version + ":2069480:90:0123456789abcdef:sig:builder:1765095960";
  return h + std::string(512 - h.size(), ' ') + std::string(4096, 'x');
}

TEST(ClamAv, InstalledWithDatabasesAndOnAccessScanning) {
  ClamAvServices sys;
  sys.packages = std::vector<std::pair<std::string, std::string>>{
      {"bash", "5.2.15-2+b2"}, {"clamav", "1.0.7+dfsg-1~deb12u1"}, {"libclamav-dev", "1.0.7+dfsg-1~deb12u1"},
      {"libclamav11", "1.0.7+dfsg-1~deb12u1"}};
  sys.contents["/var/lib/clamav/daily.cvd"] = cvdHeader("27470");
  sys.contents["/var/lib/clamav/daily.cld"] = cvdHeader("27480");
  sys.contents["/var/lib/clamav/main.cvd"] = cvdHeader("62");
  sys.processes = std::vector<std::string>{"systemd", "clamd", "clamonacc"};
  EXPECT_EQ(clamRows(sys), (Rows{"'ClamAV 1.0.7", "1.0.7", "27480", "", "", "1", ""}));

  sys.processes = std::vector<std::string>{"clamd"};
  sys.contents.erase("/var/lib/clamav/daily.cvd");
  sys.contents.erase("/var/lib/clamav/daily.cld");
  EXPECT_EQ(clamRows(sys), (Rows{"'ClamAV 1.0.7", "1.0.7", "62", "", "", "0", ""}));
}

TEST(ClamAv, NotInstalledOrDamagedDatabases) {
  ClamAvServices sys;
  sys.packages = std::vector<std::pair<std::string, std::string>>{{"bash", "5.2.15-2+b2"}};
  EXPECT_EQ(clamRows(sys), (Rows{"'", "", "", "", "", "", ""}));

  // no package database, but the scanner is there; a database whose header is not one
  sys.packages.reset();
  sys.files.insert("/usr/bin/clamscan");
  sys.contents["/var/lib/clamav/daily.cvd"] = "garbage";
  EXPECT_EQ(clamRows(sys), (Rows{"'ClamAV", "", "", "", "", "", ""}));

  sys.raise = true;
  EXPECT_EQ(clamRows(sys), (Rows{"'", "", "", "", "", "", ""}));
}

TEST(ClamAv, VersionTexts) {
  EXPECT_EQ(UpstreamVersion("1.0.7+dfsg-1~deb12u1"), "1.0.7");
  EXPECT_EQ(UpstreamVersion("1:0.103.11-0ubuntu0.22.04.1"), "0.103.11");
  EXPECT_EQ(UpstreamVersion("1.4.1"), "1.4.1");
  EXPECT_EQ(ClamAvDatabaseVersion("ClamAV-VDB:x:27480:1:90"), "27480");
  EXPECT_EQ(ClamAvDatabaseVersion("ClamAV-VDB:x:new:1:90"), "");
  EXPECT_EQ(ClamAvDatabaseVersion("MZ\x90"), "");
}

}  // namespace
}  // namespace mrv
