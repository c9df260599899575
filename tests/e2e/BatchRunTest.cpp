// Runs the built program as an administrator's logon script would, and reads the files it writes.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/Text.h"
#include "base/Utf8Path.h"
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "support/RunProgram.h"

namespace fs = std::filesystem;

namespace {

using testsupport::RunResult;

// "/b0" waits no time at all: far less than this bound, which only tells it from the five minutes
// a plain "/b" waits (wine starts its services with the first program, and a loaded machine is slow)
constexpr double kQuickRunSeconds = 60.0;
#ifdef _WIN32
constexpr const char* kNewLine = "\r\n";  // the console's line end
unsigned long currentProcessId() { return GetCurrentProcessId(); }
#else
constexpr const char* kNewLine = "\n";
unsigned long currentProcessId() { return static_cast<unsigned long>(::getpid()); }
#endif

std::string slurp(const fs::path& p) { return testsupport::slurpFile(p); }

// Runs the program without a desktop to talk to (a logon without one), as a logon script would.
RunResult run(const fs::path& program, const std::vector<std::string>& args, const fs::path& dir) {
  return testsupport::runProgram(program, args, dir);
}

#ifndef _WIN32
// A shell command line (for the tests that need the shell's own tools), without a desktop.
// With `display`, DISPLAY is set to it instead.
RunResult runShell(const std::string& command, const fs::path& dir, const std::string& display = {}) {
  return testsupport::runProgram(
      "/bin/sh",
      {"-c", "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                 (display.empty() ? std::string() : "DISPLAY=" + display + " ") + command},
      dir);
}
#endif

class BatchRun : public ::testing::Test {
 protected:
  fs::path dir;
  fs::path program;  // a copy of the program in its own folder, so its neighbours are ours

  void SetUp() override {
    dir = fs::temp_directory_path() / ("mrv-e2e-" + std::to_string(currentProcessId()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    program = dir / "bin" / mrv::pathFromUtf8(MERVANA_BINARY).filename();
    fs::copy_file(mrv::pathFromUtf8(MERVANA_BINARY), program);
  }
  void TearDown() override {
    if (HasFailure()) return;
    // a program that has just ended may hold its files a moment longer on some systems (under wine
    // its copy in bin/ stays held for a while, now and then until the test program ends): the
    // folder is only the test's scratch space, so one left behind is said, not failed
    std::error_code ec;
    for (int attempt = 0; attempt < 100 && (fs::remove_all(dir, ec), ec); ++attempt)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (ec) std::cerr << "note: the scratch folder " << dir << " is left behind: " << ec.message() << "\n";
  }
  void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  // A configuration that saves into `saveDir` from the drive dumps in `drives`.
  std::string drivesIni(const fs::path& saveDir, const fs::path& drives) {
    const fs::path p = dir / "conf" / "site.ini";
    fs::create_directories(p.parent_path());
    write(p, "[General]\r\nSaveDir=" + saveDir.string() + "\r\n[Sources]\r\nDrives=" + drives.string() + "\r\n");
    return p.string();
  }
  std::string ini(const fs::path& saveDir) {
    const fs::path p = dir / "conf" / "site.ini";
    fs::create_directories(p.parent_path());
    write(p, "[General]\r\nSaveDir=" + mrv::utf8ToAnsi(mrv::utf8FromPath(saveDir)) + "\r\n");
    return mrv::utf8FromPath(p);
  }
  static std::vector<fs::path> csvFiles(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec))
      if (e.path().extension() == ".csv") out.push_back(e.path());
    return out;
  }
};

}  // namespace

TEST_F(BatchRun, SavesAWholeShiftJisRecordAndPrintsItsPath) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const auto r = run(program, {"/b0", ini(save)}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LT(r.seconds, kQuickRunSeconds);
  const auto files = csvFiles(save);
  ASSERT_EQ(files.size(), 1u) << r.out << r.err;
  EXPECT_EQ(r.out, mrv::utf8FromPath(files[0]) + kNewLine);

  const std::string bytes = slurp(files[0]);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  std::vector<std::string> lines;
  ASSERT_TRUE(mrv::readAnsiLines(mrv::utf8FromPath(files[0]), lines));
  EXPECT_GE(lines.size(), 190u);  // 90 standard rows and at least 100 program rows
  EXPECT_EQ(lines[0] + ".csv", files[0].filename().string());  // row 1 is the file's stem
  EXPECT_EQ(lines[1].rfind("Mervana", 0), 0u);
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == '\n') {
      ASSERT_EQ(bytes[i - 1], '\r') << "bare LF at byte " << i;
    }
}

