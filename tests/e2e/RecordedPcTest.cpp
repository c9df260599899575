// A whole batch run against a recorded PC: KEIRI-PC07, the accounts office's PC of 2006 in
// tests/data (a .reg export of its registry, its WMI answers, its processor's CPUID leaves and its
// two disks' S.M.A.R.T. dumps; tests/data/recorded holds another PC of that office, SOUMU-PC07,
// which the collectors' own tests read). The record the program saves is compared byte for byte (Shift-JIS, CR LF) with the expected file
// tests/data/e2e/keiri-pc07.expected.csv.
//
// When a change to the record is intended (rows being filled, a collector changed), regenerate the
// expected file and review its diff before committing it:
//
//     MERVANA_UPDATE_EXPECTED=1 build/test_e2e --gtest_filter='RecordedPc.*'
//
// Rows whose facts come from the machine running the test (the clock, the session's user, this
// machine's memory, drives, host name and address, printers) have no recorded source yet; they
// are listed in kMachineRows by key and stand in the expected file as "@machine:Key". Every other
// byte must match.
// Runs the program through sh and its wait status: Linux only for now.
#ifdef __linux__
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "records/ItemCatalogue.h"
#include "support/TestEnv.h"
#include "support/FileBytes.h"

namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data";
const fs::path kExpected = kData / "e2e" / "keiri-pc07.expected.csv";

// Items read from the machine the test runs on, not from the recorded sources.
// (The program's version, row 2, is compared: a new version regenerates the file.)
constexpr std::string_view kMachineRows[] = {
    "UserName",      "NetUserName",     "DateTime",           "TimeDifference",       "MyDocumentsDir",
    "ScreenWidth",   "ScreenColorBits", "MemoryMB",           "PageMemory",           "WinDrive",
    "WinDriveFree",  "WinDriveTotal",   "SubDrive",           "SubDriveFree",         "SubDriveTotal",
    "IsAdmin",       "HostName",        "IpAddress",          "DefaultPrinterName",   "DefaultPrinterDriver",
    "DefaultPrinterPort", "DefaultPrinterColor", "PrinterSharing", "DialUp",          "HoursFromStart",
};

// The record's lines (CR LF kept off), with the machine rows replaced by their markers.
std::vector<std::string> masked(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(at) + "<no CR LF at the end>");
      break;
    }
    lines.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  for (std::string_view key : kMachineRows) {
    const int pos = mrv::cataloguePos(key);
    EXPECT_GT(pos, 0) << key;
    if (pos > 0 && static_cast<std::size_t>(pos) <= lines.size())
      lines[static_cast<std::size_t>(pos - 1)] = "@machine:" + std::string(key);
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

}  // namespace

TEST(RecordedPc, BatchRecordMatchesTheExpectedFileByteForByte) {
  const fs::path dir = fs::temp_directory_path() / ("mrv-recorded-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "bin");
  fs::create_directories(dir / "records");
  const fs::path program = dir / "bin" / "mervana";
  fs::copy_file(MERVANA_BINARY, program);
  const fs::path ini = dir / "site.ini";
  std::ofstream(ini, std::ios::binary) << "[General]\r\nSaveDir=" << (dir / "records").string()
                                       << "\r\n[Sources]\r\nRegistry=" << (kData / "e2e" / "keiri-pc07.reg").string()
                                       << "\r\nWmi=" << (kData / "wmi" / "office-pc-2006.txt").string()
                                       << "\r\nCpuid=" << (kData / "e2e" / "cpuid.txt").string()
                                       << "\r\nDrives=" << (kData / "e2e" / "drives").string() << "\r\n";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C.UTF-8 " + program.string() +
                              " /p/b0 " + ini.string() + " >" + (dir / "out.txt").string() + " 2>" +
                              (dir / "err.txt").string() + " </dev/null";
  const int rc = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << testsupport::slurpFile(dir / "err.txt");
  std::vector<fs::path> records;
  for (const auto& e : fs::directory_iterator(dir / "records"))
    if (e.path().extension() == ".csv") records.push_back(e.path());
  ASSERT_EQ(records.size(), 1u) << testsupport::slurpFile(dir / "err.txt");
  EXPECT_EQ(records[0].filename(), "KEIRI-PC07__.csv");

  const std::string actual = joined(masked(testsupport::slurpFile(records[0])));
  if (mrv::testing::updateExpectedFiles()) {
    std::ofstream(kExpected, std::ios::binary) << actual;
    std::cout << "rewrote " << kExpected << "\n";
  }
  const std::string expected = testsupport::slurpFile(kExpected);
  ASSERT_FALSE(expected.empty()) << kExpected << " is missing: MERVANA_UPDATE_EXPECTED=1 writes it";
  if (actual != expected) {
    // name the first row that differs, with both texts, before the byte comparison fails
    std::istringstream a(actual), e(expected);
    std::string la, le;
    int row = 1;
    while (std::getline(a, la) && std::getline(e, le) && la == le) ++row;
    ADD_FAILURE() << "row " << row << " differs (Shift-JIS bytes)\n  actual:   " << la << "\n  expected: " << le;
  }
  EXPECT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected);
  fs::remove_all(dir);
}

#endif  // __linux__
