#include <dlfcn.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>  // types; the functions are looked up in the library

#include <cerrno>
#include <cstddef>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "platform/Environment.h"
#include "platform/LibraryFunctions.h"

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

// The X connection DisplayAvailable(true) keeps open until CloseDisplayCheck.
xcb_connection_t* keptDisplay = nullptr;

// The functions the display check calls, from libxcb.so.1: loaded by the check, so the program
// without the window never maps it (the window library has it loaded already).
struct XcbLibrary {
  decltype(&::xcb_connect) xcb_connect = nullptr;
  decltype(&::xcb_connection_has_error) xcb_connection_has_error = nullptr;
  decltype(&::xcb_disconnect) xcb_disconnect = nullptr;
};

const XcbLibrary* xcb() {
  static const XcbLibrary* const library = LoadLibraryFunctions<XcbLibrary>("libxcb.so.1", [](void* h, XcbLibrary& l) {
    return LookUpFunction(h, "xcb_connect", l.xcb_connect) &&
           LookUpFunction(h, "xcb_connection_has_error", l.xcb_connection_has_error) &&
           LookUpFunction(h, "xcb_disconnect", l.xcb_disconnect);
  });
  return library;
}

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

// The X display named by DISPLAY ("[host]:number[.screen]"): the socket that takes its clients
// answers (within a few seconds over the network).
bool xSocketAnswers(const std::string& display) {
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
  if (host.empty() || host == "unix") {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    return unixSocketAnswers(path, true) || unixSocketAnswers(path, false);
  }
  return number <= 59535 && tcpAnswers(host, 6000 + number);
}

// Whether the X display takes a client. The window library ends the process when it cannot
// connect, so the program asks first: the socket must answer, then the server must accept this
// client, as it would not for a display left behind by a closed remote session.
bool xDisplayAnswers(const std::string& display, bool keep) {
  if (!xSocketAnswers(display)) return false;
  const XcbLibrary* x = xcb();
  if (!x) return false;
  xcb_connection_t* c = x->xcb_connect(display.c_str(), nullptr);
  const bool ok = c && x->xcb_connection_has_error(c) == 0;
  if (ok && keep && !keptDisplay) {
    keptDisplay = c;  // open until the window library has its own connection
    return true;
  }
  if (c) x->xcb_disconnect(c);
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

// Whether the window system the window library would go to answers, an X display asked with
// `askX`; a Wayland compositor is asked at its socket.
template <typename AskX>
bool windowSystemAnswers(AskX askX) {
  const std::string wayland = env("WAYLAND_DISPLAY"), x = env("DISPLAY");
  const std::string chosen = env("QT_QPA_PLATFORM");
  if (!chosen.empty()) {
    // a platform chosen by name: only the two that need a server are checked
    const std::string plugin = chosen.substr(0, chosen.find(':'));
    if (plugin == "xcb") return !x.empty() && askX(x);
    if (plugin.rfind("wayland", 0) == 0) return waylandAnswers(wayland.empty() ? "wayland-0" : wayland);
    return true;
  }
  // the window library goes to an X display whenever one is named
  if (!x.empty()) return askX(x);
  return !wayland.empty() && waylandAnswers(wayland);
}

}  // namespace

bool DisplayAvailable(bool keepOpen) {
  return windowSystemAnswers([keepOpen](const std::string& x) { return xDisplayAnswers(x, keepOpen); });
}

bool DisplaySocketAnswers() { return windowSystemAnswers(xSocketAnswers); }

void CloseDisplayCheck() {
  if (keptDisplay) xcb()->xcb_disconnect(keptDisplay);
  keptDisplay = nullptr;
}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos) return std::nullopt;
  const char* v = std::getenv(std::string(name).c_str());
  if (!v) return std::nullopt;
  return std::string(v);
}

std::optional<std::string> TakeEnvironmentVariable(std::string_view name) {
  auto value = EnvironmentVariable(name);
  if (value) ::unsetenv(std::string(name).c_str());
  return value;
}

std::string ExecProgram(const std::string& path, const std::string& argv0, const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& env) {
  for (const auto& [name, value] : env)
    if (::setenv(name.c_str(), value.c_str(), 1) != 0) return std::strerror(errno);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(argv0.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(path.c_str(), argv.data());
  const int error = errno;
  for (const auto& e : env) ::unsetenv(e.first.c_str());
  return std::strerror(error);
}

void SleepMilliseconds(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {
// The font configuration library (kept loaded while its thread runs) and the thread reading it.
struct FontReading {
  void* library = nullptr;
  std::thread thread;
};
}  // namespace

FontConfigurationReading::FontConfigurationReading() {
  if (!env("DESKTOP_STARTUP_ID").empty()) return;
  // RTLD_NOLOAD: the library is never loaded into a process that does not have it already
  void* library = ::dlopen("libfontconfig.so.1", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
  if (!library) return;
  const auto init = reinterpret_cast<int (*)()>(::dlsym(library, "FcInit"));
  auto reading = std::make_unique<FontReading>();
  reading->library = library;
  if (init) {
    try {
      reading->thread = std::thread([init] { init(); });
    } catch (const std::system_error&) {
      // no thread to be had: the window library reads the configuration in its turn
    }
  }
  if (!reading->thread.joinable()) {
    ::dlclose(library);
    return;
  }
  reading_ = reading.release();
}

FontConfigurationReading::~FontConfigurationReading() { wait(); }

void FontConfigurationReading::wait() {
  if (!reading_) return;
  const std::unique_ptr<FontReading> reading(static_cast<FontReading*>(reading_));
  reading_ = nullptr;
  reading->thread.join();
  ::dlclose(reading->library);
}

}  // namespace mrv
