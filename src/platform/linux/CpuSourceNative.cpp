// The processor this program runs on. CPUID and RDTSC on x86 and x86-64; CLOCK_MONOTONIC stands
// in for both the performance counter (nanoseconds) and the millisecond timer. Any other
// architecture answers as a processor without the CPUID instruction.
#include <sched.h>
#include <time.h>

#include "platform/CpuSource.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define MRV_X86 1
#else
#define MRV_X86 0
#endif

namespace mrv {
namespace {

std::int64_t monotonicNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

#if MRV_X86
bool cpuidInstructionPresent() {
#if defined(__x86_64__)
  return true;  // every x86-64 processor has it
#else
  // The ID flag (bit 21 of EFLAGS) can be changed only when the instruction exists.
  unsigned int changed = 0, original = 0;
  __asm__ volatile(
      "pushfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl %2, %0\n\t"
      "pushl %0\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %0\n\t"
      "popfl\n\t"
      : "=&r"(changed), "=&r"(original)
      : "i"(0x00200000));
  return ((changed ^ original) & 0x00200000) != 0;
#endif
}
#endif

class NativeCpuSource : public CpuSource {
 public:
  bool hasCpuid() override {
#if MRV_X86
    return cpuidInstructionPresent();
#else
    return false;
#endif
  }

  CpuidResult cpuid(std::uint32_t leaf) override {
    CpuidResult r;
#if MRV_X86
    if (!cpuidInstructionPresent()) return r;
    unsigned int a = 0, b = 0, c = 0, d = 0;
    __cpuid_count(leaf, 0, a, b, c, d);
    r.eax = a;
    r.ebx = b;
    r.ecx = c;
    r.edx = d;
#else
    (void)leaf;
#endif
    return r;
  }

  std::uint64_t timeStampCounter() override {
#if MRV_X86
    return __rdtsc();
#else
    return 0;
#endif
  }

  std::int64_t performanceCounter() override { return monotonicNanoseconds(); }
  std::int64_t performanceFrequency() override { return 1000000000; }
  std::uint32_t millisecondTimer() override {
    return static_cast<std::uint32_t>(monotonicNanoseconds() / 1000000);
  }
  // The machine is shared; a busy wait should not starve the others.
  void relax() override { sched_yield(); }

  std::uint32_t processorType() override {
#if defined(__x86_64__)
    return 8664;  // PROCESSOR_AMD_X8664, as a 64-bit program is told
#elif MRV_X86
    if (!cpuidInstructionPresent()) return 486;  // Linux no longer runs on a 386
    const std::uint32_t eax = cpuid(1).eax;
    return x86ProcessorTypeForFamily((eax >> 8) & 0xF);
#else
    return 0;  // no counterpart of GetSystemInfo's x86-era processor types
#endif
  }
};

}  // namespace

std::unique_ptr<CpuSource> openNativeCpuSource() { return std::make_unique<NativeCpuSource>(); }

}  // namespace mrv
