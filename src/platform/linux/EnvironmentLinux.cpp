#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "platform/Environment.h"

namespace mrv {

std::string ProgramFilePath(const char* argv0) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return std::string(buf, static_cast<std::size_t>(n));
  char* real = argv0 ? ::realpath(argv0, nullptr) : nullptr;
  if (!real) return argv0 ? argv0 : "mervana";
  std::string path(real);
  std::free(real);
  return path;
}

bool DisplayAvailable() {
  for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  return false;
}

void SleepMilliseconds(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace mrv
