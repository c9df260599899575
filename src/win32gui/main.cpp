// The Windows program's entry: the support commands, the command line and configuration read once,
// then the window: shown for an interactive run, hidden for a batch run on a desktop (its alerts and
// questions are the window's dialogs). Only a batch run with no desktop at all (a service) runs
// without a window, its dialogs on stderr.
//
// mervana.exe is a GUI-subsystem program, so a logon run opens no console window. Its output
// reaches whatever the starter redirected it to, or the console of the command prompt it was
// started from.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "app/ProgramEntry.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"
#include "win32gui/MainWindow.h"

namespace {

bool redirected(DWORD which) {
  HANDLE h = GetStdHandle(which);
  return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

UINT consoleCodePage = 0;
void restoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePage); }

// Standard output and error that the starter did not redirect go to its console, when it has one
// (cmd.exe, a batch file). The texts are UTF-8: the console shows them so while this program runs,
// and gets its own code page back at the end.
void attachParentConsole() {
  const bool out = redirected(STD_OUTPUT_HANDLE), err = redirected(STD_ERROR_HANDLE);
  if (out && err) return;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  if (!out) (void)std::freopen("CONOUT$", "w", stdout);
  if (!err) (void)std::freopen("CONOUT$", "w", stderr);
  consoleCodePage = GetConsoleOutputCP();
  if (consoleCodePage != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(&restoreConsoleCodePage);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mrv;
  attachParentConsole();
  const std::string programPath = ProgramFilePath(argc > 0 ? argv[0] : nullptr);
  const std::vector<std::string> args = ProgramArguments(argc, argv);

  if (auto rc = RunSupportCommand(args, programPath)) return *rc;

  WindowRun run;
  if (auto rc = PrepareWindowRun(
          args, programPath, [] { return DisplayAvailable(); },
          "画面を表示できません (対話型のデスクトップがありません)。バッチ実行は mervana /b0 で行えます。", run))
    return *rc;
  return RunMainWindow(run.start.options, run.start.settings, programPath, run.services->platform(),
                       run.services->messages());
}
