// The processor this program runs on, through Windows: CPUID and RDTSC as instructions,
// QueryPerformanceCounter for the high-resolution counter, GetTickCount for the millisecond timer
// and GetSystemInfo for the processor type.
#include <windows.h>

#include <cpuid.h>
#include <x86intrin.h>

#include "platform/CpuSource.h"

namespace mrv {
namespace {

bool cpuidInstructionPresent() {
#if defined(__x86_64__)
  return true;  // every x86-64 processor has it
#else
  return __get_cpuid_max(0, nullptr) != 0;
#endif
}

class Win32CpuSource : public CpuSource {
 public:
  bool hasCpuid() override { return cpuidInstructionPresent(); }

  CpuidResult cpuid(std::uint32_t leaf) override {
    CpuidResult r;
    if (!cpuidInstructionPresent()) return r;
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    r.eax = a;
    r.ebx = b;
    r.ecx = c;
    r.edx = d;
    return r;
  }

  std::uint64_t timeStampCounter() override { return __rdtsc(); }

  std::int64_t performanceCounter() override {
    LARGE_INTEGER v{};
    return QueryPerformanceCounter(&v) ? v.QuadPart : 0;
  }
  std::int64_t performanceFrequency() override {
    LARGE_INTEGER f{};
    return QueryPerformanceFrequency(&f) ? f.QuadPart : 0;
  }
  std::uint32_t millisecondTimer() override { return GetTickCount(); }
  // The machine may be shared; a busy wait should not starve the others.
  void relax() override { SwitchToThread(); }

  std::uint32_t processorType() override {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return info.dwProcessorType;
  }
};

}  // namespace

std::unique_ptr<CpuSource> openNativeCpuSource() { return std::make_unique<Win32CpuSource>(); }

}  // namespace mrv