TEST_F(BatchRun, WithoutSaveDirUsesPcdataBesideTheProgramsFolder) {
  fs::create_directories(dir / "pcdata");
  const auto r = run(program, {"/b0"}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(csvFiles(dir / "pcdata").size(), 1u);
  fs::remove_all(dir / "pcdata");
  ASSERT_EQ(run(program, {"/b0"}, dir).status, 0);
  EXPECT_EQ(csvFiles(dir / "bin").size(), 1u);
}

TEST_F(BatchRun, NoRecordSwitchWritesNoRecord) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const auto r = run(program, {"/p/h/b0", ini(save)}, dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_empty(save));
}

TEST_F(BatchRun, AnUnwritableSaveFolderFailsTheBatchRunLoudly) {
  const auto r = run(program, {"/b0", ini(dir / "no" / "such" / "folder")}, dir);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("mervana:"), std::string::npos);
  EXPECT_TRUE(r.out.empty());
}

// A [Sources] entry that cannot be used at all would leave this PC's facts under another PC's record
// (or the other way round): the run saves neither a record nor a history line and says why.
TEST_F(BatchRun, AConfiguredSourceThatCannotBeOpenedSavesNothing) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  fs::create_directories(dir / "a-folder");
  write(dir / "empty.reg", "");
  write(dir / "junk.txt", std::string(300, 'z'));
  const std::string folder = mrv::utf8FromPath(dir / "a-folder"), missing = mrv::utf8FromPath(dir / "missing.reg");
  const std::string empty = mrv::utf8FromPath(dir / "empty.reg"), junk = mrv::utf8FromPath(dir / "junk.txt");
  const std::vector<std::pair<std::string, std::string>> sources{
      {"Registry", empty}, {"Registry", missing},     {"Registry", junk},  {"UserRegistry", missing},
      {"Wmi", folder},     {"Wmi", junk},             {"Cpuid", junk},     {"Drives", missing},
      {"Registry", folder},  // a folder without a Windows installation in it
  };
  for (const auto& [key, value] : sources) {
    const fs::path conf = dir / "conf" / "site.ini";
    fs::create_directories(conf.parent_path());
    write(conf, "[General]\r\nSaveDir=" + mrv::utf8ToAnsi(mrv::utf8FromPath(save)) + "\r\n[Sources]\r\n" + key + "=" +
                    mrv::utf8ToAnsi(value) + "\r\n");
    const fs::path out = dir / ("out-" + key + "-" + fs::path(value).filename().string());
    fs::create_directories(out);
    const auto r = run(program, {"/b0", mrv::utf8FromPath(conf)}, out);
    EXPECT_EQ(r.status, 1) << key << "=" << value << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << key << "=" << value << ": " << r.out;
    EXPECT_TRUE(fs::is_empty(save)) << key << "=" << value << ": something was written";
    EXPECT_NE(r.err.find(key + "="), std::string::npos) << r.err;  // which entry
    EXPECT_NE(r.err.find("記録も履歴も書きませんでした"), std::string::npos) << r.err;
  }
}

// A registry export with damaged lines is still the other PC's registry: what can be read is used.
TEST_F(BatchRun, ARegistryExportWithSomeBadLinesStillNamesTheRecord) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  write(dir / "partly.reg",
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n\"Current\"=dword:00000001\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\ComputerName\\ComputerName]\r\n"
        "this line is no value\r\n\"Broken\"=hex:zz,q1\r\n\"ComputerName\"=\"SALES-PC3\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Unfinished\r\n");
  const fs::path conf = dir / "conf" / "site.ini";
  fs::create_directories(conf.parent_path());
  write(conf, "[General]\r\nSaveDir=" + mrv::utf8ToAnsi(mrv::utf8FromPath(save)) + "\r\n[Sources]\r\nRegistry=" +
                  mrv::utf8ToAnsi(mrv::utf8FromPath(dir / "partly.reg")) + "\r\n");
  const auto r = run(program, {"/p/b0", mrv::utf8FromPath(conf)}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto files = csvFiles(save);
  ASSERT_EQ(files.size(), 1u) << r.err;
  EXPECT_EQ(files[0].filename().string().rfind("SALES-PC3__", 0), 0u) << files[0];
}

