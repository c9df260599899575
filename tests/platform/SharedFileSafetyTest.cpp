// What a hostile or broken save folder can hold where the program expects its own files: a FIFO,
// a device, a link, a huge file, a disk that fills up in the middle of a line. Every case must end
// at once with the file refused, never block, never write through a link, never leave half a line.
// Real FIFOs, links and file size limits: Linux only.
#ifdef __linux__
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/TextFiles.h"
#include "platform/FileLock.h"
#include "platform/FolderFiles.h"
#include "platform/replay/RecordedRegistry.h"
#include "support/TempFolder.h"
#include "support/FileBytes.h"

namespace fs = std::filesystem;
using namespace mrv;

namespace {

using TempDir = mrv::test::TempFolder;

// Runs `body` in a child process that is killed after `seconds`: a call that blocks fails the test
// instead of hanging it. The child's exit status is what `body` returned.
template <class F>
int inChildWithin(int seconds, F body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(static_cast<unsigned>(seconds));
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
constexpr int kKilledByAlarm = 128 + SIGALRM;

}  // namespace

// The readers of the shared folder's files (the history, VirusFound.txt) and the shared logs'
// writer: a FIFO with nobody at its other end answers at once with a refusal.
TEST(SharedFileSafety, AFifoWhereAFileBelongsIsRefusedWithoutWaiting) {
  TempDir dir;
  const std::string fifo = dir.fifo("PC01__SALES.csv");
  EXPECT_EQ(inChildWithin(5, [&] {
              std::vector<std::string> lines;
              return readAnsiLines(fifo, lines) ? 1 : 0;
            }),
            0)
      << "reading a FIFO (" << kKilledByAlarm << ": it blocked)";
  EXPECT_EQ(inChildWithin(5, [&] { return appendAnsiLine(fifo, "PC01  故障 1/0") ? 1 : 0; }), 0)
      << "appending to a FIFO (" << kKilledByAlarm << ": it blocked)";
  // the same with a reader at the other end: nothing is written into the pipe either
  EXPECT_EQ(inChildWithin(5, [&] {
              const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
              const bool appended = appendAnsiLine(fifo, "PC01  故障 1/0");
              char c;
              const bool wrote = ::read(reader, &c, 1) > 0;
              return appended || wrote ? 1 : 0;
            }),
            0);
  // a link to a device that never ends is not read either (it would fill the memory)
  const std::string zero = dir.link("VirusFound.txt", "/dev/zero");
  EXPECT_EQ(inChildWithin(5, [&] {
              std::string text;
              return readAnsiFile(zero, text) ? 1 : 0;
            }),
            0);
  std::string bytes;
  EXPECT_EQ(readRegularFile(fifo, 1 << 20, LinkRule::Follow, bytes), FileRefusal::NotRegular);
  EXPECT_EQ(readRegularFile("/dev/zero", 1 << 20, LinkRule::Follow, bytes), FileRefusal::NotRegular);
  EXPECT_EQ(readRegularFile(dir.path.string(), 1 << 20, LinkRule::Follow, bytes), FileRefusal::Folder);
  EXPECT_EQ(readRegularFile(dir.file("none"), 1 << 20, LinkRule::Follow, bytes), FileRefusal::Missing);
}

// A link in the save folder (to a file only root may read, or that another program keeps) is
// neither read through nor written through.
TEST(SharedFileSafety, LinksInTheSaveFolderAreNotFollowed) {
  TempDir dir;
  const std::string secret = dir.write("shadow", "root:secret\r\n");
  const std::string history = dir.link("PC01__SALES.csv", secret);
  std::string text;
  EXPECT_FALSE(readAnsiFile(history, text));
  EXPECT_EQ(text, "");
  const std::string log = dir.link("_failed.txt", secret);
  EXPECT_FALSE(appendAnsiLine(log, "PC01               2007/03/09 08:05:01  故障 1/0  警告 0/0"));
  EXPECT_EQ(testsupport::slurpFile(secret), "root:secret\r\n");
  std::string bytes;
  EXPECT_EQ(readRegularFile(history, 1 << 20, LinkRule::Refuse, bytes), FileRefusal::Link);
  // the administrator's own files (the configuration beside the program) may be links
  std::string ini;
  EXPECT_TRUE(readAnsiOrUtf8File(dir.link("mervana.ini", secret), ini));
  EXPECT_EQ(ini, "root:secret\r\n");
}

// A 1 GB sparse history (it takes no disk, but a reader that takes it whole takes 1 GB of memory
// and more) is refused by its size before a byte is read.
TEST(SharedFileSafety, AFileOverTheSizeLimitIsRefusedUnread) {
  TempDir dir;
  const std::string huge = dir.file("PC01__SALES.csv");
  { std::ofstream(huge, std::ios::binary) << "DateTime,DayOfWeek\r\n"; }
  fs::resize_file(huge, 1ull << 30);
  std::vector<std::string> lines;
  EXPECT_FALSE(readAnsiLines(huge, lines));
  EXPECT_TRUE(lines.empty());
  std::string bytes;
  EXPECT_EQ(readRegularFile(huge, kMaxSharedTextBytes, LinkRule::Refuse, bytes), FileRefusal::TooLarge);
  EXPECT_EQ(readRegularFile(dir.write("small", "12345"), 4, LinkRule::Refuse, bytes), FileRefusal::TooLarge);
  EXPECT_EQ(readRegularFile(dir.file("small"), 5, LinkRule::Refuse, bytes), FileRefusal::None);
  EXPECT_EQ(bytes, "12345");
  EXPECT_EQ(readRegularFile(dir.file("small"), 5, LinkRule::Refuse, bytes, 2), FileRefusal::None);
  EXPECT_EQ(bytes, "12");
}

// A disk that fills up in the middle of a log line (a file size limit gives the same short write
// as a full disk): the part written is cut off again, so the next PC's line starts on a line of
// its own instead of glued to half of this one.
TEST(SharedFileSafety, AShortWriteLeavesNoHalfLineInASharedLog) {
  TempDir dir;
  const std::string first = "PC01               2007/03/09 08:05:01  故障 1/0  警告 0/0";
  const std::string log = dir.file("_failed.txt");
  ASSERT_TRUE(appendAnsiLine(log, first));
  const std::string before = testsupport::slurpFile(log);
  EXPECT_EQ(inChildWithin(10, [&] {
              ::signal(SIGXFSZ, SIG_IGN);
              const rlimit limit{before.size() + 20, before.size() + 20};  // room for 20 bytes of the next line
              if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
              return appendAnsiLine(log, "PC02               2007/03/09 08:06:00  故障 2/0  警告 0/0") ? 1 : 0;
            }),
            0);
  EXPECT_EQ(testsupport::slurpFile(log), before) << "half a line left behind";
  ASSERT_TRUE(appendAnsiLine(log, "PC03               2007/03/09 08:07:00  故障 1/0  警告 0/0"));
  std::vector<std::string> lines;
  ASSERT_TRUE(readAnsiLines(log, lines));
  EXPECT_EQ(lines, (std::vector<std::string>{first, "PC03               2007/03/09 08:07:00  故障 1/0  警告 0/0"}));
}

// Registry= naming a FIFO: the hive test that looks at the file's first bytes must not wait for a
// writer that never comes.
TEST(SharedFileSafety, ARegistrySourceThatIsAFifoIsRefusedAtOnce) {
  TempDir dir;
  const std::string fifo = dir.fifo("SOFTWARE");
  EXPECT_EQ(inChildWithin(5, [&] {
              std::vector<std::string> messages;
              const auto store = openRecordedMachineRegistry(fifo, messages);
              return !store && !messages.empty() && messages[0].find("not a regular file") != std::string::npos ? 0 : 1;
            }),
            0);
}

// The lock that makes two saves of one PC take turns: the second waits while the first holds it,
// gives up with a reason after its time, and gets it once the first lets go (or ends).
TEST(SharedFileSafety, AFileLockIsHeldAgainstOtherProcessesUntilReleased) {
  TempDir dir;
  const std::string lockPath = dir.file("PC01__SALES.csv.lock");
  FileLock lock;
  ASSERT_TRUE(lock.acquire(lockPath, 1000));
  EXPECT_EQ(inChildWithin(10, [&] {
              FileLock other;
              std::string why;
              return !other.acquire(lockPath, 200, &why) && !why.empty() ? 0 : 1;
            }),
            0);
  lock.release();
  EXPECT_EQ(inChildWithin(10, [&] {
              FileLock other;
              return other.acquire(lockPath, 200) ? 0 : 1;
            }),
            0);
  // a link at the lock's place is refused, not locked through
  FileLock linked;
  std::string why;
  EXPECT_FALSE(linked.acquire(dir.link("other.lock", lockPath), 100, &why));
  EXPECT_FALSE(why.empty());
}

#endif  // __linux__
