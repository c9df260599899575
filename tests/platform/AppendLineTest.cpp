// A shared log appended by many PCs at the same moment: every line arrives whole, none is lost.
// Fifty writers are forked processes: Linux only.
#ifdef __linux__
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <set>

#include "platform/TextFiles.h"
#include "support/RegistryFixtures.h"

namespace mrv {
namespace {

TEST(AppendAnsiLine, FiftyProcessesAtOnceGiveFiftyWholeLines) {
  constexpr int kWriters = 50;
  testing::TempDir dir;
  const std::string log = dir.file("VirusFound.txt");
  // long lines with a multi-byte part, so a torn write would show: each is longer than one
  // pipe-sized write (4096 bytes) in Shift-JIS
  auto lineOf = [](int i) {
    std::string line = "2008/04/01 09:00:00 " + std::to_string(i) + " PC" + std::to_string(i) + " ウイルス " +
                       std::string(3000, static_cast<char>('a' + i % 26));
    for (int k = 0; k < 600; ++k) line += "故障";
    return line;
  };

  int gate[2];
  ASSERT_EQ(::pipe(gate), 0);
  std::vector<pid_t> writers;
  for (int i = 0; i < kWriters; ++i) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(gate[1]);
      char c;
      while (::read(gate[0], &c, 1) > 0) {
      }  // released all together when the gate closes
      ::_exit(appendAnsiLine(log, lineOf(i)) ? 0 : 1);
    }
    writers.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);
  for (pid_t pid : writers) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  std::string bytes;
  ASSERT_TRUE(readAnsiFile(log, bytes));
  std::vector<std::string> lines;
  ASSERT_TRUE(readAnsiLines(log, lines));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kWriters));
  std::set<std::string> expected, seen(lines.begin(), lines.end());
  for (int i = 0; i < kWriters; ++i) expected.insert(lineOf(i));
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(bytes.size(), [&] {
    std::size_t n = 0;
    for (const auto& l : expected) n += l.size() + 2;
    return n;
  }()) << "every line ends in CR LF";
}

}  // namespace
}  // namespace mrv

#endif  // __linux__