// An export of a few keys names no PC: the run is this machine's, saved under its name, with the
// warning on stderr.
TEST_F(BatchRun, ARegistryExportWithoutAComputerNameIsSavedUnderThisMachinesName) {
  const fs::path own = dir / "own", save = dir / "records";
  fs::create_directories(own);
  fs::create_directories(save);
  ASSERT_EQ(run(program, {"/p/b0", ini(own)}, dir).status, 0);
  ASSERT_EQ(csvFiles(own).size(), 1u);
  const std::string ownName = mrv::utf8FromPath(csvFiles(own)[0].filename());
  write(dir / "few-keys.reg",
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App]\r\n\"Version\"=\"2.0\"\r\n");
  const fs::path conf = dir / "conf" / "site.ini";
  write(conf, "[General]\r\nSaveDir=" + mrv::utf8ToAnsi(mrv::utf8FromPath(save)) + "\r\n[Sources]\r\nRegistry=" +
                  mrv::utf8ToAnsi(mrv::utf8FromPath(dir / "few-keys.reg")) + "\r\n");
  const auto r = run(program, {"/p/b0", mrv::utf8FromPath(conf)}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("holds no computer name; this machine's name is used"), std::string::npos) << r.err;
  const auto files = csvFiles(save);
  ASSERT_EQ(files.size(), 1u) << r.err;
  const std::string name = mrv::utf8FromPath(files[0].filename());
  EXPECT_EQ(name.substr(0, name.find("__")), ownName.substr(0, ownName.find("__"))) << name << " " << ownName;
}

// The name an offline installation gives decides the record's name: one the code page cannot hold,
// and one past the file system's limit, are both saved, with row 1 and the file name agreeing.
TEST_F(BatchRun, NamesOutsideShiftJisOrPastTheNameLimitAreSavedUnderRowOne) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  // (computer name, domain): a name the code page cannot hold; a domain name past the limit
  std::vector<std::pair<std::string, std::string>> names{{"\xF0\x9F\x98\x80PC", "G"}};
#ifndef _WIN32
  names.emplace_back("PC7", std::string(300, 'D'));  // past 260 characters Windows needs the long-path opt-in
#endif
  for (const auto& [name, domain] : names) {
    const std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SYSTEM\\Select]\r\n\"Current\"=dword:00000001\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Control\\ComputerName\\ComputerName]\r\n"
                            "\"ComputerName\"=\"" + name + "\"\r\n\r\n"
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\r\n"
                            "\"CachePrimaryDomain\"=\"" + domain + "\"\r\n";
    write(dir / "pc.reg", "\xFF\xFE" + mrv::utf8ToUtf16le(reg));
    const fs::path conf = dir / "conf" / "site.ini";
    fs::create_directories(conf.parent_path());
    write(conf, "[General]\r\nSaveDir=" + mrv::utf8ToAnsi(mrv::utf8FromPath(save)) + "\r\n[Sources]\r\nRegistry=" +
                    mrv::utf8ToAnsi(mrv::utf8FromPath(dir / "pc.reg")) + "\r\n");
    const auto r = run(program, {"/p/b0", mrv::utf8FromPath(conf)}, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto files = csvFiles(save);
    ASSERT_EQ(files.size(), 1u) << r.err;
    const std::string fileName = mrv::utf8FromPath(files[0].filename());
    std::vector<std::string> lines;
    ASSERT_TRUE(mrv::readAnsiLines(mrv::utf8FromPath(files[0]), lines));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0] + ".csv", fileName);
    EXPECT_LE(fileName.size(), 255u);
    if (domain.size() > 1)
      EXPECT_EQ(fileName.rfind("PC7__" + std::string(237, 'D') + "~", 0), 0u) << fileName;
    else
      EXPECT_EQ(fileName, "_PC__G.csv");
    fs::remove(files[0]);
  }
}

