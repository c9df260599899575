// mervana.exe opens its window only for a person: a batch run and a support command show none.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "win32gui/ProgramRun.h"
#include "win32gui/WinText.h"

using namespace mrv;
using namespace mrv::testing;

namespace {

// Runs mervana.exe with the arguments; each window it shows is closed as a person would close it
// (a message box first, a source's warning, then the window).
ProgramRun run(const std::wstring& args) {
  return runProgram(wide(MERVANA_BINARY), args, {}, [](const SeenWindow& w) { PostMessageW(w.hwnd, WM_CLOSE, 0, 0); });
}

std::string form1Caption(const ProgramRun& r) {
  for (const auto& w : r.shown)
    if (w.windowClass == L"MervanaForm1") return w.caption;
  return "<not shown>";
}

class Win32ProgramEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("mervana-entry-" + std::to_string(GetCurrentProcessId()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir / "records");
    // with its drive, so the program finds the files from whatever folder it starts in
    const auto data = std::filesystem::absolute(std::filesystem::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "recorded");
    std::ofstream ini(dir / "site.ini", std::ios::binary);
    // the live registry (the export of that PC names no computer, and a batch run refuses such a source)
    ini << "[General]\r\nSaveDir=" << (dir / "records").string() << "\r\n[Sources]\r\nCpuid="
        << (data / "office-pc-2006.cpuid").string() << "\r\n";
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::wstring iniArg() const { return L"\"" + (dir / "site.ini").wstring() + L"\""; }
  std::filesystem::path dir;
};

}  // namespace

TEST_F(Win32ProgramEntry, WithoutBatchTheWindowOpensAndClosesCleanly) {
  const ProgramRun r = run(iniArg());
  EXPECT_EQ(form1Caption(r), "Mervana");
  EXPECT_EQ(r.exitStatus, 0);
}

// On a desktop the window is made, for the dialogs a batch run may need, and never shown.
TEST_F(Win32ProgramEntry, ABatchRunShowsNoWindowAndSavesTheRecord) {
  const ProgramRun r = run(L"/b0 " + iniArg());
  EXPECT_TRUE(r.shown.empty()) << r.shown.front().caption;
  EXPECT_TRUE(r.createdForm1);
  EXPECT_EQ(r.exitStatus, 0);
  int records = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "records"))
    records += e.path().extension() == ".csv" ? 1 : 0;
  EXPECT_EQ(records, 1);
}

TEST_F(Win32ProgramEntry, ASupportCommandShowsNoWindow) {
  const ProgramRun r = run(L"--version");
  EXPECT_TRUE(r.shown.empty());
  EXPECT_FALSE(r.createdForm1);
  EXPECT_EQ(r.exitStatus, 0);
}
