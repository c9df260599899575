// The window program, `mervana-window`: started by `mervana` (src/batch/main.cpp) when a display
// answers, with the same arguments; the command line and configuration read once, then the window
// (interactive, or batch with a display). Started by hand it stands for the `mervana` beside it.
#include <QApplication>
#include <QTimer>
#include <iostream>

#include "app/ProgramEntry.h"
#include "app/TForm1.h"
#include "gui/FirstPaintReport.h"
#include "gui/MainWindow.h"
#include "gui/WindowStyle.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"

int main(int argc, char** argv) {
  using namespace mrv;
  const std::string programPath = TakeStarterPath(ProgramFilePath(argc > 0 ? argv[0] : nullptr));
  const std::vector<std::string> args = ProgramArguments(argc, argv);

  if (auto rc = RunSupportCommand(args, programPath)) return *rc;

  // the starter has found the display's socket at most: the server is asked here, and the
  // connection that asks stays open until the window library has its own
  WindowRun run;
  if (auto rc = PrepareWindowRun(
          args, programPath, [] { return DisplayAvailable(true); },
          "画面を表示できません (ウィンドウシステムに接続できません)。バッチ実行は mervana /b0 で行えます。", run))
    return *rc;
  const StartOptions& options = run.start.options;
  const Settings& settings = run.start.settings;
  const PlatformServices& services = *run.services;

  // the font configuration is read beside the window library's start, not after it
  FontConfigurationReading fonts;
  QApplication app(argc, argv);
  fonts.wait();
  QApplication::setApplicationName("Mervana");
  SetWindowStyle();
  CloseDisplayCheck();  // the window has its own connection now
  MainWindow window(services.platform(), programPath);
  TForm1& form = window.form();
  form.FormCreate(options, settings);
  if (form.showMainWindow()) {
    if (FirstPaintReport::wanted()) new FirstPaintReport(&window);
    window.show();
    // what went wrong opening a configured source (a damaged hive, a missing dump) is said once
    if (!services.messages().empty()) {
      std::string text;
      for (const auto& m : services.messages()) text += (text.empty() ? "" : "\n") + m;
      QTimer::singleShot(0, &window, [&form, text] { form.dialogs().message("Mervana", text, Dialogs::Kind::Warning); });
    }
  }
  if (form.timerEnabled()) QTimer::singleShot(form.timerInterval(), &window, [&form] { form.Timer1Timer(); });
  const int rc = app.exec();
  return form.exitStatus() != 0 ? form.exitStatus() : rc;
}
