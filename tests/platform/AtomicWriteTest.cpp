// These tests fill a small tmpfs mounted for them, so they run on Linux only.
#ifdef __linux__
// Replacing a file that other PCs may read at the same moment: the old content or the new, never
// half; a reason when it fails; nothing left behind by a write that a kill interrupted.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <thread>

#include "platform/Encoding.h"
#include "platform/ReplacingFile.h"
#include "platform/TextFiles.h"
#include "support/TempFolder.h"
#include "support/FileBytes.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {

using TempDir = mrv::test::TempFolder;

std::vector<std::string> record(int n, int rows) {
  std::vector<std::string> lines;
  for (int i = 0; i < rows; ++i) lines.push_back("PC" + std::to_string(n) + " row " + std::to_string(i) + " 東京");
  return lines;
}

std::string recordBytes(int n, int rows) {
  std::string s;
  for (const auto& l : record(n, rows)) s += utf8ToAnsi(l) + "\r\n";
  return s;
}

bool onlyFiles(const fs::path& dir, std::size_t count) {
  std::size_t n = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (isProgramTempFileName(e.path().filename().string())) return false;
    ++n;
  }
  return n == count;
}

// A small tmpfs of the test's own; root only (the tests that need it are skipped otherwise).
struct SmallFileSystem {
  TempDir dir;
  bool mounted = false;
  explicit SmallFileSystem(const char* options) {
    mounted = ::geteuid() == 0 && ::mount("tmpfs", dir.path.c_str(), "tmpfs", 0, options) == 0;
  }
  ~SmallFileSystem() {
    if (mounted) ::umount2(dir.path.c_str(), MNT_DETACH);
  }
};

TEST(AtomicWrite, LongNamesStillHaveRoomBesideThem) {
  TempDir dir;
  // a record name at the file system's 255-byte limit: the file beside it has a short name of its own
  const std::string name = std::string(251, 'A') + ".csv";
  ASSERT_TRUE(writeAnsiLinesAtomic(dir / name, {"x"})) << name.size();
  EXPECT_EQ(testsupport::slurpFile(dir / name), "x\r\n");
  EXPECT_TRUE(onlyFiles(dir.path, 1));
}

TEST(AtomicWrite, FailuresSayWhyAndKeepTheOldFile) {
  TempDir dir;
  std::string why;
  EXPECT_FALSE(writeAnsiLinesAtomic(dir / "missing/PC__G.csv", {"x"}, &why));
  EXPECT_EQ(why, "フォルダがありません");

  SmallFileSystem full("size=64k");
  if (!full.mounted && ::geteuid() != 0) GTEST_SKIP() << "the full and read-only file systems need root to mount a 64 KB tmpfs";
  ASSERT_TRUE(full.mounted) << "a 64 KB tmpfs could not be mounted, as root";
  const std::string target = full.dir / "PC__G.csv";
  ASSERT_TRUE(writeAnsiLinesAtomic(target, record(1, 10)));
  why.clear();
  EXPECT_FALSE(writeAnsiLinesAtomic(target, record(2, 5000), &why));  // about 150 KB
  EXPECT_EQ(why, "ディスクの空き容量が足りません");
  EXPECT_EQ(testsupport::slurpFile(target), recordBytes(1, 10));
  EXPECT_TRUE(onlyFiles(full.dir.path, 1));

  ASSERT_EQ(::mount("tmpfs", full.dir.path.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);
  why.clear();
  EXPECT_FALSE(writeAnsiLinesAtomic(target, record(3, 1), &why));
  EXPECT_EQ(why, "読み取り専用の場所です");
  EXPECT_EQ(testsupport::slurpFile(target), recordBytes(1, 10));
}

// A share the user may read but not write (root writes anyway: the read-only mount above covers it).
TEST(AtomicWrite, AReadOnlyFolderKeepsTheOldRecordAndSaysWhy) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  TempDir dir;
  const std::string target = dir / "PC__G.csv";
  ASSERT_TRUE(writeAnsiLinesAtomic(target, record(1, 3)));
  fs::permissions(dir.path, fs::perms::owner_read | fs::perms::owner_exec);
  std::string why;
  EXPECT_FALSE(writeAnsiLinesAtomic(target, record(2, 3), &why));
  fs::permissions(dir.path, fs::perms::owner_all);
  EXPECT_EQ(why, "アクセスが拒否されました");
  EXPECT_EQ(testsupport::slurpFile(target), recordBytes(1, 3));
  EXPECT_TRUE(onlyFiles(dir.path, 1));
}

TEST(AtomicWrite, AFolderThatVanishesLosesNothingElse) {
  TempDir dir;
  fs::create_directory(dir.path / "share");
  const std::string target = dir / "share/PC__G.csv";
  ASSERT_TRUE(writeAnsiLinesAtomic(target, record(1, 3)));
  fs::remove_all(dir.path / "share");
  std::string why;
  EXPECT_FALSE(writeAnsiLinesAtomic(target, record(2, 3), &why));
  EXPECT_EQ(why, "フォルダがありません");
}

