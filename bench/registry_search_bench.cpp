// Registry search over a hive shaped like a real Windows 10 SYSTEM hive, against what a Linux
// administrator would run instead and against a bare libhivex walk.
//
//   registry_search_bench [--keep] [--rounds N] [--without-regedit] [folder]
//
// Builds (in a child process, so its memory is not counted) a hive with the figures of a real
// SYSTEM hive (kKeys, the value types and sizes, the widest and fullest keys, the depth) in
// folder/Windows/System32/config/SYSTEM, opens it as the program does ([Sources] Registry=folder),
// searches HKEY_LOCAL_MACHINE\System for a text found nowhere through the search command with
// in-memory views, and times on the same file: a bare walk with libhivex's C API that reads every
// string and DWORD value, `hivexml HIVE | grep -c TEXT` and `hivexregedit --export HIVE '\' | grep`.
// Each round runs every contender once, back to back, so that a ratio compares runs made under
// the same load; the figures are the medians over the rounds (5 unless --rounds says more).
// Targets: processor time at least 4 x less than hivexml | grep, within 1.2 x of the bare walk that
// reads every name too (a search must read them); peak memory under 3 x the hive. The last line ("figures: name=value ...") is for scripts/bench.sh.
// A hive already in the folder is used as it is.
#include <hivex.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "../tests/support/HiveBuilder.h"
#include "ui/FormServices.h"
#include "ui/MemoryViews.h"
#include "base/Text.h"
#include "lookup/RegistrySearch.h"
#include "platform/Platform.h"
#include "app/TForm1.h"
#include "platform/PlatformServices.h"
#include "platform/RegistryStore.h"

namespace fs = std::filesystem;
using mrv::testing::HiveWriter;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kNowhere = "zq7-nowhere-text";

// ---- the hive ---------------------------------------------------------------------------------

// The figures of a real Windows 10 SYSTEM hive (15 MB): keys, values by type with their mean sizes,
// the widest key (subkeys), the fullest key (values) and the depth. What the search meets is
// decided by these, so the hive built here keeps them.
constexpr int kKeys = 43211;
constexpr int kSz = 38285, kDword = 22340, kBinary = 9673, kMultiSz = 3233, kExpandSz = 2694, kQword = 2763;
constexpr int kDeviceProperties = 11319;  // types above 11 (0xFFFF00xx), as device property keys hold
constexpr int kValues = kSz + kDword + kBinary + kMultiSz + kExpandSz + kQword + kDeviceProperties;  // 90,307
constexpr int kMeanSzBytes = 74, kMeanBinaryBytes = 119;
constexpr int kWidestKey = 3195, kFullestKey = 1193, kDepth = 16;

class SystemHiveShape {
 public:
  explicit SystemHiveShape(HiveWriter& w) : w_(w), rng_(20261207) {}

