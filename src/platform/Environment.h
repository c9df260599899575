#pragma once
// Facts about the running process that the program's entry needs.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mrv {

// The arguments after the program name, as UTF-8 (on Windows from GetCommandLineW, never through
// the ANSI code page).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// Full path of the running program file.
std::string ProgramFilePath(const char* argv0);
// Whether a window system can be reached (a display, or a Qt platform chosen explicitly): for X,
// the socket answers and the server accepts this client. With `keepOpen`, the X connection opened
// to ask stays open until CloseDisplayCheck, so that a server which resets when its last client
// leaves is still up when the window library connects.
bool DisplayAvailable(bool keepOpen = false);
// The first half of that: whether the window system's socket takes a connection. Nothing is said
// to the server and no library is loaded; what the program without the window asks before it
// becomes the window program, which asks the rest.
bool DisplaySocketAnswers();
// Closes the connection DisplayAvailable(true) kept open, once the window has its own.
void CloseDisplayCheck();
// The value of an environment variable of this process, whole; nothing when it is not set.
std::optional<std::string> EnvironmentVariable(std::string_view name);
// The value of an environment variable, removed from this process so the programs it starts do
// not inherit it.
std::optional<std::string> TakeEnvironmentVariable(std::string_view name);
// Replaces this process with the program at `path`: argv[0] is `argv0`, then `args`; `env` is
// added to this process's environment. Returns only when the program cannot be started: why, in
// the system's words.
std::string ExecProgram(const std::string& path, const std::string& argv0, const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& env);
// Sleeps for the given milliseconds (the batch delay of a run without a window system).
void SleepMilliseconds(int ms);

// The desktop's font configuration read on a thread of its own while the window library starts,
// instead of at the window's first text, where it is the longest single step (fontconfig's FcInit,
// 5 to 7 ms). Only in a process that has the font configuration library loaded already (the
// window program: the window library needs it), and not in one started with a start-up
// notification (the window library takes DESKTOP_STARTUP_ID out of the environment while it
// starts, and the font configuration reads the environment); elsewhere, and on Windows, nothing
// is done. Whoever reads it first, the window library or this thread, reads it for both.
class FontConfigurationReading {
 public:
  FontConfigurationReading();
  // waits for the reading to end
  ~FontConfigurationReading();
  FontConfigurationReading(const FontConfigurationReading&) = delete;
  FontConfigurationReading& operator=(const FontConfigurationReading&) = delete;
  // Waits for the reading to end (at once when there is none).
  void wait();

 private:
  void* reading_ = nullptr;  // the platform's own, while a thread reads
};

}  // namespace mrv
