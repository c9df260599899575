#include "collect/CpuidQuery.h"

namespace mrv {

int CpuidQuery(CpuSource& cpu, std::uint32_t leaf, CpuidResult& result) {
  if (!cpu.hasCpuid()) return kCpuidNoInstruction;
  const CpuidResult leaf0 = cpu.cpuid(0);
  if (static_cast<std::int32_t>(leaf) > static_cast<std::int32_t>(leaf0.eax))
    return kCpuidLeafAboveHighest;
  result = leaf == 0 ? leaf0 : cpu.cpuid(leaf);
  return kCpuidDone;
}

std::string CpuVendorString(CpuSource& cpu) {
  CpuidResult r;
  if (CpuidQuery(cpu, 0, r) != kCpuidDone) return "Unknown";
  std::string vendor;
  for (std::uint32_t reg : {r.ebx, r.edx, r.ecx})
    for (int i = 0; i < 4; ++i) vendor.push_back(static_cast<char>((reg >> (8 * i)) & 0xFF));
  return vendor;
}

CpuSignature CpuSignatureOf(const CpuidResult& leaf1) {
  CpuSignature s;
  s.stepping = leaf1.eax & 0xF;
  s.model = (leaf1.eax >> 4) & 0xF;
  s.family = (leaf1.eax >> 8) & 0xF;
  s.type = (leaf1.eax >> 12) & 0x3;
  s.typeNibble = (leaf1.eax >> 12) & 0xF;
  s.extendedFamily = (leaf1.eax >> 20) & 0xFF;
  s.brandIndex = leaf1.ebx & 0xFF;
  return s;
}

CpuSignature ReadCpuSignature(CpuSource& cpu) {
  CpuidResult r;
  if (CpuidQuery(cpu, 1, r) != kCpuidDone) return {};
  return CpuSignatureOf(r);
}

namespace {

using F = CacheField;
using W = FamilyCondition;

constexpr CacheDescriptor kDescriptors[] = {
    {0x06, F::L1Instruction, 8},
    {0x08, F::L1Instruction, 16},
    {0x0A, F::L1Data, 8},
    {0x0C, F::L1Data, 16},
    {0x10, F::L1Data, 16},
    {0x15, F::L1Instruction, 16},
    {0x1A, F::L2, 96},
    {0x22, F::L3, 512},
    {0x23, F::L3, 1024},
    {0x25, F::L3, 2048},
    {0x29, F::L3, 4096},
    {0x2C, F::L1Data, 32},
    {0x30, F::L1Instruction, 32},
    {0x39, F::L2, 128},
    {0x3B, F::L2, 128},
    {0x3C, F::L2, 256},
    {0x40, F::L3, 0, W::Family15},
    {0x40, F::L2, 0, W::NotFamily15},
    {0x41, F::L2, 128},
    {0x42, F::L2, 256},
    {0x43, F::L2, 512},
    {0x44, F::L2, 1024},
    {0x45, F::L2, 2048},
    {0x66, F::L1Data, 8},
    {0x67, F::L1Data, 16},
    {0x68, F::L1Data, 32},
    {0x70, F::Trace, 12},
    {0x71, F::Trace, 16},
    {0x72, F::Trace, 32},
    {0x77, F::L1Instruction, 16},
    {0x79, F::L2, 128},
    {0x7A, F::L2, 256},
    {0x7B, F::L2, 512},
    {0x7C, F::L2, 1024},
    {0x7E, F::L2, 256},
    {0x81, F::L2, 128},
    {0x82, F::L2, 256},
    {0x83, F::L2, 512},
    {0x84, F::L2, 1024},
    {0x85, F::L2, 2048},
    {0x86, F::L2, 512},
    {0x87, F::L2, 1024},
    {0x88, F::L3, 2048},
    {0x89, F::L3, 4096},
    {0x8A, F::L3, 8192},
    {0x8D, F::L3, 3096},  // 3096 as the system has always reported it, not 3072
};

// Intel Pentium (family 5) without leaf 2: L1 data and instruction sizes by model.
struct Pentium5L1 {
  std::uint32_t modelFrom, modelTo;
  std::uint16_t size;
};
constexpr Pentium5L1 kPentiumL1[] = {{0, 3, 8}, {4, 4, 16}, {5, 7, 8}, {8, 8, 16}};

// L2 from leaf 0x80000006 for processors whose ECX bits 16..31 do not hold it.
struct L2Exception {
  const char* vendor;
  std::uint32_t family, modelFrom, modelTo, steppingFrom, steppingTo;
  bool fromEcxTopByte;  // ECX bits 24..31; otherwise the fixed size
  std::uint16_t size;
};
constexpr L2Exception kL2Exceptions[] = {
    {"CentaurHauls", 6, 7, 8, 0, 15, true, 0},
    {"AuthenticAMD", 6, 3, 3, 0, 0, false, 64},
    {"AuthenticAMD", 6, 4, 4, 0, 1, false, 256},
};

std::uint16_t& fieldOf(CpuCacheInfo& info, CacheField f) {
  switch (f) {
    case F::L1Data: return info.l1Data;
    case F::L1Instruction: return info.l1Instruction;
    case F::Trace: return info.trace;
    case F::L2: return info.l2;
    case F::L3: break;
  }
  return info.l3;
}

bool familyFits(FamilyCondition when, std::uint32_t family) {
  switch (when) {
    case W::Family15: return family == 15;
    case W::NotFamily15: return family != 15;
    case W::Any: break;
  }
  return true;
}

void applyDescriptor(CpuCacheInfo& info, std::uint8_t byte, std::uint32_t family) {
  for (const CacheDescriptor& d : kDescriptors)
    if (d.byte == byte && familyFits(d.when, family)) fieldOf(info, d.field) = d.size;
}

}  // namespace

std::span<const CacheDescriptor> CacheDescriptorTable() { return kDescriptors; }

bool ReadCpuCacheInfo(CpuSource& cpu, CpuCacheInfo& info) {
  info = CpuCacheInfo{};
  const std::string vendor = CpuVendorString(cpu);
  const CpuSignature sig = ReadCpuSignature(cpu);
  CpuidResult r;

  if (vendor == "GenuineIntel") {
    if (CpuidQuery(cpu, 2, r) == kCpuidDone) {
      // Most significant byte first: EDX, ECX, EBX, then EAX without its repeat count (byte 0).
      for (std::uint32_t reg : {r.edx, r.ecx, r.ebx})
        for (int shift = 24; shift >= 0; shift -= 8)
          applyDescriptor(info, static_cast<std::uint8_t>(reg >> shift), sig.family);
      for (int shift = 24; shift >= 8; shift -= 8)
        applyDescriptor(info, static_cast<std::uint8_t>(r.eax >> shift), sig.family);
      return true;
    }
    if (sig.family == 5)
      for (const Pentium5L1& p : kPentiumL1)
        if (sig.model >= p.modelFrom && sig.model <= p.modelTo) {
          info.l1Data = info.l1Instruction = p.size;
          return true;
        }
    return false;
  }

  bool found = false;
  if (CpuidQuery(cpu, 0x80000005, r) == kCpuidDone) {
    info.l1Data = static_cast<std::uint16_t>(r.ecx >> 24);
    info.l1Instruction = static_cast<std::uint16_t>(r.edx >> 24);
    found = true;
  }
  if (CpuidQuery(cpu, 0x80000006, r) == kCpuidDone) {
    info.l2 = static_cast<std::uint16_t>(r.ecx >> 16);
    for (const L2Exception& e : kL2Exceptions)
      if (vendor == e.vendor && sig.family == e.family && sig.model >= e.modelFrom &&
          sig.model <= e.modelTo && sig.stepping >= e.steppingFrom && sig.stepping <= e.steppingTo) {
        info.l2 = e.fromEcxTopByte ? static_cast<std::uint16_t>(r.ecx >> 24) : e.size;
        break;
      }
  }
  return found;
}

bool HasTimeStampCounter(CpuSource& cpu) {
  if (!cpu.hasCpuid()) return false;
  if (cpu.cpuid(0).eax == 0) return false;
  return (cpu.cpuid(1).edx & (1u << 4)) != 0;
}

std::uint32_t LogicalProcessorCount(CpuSource& cpu) {
  const CpuidResult r = cpu.cpuid(1);
  return (r.edx & (1u << 28)) ? (r.ebx >> 16) & 0xFF : 0;
}

bool AmdMobileFlag(CpuSource& cpu) { return (cpu.cpuid(0x80000007).edx & (1u << 1)) != 0; }

}  // namespace mrv
