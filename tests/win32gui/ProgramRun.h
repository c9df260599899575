#pragma once
// Runs mervana.exe as another process and watches the windows it shows, the way the person at the PC
// would see them: each new visible window is handed to the test, which may answer it.
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "win32gui/Win32Dialogs.h"
#include "win32gui/Win32TestSupport.h"
#include "win32gui/WinText.h"

namespace mrv::testing {

struct SeenWindow {
  HWND hwnd = nullptr;
  std::wstring windowClass;
  std::string caption;
  std::string text;  // a message box's message, Form2's question (CR LF as LF)
};

struct ProgramRun {
  int exitStatus = -1;                // -1: it did not end in time and was ended
  std::vector<SeenWindow> shown;      // the program's visible windows, in the order they appeared
  bool createdForm1 = false;          // the main window existed, shown or not
  bool consoleWindow = false;         // a console window for the program appeared
};

// Where and how the program starts: on the named desktop of this window station (empty: this
// process's own), with the creation flags (CREATE_NEW_CONSOLE: as a logon run, with no console to
// share, a console program gets a window of its own).
struct RunPlace {
  std::wstring desktop;
  DWORD creationFlags = CREATE_NO_WINDOW;
  DWORD timeoutMs = 120000;
};

namespace detail {
struct Watch {
  DWORD pid;
  std::wstring programName;  // lower case, for the console window's title
  ProgramRun* run;
  std::set<HWND>* known;
  std::vector<SeenWindow>* fresh;
};

inline std::string lf(std::string s) {
  std::string out;
  for (char c : s)
    if (c != '\r') out += c;
  return out;
}

inline BOOL CALLBACK watchOne(HWND w, LPARAM lp) {
  auto* watch = reinterpret_cast<Watch*>(lp);
  wchar_t cls[64] = {}, title[512] = {};
  GetClassNameW(w, cls, 64);
  GetWindowTextW(w, title, 512);
  const std::wstring c = cls;
  std::wstring t = title;
  for (auto& ch : t) ch = static_cast<wchar_t>(towlower(ch));
  // the console a console program is given: conhost's window (wine's own class under wine), titled
  // with the program's path
  if ((c == L"ConsoleWindowClass" || c == L"WineConsoleClass") && t.find(watch->programName) != std::wstring::npos)
    watch->run->consoleWindow = true;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != watch->pid) return TRUE;
  if (c == L"MervanaForm1") watch->run->createdForm1 = true;
  // the style bit, not IsWindowVisible: a window on another desktop is never "visible" from here
  const bool visible = (GetWindowLongPtrW(w, GWL_STYLE) & WS_VISIBLE) != 0;
  if (!visible || watch->known->count(w)) return TRUE;
  watch->known->insert(w);
  SeenWindow seen{w, c, narrow(title), {}};
  if (HWND message = GetDlgItem(w, 0xFFFF)) seen.text = lf(windowText(message));
  else if (HWND question = GetDlgItem(w, kForm2Label1)) seen.text = lf(windowText(question));
  watch->fresh->push_back(seen);
  return TRUE;
}
}  // namespace detail

inline std::wstring windowsPath(std::wstring p) {
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

// Starts `program` with `args`, calls `act` once for each visible window of it as it appears (a
// message box is answered with clickButton, Form2 by filling its Edit1 and clicking OK), and
// waits for it to end.
inline ProgramRun runProgram(const std::wstring& program, const std::wstring& args, const RunPlace& where,
                             const std::function<void(const SeenWindow&)>& act) {
  ProgramRun r;
  std::wstring path = windowsPath(program);
  std::wstring line = L"\"" + path + L"\" " + args;
  std::wstring desktop = where.desktop.empty() ? std::wstring() : L"WinSta0\\" + where.desktop;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  if (!desktop.empty()) si.lpDesktop = desktop.data();
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, where.creationFlags, nullptr, nullptr, &si, &pi))
    return r;
  HDESK other = where.desktop.empty() ? nullptr : OpenDesktopW(where.desktop.c_str(), 0, FALSE, GENERIC_ALL);
  std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  for (auto& ch : name) ch = static_cast<wchar_t>(towlower(ch));
  std::set<HWND> known;
  bool ended = false;
  for (DWORD waited = 0; waited < where.timeoutMs; waited += 50) {
    std::vector<SeenWindow> fresh;
    detail::Watch watch{pi.dwProcessId, name, &r, &known, &fresh};
    if (other) EnumDesktopWindows(other, &detail::watchOne, reinterpret_cast<LPARAM>(&watch));
    EnumWindows(&detail::watchOne, reinterpret_cast<LPARAM>(&watch));  // this desktop: a console shows here
    for (const auto& seen : fresh) {
      r.shown.push_back(seen);
      if (act) act(seen);
    }
    if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
  }
  DWORD code = 0;
  if (ended && GetExitCodeProcess(pi.hProcess, &code)) {
    r.exitStatus = static_cast<int>(code);
  } else {
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  if (other) CloseDesktop(other);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return r;
}

}  // namespace mrv::testing