// The share's folder is removed and made again (a cleanup script, a remounted share) while saves
// go on: each save either lands whole or fails with a reason, and none leaves a temporary file.
TEST(AtomicWrite, AFolderRemovedWhileSavesRunLeavesWholeRecordsOrAReason) {
  TempDir dir;
  const fs::path share = dir.path / "share";
  const std::string target = (share / "PC__G.csv").string();
  std::atomic<bool> stop{false};
  std::thread remover([&] {
    std::error_code ec;
    while (!stop) {
      fs::create_directory(share, ec);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      fs::remove_all(share, ec);
    }
    fs::create_directory(share, ec);
  });
  int saved = 0, failed = 0;
  for (int i = 0; i < 400; ++i) {
    std::string why;
    if (writeAnsiLinesAtomic(target, record(i, 200), &why)) {
      ++saved;
      const std::string now = testsupport::slurpFile(target);  // empty when the folder has gone again
      if (!now.empty()) {
        EXPECT_EQ(now, recordBytes(i, 200)) << "save " << i;
      }
    } else {
      ++failed;
      EXPECT_FALSE(why.empty()) << "save " << i;
    }
  }
  stop = true;
  remover.join();
  std::cout << "[          ] " << saved << " saved, " << failed << " failed with a reason\n";
  ASSERT_TRUE(writeAnsiLinesAtomic(target, record(999, 200)));
  EXPECT_EQ(testsupport::slurpFile(target), recordBytes(999, 200));
  EXPECT_TRUE(onlyFiles(share, 1)) << "a temporary file was left behind";
}

TEST(AtomicWrite, FiftyPcsSavingAtOnceLeaveFiftyWholeRecords) {
  TempDir dir;
  std::vector<pid_t> children;
  for (int n = 0; n < 50; ++n) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      bool ok = true;
      for (int round = 0; round < 5; ++round) ok = writeAnsiLinesAtomic(dir / ("PC" + std::to_string(n) + "__G.csv"), record(n, 400)) && ok;
      std::_Exit(ok ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int n = 0; n < 50; ++n) EXPECT_EQ(testsupport::slurpFile(dir / ("PC" + std::to_string(n) + "__G.csv")), recordBytes(n, 400));
  EXPECT_TRUE(onlyFiles(dir.path, 50));
}

TEST(AtomicWrite, AKillDuringSaveLeavesTheOldRecordWholeAndTheNextSaveTidiesUp) {
  TempDir dir;
  const std::string target = dir / "PC__G.csv";
  ASSERT_TRUE(writeAnsiLinesAtomic(target, record(0, 20000)));
  const std::string old = testsupport::slurpFile(target), fresh = recordBytes(1, 20000);
  int killed = 0;
  for (int attempt = 0; attempt < 20; ++attempt) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (;;) writeAnsiLinesAtomic(target, record(1, 20000));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + attempt * 3));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ++killed;
    const std::string now = testsupport::slurpFile(target);
    ASSERT_TRUE(now == old || now == fresh) << "a reader saw " << now.size() << " bytes";
  }
  EXPECT_EQ(killed, 20);
  // files left by the kills are removed once they are old; young ones and other names stay
  std::size_t left = 0;
  for (const auto& e : fs::directory_iterator(dir.path))
    if (isProgramTempFileName(e.path().filename().string())) {
      ++left;
      fs::last_write_time(e.path(), fs::file_time_type::clock::now() - std::chrono::minutes(11));
    }
  std::ofstream(dir / ".mrv-1-2.tmp") << "young";
  std::ofstream(dir / "notes.tmp") << "someone else's";
  EXPECT_EQ(removeStaleTempFiles(dir.path.string()), static_cast<int>(left));
  EXPECT_TRUE(fs::exists(dir / ".mrv-1-2.tmp"));
  EXPECT_TRUE(fs::exists(dir / "notes.tmp"));
}

// A long list replaced is the new one at once, and the old one is let go soon after (it is freed
// on a thread of its own); a reader that had it open reads it whole meanwhile.
TEST(AtomicWrite, ALongFileReplacedIsLetGoSoonAfter) {
  TempDir dir;
  const std::string target = (dir.path / "mervana_a.csv").string();
  const std::string old(6 << 20, 'o');
  ASSERT_TRUE(writeFileAtomic(target, old));
  std::ifstream reader(target, std::ios::binary);
  ReplacingFile list(target);
  list.write(std::string(7 << 20, 'n'));
  ASSERT_TRUE(list.finish());
  ASSERT_TRUE(list.replaceTarget());
  EXPECT_EQ(fs::file_size(target), 7u << 20);
  std::ostringstream held;
  held << reader.rdbuf();
  EXPECT_EQ(held.str(), old);
  reader.close();

  // no descriptor of this process is left on the replaced file
  auto holdsReplaced = [] {
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      const std::string to = fs::read_symlink(e.path(), ec).string();
      if (!ec && to.find("mervana_a.csv") != std::string::npos && to.ends_with("(deleted)")) return true;
    }
    return false;
  };
  for (int i = 0; i < 500 && holdsReplaced(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_FALSE(holdsReplaced());
}

// The open flags (octal, as /proc/self/fdinfo gives them) of this process's descriptor on the
// program's temporary file in `folder`; -1 when there is none.
long tempFileFlags(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const fs::path to = fs::read_symlink(e.path(), ec);
    if (ec || to.parent_path() != folder || !isProgramTempFileName(to.filename().string())) continue;
    std::ifstream info("/proc/self/fdinfo/" + e.path().filename().string());
    for (std::string line; std::getline(info, line);)
      if (line.rfind("flags:", 0) == 0) return std::stol(line.substr(6), nullptr, 8);
  }
  return -1;
}

