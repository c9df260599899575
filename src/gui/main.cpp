// The program's entry: reads the command line far enough to open the platform services, then runs
// the window (interactive, or batch with a display) or a batch run without any window system.
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/HelpText.h"
#include "app/TForm1.h"
#include "disk/DriveDumpCommand.h"
#include "platform/AtaDevice.h"
#include "gui/MainWindow.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"
#include "platform/UserLocale.h"
#include "ui/Version.h"

int main(int argc, char** argv) {
  using namespace mrv;
  const std::string programPath = ProgramFilePath(argc > 0 ? argv[0] : nullptr);
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);

  // Asking the program what it is needs neither a window system nor the machine's services.
  if (!args.empty() && (args[0] == "--help" || args[0] == "--version")) {
    std::cout << (args[0] == "--help" ? HelpText(UserPrefersJapanese()) : VersionBanner() + "\n");
    return 0;
  }

  // Support commands: record this PC's drives as dumps, or show what drives (or dumps) answer.
  if (!args.empty() && (args[0] == "--dump-drives" || args[0] == "--show-drives")) {
    const bool dump = args[0] == "--dump-drives";
    if (dump && args.size() < 2) {
      std::cerr << "mervana: --dump-drives FOLDER\n";
      return 2;
    }
    Sources sources;
    if (!dump) sources = TForm1::ReadSources(ParseCommandLine({}, programPath, nullptr).iniPath);
    if (args.size() > 1) sources.drives = dump ? std::string() : args[1];
    std::string message;
    auto ata = openAtaDevice(sources, message);
    if (!ata) {
      std::cerr << "mervana: " << message << "\n";
      return 1;
    }
    return runDriveDumpCommand(*ata, dump ? "dump" : "show", dump ? args[1] : sources.drives, std::cout);
  }

  const StartOptions options = ParseCommandLine(args, programPath, [](const std::string& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
  });
  PlatformServices services(TForm1::ReadSources(options.iniPath));
  for (const auto& m : services.messages()) std::cerr << "mervana: " << m << "\n";

  if (!DisplayAvailable()) {
    if (options.batch) return RunBatchWithoutDisplay(args, programPath, services.platform());
    std::cerr << "mervana: 画面を表示できません (ウィンドウシステムに接続できません)。"
                 "バッチ実行は mervana /b0 で行えます。\n";
    return 1;
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("Mervana");
  MainWindow window(services.platform(), programPath);
  TForm1& form = window.form();
  form.FormCreate(args);
  if (form.showMainWindow()) {
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
