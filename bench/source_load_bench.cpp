// How fast recorded sources load, and how much memory a large registry export takes:
//   source_load_bench [folder]        (default: a temporary folder, removed afterwards)
// Generates, in the folder: a .reg export with 32,000 sibling keys (as SOFTWARE\Classes has), a
// 100 MB UTF-16 export of a realistic shape, and WMI instances files with 20,000 classes and with
// one class of 20,000 properties. Each load runs in a child process (this program started again),
// so its time and peak memory are its own; times are the child's processor time (steady on a busy
// machine), with the wall time beside it. Targets: 32,000 siblings < 0.5 s; 100 MB export < 5 s
// with peak memory < 3x the file; the WMI files load in linear time (well under a second).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/Encoding.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/RegFile.h"
#include "platform/WmiInstancesFile.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {

void writeUtf16Reg(const std::string& path, const std::string& utf8) {
  std::ofstream out(path, std::ios::binary);
  out << "\xFF\xFE" << utf8ToUtf16le(utf8);
}

std::string siblingsExport() {
  std::string t = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (int i = 0; i < 32000; ++i) {
    t += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.ext" + std::to_string(i) + "]\r\n";
    t += "@=\"file" + std::to_string(i) + "\"\r\n\r\n";
  }
  return t;
}

// About 100 MB once in UTF-16: keys three levels deep with string, DWORD and binary values, as a
// SOFTWARE export has them.
std::string largeExport() {
  std::string t = "Windows Registry Editor Version 5.00\r\n\r\n";
  t.reserve(52u << 20);
  for (int i = 0; t.size() < (50u << 20); ++i) {
    t += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor" + std::to_string(i % 97) + "\\Product" + std::to_string(i % 1013) +
         "\\Key" + std::to_string(i) + "]\r\n";
    t += "\"DisplayName\"=\"Some installed component number " + std::to_string(i) + " (x64)\"\r\n";
    t += "\"InstallLocation\"=\"C:\\\\Program Files\\\\Vendor\\\\Product\\\\" + std::to_string(i) + "\"\r\n";
    t += "\"Flags\"=dword:0000" + std::to_string(1000 + i % 9000) + "\r\n";
    t += "\"Blob\"=hex:01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n"
         "  19,1a,1b,1c,1d,1e,1f,20\r\n\r\n";
  }
  return t;
}

std::string manyClasses() {
  std::string t = "# WMI instances\n";
  for (int i = 0; i < 20000; ++i) t += "class C" + std::to_string(i) + "\nproperty Name string\ninstance\n  Name = \"x\"\n";
  return t;
}

std::string manyProperties() {
  std::string t = "# WMI instances\nclass Wide\n";
  for (int i = 0; i < 20000; ++i) t += "property P" + std::to_string(i) + " uint32\n";
  t += "instance\n";
  for (int i = 0; i < 20000; ++i) t += "  P" + std::to_string(i) + " = " + std::to_string(i) + "\n";
  return t;
}

// Child: load one file and exit 0 when it loaded.
int load(const std::string& kind, const std::string& path) {
  if (kind == "reg") {
    MemoryRegistry reg;
    std::vector<std::string> messages;
    return loadRegFile(path, reg, messages) && messages.empty() ? 0 : 1;
  }
  std::vector<WmiClass> classes;
  std::string error;
  return readWmiInstancesFile(path, classes, error) ? 0 : 1;
}

struct Run {
  double seconds = 0;  // processor time of the child (user + system): steady on a busy machine
  double wall = 0;
  long peakKB = 0;
  bool ok = false;
};

Run measure(const std::string& self, const std::string& kind, const std::string& path) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(self.c_str(), self.c_str(), "--load", kind.c_str(), path.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  int status = 0;
  rusage use{};
  ::wait4(pid, &status, 0, &use);
  Run r;
  r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.seconds = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
              static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
  r.peakKB = use.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--load") == 0) return load(argv[2], argv[3]);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  std::string dir;
  bool temporary = argc < 2;
  if (temporary) {
    char tmpl[] = "/tmp/mrv-load-bench-XXXXXX";
    dir = ::mkdtemp(tmpl);
  } else {
    dir = argv[1];
    fs::create_directories(dir);
  }
  const std::string siblings = dir + "/siblings.reg", large = dir + "/large.reg";
  const std::string classes = dir + "/classes.wmi", props = dir + "/properties.wmi";
  writeUtf16Reg(siblings, siblingsExport());
  writeUtf16Reg(large, largeExport());
  std::ofstream(classes, std::ios::binary) << manyClasses();
  std::ofstream(props, std::ios::binary) << manyProperties();

  const double largeMB = static_cast<double>(fs::file_size(large)) / (1 << 20);
  const Run a = measure(self, "reg", siblings);
  const Run b = measure(self, "reg", large);
  const Run c = measure(self, "wmi", classes);
  const Run d = measure(self, "wmi", props);
  const Run base = measure(self, "wmi", "/nonexistent");  // the process itself, for the memory figure
  const double peakRatio = static_cast<double>(b.peakKB - base.peakKB) / 1024.0 / largeMB;
  std::printf("%-44s %8s %8s %10s %s\n", "load", "cpu s", "wall s", "peak MB", "target (on cpu time)");
  auto row = [](const char* what, const Run& r, const char* target, bool met) {
    std::printf("%-44s %8.3f %8.3f %10.1f %s %s%s\n", what, r.seconds, r.wall, r.peakKB / 1024.0, target,
                met ? "met" : "NOT MET", r.ok ? "" : " (load failed)");
  };
  row(".reg, 32,000 sibling keys", a, "< 0.5 s:", a.seconds < 0.5);
  char label[80];
  std::snprintf(label, sizeof label, ".reg, %.0f MB UTF-16 export", largeMB);
  row(label, b, "< 5 s:", b.seconds < 5.0);
  std::printf("%-44s %8s %8s %10.2f < 3x: %s\n", "  peak memory above the process / file size", "", "", peakRatio,
              peakRatio < 3.0 ? "met" : "NOT MET");
  row("WMI instances, 20,000 classes", c, "< 1 s:", c.seconds < 1.0);
  row("WMI instances, 20,000 properties", d, "< 1 s:", d.seconds < 1.0);
  if (temporary) fs::remove_all(dir);
  return 0;
}
