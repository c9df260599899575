#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <thread>

#include "platform/Environment.h"

namespace mrv {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

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

namespace {
// A local X display (":0", "unix:0.0") answers on its socket; Qt would abort the process when it
// does not, so the program checks first. Remote displays are taken on trust.
bool localXServerAnswers(const std::string& display) {
  std::string rest = display;
  if (rest.rfind("unix:", 0) == 0) rest = rest.substr(4);
  if (rest.empty() || rest[0] != ':') return true;
  const std::string number = rest.substr(1, rest.find('.') == std::string::npos ? std::string::npos : rest.find('.') - 1);
  const std::string path = "/tmp/.X11-unix/X" + number;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    ::close(fd);
    return false;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

bool DisplayAvailable() {
  for (const char* var : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* v = std::getenv(var);
    if (v && *v) return true;
  }
  const char* display = std::getenv("DISPLAY");
  return display && *display && localXServerAnswers(display);
}

void SleepMilliseconds(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace mrv
