#pragma once
// Facts about the running process that the program's entry needs.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// The arguments after the program name, as UTF-8 (on Windows from GetCommandLineW, never through
// the ANSI code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Full path of the running program file.
std::string ProgramFilePath(const char* argv0);
// Whether a window system can be reached (a display, or a Qt platform chosen explicitly).
bool DisplayAvailable();
// The value of an environment variable of this process, whole; nothing when it is not set.
std::optional<std::string> EnvironmentVariable(std::string_view name);
// Sleeps for the given milliseconds (the batch delay of a run without a window system).
void SleepMilliseconds(int ms);

}  // namespace mrv
