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
};

// args: the arguments after the program name. programPath: the program file's own path.
// fileExists tells whether a path names an existing file: a first argument that names an existing
// .ini file is only the configuration file, even when its path contains "/b" or another switch.
StartOptions ParseCommandLine(const std::vector<std::string>& args, const std::string& programPath,
                              bool (*fileExists)(const std::string&));

}  // namespace mrv