  void build() {
    std::vector<std::uint32_t> types;
    auto add = [&](std::uint32_t type, int n) { types.insert(types.end(), static_cast<std::size_t>(n), type); };
    add(1, kSz);
    add(4, kDword);
    add(3, kBinary);
    add(7, kMultiSz);
    add(2, kExpandSz);
    add(11, kQword);
    add(0xFFFF0000u, kDeviceProperties);
    std::shuffle(types.begin(), types.end(), rng_);
    std::size_t nextType = 0;
    auto take = [&](int n) {
      std::vector<std::uint32_t> t(types.begin() + static_cast<long>(nextType),
                                   types.begin() + static_cast<long>(std::min(types.size(), nextType + static_cast<std::size_t>(n))));
      nextType += t.size();
      return t;
    };

    // the boot selection, the fullest key, the widest key and the deepest chain
    std::vector<std::string> paths{"Select"};
    std::vector<int> valueCount{4};
    const std::string fullest = "ControlSet001\\Services\\bam\\State\\UserSettings\\S-1-5-21-" + digits(10);
    paths.push_back(fullest);
    valueCount.push_back(kFullestKey);
    const std::string widest = "DriverDatabase\\DeviceIds";
    paths.push_back(widest);
    valueCount.push_back(0);
    for (int i = 0; i < kWidestKey; ++i) {
      // device ids as Windows writes them below this key: "#" for "\", so all are direct subkeys
      paths.push_back(widest + "\\" + (i % 2 ? "PCI#VEN_" : "USB#VID_") + hex(4) + "&DEV_" + hex(4) + "&SUBSYS_" + hex(8) +
                      "_" + std::to_string(i));
      valueCount.push_back(2);
    }
    std::string deep = "ControlSet001\\Enum\\USB";
    for (int level = 4; level <= kDepth; ++level) {
      deep += "\\" + word() + hex(4);
      paths.push_back(deep);
      valueCount.push_back(pick(0, 3));
    }
    // the rest: a random tree under the usual top keys, at most 12 levels deep
    std::vector<std::pair<std::string, int>> parents{{"ControlSet001\\Services", 2}, {"ControlSet001\\Enum", 2},
                                                     {"ControlSet001\\Control", 2}, {"DriverDatabase", 1},
                                                     {"Setup", 1}, {"MountedDevices", 1}, {"ResourceManager", 1}};
    for (const auto& [p, d] : parents) {
      paths.push_back(p);
      valueCount.push_back(pick(0, 4));
    }
    while (static_cast<int>(paths.size()) < kKeys) {
      const auto& [parent, depth] = parents[static_cast<std::size_t>(pick(0, static_cast<int>(parents.size()) - 1))];
      const std::string p = parent + "\\" + word() + (pick(0, 1) ? hex(pick(2, 8)) : std::string()) + std::to_string(paths.size());
      if (depth + 1 < 12) parents.emplace_back(p, depth + 1);
      paths.push_back(p);
      valueCount.push_back(0);
    }
    // the values left spread over the keys that have none yet
    int placed = 0;
    for (int n : valueCount) placed += n;
    for (int left = kValues - placed; left > 0; --left) ++valueCount[static_cast<std::size_t>(pick(3 + kWidestKey, static_cast<int>(paths.size()) - 1))];

    for (std::size_t k = 0; k < paths.size(); ++k) {
      std::vector<V> values;
      if (k == 0) {
        values = {HiveWriter::dword("Current", 1), HiveWriter::dword("Default", 1), HiveWriter::dword("Failed", 0),
                  HiveWriter::dword("LastKnownGood", 1)};
      } else {
        const auto t = take(valueCount[k]);
        for (std::size_t i = 0; i < t.size(); ++i) values.push_back(value(t[i], static_cast<int>(i)));
      }
      key(paths[k], values);
    }
  }

  int keys() const { return keys_; }
  int values() const { return values_; }

 private:
  using V = HiveWriter::Value;

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  std::string hex(int digits) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < digits; ++i) s += d[pick(0, 15)];
    return s;
  }
  std::string digits(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + pick(0, 9));
    return s;
  }
  std::string word() {
    static const char* words[] = {"Device", "Parameters", "Interface", "Properties", "Config", "Control", "Driver",
                                  "Class",  "Instance",   "Service",   "Network",    "Storage", "Display", "Power"};
    return words[pick(0, 13)];
  }
  // Text of n characters, as paths, descriptions and ids read.
  std::string text(int n) {
    static const char* parts[] = {"@%SystemRoot%\\system32\\", "drivers\\", ".sys", ".inf,%", "Standard ", "device ",
                                  "controller ", "PCI\\VEN_", "&DEV_", "Microsoft ", "Windows ", "{", "}-", "0000"};
    std::string s;
    while (static_cast<int>(s.size()) < n) s += parts[pick(0, 13)] + hex(pick(0, 4));
    s.resize(static_cast<std::size_t>(n));
    return s;
  }
  std::string blob(int size) {
    std::string b;
    for (int i = 0; i < size; ++i) b += static_cast<char>(pick(0, 255));
    return b;
  }
  // REG_SZ of `bytes` stored bytes on average (UTF-16 with its terminator).
  V value(std::uint32_t type, int index) {
    const std::string name = word() + std::to_string(index);
    const int meanChars = kMeanSzBytes / 2 - 1;
    switch (type) {
      case 1: return HiveWriter::sz(name, text(pick(4, 2 * meanChars - 4)));
      case 2: return HiveWriter::sz(name, "%SystemRoot%\\System32\\" + text(pick(4, 40)), 2);
      case 4: return HiveWriter::dword(name, static_cast<std::uint32_t>(pick(0, 1 << 20)));
      case 3: return {name, 3, blob(pick(8, 2 * kMeanBinaryBytes - 8))};
      case 11: return {name, 11, blob(8)};
      case 7: {
        std::string d;
        for (int i = pick(1, 4); i > 0; --i) d += mrv::utf8ToUtf16le(text(pick(8, 40))) + std::string(2, '\0');
        return {name, 7, d + std::string(2, '\0')};
      }
      default: return {hex(4), 0xFFFF0000u + static_cast<std::uint32_t>(pick(1, 18)), blob(pick(4, 24))};
    }
  }

  void key(const std::string& path, const std::vector<V>& values) {
    if (values.empty())
      w_.key(path);
    else
      w_.setValues(path, values);
    ++keys_;
    values_ += static_cast<int>(values.size());
  }

  HiveWriter& w_;
  std::mt19937 rng_;
  int keys_ = 0, values_ = 0;
};

