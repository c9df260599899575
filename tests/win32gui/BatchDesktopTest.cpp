// A batch run on a desktop, as a logon run starts it: mervana.exe shows the disk alert in a modal
// box of its own, asks the item definition file's questions in its dialogs, reads the screen as
// the window does, and never gets a console window.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "win32gui/ProgramRun.h"
#include "records/ItemCatalogue.h"
#include "win32gui/Win32TestSupport.h"

using namespace mrv;
using namespace mrv::testing;
namespace fs = std::filesystem;

namespace {

constexpr int kDesktopWidth = 1024;  // under wine, the virtual desktop's size (below)

bool underWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The alert texts and captions as the person at the PC is to read them.
constexpr const char* kFailedAlert =
    "【重要】ハードディスクが故障しました\n作業をやめ直ちにシステム担当者に連絡してください";

class BatchOnDesktop : public ::testing::Test {
 protected:
  // A desktop of each test's own, as a logon session has one (under wine a virtual desktop: a
  // window of its size on the X display, which wine takes from its Explorer key; a fresh one each
  // time, as wine's desktop process leaves with the last program on it).
  void makeDesktop() {
    static int made = 0;
    desktopName = L"MervanaBatch" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++made);
    if (underWine()) {
      HKEY key = nullptr;
      if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) == ERROR_SUCCESS) {
        const std::wstring size = std::to_wstring(kDesktopWidth) + L"x768";
        RegSetValueExW(key, desktopName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(size.c_str()),
                       static_cast<DWORD>((size.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
      }
    }
    desktop = CreateDesktopW(desktopName.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  }

  void SetUp() override {
    makeDesktop();
    ASSERT_NE(desktop, nullptr) << "CreateDesktopW: " << GetLastError();
    dir = fs::temp_directory_path() / ("mervana-desktop-" + std::to_string(GetCurrentProcessId()) + "-" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "bin");
    fs::create_directories(dir / "records");
    // a program folder of its own: regitems.txt lies beside the program
    program = dir / "bin" / "mervana.exe";
    fs::copy_file(MERVANA_BINARY, program);
  }
  void TearDown() override {
    if (desktop) CloseDesktop(desktop);
    std::error_code ec;
    if (!HasFailure()) fs::remove_all(dir, ec);
  }

  // The site's configuration, with the drives replayed from the dumps of one stage of a PC whose
  // first disk wears out.
  std::wstring ini(const char* driveStage) const {
    const fs::path drives = fs::absolute(fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-degrading" /
                                         driveStage);
    const fs::path p = dir / "site.ini";
    std::ofstream(p, std::ios::binary) << "[General]\r\nSaveDir=" << (dir / "records").string()
                                       << "\r\n[Sources]\r\nDrives=" << drives.string() << "\r\n";
    return L"\"" + p.wstring() + L"\"";
  }

  // A logon run: on the test's desktop, with no console to share.
  ProgramRun logonRun(const std::wstring& args, const std::function<void(const SeenWindow&)>& act = {}) const {
    return runProgram(program.wstring(), args, {desktopName, CREATE_NEW_CONSOLE}, act);
  }

  std::vector<std::string> record() const {
    std::vector<std::string> lines;
    for (const auto& e : fs::directory_iterator(dir / "records"))
      if (e.path().extension() == ".csv") readAnsiLines(e.path().string(), lines);
    return lines;
  }

  std::wstring desktopName;
  HDESK desktop = nullptr;
  fs::path dir, program;
};

std::string row(const std::vector<std::string>& lines, std::size_t n) {
  return n >= 1 && n <= lines.size() ? lines[n - 1] : "<no row " + std::to_string(n) + ">";
}

}  // namespace

// The first save writes the history and raises nothing; at the next logon the disk has failed:
// the warning box stands on the desktop until the user has read it, the logs have their line,
// and neither run ever has a console window or shows the main window.
TEST_F(BatchOnDesktop, AFailedDiskIsAlertedInAModalBoxAndNoConsoleAppears) {
  const ProgramRun first = logonRun(L"/b0 " + ini("1-healthy"));
  EXPECT_EQ(first.exitStatus, 0);
  EXPECT_TRUE(first.shown.empty()) << first.shown.front().caption << ": " << first.shown.front().text;
  EXPECT_FALSE(first.consoleWindow);

  bool loggedBeforeTheBox = false;
  const ProgramRun second = logonRun(L"/b0 " + ini("4-failing"), [&](const SeenWindow& w) {
    loggedBeforeTheBox = fs::exists(dir / "records" / "hdd" / "_hddfail.txt");
    clickButton(w.hwnd, IDOK);
  });
  EXPECT_EQ(second.exitStatus, 0);
  EXPECT_FALSE(second.consoleWindow);
  ASSERT_EQ(second.shown.size(), 1u);
  EXPECT_EQ(second.shown[0].windowClass, L"#32770");
  EXPECT_EQ(second.shown[0].caption, "警告");
  EXPECT_EQ(second.shown[0].text, kFailedAlert);
  EXPECT_TRUE(loggedBeforeTheBox);  // a run ended at the box keeps its log line
  for (const char* log : {"_hddfail.txt", "_failed.txt", "_fail_plus_warning.txt"}) {
    std::vector<std::string> entries;
    ASSERT_TRUE(readAnsiLines((dir / "records" / "hdd" / log).string(), entries)) << log;
    ASSERT_EQ(entries.size(), 1u) << log;
    EXPECT_NE(entries[0].find("  故障 1/0  警告 1/0"), std::string::npos) << entries[0];
  }
  EXPECT_TRUE(second.createdForm1);  // the window exists for its dialogs and screen, hidden
  for (const auto& w : second.shown) EXPECT_NE(w.windowClass, L"MervanaForm1");
}

// The item definition file's question and prompt are asked in the batch run; the answers are the
// rows after the standard block; the screen rows are the desktop's, as a Read in the window has them.
TEST_F(BatchOnDesktop, QuestionsAreAskedAndTheScreenRowsAreFilled) {
  std::string definitions;
  for (const char* line : {"<このパソコンは共用ですか", ">設置場所を入力してください", "// end"})
    definitions += utf8ToAnsi(line) + "\r\n";
  std::ofstream(dir / "bin" / "regitems.txt", std::ios::binary) << definitions;

  const ProgramRun r = logonRun(L"/p/b0 " + ini("1-healthy"), [](const SeenWindow& w) {
    if (w.caption == "Mervana：問い合わせ") clickButton(w.hwnd, IDYES);
    if (w.caption == "Dorvel：問い合わせ") {
      SetDlgItemTextW(w.hwnd, kForm2Edit1, L"2階, 経理");
      clickButton(w.hwnd, IDOK);
    }
  });
  EXPECT_EQ(r.exitStatus, 0);
  ASSERT_EQ(r.shown.size(), 2u);
  EXPECT_EQ(r.shown[0].caption, "Mervana：問い合わせ");
  EXPECT_EQ(r.shown[0].text, "このパソコンは共用ですか");
  EXPECT_EQ(r.shown[1].caption, "Dorvel：問い合わせ");
  EXPECT_EQ(r.shown[1].text, "設置場所を入力してください");

  const auto lines = record();
  EXPECT_EQ(row(lines, kStandardRows + 1), "Yes");
  EXPECT_EQ(row(lines, kStandardRows + 2), "2階  経理");  // the comma becomes a space
  HDC screen = GetDC(nullptr);
  const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(row(lines, 28), std::to_string(underWine() ? kDesktopWidth : GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(row(lines, 29), std::to_string(bits));
}
