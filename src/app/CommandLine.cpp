#include "app/CommandLine.h"

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
  StartOptions o;
  const std::string first = args.size() > 0 ? args[0] : std::string();
  const std::string second = args.size() > 1 ? args[1] : std::string();
  const std::string lower = toLowerAscii(first);

  // On this system a path is an argument too: "/srv/backup/site.ini" holds "/b". A first argument
  // naming an existing .ini file is the configuration file and nothing else.
  const bool firstIsIniFile = contains(lower, ".ini") && fileExists && fileExists(first);

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

  if (contains(lower, ".ini"))
    o.iniPath = first;
  else if (contains(toLowerAscii(second), ".ini"))
    o.iniPath = second;
  else
    o.iniPath = defaultIniPath(programPath);
  return o;
}

}  // namespace mrv