// A bare walk with libhivex's C API, as a program that only reads would do it: every key, every
// value's type, the data of every string and DWORD value. With `names` it also reads every key's
// and value's name, as a search must (libhivex converts each name to UTF-8 through iconv).
struct BareWalk {
  hive_h* h;
  bool names = false;
  long keys = 0, read = 0;
  void walk(hive_node_h node) {
    ++keys;
    if (names) std::free(hivex_node_name(h, node));
    if (hive_value_h* vals = hivex_node_values(h, node)) {
      for (hive_value_h* v = vals; *v; ++v) {
        if (names) std::free(hivex_value_key(h, *v));
        hive_type t;
        std::size_t len = 0;
        if (hivex_value_type(h, *v, &t, &len) != 0) continue;
        if (t == hive_t_REG_SZ) {
          if (char* s = hivex_value_string(h, *v)) {
            ++read;
            std::free(s);
          }
        } else if (t == hive_t_REG_DWORD) {
          errno = 0;
          hivex_value_dword(h, *v);
          ++read;
        }
      }
      std::free(vals);
    }
    if (hive_node_h* kids = hivex_node_children(h, node)) {
      for (hive_node_h* k = kids; *k; ++k) walk(*k);
      std::free(kids);
    }
  }
};

// ---- the search through the program's own command ---------------------------------------------

// The main window with in-memory components: the search runs through the program's own command
// handler and view reset.
struct BenchWindow {
  explicit BenchWindow(mrv::RegistryStore* registry) : platform{registry} {}
  mrv::MemoryTextView memo;
  mrv::MemoryGridView grid;
  mrv::MemoryStatusView status;
  mrv::MemoryWindowView window;
  mrv::ScriptedDialogs dialogs;
  mrv::Platform platform;  // before the form, which keeps a copy
  mrv::TForm1 form{memo, grid, status, window, dialogs, platform, "./mervana"};
};

// A store that counts the keys opened through it, whether by path or from their parent: the keys
// the search visits (it shows only some of them in the status line, as the window repaints).
class CountingStore : public mrv::RegistryStore {
 public:
  explicit CountingStore(mrv::RegistryStore& inner) : inner_(inner) {}
  std::unique_ptr<mrv::RegistryKey> openKey(mrv::RootKey root, std::string_view path) override {
    return counted(inner_.openKey(root, path));
  }
  long opened = 0;

 private:
  class Key : public mrv::RegistryKey {
   public:
    Key(CountingStore& store, std::unique_ptr<mrv::RegistryKey> inner) : store_(store), inner_(std::move(inner)) {}
    std::vector<std::string> subkeyNames() override { return inner_->subkeyNames(); }
    std::size_t subkeyCount() override { return inner_->subkeyCount(); }
    std::vector<std::string> valueNames() override { return inner_->valueNames(); }
    bool queryValue(std::string_view name, mrv::RegValue& out) override { return inner_->queryValue(name, out); }
    std::unique_ptr<mrv::RegistryKey> openSubkey(std::string_view rel) override {
      return store_.counted(inner_->openSubkey(rel));
    }
    std::vector<OpenedSubkey> openSubkeys() override {
      auto subkeys = inner_->openSubkeys();
      for (auto& s : subkeys) s.key = store_.counted(std::move(s.key));
      return subkeys;
    }

