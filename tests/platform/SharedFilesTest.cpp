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
#include "support/TempFolder.h"

namespace fs = std::filesystem;
using namespace mrv;

namespace {

using TempDir = mrv::test::TempFolder;

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
