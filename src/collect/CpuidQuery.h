#pragma once
// Reading the processor through CPUID: the checked query, the processor signature, the cache sizes
// from the descriptor bytes of leaf 2 (Intel) or the extended leaves (everyone else), and the few
// flags the naming rules ask for. Everything reads the source afresh; nothing is kept.
#include <cstdint>
#include <span>
#include <string>

#include "platform/CpuSource.h"

namespace mrv {

enum CpuidStatus : int {
  kCpuidDone = 0,
  kCpuidNoInstruction = 1,
  kCpuidLeafAboveHighest = 2,  // above the highest standard leaf that leaf 0 reports
};

// Runs CPUID for `leaf` after checking that the instruction exists and that the leaf is not above
// the highest standard leaf. The comparison is signed, so extended leaves (0x80000000 and up)
// always pass it. `result` is set only when the status is kCpuidDone.
int CpuidQuery(CpuSource& cpu, std::uint32_t leaf, CpuidResult& result);

// The 12-character vendor string from leaf 0 (EBX, EDX, ECX, lowest byte first), or "Unknown".
std::string CpuVendorString(CpuSource& cpu);

// The processor signature from leaf 1; all zero when leaf 1 cannot be read.
struct CpuSignature {
  std::uint32_t stepping = 0;        // EAX bits 0..3
  std::uint32_t model = 0;           // EAX bits 4..7 (the extended model is not used)
  std::uint32_t family = 0;          // EAX bits 8..11
  std::uint32_t type = 0;            // EAX bits 12..13; 1 is an OverDrive processor
  std::uint32_t typeNibble = 0;      // EAX bits 12..15, which the 386 rules look at
  std::uint32_t extendedFamily = 0;  // EAX bits 20..27
  std::uint32_t brandIndex = 0;      // EBX bits 0..7
};
CpuSignature CpuSignatureOf(const CpuidResult& leaf1);
CpuSignature ReadCpuSignature(CpuSource& cpu);

// Cache sizes: KB, except the trace cache in thousands of micro-operations.
struct CpuCacheInfo {
  std::uint16_t l1Data = 0;
  std::uint16_t l1Instruction = 0;
  std::uint16_t trace = 0;
  std::uint16_t l2 = 0;
  std::uint16_t l3 = 0;
  bool operator==(const CpuCacheInfo&) const = default;
};

// True when any cache size was found.
bool ReadCpuCacheInfo(CpuSource& cpu, CpuCacheInfo& info);

enum class CacheField { L1Data, L1Instruction, Trace, L2, L3 };
enum class FamilyCondition { Any, Family15, NotFamily15 };

// One Intel leaf-2 descriptor byte and the size it sets. A byte may have one row per family
// condition; bytes that have no row are ignored.
struct CacheDescriptor {
  std::uint8_t byte;
  CacheField field;
  std::uint16_t size;
  FamilyCondition when = FamilyCondition::Any;
};
std::span<const CacheDescriptor> CacheDescriptorTable();

// True when the processor has a time-stamp counter (leaf 1 EDX bit 4).
bool HasTimeStampCounter(CpuSource& cpu);
// Logical processors per package (leaf 1 EBX bits 16..23 when EDX bit 28 is set), or 0.
std::uint32_t LogicalProcessorCount(CpuSource& cpu);
// Leaf 0x80000007 EDX bit 1: an AMD mobile processor.
bool AmdMobileFlag(CpuSource& cpu);

}  // namespace mrv
