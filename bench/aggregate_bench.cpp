// The aggregated lists over a folder of real-size records, against an awk transposition of the same
// files, and the peak memory of the command at two folder sizes.
//
//   aggregate_bench [--keep] [--rounds N] [--records N] [folder]
//
// Generates 1,000 and N (100,000 unless --records says otherwise) record files of 350 lines each (Shift-JIS, CR LF: the standard block,
// a custom block, the section marker, the installed-programs block and patches) with an item list.
// Each measurement runs in a child process (this program started again with --run FOLDER), so the
// peak resident size (getrusage of the child) is the command's own. The awk contender turns every
// file into one comma-joined row: `printf '%s\0' PC*.csv | xargs -0 awk -v RS='\r\n'
// 'FNR==1&&NR>1{printf "\r\n"} {printf ...}'`.
// Before each run the file system is synced, so that neither contender's run pays for writing out
// what the one before it left unwritten (the command syncs its own lists; awk does not).
// Over the N the command and awk run back to back in each round (5 unless --rounds says
// more), and the speed-up is the median of the rounds' ratios. The last line ("figures:
// name=value ...") is for scripts/bench.sh.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "records/Aggregate.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

constexpr int kLines = 350;

std::string recordText(int pc) {
  const std::string stem = "PC" + std::to_string(10000 + pc) + "__SALES";
  std::vector<std::string> v{stem, "Mervana 0.1.0", "user" + std::to_string(pc), "", "SALES", "", ""};
  while (v.size() < 90) {
    switch (v.size() % 6) {
      case 0: v.push_back("Intel(R) Core(TM) i5-8500 CPU @ 3.00GHz"); break;
      case 1: v.push_back("192.168.1." + std::to_string(pc % 250)); break;
      case 2: v.push_back("営業部 第" + std::to_string(pc % 9) + "課"); break;
      case 3: v.push_back("\"Windows 10 Pro, 22H2\""); break;
      case 4: v.push_back(std::to_string(8192 + pc % 7)); break;
      default: v.push_back(""); break;
    }
  }
  for (int i = 0; i < 10; ++i) v.push_back("カスタム値" + std::to_string(i));
  v.push_back("/UninstallInfo");
  for (int i = 0; i < 100; ++i) v.push_back(i < 60 ? "Program " + std::to_string(i) + " 日本語版 2.0" : "");
  while (static_cast<int>(v.size()) < kLines) v.push_back("KB" + std::to_string(5000000 + v.size()));
  std::string text;
  for (const auto& l : v) text += l + "\r\n";
  return mrv::utf8ToAnsi(text);
}

void generate(const fs::path& dir, int count) {
  fs::create_directories(dir);
  std::string items;
  for (int i = 1; i <= 100; ++i) items += "項目" + std::to_string(i) + ",項目" + std::to_string(i) + "\r\n";
  items += "/UninstallInfo,/UninstallInfo\r\nソフト,ソフト\r\n";
  std::ofstream(dir / "itemlist.csv", std::ios::binary) << mrv::utf8ToAnsi(items);
  for (int pc = 0; pc < count; ++pc)
    std::ofstream(dir / ("PC" + std::to_string(10000 + pc) + "__SALES.csv"), std::ios::binary) << recordText(pc);
}

struct ChildRun {
  double seconds = -1;
  double cpuSeconds = 0;  // user + system
  long maxRssKb = 0;
  int status = -1;
};

// Runs argv, waits, and takes the child's wall time and peak resident size.
ChildRun spawnAndWait(const std::vector<std::string>& argv, const std::string& stdoutPath = "/dev/null") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  ChildRun r;
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) return r;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.maxRssKb = usage.ru_maxrss;
  auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  r.cpuSeconds = secs(usage.ru_utime) + secs(usage.ru_stime);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  posix_spawn_file_actions_destroy(&actions);
  return r;
}

std::string self() { return fs::read_symlink("/proc/self/exe").string(); }

// Best and median of the runs' times, peak of their resident sizes.
struct Figures {
  double best = 0, median = 0, cpuBest = 0;
  long rssKb = 0;
  bool ok = true;
};
Figures summarize(std::vector<ChildRun> runs) {
  Figures f;
  std::sort(runs.begin(), runs.end(), [](const ChildRun& a, const ChildRun& b) { return a.seconds < b.seconds; });
  f.best = runs.front().seconds;
  f.median = runs[runs.size() / 2].seconds;
  f.cpuBest = runs.front().cpuSeconds;
  for (const auto& r : runs) {
    f.cpuBest = std::min(f.cpuBest, r.cpuSeconds);
    f.rssKb = std::max(f.rssKb, r.maxRssKb);
    f.ok = f.ok && r.status == 0;
  }
  return f;
}

