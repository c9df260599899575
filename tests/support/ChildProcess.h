#pragma once
// Runs a program as a child in its own process group with a time limit; on timeout the whole group
// is killed. For tests that start real programs (the built program, a spreadsheet).
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace mrv::test {

struct ChildResult {
  bool started = false;   // exec succeeded (the program exists)
  bool timedOut = false;  // killed after the limit
  int status = -1;        // exit status when it exited
  std::string out, err;
};

// env: extra "NAME=value" entries; unset: names removed from the environment.
inline ChildResult runChild(const std::vector<std::string>& argv, const std::string& workDir, int limitSeconds,
                            const std::vector<std::string>& unset = {}) {
  ChildResult r;
  const std::string outPath = workDir + "/.child-out", errPath = workDir + "/.child-err";
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return r;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setpgid(0, 0);
    for (const auto& name : unset) ::unsetenv(name.c_str());
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (::chdir(workDir.c_str()) != 0) ::_exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    const char failed = 1;  // tell the parent that exec failed
    [[maybe_unused]] auto n = ::write(ready[1], &failed, 1);
    ::_exit(127);
  }
  ::close(ready[1]);
  if (pid < 0) {
    ::close(ready[0]);
    return r;
  }
  char flag = 0;
  r.started = ::read(ready[0], &flag, 1) == 0;  // closed on a successful exec
  ::close(ready[0]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limitSeconds);
  int wstatus = 0;
  for (;;) {
    const pid_t w = ::waitpid(pid, &wstatus, WNOHANG);
    if (w == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &wstatus, 0);
      r.timedOut = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!r.timedOut && WIFEXITED(wstatus)) r.status = WEXITSTATUS(wstatus);
  ::kill(-pid, SIGKILL);  // helpers the program left behind in its group
  auto slurp = [](const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  };
  r.out = slurp(outPath);
  r.err = slurp(errPath);
  ::unlink(outPath.c_str());
  ::unlink(errPath.c_str());
  return r;
}

}  // namespace mrv::test
