#include "collect/CpuClock.h"

#include "collect/CpuidQuery.h"

namespace mrv {

std::uint64_t CpuClockHz(CpuSource& cpu) {
  CpuidResult r;
  if (CpuidQuery(cpu, 0x80860000, r) == kCpuidDone && r.eax > 0x80860000 &&
      CpuidQuery(cpu, 0x80860001, r) == kCpuidDone)
    return static_cast<std::uint32_t>(r.ecx * 1000000u);  // nominal MHz, the product in 32 bits

  if (!HasTimeStampCounter(cpu)) return 0;

  // The order of the readings matters: each pair brackets the one inside it.
  const std::int64_t q1 = cpu.performanceCounter();
  const std::int64_t q2 = cpu.performanceCounter();
  const std::uint64_t t1 = cpu.timeStampCounter();
  const std::uint32_t m0 = cpu.millisecondTimer();
  const std::uint32_t m1 = cpu.millisecondTimer();
  while (static_cast<std::uint32_t>(cpu.millisecondTimer() - m1) < 1000) cpu.relax();
  const std::uint32_t m2 = cpu.millisecondTimer();
  const std::uint64_t t2 = cpu.timeStampCounter();
  const std::int64_t q3 = cpu.performanceCounter();
  const std::int64_t f = cpu.performanceFrequency();

  // The counter's elapsed time less the cost of one counter call; the timer's elapsed time.
  const double sM = static_cast<std::uint32_t>(m2 - m0) / 1000.0;
  double seconds = sM;
  if (f > 0) {
    const double sQ = static_cast<double>((q3 - q2) - (q2 - q1)) / static_cast<double>(f);
    if (sQ > sM - 0.1 && sQ < sM + 0.1) seconds = sQ;
  }
  // A counter that ran backwards (read on two processors that disagree) measured nothing.
  if (!(seconds > 0) || t2 < t1) return 0;
  const double hz = static_cast<double>(t2 - t1) / seconds;
  if (!(hz < 18446744073709551616.0)) return 0;
  return static_cast<std::uint64_t>(hz);
}

std::uint64_t RoundCpuMHz(std::uint64_t mhz) {
  if (mhz <= 99) return mhz;
  std::uint64_t d = 1;
  for (std::uint64_t v = mhz; v >= 100 && d < 10000; v /= 10) d *= 10;  // 10^(digits - 2)
  return ((d / 2 + mhz) / d) * d;
}

std::string CpuClockMHzText(std::uint64_t hz) {
  const std::uint64_t mhz = RoundCpuMHz(hz / 1000000);
  return mhz == 0 ? std::string() : std::to_string(mhz);
}

}  // namespace mrv
