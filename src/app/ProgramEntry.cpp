#include "app/ProgramEntry.h"

#include <filesystem>
#include <iostream>

#include "app/BatchRun.h"
#include "app/CommandLine.h"
#include "app/HelpText.h"
#include "app/TForm1.h"
#include "base/Utf8Path.h"
#include "disk/DriveDumpCommand.h"
#include "platform/AtaDevice.h"
#include "platform/PlatformServices.h"
#include "platform/UserLocale.h"
#include "ui/Version.h"

namespace mrv {

std::optional<int> RunSupportCommand(const std::vector<std::string>& args, const std::string& programPath) {
  // Asking the program what it is needs neither a window system nor the machine's services.
  if (!args.empty() && (args[0] == "--help" || args[0] == "--version")) {
    std::cout << (args[0] == "--help" ? HelpText(UserPrefersJapanese()) : VersionBanner() + "\n");
    return 0;
  }
  if (args.empty() || (args[0] != "--dump-drives" && args[0] != "--show-drives")) return std::nullopt;
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

int RunWithoutWindow(const std::vector<std::string>& args, const std::string& programPath) {
  if (auto rc = RunSupportCommand(args, programPath)) return *rc;
  const StartOptions options = ParseCommandLine(args, programPath, [](const std::string& p) {
    std::error_code ec;
    return std::filesystem::is_regular_file(pathFromUtf8(p), ec);
  });
  if (!options.batch) {
    std::cerr << "mervana: この版には画面がありません。バッチ実行は mervana /b0 で行えます。\n";
    return 1;
  }
  PlatformServices services(TForm1::ReadSources(options.iniPath));
  for (const auto& m : services.messages()) std::cerr << "mervana: " << m << "\n";
  return RunBatchWithoutDisplay(args, programPath, services.platform());
}

}  // namespace mrv
