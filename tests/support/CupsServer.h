#pragma once
// A real CUPS server of the test's own: its own configuration folder, a local socket and a port on
// 127.0.0.1, started by start() and stopped by the destructor. Printers are added with lpadmin.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/RegistryFixtures.h"

extern char** environ;

namespace mrv::testing {

// Runs a program with arguments and waits for it; its exit code, or -1 when it cannot start.
inline int runProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A TCP port on 127.0.0.1 that nothing listens on at the moment.
inline int freeLocalPort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  ::close(s);
  return port;
}

inline bool socketAnswers(const std::string& path) {
  const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  if (path.size() >= sizeof a.sun_path) return false;
  std::copy(path.begin(), path.end(), a.sun_path);
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

class CupsServer {
 public:
  CupsServer() = default;
  ~CupsServer() { stop(); }
  CupsServer(const CupsServer&) = delete;
  CupsServer& operator=(const CupsServer&) = delete;

  // Starts cupsd in the foreground; false with `error` saying why when it does not come up.
  bool start(std::string& error) {
    port_ = freeLocalPort();
    const std::string d = dir_.path();
    for (const char* sub : {"root", "state", "cache", "spool", "log", "tmp"}) ::mkdir((d + "/" + sub).c_str(), 0755);
    ::chmod(d.c_str(), 0755);
    socket_ = d + "/cups.sock";
    std::ofstream(d + "/root/cups-files.conf") << "ServerRoot " << d << "/root\nStateDir " << d << "/state\n"
                                               << "CacheDir " << d << "/cache\nRequestRoot " << d << "/spool\n"
                                               << "TempDir " << d << "/tmp\nErrorLog " << d << "/log/error_log\n"
                                               << "AccessLog " << d << "/log/access_log\nPageLog " << d
                                               << "/log/page_log\nFileDevice Yes\nSandboxing relaxed\n";
    std::ofstream(d + "/root/cupsd.conf") << "Listen 127.0.0.1:" << port_ << "\nListen " << socket_ << "\n"
                                          << "LogLevel warn\nBrowsing Off\nWebInterface No\nDefaultAuthType None\n"
                                          << "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                          << "<Policy default>\n<Limit All>\nOrder deny,allow\n</Limit>\n</Policy>\n";
    const std::string cupsd = ::access("/usr/sbin/cupsd", X_OK) == 0 ? "/usr/sbin/cupsd" : "cupsd";
    std::vector<std::string> argv = {cupsd, "-f", "-c", d + "/root/cupsd.conf", "-s", d + "/root/cups-files.conf"};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawnp(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) {
      pid_ = 0;
      error = "cupsd cannot be started (is the cups package installed?)";
      return false;
    }
    for (int i = 0; i < 100; ++i) {
      if (socketAnswers(socket_)) return true;
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    error = "cupsd did not come up: " + log();
    return false;
  }

  void stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = 0;
  }

  // lpadmin against this server; its exit code.
  int lpadmin(std::vector<std::string> args) const {
    const std::string program = ::access("/usr/sbin/lpadmin", X_OK) == 0 ? "/usr/sbin/lpadmin" : "lpadmin";
    args.insert(args.begin(), {program, "-h", socket_});
    return runProgram(args);
  }

  const std::string& socketPath() const { return socket_; }
  int port() const { return port_; }
  std::string log() const {
    std::ifstream f(dir_.path() + "/log/error_log");
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }

 private:
  TempDir dir_;
  std::string socket_;
  int port_ = 0;
  pid_t pid_ = 0;
};

}  // namespace mrv::testing
