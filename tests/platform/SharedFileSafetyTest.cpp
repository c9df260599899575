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

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
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

// A folder of records read many at a time (as the aggregation reads them) gives, file by file and
// in order, what reading each alone gives: the bytes the test wrote, or the same refusal. The files
// are of every length about the reader's own buffer (64 KB) and the size limit, mixed with what is
// not a record, with a record that vanished after the listing and one that a FIFO replaced.
TEST(SharedFileSafety, AFolderReadManyAtATimeGivesWhatEachFileAloneGives) {
  TempDir dir;
  constexpr std::uint64_t kLimit = 150000;
  std::mt19937 random(7);
  auto bytesOf = [&](std::size_t n) {
    std::string b(n, '\0');
    for (char& c : b) c = static_cast<char>(random());
    return b;
  };
  std::map<std::string, std::string> written;  // the regular files and their bytes
  const std::size_t sizes[] = {0, 1, 4095, 4096, 4097, 5000, 65535, 65536, 65537, 100000, kLimit, kLimit + 1, 400000};
  for (int i = 0; i < 130; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "PC%03d__SALES.csv", i);
    const std::size_t n = i < 13 ? sizes[i] : 3000 + static_cast<std::size_t>(random() % 9000);
    written[name] = bytesOf(n);
    dir.write(name, written[name]);
  }
  dir.fifo("PC200__PIPE.csv");
  dir.link("PC201__LINK.csv", dir.file("PC005__SALES.csv"));
  dir.link("PC202__GONE.csv", dir.file("nowhere.csv"));
  dir.link("PC203__ZERO.csv", "/dev/zero");

  std::vector<FolderEntry> files;
  ASSERT_TRUE(listFolderEntries(dir.path.string(), files));
  std::sort(files.begin(), files.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(files.size(), 134u);
  // after the listing: one record goes, a FIFO takes another's place
  fs::remove(dir.path / "PC040__SALES.csv");
  written.erase("PC040__SALES.csv");
  fs::remove(dir.path / "PC041__SALES.csv");
  written.erase("PC041__SALES.csv");
  dir.fifo("PC041__SALES.csv");

  for (const LinkRule links : {LinkRule::Refuse, LinkRule::Follow}) {
    const FolderReader folder(dir.path.string());
    // ranges that start and end inside the reader's runs of files
    for (const auto& [from, to] : {std::pair<std::size_t, std::size_t>{0, files.size()}, {3, 77}, {100, 101}}) {
      const int status = inChildWithin(10, [&] {
        FolderRunReader reader(folder);
        std::size_t expected = from;
        bool same = true;
        reader.readEach(files, from, to, kLimit, links, [&](std::size_t i, FileRefusal refusal, std::string_view bytes) {
          std::string alone;
          const FileRefusal aloneRefusal = folder.read(files[i].name, kLimit, links, alone);
          const auto w = written.find(files[i].name);
          const bool wrote = w != written.end() && w->second.size() <= kLimit;
          same = same && i == expected++ && refusal == aloneRefusal &&
                 (refusal == FileRefusal::None ? bytes == alone && (!wrote || bytes == w->second) : !wrote);
          if (!same) std::fprintf(stderr, "differs at %s\n", files[i].name.c_str());
        });
        return same && expected == to ? 0 : 1;
      });
      EXPECT_EQ(status, 0) << "files " << from << " to " << to << " (" << kKilledByAlarm << ": it blocked)";
    }
  }

  // the cases themselves, from reading each alone
  const FolderReader folder(dir.path.string());
  std::string bytes;
  EXPECT_EQ(folder.read("PC041__SALES.csv", kLimit, LinkRule::Refuse, bytes), FileRefusal::NotRegular);
  EXPECT_EQ(folder.read("PC040__SALES.csv", kLimit, LinkRule::Refuse, bytes), FileRefusal::Missing);
  EXPECT_EQ(folder.read("PC201__LINK.csv", kLimit, LinkRule::Refuse, bytes), FileRefusal::Link);
  EXPECT_EQ(folder.read("PC011__SALES.csv", kLimit, LinkRule::Refuse, bytes), FileRefusal::TooLarge);
  EXPECT_EQ(folder.read("PC010__SALES.csv", kLimit, LinkRule::Refuse, bytes), FileRefusal::None);
  EXPECT_EQ(bytes.size(), kLimit);
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
