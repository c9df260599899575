#pragma once
// The processor and the clocks used to measure it: the CPUID instruction, the time-stamp counter,
// a high-resolution counter (QueryPerformanceCounter on Windows), a millisecond timer (timeGetTime)
// and the processor type that GetSystemInfo reports. The identification rules and the clock
// measurement live in the core (collect/Cpuid*.h, collect/CpuClock.h); a source only answers.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Sources.h"

namespace mrv {

// One CPUID answer, registers in the order EAX, EBX, ECX, EDX.
struct CpuidResult {
  std::uint32_t eax = 0;
  std::uint32_t ebx = 0;
  std::uint32_t ecx = 0;
  std::uint32_t edx = 0;
  bool operator==(const CpuidResult&) const = default;
};

class CpuSource {
 public:
  virtual ~CpuSource() = default;

  // True when the processor has the CPUID instruction (bit 21 of EFLAGS can be toggled).
  virtual bool hasCpuid() = 0;
  // Runs CPUID for `leaf` (sub-leaf 0). Only meaningful when hasCpuid() is true; the caller does
  // any range check it needs.
  virtual CpuidResult cpuid(std::uint32_t leaf) = 0;

  // RDTSC. Only read when CPUID reports a time-stamp counter.
  virtual std::uint64_t timeStampCounter() = 0;
  // A high-resolution counter and its ticks per second; a frequency of 0 means there is none.
  virtual std::int64_t performanceCounter() = 0;
  virtual std::int64_t performanceFrequency() = 0;
  // Milliseconds of a free-running 32-bit timer (wraps after about 49.7 days).
  virtual std::uint32_t millisecondTimer() = 0;
  // Called on every turn of a busy wait; a source may give the processor to others here.
  virtual void relax() {}

  // The processor type number that GetSystemInfo reports in dwProcessorType (386, 486, 586,
  // 8664, 2577, ...); 0 when the platform has no such figure.
  virtual std::uint32_t processorType() = 0;
};

// The dwProcessorType that 32-bit Windows gives an x86 processor of this CPUID family: 386, 486,
// and 586 (PROCESSOR_INTEL_PENTIUM) for the Pentium and every later family; 0 below family 3.
std::uint32_t x86ProcessorTypeForFamily(std::uint32_t family);

// The processor this program runs on. On a processor that is not x86 it has no CPUID instruction.
std::unique_ptr<CpuSource> openNativeCpuSource();

}  // namespace mrv
