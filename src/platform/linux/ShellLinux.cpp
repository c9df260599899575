// Programs are started with posix_spawn (no shell, so no quoting problems with paths) and reaped by
// a detached thread, so that a long-running interactive session leaves no zombies behind.
#include <fcntl.h>
#include <spawn.h>

#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/Shell.h"

extern char** environ;

namespace mrv {

namespace {
bool spawnDetached(const std::string& program, const std::vector<std::string>& args, bool searchPath) {
  std::vector<std::string> argvStore;
  argvStore.push_back(program);
  argvStore.insert(argvStore.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argvStore) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // the child must not write into our standard output (batch runs print the record path there)
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = searchPath ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                            : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

class LinuxShell : public Shell {
 public:
  bool openDocument(const std::string& path) override { return spawnDetached("xdg-open", {path}, true); }
  bool startProgram(const std::string& program, const std::vector<std::string>& args) override {
    return spawnDetached(program, args, false);
  }
};
}  // namespace

std::unique_ptr<Shell> openNativeShell() { return std::make_unique<LinuxShell>(); }

}  // namespace mrv