Figures timeAggregate(const fs::path& dir, int runs) {
  std::vector<ChildRun> all;
  for (int i = 0; i < runs; ++i) all.push_back(spawnAndWait({self(), "--run", dir.string()}));
  return summarize(all);
}

// The file names go through xargs: 100,000 of them are more than one command line takes. Each awk
// that xargs starts ends its last row in END, and the next begins a row with its first file, so
// the output is the same as one awk's over all the files.
std::string awkScript(const fs::path& dir) {
  return "cd '" + dir.string() +
         "' && printf '%s\\0' PC*.csv | xargs -0 awk -v RS='\\r\\n' 'FNR==1 && NR>1 {printf \"\\r\\n\"} "
         "{printf \"%s%s\", (FNR==1 ? \"\" : \",\"), $0} END {printf \"\\r\\n\"}'";
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--run") {
    const mrv::AggregateOutcome r = mrv::BuildAggregatedLists(args[1]);
    if (!r.ok) std::cerr << r.message << "\n";
    return r.ok ? 0 : 1;
  }
  bool keep = false;
  int rounds = 5;
  int records = 100000;
  std::string folder;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--keep") {
      keep = true;
    } else if (args[i] == "--rounds" && i + 1 < args.size()) {
      rounds = std::atoi(args[++i].c_str());
      if (rounds < 1) {
        std::cerr << "--rounds takes a number of rounds, 1 or more\n";
        return 2;
      }
    } else if (args[i] == "--records" && i + 1 < args.size()) {
      records = std::atoi(args[++i].c_str());
      if (records < 1000) {
        std::cerr << "--records takes a number of records, 1000 or more\n";
        return 2;
      }
    } else {
      folder = args[i];
    }
  }
  const fs::path root = folder.empty() ? fs::temp_directory_path() / ("mrv-aggregate-bench-" + std::to_string(getpid()))
                                       : fs::path(folder);
  const fs::path small = root / "1000", large = root / std::to_string(records);
  std::cout << "generating 1,000 and " << records << " records of " << kLines << " lines in " << root << " ..."
            << std::endl;
  generate(small, 1000);
  generate(large, records);
  // warm the page cache for both contenders alike
  spawnAndWait({self(), "--run", large.string()});

  const Figures s = timeAggregate(small, 3);
  std::vector<ChildRun> ours, theirs;
  std::vector<double> speedUp, cpuSpeedUp;
  for (int round = 0; round < rounds; ++round) {
    // each contender starts with nothing of the other's waiting to be written: awk's 400 MB of
    // output, not synced, would otherwise be written out during the next run of ours
    ::sync();
    ours.push_back(spawnAndWait({self(), "--run", large.string()}));
    ::sync();
    theirs.push_back(spawnAndWait({"/bin/sh", "-c", awkScript(large)}, (large / "awk.out").string()));
    speedUp.push_back(theirs.back().seconds / ours.back().seconds);
    cpuSpeedUp.push_back(theirs.back().cpuSeconds / ours.back().cpuSeconds);
  }
  const Figures l = summarize(ours);
  const Figures a = summarize(theirs);
  const auto mainSize = fs::file_size(large / "mervana.csv");
  double load[3] = {0, 0, 0};
  getloadavg(load, 3);
  std::printf("load average %.1f on %ld processors\n", load[0], sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("records  aggregate wall best / median (s)   cpu best (s)   peak resident (kB)\n");
  std::printf("  1,000  %8.3f / %-8.3f              %8.3f       %8ld\n", s.best, s.median, s.cpuBest, s.rssKb);
  std::printf("%7d  %8.3f / %-8.3f              %8.3f       %8ld\n", records, l.best, l.median, l.cpuBest, l.rssKb);
  std::printf("awk transposition of the %d: wall best %.3f s, median %.3f s, cpu best %.3f s (peak %ld kB)\n",
              records, a.best, a.median, a.cpuBest, a.rssKb);
  std::printf("speed-up over awk, median of %d rounds: wall %.1fx, cpu %.1fx; mervana.csv %.1f MB\n", rounds,
              median(speedUp), median(cpuSpeedUp), static_cast<double>(mainSize) / 1e6);
  std::printf("peak resident growth from 1,000 to %d records: %ld kB\n", records, l.rssKb - s.rssKb);
  const bool ok = s.ok && l.ok && a.ok;
  if (!ok) std::printf("a run FAILED\n");
  std::printf("figures: rounds=%d records=%d seconds=%.4f awk_seconds=%.4f vs_awk=%.2f peak_kb=%ld ok=%d\n", rounds,
              records, l.median, a.median, median(speedUp), l.rssKb, ok ? 1 : 0);
  if (!keep) fs::remove_all(root);
  return ok ? 0 : 1;
}
