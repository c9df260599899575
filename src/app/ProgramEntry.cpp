#include "app/ProgramEntry.h"

#include <filesystem>
#include <iostream>
#include <string_view>

#include "app/AggregateCommand.h"
#include "app/BatchRun.h"
#include "app/HelpText.h"
#include "app/ReportCommand.h"
#include "base/Utf8Path.h"
#include "disk/DriveDumpCommand.h"
#include "platform/AtaDevice.h"
#include "platform/Environment.h"
#include "platform/PlatformServices.h"
#include "platform/UserLocale.h"
#include "ui/Version.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {

// What the starter hands to the window program besides the arguments: its own path.
constexpr const char* kStarterVariable = "MERVANA_PROGRAM";

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
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
  if (args[0] == "--aggregate") {
    // the configuration file beside the program may name the database the lists are loaded into
    const Settings settings = ReadSettings(ParseCommandLine({}, programPath, nullptr).iniPath);
    return RunAggregateCommand({args.begin() + 1, args.end()}, programPath, std::cout, std::cerr,
                               settings.databaseTarget);
  }
  // The fleet page without a window, from a record folder or a loaded database.
  if (args[0] == "--report") return RunReportCommand({args.begin() + 1, args.end()}, std::cout, std::cerr);
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
  return runDriveDumpCommand(*ata, dump ? "dump" : "show", dump ? args[1] : sources.drives, RecordDriveDumps, std::cout);
}

StartUp ReadStartUp(const std::vector<std::string>& args, const std::string& programPath) {
  StartUp s;
  s.options = ParseCommandLine(args, programPath, isRegularFile);
  if (const std::string warning = MissingConfigurationWarning(s.options, isRegularFile); !warning.empty())
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

std::optional<int> PrepareWindowRun(const std::vector<std::string>& args, const std::string& programPath,
                                    const std::function<bool()>& displayAvailable, std::string_view noDisplay,
                                    WindowRun& run) {
  run.start = ReadStartUp(args, programPath);
  const bool batch = run.start.options.batch;
  if (!batch && !displayAvailable()) {
    std::cerr << "mervana: " << noDisplay << "\n";
    return 1;
  }
  run.services = std::make_unique<PlatformServices>(run.start.settings.sources);
  for (const auto& m : run.services->messages()) std::cerr << "mervana: " << m << "\n";
  if (!batch) return std::nullopt;
  // a batch run saves nothing when a configured source could not be opened
  if (auto rc = RefuseBatchRun(run.services->failures())) return *rc;
  // A batch run never waits on a window system: a display that does not answer (a DISPLAY left
  // behind by a closed remote session) means a run without one.
  if (!displayAvailable())
    return RunBatchWithoutDisplay(run.start.options, run.start.settings, programPath, run.services->platform());
  return std::nullopt;
}

namespace {
// A run in this process without a window: a batch run, or `noWindow` said and exit 1 without /b.
int runWithoutDisplay(const std::vector<std::string>& args, const std::string& programPath, std::string_view noWindow) {
  WindowRun run;
  return PrepareWindowRun(args, programPath, [] { return false; }, noWindow, run).value_or(1);
}
}  // namespace

int RunWithoutWindow(const std::vector<std::string>& args, const std::string& programPath) {
  if (auto rc = RunSupportCommand(args, programPath)) return *rc;
  return runWithoutDisplay(args, programPath, "この版には画面がありません。バッチ実行は mervana /b0 で行えます。");
}

int RunOrStartWindow(const std::vector<std::string>& args, const std::string& programPath,
                     const std::string& windowProgram) {
  if (auto rc = RunSupportCommand(args, programPath)) return *rc;
  // A batch run never waits on a window system: a display that does not answer (a DISPLAY left
  // behind by a closed remote session) means a run without one. Only the display's socket is
  // asked here, so that this program loads no display library; the window program asks the server
  // itself, and runs without a display when it refuses. The command line and the configuration are
  // read by whichever program runs, once.
  if (DisplaySocketAnswers()) {
    const std::string path = folderOf(programPath) + "/" + windowProgram;
    const std::string why = ExecProgram(path, programPath, args, {{kStarterVariable, programPath}});
    std::cerr << "mervana: 画面のプログラム " << path << " を起動できません (" << why << ")。"
                 "バッチ実行は画面のない環境で mervana /b0 で行えます。\n";
    return 1;
  }
  return runWithoutDisplay(args, programPath,
                           "画面を表示できません (ウィンドウシステムに接続できません)。"
                           "バッチ実行は mervana /b0 で行えます。");
}

std::string TakeStarterPath(const std::string& windowProgramPath) {
  const auto starter = TakeEnvironmentVariable(kStarterVariable);
  return starter && !starter->empty() ? *starter : folderOf(windowProgramPath) + "/mervana";
}

}  // namespace mrv
