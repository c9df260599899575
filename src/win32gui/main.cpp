// The Windows program's entry: the support commands, the command line and configuration read once,
// then a batch run without any window, or the window.
#include <windows.h>

#include <iostream>

#include "app/BatchRun.h"
#include "app/ProgramEntry.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"
#include "win32gui/MainWindow.h"

namespace {

// Started from Explorer, the program's console was made for it alone: it goes before the window
// opens. Started from a command prompt, the console is the prompt's and stays.
void releaseOwnConsole() {
  DWORD processes[2];
  if (GetConsoleWindow() && GetConsoleProcessList(processes, 2) == 1) FreeConsole();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace mrv;
  const std::string programPath = ProgramFilePath(argc > 0 ? argv[0] : nullptr);
  const std::vector<std::string> args = ProgramArguments(argc, argv);

  if (auto rc = RunSupportCommand(args, programPath)) return *rc;

  const StartUp start = ReadStartUp(args, programPath);
  PlatformServices services(start.settings.sources);
  for (const auto& m : services.messages()) std::cerr << "mervana: " << m << "\n";

  // a batch run (a logon script, a scheduled task) opens no window at all, and saves nothing when
  // a configured source could not be opened
  if (start.options.batch) {
    if (auto rc = RefuseBatchRun(services.failures())) return *rc;
    return RunBatchWithoutDisplay(start.options, start.settings, programPath, services.platform());
  }
  if (!DisplayAvailable()) {
    std::cerr << "mervana: 画面を表示できません (対話型のデスクトップがありません)。"
                 "バッチ実行は mervana /b0 で行えます。\n";
    return 1;
  }

  releaseOwnConsole();
  return RunMainWindow(start.options, start.settings, programPath, services.platform(), services.messages());
}
