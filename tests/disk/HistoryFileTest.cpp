// The history and the failure logs as files other PCs, other saves and a hostile folder share: a
// kill between two writes, a killed write's leftovers, an emptied file, a huge file, a FIFO or a
// link where the history belongs, and ten saves of one PC at the same moment. Real processes,
// FIFOs and links: Linux only.
#ifdef __linux__
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "DiskFixture.h"
#include "base/Error.h"
#include "disk/HistoryFile.h"

using namespace mrv;
using namespace mrv::test;

namespace {

const std::string kFailedAlert = "警告|" + std::string(kDiskFailedAlert);

// Forks; the child runs `body` and exits with its result, or is killed after `seconds`.
template <class F>
int inChild(int seconds, F body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(static_cast<unsigned>(seconds));
    int status = 1;
    try {
      status = body();
    } catch (...) {
      status = 3;
    }
    ::_exit(status);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char* gKillAt = nullptr;
void killAtStep(std::string_view step) {
  if (gKillAt && step == gKillAt) ::raise(SIGKILL);
}

// A save of the PC in a child process that is killed, as a power cut would end it, right after
// the step `step` of the save.
int saveKilledAfter(DiskPc& pc, const char* step) {
  return inChild(30, [&] {
    gKillAt = step;
    SetHistoryStepHook(killAtStep);
    pc.save();
    return 0;
  });
}

bool anyTempFile(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().extension() == ".tmp") return true;
  return false;
}

}  // namespace

// A run killed once the history row of a failing disk is written: the failure logs already hold the
// alert. Killed after the logs and before the row: the next run compares with the same old row and
// alerts again, so the alert is never lost.
TEST(HistoryFiles, AKillBetweenTheHistoryAndTheLogsLosesNoAlert) {
  {
    DiskPc pc;
    pc.setDrives({driveWith(0, 0)});
    pc.save();
    pc.setDrives({driveWith(1, 0)});
    ASSERT_EQ(saveKilledAfter(pc, "history"), 128 + SIGKILL);
    EXPECT_EQ(ansiLines(pc.historyPath()).size(), 4u);
    EXPECT_EQ(ansiLines(pc.log(kHddFailLog)).size(), 1u) << "the alert was lost with the killed run";
    EXPECT_EQ(ansiLines(pc.log(kFailedLog)).size(), 1u);
  }
  {
    DiskPc pc;
    pc.setDrives({driveWith(0, 0)});
    pc.save();
    pc.setDrives({driveWith(1, 0)});
    ASSERT_EQ(saveKilledAfter(pc, "logs"), 128 + SIGKILL);
    EXPECT_EQ(ansiLines(pc.historyPath()).size(), 3u);
    EXPECT_EQ(ansiLines(pc.log(kHddFailLog)).size(), 1u);
    pc.save();  // the next logon
    EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{kFailedAlert});
    EXPECT_EQ(ansiLines(pc.historyPath()).size(), 4u);
    EXPECT_EQ(ansiLines(pc.log(kHddFailLog)).size(), 2u);
  }
}

// What a killed write left in the hdd folder is tidied by the next save (once it is old enough not
// to be another PC's write in progress); an emptied history gets its headers back.
TEST(HistoryFiles, AKilledWritesLeftoversAndAnEmptiedHistoryAreMended) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  fs::create_directories(pc.historyPath().parent_path());
  const fs::path stale = pc.historyPath().parent_path() / ".mrv-4242-0.tmp";
  const fs::path fresh = pc.historyPath().parent_path() / ".mrv-4243-0.tmp";
  { std::ofstream(stale) << "DateTime,Day"; }
  { std::ofstream(fresh) << "DateTime,Day"; }
  fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(1));
  { std::ofstream(pc.historyPath()); }  // 0 bytes: a file system that lost the data of its last write
  pc.save();
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(fresh));
  auto lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0].starts_with("DateTime,DayOfWeek,DriveNum,"));
  EXPECT_TRUE(lines[1].starts_with("日時,曜日番号,ディスクNo.,"));
  EXPECT_TRUE(pc.dialogs.shown.empty());

  // a history that lost its first lines keeps its rows and gets the headers in front again
  const std::vector<std::string> rows(lines.begin() + 2, lines.end());
  ASSERT_TRUE(writeAnsiLinesAtomic(pc.historyPath().string(), rows));
  pc.setDrives({driveWith(1, 0)});
  pc.save();
  lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_TRUE(lines[0].starts_with("DateTime,DayOfWeek,"));
  EXPECT_TRUE(lines[1].starts_with("日時,曜日番号,"));
  EXPECT_EQ(lines[2], rows[0]);
  EXPECT_EQ(pc.dialogs.shown, std::vector<std::string>{kFailedAlert});  // compared with the row kept
}

