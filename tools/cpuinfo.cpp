// Developer command: what processor identification makes of this machine (or of a CPUID dump), and
// the measured clock beside the kernel's own figure for the time-stamp counter.
//   cpuinfo            this machine
//   cpuinfo DUMP       a recorded CPUID dump (no clock is measured from a dump)
#include <cstdio>
#include <fstream>
#include <string>

#include "collect/CpuClock.h"
#include "collect/CpuName.h"
#include "collect/CpuidQuery.h"
#include "platform/CpuSource.h"
#include "platform/PlatformServices.h"

namespace {

// The kernel's figure: "cpu MHz" of the first processor in /proc/cpuinfo. With a constant TSC
// whose frequency the kernel was told or calibrated, this is the TSC frequency. 0 when unknown.
double kernelMHz() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("cpu MHz", 0) != 0) continue;
    const auto colon = line.find(':');
    if (colon == std::string::npos) return 0;
    try {
      return std::stod(line.substr(colon + 1));
    } catch (const std::exception&) {
      return 0;
    }
  }
  return 0;
}

std::string printable(const std::string& s) {
  std::string out;
  for (char c : s) out.push_back(c >= 0x20 && c < 0x7F ? c : '.');
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  mrv::Sources sources;
  if (argc > 1) sources.cpuid = argv[1];
  std::string message;
  auto cpu = mrv::openCpuSource(sources, message);
  if (!cpu) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return 1;
  }

  const mrv::CpuSignature sig = mrv::ReadCpuSignature(*cpu);
  mrv::CpuCacheInfo cache;
  mrv::ReadCpuCacheInfo(*cpu, cache);
  std::printf("vendor         %s\n", printable(mrv::CpuVendorString(*cpu)).c_str());
  std::printf("signature      family %u model %u stepping %u type %u ext.family %u brand %u\n",
              sig.family, sig.model, sig.stepping, sig.type, sig.extendedFamily, sig.brandIndex);
  std::printf("caches (KB)    L1d %u L1i %u trace %uK L2 %u L3 %u\n", cache.l1Data,
              cache.l1Instruction, cache.trace, cache.l2, cache.l3);
  std::printf("name           \"%s\"\n", mrv::CpuNameFromCpuid(*cpu).c_str());

  const std::uint64_t hz = mrv::CpuClockHz(*cpu);
  std::printf("CpuClockHz     %llu\n", static_cast<unsigned long long>(hz));
  std::printf("rounded MHz    \"%s\"\n", mrv::CpuClockMHzText(hz).c_str());
  if (!sources.cpuid.empty()) return 0;

  const double kernel = kernelMHz();
  if (kernel > 0) {
    const double deviation = (static_cast<double>(hz) / 1e6 - kernel) / kernel * 100.0;
    std::printf("kernel MHz     %.3f (/proc/cpuinfo)\n", kernel);
    std::printf("deviation      %+.4f %%\n", deviation);
  } else {
    std::printf("kernel MHz     (not reported)\n");
  }
  return 0;
}
