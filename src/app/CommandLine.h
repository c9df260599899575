#pragma once
// The command line: /b[seconds] (batch), /p, /h, /w, and an .ini path as first or second argument.
#include <string>
#include <vector>

namespace mrv {

inline constexpr int kDefaultBatchDelayMs = 300000;

struct StartOptions {
  bool batch = false;
  int timerIntervalMs = kDefaultBatchDelayMs;
  bool noHistory = false;  // /p
  bool noRecord = false;   // /h
  bool runAudit = false;   // /w
  std::string iniPath;     // the configuration file chosen
  bool iniNamed = false;   // the configuration file was named on the command line
};

// args: the arguments after the program name. programPath: the program file's own path.
// A first argument that is a configuration file is nothing else, even when its path contains "/b"
// or another switch ("/home/bob/site.ini"): on a system whose paths use "/", every first argument
// ending in ".ini"; elsewhere one naming an existing .ini file (fileExists tells).
StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                              bool (*fileExists)(const std::string&));
// The separator-dependent rule above, for tests of either system.
StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                              bool (*fileExists)(const std::string&), bool slashPaths);

// The warning for a configuration file named on the command line that does not exist (the run
// goes on with the defaults); empty when there is nothing to say.
std::string MissingConfigurationWarning(const StartOptions& options, bool (*fileExists)(const std::string&));

}  // namespace mrv
