#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CpuTestProcessor.h"
#include "collect/CpuClock.h"

using namespace mrv;
using namespace mrv::test;

namespace {

// Clocks that answer from scripts and record the order in which they are read: Q performance
// counter, F its frequency, T time-stamp counter, M millisecond timer (each read of the busy wait
// included, shown as one "w").
class ScriptedClocks : public FakeCpu {
 public:
  explicit ScriptedClocks(FakeCpu cpu) : FakeCpu(std::move(cpu)) {}
  std::vector<std::int64_t> counter;  // q1, q2, q3
  std::int64_t frequency = 1000;
  std::vector<std::uint64_t> tsc;     // t1, t2
  std::uint32_t msStart = 0;          // m0; each later reading is one millisecond on
  std::uint32_t msStep = 1;
  std::string log;

  std::int64_t performanceCounter() override { log += 'Q'; return next(counter, q_); }
  std::int64_t performanceFrequency() override { log += 'F'; return frequency; }
  std::uint64_t timeStampCounter() override { log += 'T'; return next(tsc, t_); }
  std::uint32_t millisecondTimer() override {
    if (log.empty() || log.back() != 'w') log += readings_ < 2 ? 'M' : 'w';
    return msStart + msStep * readings_++;
  }

 private:
  template <class T>
  static T next(const std::vector<T>& v, std::size_t& i) { return i < v.size() ? v[i++] : v.back(); }
  std::size_t q_ = 0, t_ = 0;
  std::uint32_t readings_ = 0;
};

ScriptedClocks p4Clocks() { return ScriptedClocks(intel(15, 2).build()); }

}  // namespace

TEST(CpuClockHz, ReadsTheClocksInOrderAndTrustsTheCounterWhenBothAgree) {
  ScriptedClocks c = p4Clocks();
  // m0 = 0, m1 = 1, the wait ends at 1001, m2 = 1002: 1.002 s by the timer.
  c.counter = {100, 110, 1120};  // 1.010 s less the 10-tick cost of one call: 1.000 s
  c.tsc = {5000, 5000 + 2'400'000'000ull};
  EXPECT_EQ(CpuClockHz(c), 2'400'000'000ull);
  EXPECT_EQ(c.log, "QQTMMwTQF");
}

TEST(CpuClockHz, FallsBackToTheTimerWhenTheyDisagreeByATenthOfASecond) {
  struct Case {
    std::int64_t q3;  // with q1 = q2 = 0 and 1000 ticks a second
    std::uint64_t hz;  // for 3,000,000,000 counts
  };
  // A coarse timer, 250 ms a reading: m0 = 0, m1 = 250, the wait ends at 1250, m2 = 1500, so the
  // timer says 1.5 s and the bounds 1.4 and 1.6 are exact. They are exclusive.
  const Case cases[] = {
      {1401, 3'000'000'000'000ull / 1401},
      {1599, 3'000'000'000'000ull / 1599},
      {1400, 2'000'000'000ull},
      {1600, 2'000'000'000ull},
      {2500, 2'000'000'000ull},
      {-5, 2'000'000'000ull},
  };
  for (const Case& k : cases) {
    ScriptedClocks c = p4Clocks();
    c.msStep = 250;
    c.counter = {0, 0, k.q3};
    c.tsc = {0, 3'000'000'000ull};
    EXPECT_EQ(CpuClockHz(c), k.hz) << "q3 " << k.q3;
  }
}

TEST(CpuClockHz, TruncatesTowardZero) {
  ScriptedClocks c = p4Clocks();
  c.frequency = 0;  // no counter at all: the timer alone
  c.counter = {0};
  c.tsc = {0, 1'002'000'999ull};
  EXPECT_EQ(CpuClockHz(c), 1'000'000'997ull);  // 1,002,000,999 / 1.002 = 1,000,000,997.0...
}

TEST(CpuClockHz, TimerWrapsAround) {
  ScriptedClocks c = p4Clocks();
  c.msStart = 0xFFFFFF00;
  c.msStep = 250;
  c.counter = {0, 0, 1500};
  c.tsc = {0, 1'500'000'000};
  EXPECT_EQ(CpuClockHz(c), 1'000'000'000ull);
}

TEST(CpuClockHz, TransmetaStatesItsClockWithoutMeasuring) {
  ScriptedClocks c(proc("GenuineTMx86", 6, 4).withTransmeta(0x01040000, 933).build());
  EXPECT_EQ(CpuClockHz(c), 933'000'000ull);
  EXPECT_EQ(c.log, "");

  // A highest leaf of exactly 0x80860000 does not count.
  ScriptedClocks m(proc("GenuineTMx86", 6, 4).withTransmeta(0x01040000, 933).build());
  m.setLeaf(0x80860000, {0x80860000, 0, 0, 0});
  m.counter = {0, 0, 1002};
  m.tsc = {0, 500'000'000};
  EXPECT_EQ(CpuClockHz(m), 499'001'996ull);
}

TEST(CpuClockHz, NothingToMeasure) {
  Processor noTsc = intel(5, 2);
  noTsc.tsc = false;
  ScriptedClocks a(noTsc.build());
  EXPECT_EQ(CpuClockHz(a), 0u);
  EXPECT_EQ(a.log, "");

  ScriptedClocks b = p4Clocks();
  b.instruction = false;
  EXPECT_EQ(CpuClockHz(b), 0u);

  // A counter read on two processors that disagree can run backwards: nothing was measured.
  ScriptedClocks c = p4Clocks();
  c.counter = {0, 0, 1002};
  c.tsc = {5000, 4000};
  EXPECT_EQ(CpuClockHz(c), 0u);
}

TEST(CpuClockMHz, RoundsToTwoSignificantDigitsAbove99) {
  const std::pair<std::uint64_t, std::uint64_t> cases[] = {
      {2394, 2400}, {1995, 2000}, {733, 730},      {866, 870},       {99, 99},
      {100, 100},   {995, 1000},  {12345, 12000},  {123456, 120000}, {1234567, 1230000},
      {0, 0},
  };
  for (auto [in, out] : cases) EXPECT_EQ(RoundCpuMHz(in), out) << in;
  EXPECT_EQ(CpuClockMHzText(2'394'123'456), "2400");
  EXPECT_EQ(CpuClockMHzText(99'999'999), "99");
  EXPECT_EQ(CpuClockMHzText(999'999), "");
  EXPECT_EQ(CpuClockMHzText(0), "");
}
