#include "app/ProgramEntry.h"

#include <filesystem>
#include <iostream>

#include "app/AggregateCommand.h"
#include "app/BatchRun.h"
#include "app/HelpText.h"
#include "base/Utf8Path.h"
#include "disk/DriveDumpCommand.h"
#include "platform/AtaDevice.h"
#include "platform/PlatformServices.h"
#include "platform/UserLocale.h"
#include "ui/Version.h"

namespace mrv {

namespace {
bool isFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(pathFromUtf8(path), ec);
}
}  // namespace

std::optional<int> RunSupportCommand(const std::vector<std::string>& args, const std::string& programPath) {
  if (args.empty()) return std::nullopt;
  // Asking the program what it is needs neither a window system nor the machine's services.
  if (args[0] == "--help" || args[0] == "--version") {
    std::cout << (args[0] == "--help" ? HelpText(UserPrefersJapanese()) : VersionBanner() + "\n");
    return 0;
  }
  // The aggregated lists without a window: a scheduled job rebuilds them this way.
  if (args[0] == "--aggregate")
    return RunAggregateCommand({args.begin() + 1, args.end()}, programPath, std::cout, std::cerr);
  if (args[0] != "--dump-drives" && args[0] != "--show-drives") return std::nullopt;
  const bool dump = args[0] == "--dump-drives";
  if (dump && args.size() < 2) {
    std::cerr << "mervana: --dump-drives FOLDER\n";
    return 2;
  }
  Sources sources;
  if (!dump) sources = ReadSettings(ParseCommandLine({}, programPath, nullptr).iniPath).sources;
  if (args.size() > 1) sources.drives = dump ? std::string() : args[1];
  std::string message;
  auto ata = openAtaDevice(sources, message);
  if (!ata) {
    std::cerr << "mervana: " << message << "\n";
    return 1;
  }
  return runDriveDumpCommand(*ata, dump ? "dump" : "show", dump ? args[1] : sources.drives, std::cout);
}

StartUp ReadStartUp(const std::vector<std::string>& args, const std::string& programPath) {
  StartUp s;
  s.options = ParseCommandLine(args, programPath, isFile);
  if (const std::string warning = MissingConfigurationWarning(s.options, isFile); !warning.empty())
    std::cerr << "mervana: " << warning << "\n";
  s.settings = ReadSettings(s.options.iniPath);
  return s;
}

std::optional<int> RefuseBatchRun(const std::vector<std::string>& failures) {
  if (failures.empty()) return std::nullopt;
  std::string entries;
  for (const auto& f : failures) entries += (entries.empty() ? "" : "; ") + f;
  std::cerr << "mervana: [Sources] の情報源を開けないため、記録も履歴も書きませんでした: " << entries << "\n";
  return 1;
}

int RunWithoutWindow(const std::vector<std::string>& args, const std::string& programPath) {
  if (auto rc = RunSupportCommand(args, programPath)) return *rc;
  const StartUp start = ReadStartUp(args, programPath);
  if (!start.options.batch) {
    std::cerr << "mervana: この版には画面がありません。バッチ実行は mervana /b0 で行えます。\n";
    return 1;
  }
  PlatformServices services(start.settings.sources);
  for (const auto& m : services.messages()) std::cerr << "mervana: " << m << "\n";
  if (auto rc = RefuseBatchRun(services.failures())) return *rc;
  return RunBatchWithoutDisplay(start.options, start.settings, programPath, services.platform());
}

}  // namespace mrv