TEST_F(BatchRun, InteractiveWithoutADisplaySaysSoAndExitsOne) {
  const auto r = run(program, {}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

#ifndef _WIN32
// The audit program here is a shell script, and the concurrent saves need separate host names.
TEST_F(BatchRun, AuditProgramStartsOnlyWhileItsLogIsSmall) {
  if (::geteuid() != 0) GTEST_SKIP() << "the audit program starts only for an administrator";
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const fs::path marker = dir / "audit-args.txt";
  write(dir / "bin" / "zoviziri", "#!/bin/sh\necho \"$@\" >> " + marker.string() + "\n");
  fs::permissions(dir / "bin" / "zoviziri", fs::perms::owner_all);
  const std::vector<std::string> cmd{"/w/b0", ini(save)};

  ASSERT_EQ(run(program, cmd, dir).status, 0);
  const auto files = csvFiles(save);
  ASSERT_EQ(files.size(), 1u);
  const fs::path log = save / "p2p" / (files[0].stem().string() + ".log");
  EXPECT_TRUE(fs::is_directory(save / "p2p"));
  auto waitForLines = [&](std::size_t n) {
    for (int i = 0; i < 100; ++i) {
      std::vector<std::string> l;
      std::ifstream in(marker);
      for (std::string s; std::getline(in, s);) l.push_back(s);
      if (l.size() >= n) return l;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::vector<std::string>{};
  };
  auto lines = waitForLines(1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "/SILENT /START /LOG=" + log.string());

  write(log, std::string(80, 'x'));  // 80 bytes: runs again
  ASSERT_EQ(run(program, cmd, dir).status, 0);
  EXPECT_EQ(waitForLines(2).size(), 2u);
  write(log, std::string(81, 'x'));  // 81 bytes: does not
  ASSERT_EQ(run(program, cmd, dir).status, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(waitForLines(2).size(), 2u);
}

#ifndef _WIN32
// A DISPLAY left behind by a closed remote session names a display nobody answers on: the window
// library would end the process (exit 134, nothing saved). The batch run goes on without it.
TEST_F(BatchRun, AStaleDisplayNeverStopsABatchRun) {
  // a TCP port nothing listens on, as the forwarded display of a closed ssh session
  const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(probe, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const int port = ntohs(addr.sin_port);
  ::close(probe);
  ASSERT_GT(port, 6000);
  const fs::path save = dir / "records";
  fs::create_directories(save);
  for (const std::string& display : {"localhost:" + std::to_string(port - 6000) + ".0", std::string(":4711")}) {
    const auto r = runShell(program.string() + " /b0 " + ini(save), dir, display);
    EXPECT_EQ(r.status, 0) << display << ": " << r.err;
    EXPECT_EQ(csvFiles(save).size(), 1u) << display;
    // an interactive start says there is no display and exits 1
    const auto i = runShell(program.string(), dir, display);
    EXPECT_EQ(i.status, 1) << display << ": " << i.err;
    EXPECT_NE(i.err.find("mervana: "), std::string::npos) << i.err;
  }
}

// A mistyped configuration path holds "/b": it must not start a five-minute batch run, and says
// that the file is missing.
TEST_F(BatchRun, AMistypedConfigurationPathIsNoBatchRun) {
  const auto r = runShell(program.string() + " " + (dir / "bob" / "site.ini").string(), dir);
  EXPECT_EQ(r.status, 1);  // interactive, and no display here
  EXPECT_LT(r.seconds, kQuickRunSeconds);
  EXPECT_NE(r.err.find("設定ファイルがありません: " + (dir / "bob" / "site.ini").string()), std::string::npos) << r.err;
}

#endif
// Twenty PCs saving into one shared folder at the same moment: each in its own UTS namespace,
// with its own host name and so its own computer name.
TEST_F(BatchRun, TwentyConcurrentSavesLeaveTwentyWholeRecords) {
  if (::geteuid() != 0 || std::system("unshare -u true >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "needs root and unshare for separate host names";
  const fs::path save = dir / "shared";
  fs::create_directories(save);
  const std::string conf = ini(save);
  std::string script;
  for (int i = 0; i < 20; ++i)
    script += "unshare -u sh -c 'hostname pc" + std::to_string(i) + " && exec " + program.string() + " /b0 " + conf +
              "' & ";
  script += "wait";
  const auto r = runShell("sh -c \"" + script + "\"", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const auto files = csvFiles(save);
  ASSERT_EQ(files.size(), 20u) << r.err;
  for (const auto& f : files) {
    std::vector<std::string> lines;
    ASSERT_TRUE(mrv::readAnsiLines(f.string(), lines));
    EXPECT_GE(lines.size(), 190u) << f;
    EXPECT_EQ(lines[0] + ".csv", f.filename().string());
  }
  for (const auto& e : fs::directory_iterator(save)) EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}
#ifndef _WIN32

// A logon run on a PC whose disk has started failing since the last run, with no desktop to show
// the alert on: the alert goes to stderr, the logs get their lines and the run ends with 0.
TEST_F(BatchRun, AFailingReplayedDiskIsAlertedOnStderrAndLogged) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const fs::path drives = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading";
  auto conf = [&](const char* stage) { return drivesIni(save, drives / stage); };
  const auto first = runShell(program.string() + " /b0 " + conf("1-healthy"), dir);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.err.find("ハードディスク"), std::string::npos) << first.err;
  const fs::path history = save / "hdd" / fs::path(first.out.substr(0, first.out.size() - 1)).filename();
  std::vector<std::string> lines;
  ASSERT_TRUE(mrv::readAnsiLines(history.string(), lines)) << history;
  EXPECT_EQ(lines.size(), 3u);

  const auto second = runShell(program.string() + " /b0 " + conf("4-failing"), dir);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_LT(second.seconds, kQuickRunSeconds);  // nobody is waited for
  EXPECT_NE(second.err.find("【重要】ハードディスクが故障しました\n作業をやめ直ちにシステム担当者に連絡してください"),
            std::string::npos)
      << second.err;
  ASSERT_TRUE(mrv::readAnsiLines(history.string(), lines));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[3].find(",1,1,"), std::string::npos);  // SmartFailTot, SmartWarnTot
  for (const char* log : {"_hddfail.txt", "_failed.txt", "_fail_plus_warning.txt"}) {
    std::vector<std::string> entries;
    ASSERT_TRUE(mrv::readAnsiLines((save / "hdd" / log).string(), entries)) << log;
    ASSERT_EQ(entries.size(), 1u) << log;
    EXPECT_NE(entries[0].find("  故障 1/0  警告 1/0"), std::string::npos) << entries[0];
  }

  ASSERT_EQ(runShell(program.string() + " /p/b0 " + conf("4-failing"), dir).status, 0);
  ASSERT_TRUE(mrv::readAnsiLines(history.string(), lines));
  EXPECT_EQ(lines.size(), 4u);
}

// The same on a PC that boots from an NVMe drive and keeps an ATA disk for data: both drives get
// their segment of the history row, and the NVMe drive's failure raises the alert.
TEST_F(BatchRun, AFailingReplayedNvmeDriveIsAlertedAndBothDrivesAreKept) {
  const fs::path save = dir / "records";
  fs::create_directories(save);
  const fs::path drives = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-nvme";
  auto conf = [&](const char* stage) { return drivesIni(save, drives / stage); };
  const auto first = runShell(program.string() + " /b0 " + conf("1-healthy"), dir);
  ASSERT_EQ(first.status, 0) << first.err;
  const fs::path record = fs::path(first.out.substr(0, first.out.size() - 1));
  const fs::path history = save / "hdd" / record.filename();
  std::vector<std::string> lines;
  ASSERT_TRUE(mrv::readAnsiLines(history.string(), lines)) << history;
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(",HoursRunning,*1: Critical Warning,Current,"), std::string::npos);
  EXPECT_NE(lines[0].find(",HoursRunning,*1: Raw Read Error Rate,Current,"), std::string::npos);
  EXPECT_NE(lines[2].find(",SAMSUNG MZVLB512HBJQ-000L7,"), std::string::npos) << lines[2];
  EXPECT_NE(lines[2].find(",WDC WD800JD-75MSA3,"), std::string::npos) << lines[2];
  // rows 56-61 of the record: the NVMe drive's counts and blocks by number
  std::vector<std::string> values;
  ASSERT_TRUE(mrv::readAnsiLines(record.string(), values));
  ASSERT_GT(values.size(), 61u);
  EXPECT_EQ(values[55], "0/0");
  EXPECT_EQ(values[56], "OK/0/0/0");
  EXPECT_EQ(values[60], "/35/39");  // the hottest of the composite and sensor 1

  const auto second = runShell(program.string() + " /b0 " + conf("3-failing"), dir);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_NE(second.err.find("【重要】ハードディスクが故障しました"), std::string::npos) << second.err;
  ASSERT_TRUE(mrv::readAnsiLines(history.string(), lines));
  ASSERT_EQ(lines.size(), 4u);
  // failing: critical warning and spare; in warning: 97 % used and media errors grown from 0 to 5
  EXPECT_NE(lines[3].find(",5,2,2,1633,6414,故障,1,1,0,1,警戒,97,"), std::string::npos) << lines[3];
  std::vector<std::string> entries;
  ASSERT_TRUE(mrv::readAnsiLines((save / "hdd" / "_hddfail.txt").string(), entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_NE(entries[0].find("  故障 2/0  警告 2/0"), std::string::npos) << entries[0];
}
#endif
#endif