// A history far over its 500 lines is brought back to 501 in one save, oldest rows first, in a
// time that grows with its length (one erase for all of them); a file over the size limit is not
// read at all and the save says why.
TEST(HistoryFiles, AnOverlongHistoryIsTrimmedInOnePassAndAHugeOneIsRefused) {
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  pc.save();
  auto lines = ansiLines(pc.historyPath());
  const std::string row = lines[2];
  for (int i = 0; i < 100000; ++i) lines.push_back("2006/01/01 00:00:00,1" + row.substr(21) + std::to_string(i));
  ASSERT_TRUE(writeAnsiLinesAtomic(pc.historyPath().string(), lines));
  const auto start = std::chrono::steady_clock::now();
  pc.save();
  const auto took = std::chrono::steady_clock::now() - start;
  const auto after = ansiLines(pc.historyPath());
  ASSERT_EQ(after.size(), 501u);
  EXPECT_EQ(after[0], lines[0]);
  EXPECT_EQ(after[1], lines[1]);
  EXPECT_EQ(after[2], lines[lines.size() - 498]);
  EXPECT_EQ(after[499], lines.back());
  // one row at a time takes about ten seconds for these 100 000 lines
  EXPECT_LT(took, std::chrono::seconds(5));

  std::vector<std::string> few = {"a", "b", "1", "2", "3"};
  TrimHistoryLines(few, 3);
  EXPECT_EQ(few, (std::vector<std::string>{"a", "b", "3"}));

  fs::resize_file(pc.historyPath(), 1ull << 30);  // sparse: no disk, but 1 GB to a reader
  try {
    pc.save();
    ADD_FAILURE() << "a 1 GB history was read";
  } catch (const MrvError& e) {
    EXPECT_NE(std::string(e.what()).find("大きすぎます"), std::string::npos) << e.what();
  }
  EXPECT_EQ(fs::file_size(pc.historyPath()), 1ull << 30);
  EXPECT_FALSE(pc.noHistory);
}

// A FIFO at the history's place fails the save at once; a link there is not followed, neither
// for the history nor for a shared log, and the file it names stays as it was.
TEST(HistoryFiles, AFifoOrALinkAtAHistoryOrLogIsRefused) {
  DiskPc pc;
  pc.setDrives({driveWith(1, 0)});
  fs::create_directories(pc.historyPath().parent_path());
  ASSERT_EQ(::mkfifo(pc.historyPath().c_str(), 0600), 0);
  EXPECT_EQ(inChild(10, [&] {
              pc.save();
              return 0;
            }),
            3)
      << "the save did not end with an error (" << 128 + SIGALRM << ": it blocked on the FIFO)";
  fs::remove(pc.historyPath());

  const fs::path target = pc.root / "target.txt";
  { std::ofstream(target) << "keep\r\n"; }
  fs::create_symlink(target, pc.historyPath());
  EXPECT_THROW(pc.save(), MrvError);
  EXPECT_EQ(testsupport::slurpFile(target), "keep\r\n");
  fs::remove(pc.historyPath());

  pc.save();
  fs::create_symlink(target, pc.log(kFailedLog));
  EXPECT_THROW(pc.save(), MrvError);  // the log could not be appended to
  EXPECT_EQ(testsupport::slurpFile(target), "keep\r\n");
  EXPECT_EQ(ansiLines(pc.historyPath()).size(), 4u);  // the row itself is kept
}

// Ten saves of one PC at the same moment (logon scripts run twice, a user's double click): every
// one of them adds its row.
TEST(HistoryFiles, TenSavesOfOnePcAtOnceLoseNoRow) {
  constexpr int kSaves = 10;
  DiskPc pc;
  pc.setDrives({driveWith(0, 0)});
  pc.save();
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < kSaves; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(go[1]);
      char c;
      if (::read(go[0], &c, 1) != 0) ::_exit(2);  // all start when the pipe closes
      try {
        pc.save();
      } catch (...) {
        ::_exit(3);
      }
      ::_exit(0);
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
  EXPECT_EQ(ansiLines(pc.historyPath()).size(), 3u + kSaves);
  EXPECT_FALSE(anyTempFile(pc.historyPath().parent_path()));
}

#endif  // __linux__
