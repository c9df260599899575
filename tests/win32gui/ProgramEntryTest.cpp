// mervana.exe opens its window only for a person: a batch run and a support command show none.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "win32gui/WinText.h"

using namespace mrv;

namespace {

struct Started {
  int exitStatus = -1;
  bool sawWindow = false;
  bool sawForm1 = false;
  std::wstring caption;
};

struct Search {
  DWORD pid;
  HWND found = nullptr;  // a visible window
  bool form1 = false;    // the main window, shown or not
};

BOOL CALLBACK windowsOf(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid) return TRUE;
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  if (std::wstring(cls) == L"MervanaForm1") s->form1 = true;
  if (IsWindowVisible(w) && !s->found) s->found = w;
  return TRUE;
}

// Runs mervana.exe with the arguments, looking for a visible window of it all the while; each
// window that appears is closed as a person would close it.
Started run(const std::wstring& args) {
  std::wstring program = wide(MERVANA_BINARY);
  for (auto& c : program)
    if (c == L'/') c = L'\\';
  std::wstring line = L"\"" + program + L"\" " + args;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  Started r;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
    return r;
  for (int waited = 0; waited < 120000; waited += 50) {
    Search s{pi.dwProcessId};
    EnumWindows(&windowsOf, reinterpret_cast<LPARAM>(&s));
    r.sawForm1 = r.sawForm1 || s.form1;
    if (s.found && waited % 500 == 0) {
      r.sawWindow = true;
      wchar_t title[256] = {}, cls[64] = {};
      GetWindowTextW(s.found, title, 256);
      GetClassNameW(s.found, cls, 64);
      if (std::wstring(cls) == L"MervanaForm1") r.caption = title;
      PostMessageW(s.found, WM_CLOSE, 0, 0);  // a message box first (a source's warning), then the window
    }
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
  }
  DWORD code = 0;
  if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(pi.hProcess, &code))
    r.exitStatus = static_cast<int>(code);
  else
    TerminateProcess(pi.hProcess, 99);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return r;
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
  const Started r = run(iniArg());
  EXPECT_TRUE(r.sawForm1);
  EXPECT_EQ(narrow(r.caption), "Mervana");
  EXPECT_EQ(r.exitStatus, 0);
}

TEST_F(Win32ProgramEntry, ABatchRunShowsNoWindowAndSavesTheRecord) {
  const Started r = run(L"/b0 " + iniArg());
  EXPECT_FALSE(r.sawWindow);
  EXPECT_FALSE(r.sawForm1);  // not even hidden
  EXPECT_EQ(r.exitStatus, 0);
  int records = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir / "records"))
    records += e.path().extension() == ".csv" ? 1 : 0;
  EXPECT_EQ(records, 1);
}

TEST_F(Win32ProgramEntry, ASupportCommandShowsNoWindow) {
  const Started r = run(L"--version");
  EXPECT_FALSE(r.sawWindow);
  EXPECT_FALSE(r.sawForm1);
  EXPECT_EQ(r.exitStatus, 0);
}
