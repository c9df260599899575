#pragma once
// A recorded CPUID dump as a processor: lines such as
//   CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFF
// give one leaf's EAX-EBX-ECX-EDX in hexadecimal. Other lines are ignored, as are sub-leaf lines
// marked "[SL nn]" with nn other than 0. When a file holds several processors only the first is
// read: leaf 0 appearing a second time starts the next one. A leaf the dump lacks reads as zeros.
//
// A dump records no clock. Its time-stamp counter stands still at 0 and it has no performance
// counter, so a clock measurement gives 0 Hz (unless the leaves themselves state a clock, as a
// Transmeta processor's do); its millisecond timer advances one millisecond per reading so that
// the measurement's one-second wait ends at once instead of holding a replayed pass for a second.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/CpuSource.h"

namespace mrv {

class CpuidDump : public CpuSource {
 public:
  CpuidDump() = default;
  explicit CpuidDump(std::map<std::uint32_t, CpuidResult> leaves) : leaves_(std::move(leaves)) {}

  // Reads the first processor of a dump's text.
  static CpuidDump fromText(std::string_view text);

  void setLeaf(std::uint32_t leaf, const CpuidResult& r) { leaves_[leaf] = r; }
  const std::map<std::uint32_t, CpuidResult>& leaves() const { return leaves_; }

  bool hasCpuid() override { return true; }
  CpuidResult cpuid(std::uint32_t leaf) override;
  std::uint64_t timeStampCounter() override { return 0; }
  std::int64_t performanceCounter() override { return 0; }
  std::int64_t performanceFrequency() override { return 0; }
  std::uint32_t millisecondTimer() override { return milliseconds_++; }
  // What 32-bit Windows would report for the recorded processor's family.
  std::uint32_t processorType() override;

 private:
  std::map<std::uint32_t, CpuidResult> leaves_;
  std::uint32_t milliseconds_ = 0;
};

// Reads one dump line. True when it is a leaf line (sub-leaf 0 or unmarked), giving its leaf
// number and registers.
bool parseCpuidDumpLine(std::string_view line, std::uint32_t& leaf, CpuidResult& registers);

// Loads a dump file. Null, with `message` set, when the file cannot be read or holds no leaf line.
std::unique_ptr<CpuSource> loadCpuidDump(const std::string& path, std::string& message);

}  // namespace mrv
