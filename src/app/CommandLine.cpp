#include "app/CommandLine.h"

#include <filesystem>

#include "base/Text.h"

namespace mrv {

namespace {
// The program's path with its extension replaced by .ini (x.exe → x.ini; mervana → mervana.ini).
std::string defaultIniPath(const std::string& programPath) {
  const std::size_t slash = programPath.find_last_of("/\\");
  const std::size_t dot = programPath.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return programPath.substr(0, dot) + ".ini";
  return programPath + ".ini";
}
}  // namespace

StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                              bool (*fileExists)(const std::string&)) {
  return ParseCommandLine(args, programPath, fileExists, std::filesystem::path::preferred_separator == '/');
}

StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                              bool (*fileExists)(const std::string&), bool slashPaths) {
  StartOptions o;
  const std::string first = args.size() > 0 ? args[0] : std::string();
  const std::string second = args.size() > 1 ? args[1] : std::string();
  const std::string lower = toLowerAscii(first);

  // Where paths use "/", a path is a run of switches too: "/home/bob/site.ini" holds "/b", and a
  // mistyped one must not start a batch run. A first argument ending in ".ini" is the
  // configuration file and nothing else, whether it exists or not; elsewhere one that exists.
  const bool firstIsIniFile = slashPaths ? endsWith(lower, ".ini")
                                         : contains(lower, ".ini") && fileExists && fileExists(first);

  const std::size_t b = lower.find("/b");
  if (!firstIsIniFile && b != std::string::npos) {
    o.batch = true;
    o.noHistory = contains(lower, "/p");
    o.noRecord = contains(lower, "/h");
    o.runAudit = contains(lower, "/w");
    int seconds = 0;
    // whole seconds, and only as many as fit a timer interval in milliseconds
    if (parseInt(first.substr(b + 2), seconds) && seconds >= 0 && seconds <= 2147483)
      o.timerIntervalMs = seconds * 1000;
    else
      o.timerIntervalMs = kDefaultBatchDelayMs;
  }

  o.iniNamed = true;
  if (contains(lower, ".ini"))
    o.iniPath = first;
  else if (contains(toLowerAscii(second), ".ini"))
    o.iniPath = second;
  else {
    o.iniPath = defaultIniPath(programPath);
    o.iniNamed = false;
  }
  return o;
}

std::string MissingConfigurationWarning(const StartOptions& options, bool (*fileExists)(const std::string&)) {
  if (!options.iniNamed || !fileExists || fileExists(options.iniPath)) return {};
  return "設定ファイルがありません: " + options.iniPath + " (既定の設定で続けます)";
}

}  // namespace mrv
