#pragma once
// What the program's entry does before, or instead of, a window: the support commands, reading the
// command line and the configuration file once, and a batch run without any window system. Both
// program entries (with and without the window) use it.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "platform/PlatformServices.h"

namespace mrv {

// --help and --version print the usage or the version banner; --dump-drives FOLDER records this
// PC's drives as dumps; --show-drives [FOLDER] shows what the drives (or dumps) answer;
// --aggregate [FOLDER] builds the aggregated lists; --report FOLDER|TARGET --html FILE writes the
// fleet page. The exit status when `args` name a support command; nullopt otherwise.
std::optional<int> RunSupportCommand(const std::vector<std::string>& args, const std::string& programPath);

// The command line and the configuration file, read once for the whole run (a named configuration
// file that is missing is warned about on stderr).
struct StartUp {
  StartOptions options;
  Settings settings;
};
StartUp ReadStartUp(const std::vector<std::string>& args, const std::string& programPath);

// A batch run never saves a record or a history line when a configured [Sources] entry could not
// be opened at all (`failures`, see PlatformServices): the record would mix this PC with the one
// the sources describe. Says so on stderr and gives the exit status; nullopt when nothing failed.
std::optional<int> RefuseBatchRun(const std::vector<std::string>& failures);

// The start of every run that is not a support command, in one place for all the entries: the
// command line and configuration read once; without a display (`displayAvailable`, asked once), a
// run that is not a batch run refused with `noDisplay` on stderr; the configured sources opened,
// what went wrong with them said on stderr; a batch run refused when a source failed; a batch run
// without a display carried out here, with the dialogs on stderr. A result is the program's exit
// status; nullopt leaves `run` ready for the window.
struct WindowRun {
  StartUp start;
  std::unique_ptr<PlatformServices> services;
};
std::optional<int> PrepareWindowRun(const std::vector<std::string>& args, const std::string& programPath,
                                    const std::function<bool()>& displayAvailable, std::string_view noDisplay,
                                    WindowRun& run);

// The whole program without a window: a support command, or a batch run (/b) without a display.
// Without /b it explains that a batch run is what this program can do and fails.
int RunWithoutWindow(const std::vector<std::string>& args, const std::string& programPath);

// The program's entry where the window is a program of its own (`windowProgram`, beside this
// one): support commands and runs without a display are done here, so they never load the window
// library; when a display's socket answers, this process becomes the window program, given the
// same arguments. A window program that cannot be started is said on stderr, and the run fails.
int RunOrStartWindow(const std::vector<std::string>& args, const std::string& programPath,
                     const std::string& windowProgram);

// The program path the window program stands for: the path of the `mervana` that started it
// (RunOrStartWindow; its configuration and neighbours), or, started by hand, the `mervana` beside
// `windowProgramPath`. Either way the window program asks the display itself.
std::string TakeStarterPath(const std::string& windowProgramPath);

}  // namespace mrv