   private:
    CountingStore& store_;
    std::unique_ptr<mrv::RegistryKey> inner_;
  };
  std::unique_ptr<mrv::RegistryKey> counted(std::unique_ptr<mrv::RegistryKey> key) {
    if (!key) return nullptr;
    ++opened;
    return std::make_unique<Key>(*this, std::move(key));
  }
  mrv::RegistryStore& inner_;
};

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double cpuSeconds(int who) {
  rusage ru{};
  getrusage(who, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// Wall seconds of a shell pipeline; `cpu` gets the processor seconds of all its processes.
double timeShell(const std::string& command, std::string& output, double& cpu) {
  const double cpu0 = cpuSeconds(RUSAGE_CHILDREN);
  const auto t = Clock::now();
  output.clear();
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) output += buf;
    pclose(p);
  }
  output = mrv::trim(output);
  const double wall = secondsSince(t);
  cpu = cpuSeconds(RUSAGE_CHILDREN) - cpu0;
  return wall;
}

}  // namespace

int main(int argc, char** argv) {
  bool keep = false, regedit = true;
  int rounds = 5;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--keep") {
      keep = true;
    } else if (arg == "--without-regedit") {
      regedit = false;
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::atoi(argv[++i]);
      if (rounds < 1) {
        std::cerr << "--rounds takes a number of rounds, 1 or more\n";
        return 2;
      }
    } else {
      folder = arg;
    }
  }
  const bool ownFolder = folder.empty();
  if (folder.empty()) {
    char tmpl[] = "/tmp/mervana-regbench-XXXXXX";
    if (!mkdtemp(tmpl)) {
      std::cerr << "cannot make a temporary folder\n";
      return 1;
    }
    folder = tmpl;
  }
  const fs::path config = fs::path(folder) / "Windows" / "System32" / "config";
  const std::string hive = (config / "SYSTEM").string();

  if (!fs::exists(hive)) {
    fs::create_directories(config);
    std::cout << "building " << hive << " ..." << std::flush;
    const auto t = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
      try {
        HiveWriter w(hive);
        SystemHiveShape shape(w);
        shape.build();
        w.commit();
        std::printf(" %d values", shape.values());
        std::fflush(stdout);
        _exit(0);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "\n%s\n", e.what());
        _exit(1);
      }
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
    std::cout << " in " << secondsSince(t) << " s\n";
  }
  const double hiveMB = static_cast<double>(fs::file_size(hive)) / (1024.0 * 1024.0);
  std::printf("hive: %s, %.1f MB\n", hive.c_str(), hiveMB);

  // Each round: open and search as the menu command HKEY_LOCAL_MACHINE\System does, the bare
  // walk, hivexml | grep; ratios are taken within a round and their medians reported.
  std::vector<double> ourCpu, ourWall, openWall, searchWall, walkCpu, walkWall, namesCpu, xmlCpu, xmlWall, vsXml, vsWalk,
      vsNames;
  long walkKeys = 0, walkRead = 0;
  // the keys the search visits, counted once outside the timed rounds
  long keys = 0;
  {
    std::vector<std::string> messages;
    mrv::Sources sources;
    sources.registry = folder;
    auto store = mrv::openRegistrySource(sources, messages);
    CountingStore counting(*store);
    BenchWindow w(&counting);
    w.memo.setLines({kNowhere});
    w.form.runCommand("HKEYLOCALMACHINESystem21");
    keys = counting.opened;
  }
  double peakMB = 0;
  std::vector<std::string> lines;
  std::string xmlCount;
  for (int round = 0; round < rounds; ++round) {
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    std::vector<std::string> messages;
    mrv::Sources sources;
    sources.registry = folder;
    auto store = mrv::openRegistrySource(sources, messages);
    openWall.push_back(secondsSince(t0));
    if (round == 0)
      for (const auto& m : messages) std::cout << "note: " << m << "\n";
    {
      BenchWindow w(store.get());
      w.memo.setLines({kNowhere});
      const auto t1 = Clock::now();
      w.form.runCommand("HKEYLOCALMACHINESystem21");
      searchWall.push_back(secondsSince(t1));
      lines = w.memo.lines();
    }
    store.reset();
    ourWall.push_back(secondsSince(t0));
    ourCpu.push_back(cpuSeconds(RUSAGE_SELF) - cpu0);
    if (round == 0) {
      // the search's own peak, before the walk below has run in this process
      rusage ru{};
      getrusage(RUSAGE_SELF, &ru);
      peakMB = static_cast<double>(ru.ru_maxrss) / 1024.0;
    }

    for (const bool names : {false, true}) {
      const double wcpu0 = cpuSeconds(RUSAGE_SELF);
      const auto w0 = Clock::now();
      hive_h* h = hivex_open(hive.c_str(), 0);
      if (!h) {
        std::cerr << "hivex cannot open " << hive << "\n";
        return 1;
      }
      BareWalk walk{h, names};
      walk.walk(hivex_root(h));
      hivex_close(h);
      if (names) {
        namesCpu.push_back(cpuSeconds(RUSAGE_SELF) - wcpu0);
        continue;
      }
      walkWall.push_back(secondsSince(w0));
      walkCpu.push_back(cpuSeconds(RUSAGE_SELF) - wcpu0);
      walkKeys = walk.keys;
      walkRead = walk.read;
    }

    double cpu = 0;
    xmlWall.push_back(timeShell("hivexml '" + hive + "' | grep -c " + kNowhere, xmlCount, cpu));
    xmlCpu.push_back(cpu);
    vsXml.push_back(cpu / ourCpu.back());
    vsWalk.push_back(ourCpu.back() / walkCpu.back());
    vsNames.push_back(ourCpu.back() / namesCpu.back());
  }

  const double searchSeconds = median(searchWall);
  std::printf("search (median of %d rounds): %ld keys in %.3f s (open %.3f s, total %.3f s, processor %.3f s): %.0f keys/s; "
              "%zu lines in the memo%s\n",
              rounds, keys, searchSeconds, median(openWall), median(ourWall), median(ourCpu), keys / searchSeconds,
              lines.size(), lines.size() == 2 ? " (no match, as expected)" : " (UNEXPECTED MATCH)");
  std::printf("peak memory: %.1f MB = %.2f x the hive (target < 3)\n", peakMB, peakMB / hiveMB);
  std::printf("bare libhivex walk:           %.3f s, processor %.3f s (%ld keys, %ld string and DWORD values read); "
              "ours takes %.2f x its processor time\n",
              median(walkWall), median(walkCpu), walkKeys, walkRead, median(vsWalk));
  std::printf("the walk reading every name too: processor %.3f s; ours takes %.2f x its processor time (target <= 1.2)\n",
              median(namesCpu), median(vsNames));
  std::printf("hivexml | grep -c:            %.3f s, processor %.3f s (count %s); ours is %.1f x faster, %.1f x in processor time (target >= 4)\n",
              median(xmlWall), median(xmlCpu), xmlCount.c_str(), median(xmlWall) / median(ourWall), median(vsXml));
  if (regedit) {
    std::vector<double> wall, proc;
    std::string out;
    for (int round = 0; round < rounds; ++round) {
      double cpu = 0;
      wall.push_back(timeShell("hivexregedit --export '" + hive + "' '\\' 2>/dev/null | grep -c " + kNowhere, out, cpu));
      proc.push_back(cpu);
    }
    std::printf("hivexregedit --export | grep: %.3f s, processor %.3f s (count %s); ours is %.1f x faster, %.1f x in processor time (target >= 10)\n",
                median(wall), median(proc), out.c_str(), median(wall) / median(ourWall), median(proc) / median(ourCpu));
  }
  const bool sound = lines.size() == 2 && xmlCount == "0" && keys == walkKeys;
  std::printf("figures: rounds=%d hive_mb=%.1f keys=%ld our_cpu=%.4f walk_cpu=%.4f hivexml_cpu=%.4f vs_hivexml=%.2f vs_walk=%.2f "
              "names_cpu=%.4f vs_names=%.2f peak_mb=%.1f sound=%d\n",
              rounds, hiveMB, keys, median(ourCpu), median(walkCpu), median(xmlCpu), median(vsXml), median(vsWalk),
              median(namesCpu), median(vsNames), peakMB, sound ? 1 : 0);

  if (!keep && ownFolder) fs::remove_all(folder);
  return sound ? 0 : 1;
}