bool onDiskFileSystem(const fs::path& folder) {
  struct statfs st {};
  if (::statfs(folder.c_str(), &st) != 0) return false;
  const auto type = static_cast<unsigned long>(st.f_type);
  return type == EXT4_SUPER_MAGIC || type == XFS_SUPER_MAGIC || type == BTRFS_SUPER_MAGIC;
}

// A list of tens of megabytes, written in pieces of every size about the disk's blocks (4 KB) and
// the writer's own (2 MB): on a local disk it goes past the system's cache (O_DIRECT), and what
// lands is every byte in its place, the last short block too.
TEST(AtomicWrite, ALongListOnALocalDiskIsWrittenPastTheCacheByteForByte) {
  TempDir dir;
  const std::string target = (dir.path / "mervana.csv").string();
  std::mt19937 random(11);
  std::string expected;
  ReplacingFile list(target);
  ASSERT_TRUE(list.isOpen());
  const std::size_t pieces[] = {1, 4095, 4096, 4097, 300000, 2u << 20, (2u << 20) + 1, 3u << 20, 17, 262144, 262143};
  long flagsOnTheWay = -1;
  for (int round = 0; expected.size() < (24u << 20); ++round) {
    const std::size_t n = pieces[static_cast<std::size_t>(round) % std::size(pieces)];
    std::string piece(n, '\0');
    for (char& c : piece) c = static_cast<char>('A' + random() % 26);
    expected += piece;
    list.write(piece);
    if (expected.size() > (12u << 20) && flagsOnTheWay < 0) flagsOnTheWay = tempFileFlags(dir.path);
  }
  list.write("tail");
  expected += "tail";
  ASSERT_GT(flagsOnTheWay, 0) << "the temporary file was not found among the open descriptors";
  EXPECT_EQ((flagsOnTheWay & O_DIRECT) != 0, onDiskFileSystem(dir.path)) << "flags " << std::oct << flagsOnTheWay;
  ASSERT_TRUE(list.finish()) << "error " << list.errorCode();
  ASSERT_TRUE(list.replaceTarget());
  const std::string landed = testsupport::slurpFile(target);
  ASSERT_EQ(landed.size(), expected.size());
  EXPECT_TRUE(landed == expected) << "the bytes differ from " << std::mismatch(landed.begin(), landed.end(), expected.begin()).first - landed.begin();
}

// A local disk that fills up while a long list is written past the cache: the failure is the full
// disk's, and the old list stays as it was, with nothing left beside it.
TEST(AtomicWrite, ALocalDiskThatFillsUnderALongListKeepsTheOldList) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small ext4 image needs root";
  TempDir dir;
  const fs::path image = dir.path / "disk.img", mounted = dir.path / "disk";
  fs::create_directory(mounted);
  std::ofstream(image).close();
  fs::resize_file(image, 20u << 20);
  ASSERT_EQ(std::system(("mkfs.ext4 -q -F " + image.string() + " >/dev/null 2>&1").c_str()), 0) << "mkfs.ext4";
  ASSERT_EQ(std::system(("mount -o loop " + image.string() + " " + mounted.string() + " 2>&1").c_str()), 0)
      << "a 20 MB ext4 image could not be mounted, as root";
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{mounted};
  const std::string target = (mounted / "mervana_a.csv").string();
  const std::string old = "PC01,old\r\n";
  ASSERT_TRUE(writeFileAtomic(target, old));
  {
    ReplacingFile list(target);
    ASSERT_TRUE(list.isOpen());
    const std::string piece(1u << 20, 'x');
    for (int i = 0; i < 40; ++i) list.write(piece);
    EXPECT_FALSE(list.finish());
    EXPECT_EQ(list.errorCode(), ENOSPC);
    EXPECT_FALSE(list.replaceTarget());
  }
  EXPECT_EQ(testsupport::slurpFile(target), old);
  EXPECT_TRUE(onlyFiles(mounted, 2));  // the list and ext4's lost+found
}

TEST(AtomicWrite, OnlyTheProgramsOwnTemporaryNamesAreRecognised) {
  for (const char* yes : {".mrv-12-0.tmp", "PC01__G.csv.~4711-3.tmp"}) EXPECT_TRUE(isProgramTempFileName(yes)) << yes;
  for (const char* no : {"PC01__G.csv", ".mrv-12.tmp", ".mrv-a-1.tmp", "x.tmp", ".~1-2.tmp", "PC.csv.~1-2.tmp.bak"})
    EXPECT_FALSE(isProgramTempFileName(no)) << no;
}

}  // namespace

#endif  // __linux__
