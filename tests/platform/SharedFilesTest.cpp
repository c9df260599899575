// What several PCs do to the same files at once, and who may read this machine's disks.
#include <gtest/gtest.h>

#if defined(__linux__)
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "platform/Encoding.h"
#include "platform/SystemServicesNative.h"

namespace fs = std::filesystem;
using namespace mrv;

namespace {

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("mrv-shared-" + std::to_string(std::random_device{}()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Runs `body` in a child process and returns its exit status (-1 when it did not exit).
template <class F>
int inChild(F body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// Fifty PCs logging a failing disk at the same moment: every line arrives whole, none is lost.
TEST(SharedFiles, FiftyProcessesAppendingToOneLogGiveFiftyWholeLines) {
  TempDir dir;
  const std::string log = (dir.path / "_failed.txt").string();
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < 50; ++i) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(go[1]);
      char c;
      (void)!::read(go[0], &c, 1);  // all start together when the pipe closes
      std::string line = "PC" + std::to_string(100 + i) + " ";
      for (int k = 0; k < 1500; ++k) line += "故障";  // longer than one pipe-sized write
      ::_exit(appendAnsiLine(log, line) ? 0 : 1);
    }
    children.push_back(pid);
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::vector<std::string> lines;
  ASSERT_TRUE(readAnsiLines(log, lines));
  ASSERT_EQ(lines.size(), 50u);
  std::set<std::string> names;
  for (const auto& l : lines) {
    EXPECT_EQ(l.size(), 6u + 1500u * 6u) << l.substr(0, 20);
    EXPECT_EQ(l.find("PC", 1), std::string::npos);
    names.insert(l.substr(0, 5));
  }
  EXPECT_EQ(names.size(), 50u);
  std::ifstream in(log, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str().size(), 50u * (6u + 1500u * 4u + 2u));  // CP932 with CR LF
}

// The administrator of the disks on Linux: root, or a member of the group "disk".
TEST(SharedFiles, RootOrTheDiskGroupMayReadTheDisks) {
  std::string message;
  auto self = openNativeSystemServices(message);
  ASSERT_TRUE(self) << message;
  if (::geteuid() != 0) GTEST_SKIP() << "becoming another user to test needs root";
  EXPECT_TRUE(self->isUserAnAdmin());
  const group* disk = ::getgrnam("disk");
  ASSERT_NE(disk, nullptr) << "this system has no group \"disk\"";
  const gid_t diskGid = disk->gr_gid;
  auto asNobody = [diskGid](bool inDiskGroup, bool primary) {
    return inChild([=] {
      const gid_t groups[] = {diskGid};
      if (::setgroups(inDiskGroup && !primary ? 1 : 0, groups) != 0) return 10;
      if (::setgid(primary ? diskGid : 65534) != 0 || ::setuid(65534) != 0) return 11;
      std::string m;
      auto sys = openNativeSystemServices(m);
      return sys ? (sys->isUserAnAdmin() ? 1 : 0) : 12;
    });
  };
  EXPECT_EQ(asNobody(false, false), 0);
  EXPECT_EQ(asNobody(true, false), 1);
  EXPECT_EQ(asNobody(true, true), 1);
}

#endif
