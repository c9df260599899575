#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <cstddef>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
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

// How long a display over the network may take to accept a connection.
constexpr int kConnectTimeoutMs = 3000;

bool connectsWithin(int fd, const sockaddr* addr, socklen_t len) {
  const int flags = ::fcntl(fd, F_GETFL, 0);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
  if (::connect(fd, addr, len) == 0) return true;
  if (errno != EINPROGRESS) return false;
  pollfd p{fd, POLLOUT, 0};
  if (::poll(&p, 1, kConnectTimeoutMs) != 1) return false;
  int error = 0;
  socklen_t size = sizeof error;
  return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool unixSocketAnswers(const std::string& path, bool abstract) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path + offset, path.data(), path.size());
  const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0;
  ::close(fd);
  return ok;
}

bool tcpAnswers(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return false;
  bool ok = false;
  for (addrinfo* a = found; a && !ok; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    ok = connectsWithin(fd, a->ai_addr, a->ai_addrlen);
    ::close(fd);
  }
  ::freeaddrinfo(found);
  return ok;
}

// Whether the X display named by DISPLAY ("[host]:number[.screen]") takes a client. The window
// library ends the process when it cannot connect, so the program asks first: the socket must
// answer (within a few seconds over the network), then the server must accept this client, as it
// would not for a display left behind by a closed remote session.
bool xDisplayAnswers(const std::string& display) {
  const std::size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  std::string host = display.substr(0, colon);
  if (const std::size_t slash = host.find('/'); slash != std::string::npos) host = host.substr(slash + 1);
  const std::string rest = display.substr(colon + 1);
  int number = 0;
  std::size_t digits = 0;
  while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9' && digits < 6)
    number = number * 10 + (rest[digits++] - '0');
  if (digits == 0) return false;
  bool socketAnswers = false;
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    socketAnswers = unixSocketAnswers(path, true) || unixSocketAnswers(path, false);
  } else {
    socketAnswers = number <= 59535 && tcpAnswers(host, 6000 + number);
  }
  if (!socketAnswers) return false;
  xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
  const bool ok = c && xcb_connection_has_error(c) == 0;
  if (c) xcb_disconnect(c);
  return ok;
}

bool waylandAnswers(const std::string& name) {
  if (!name.empty() && name[0] == '/') return unixSocketAnswers(name, false);
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  return dir && *dir && unixSocketAnswers(std::string(dir) + "/" + name, false);
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

bool DisplayAvailable() {
  const std::string wayland = env("WAYLAND_DISPLAY"), x = env("DISPLAY");
  const std::string chosen = env("QT_QPA_PLATFORM");
  if (!chosen.empty()) {
    // a platform chosen by name: only the two that need a server are checked
    const std::string plugin = chosen.substr(0, chosen.find(':'));
    if (plugin == "xcb") return !x.empty() && xDisplayAnswers(x);
    if (plugin.rfind("wayland", 0) == 0) return waylandAnswers(wayland.empty() ? "wayland-0" : wayland);
    return true;
  }
  // the window library goes to an X display whenever one is named
  if (!x.empty()) return xDisplayAnswers(x);
  return !wayland.empty() && waylandAnswers(wayland);
}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
  const char* v = std::getenv(std::string(name).c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

void SleepMilliseconds(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace mrv
