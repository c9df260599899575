#pragma once
// Builds the CPUID answers of a processor from what the naming rules look at: vendor, signature,
// brand index, cache descriptors (Intel) or extended cache leaves (others), and the AMD and
// Transmeta extended leaves.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/replay/CpuidDump.h"

namespace mrv::test {

// A CPUID dump whose processor type and CPUID presence can be set, as a platform would report them.
class FakeCpu : public CpuidDump {
 public:
  using CpuidDump::CpuidDump;
  bool instruction = true;
  std::uint32_t type = 0;
  bool hasCpuid() override { return instruction; }
  std::uint32_t processorType() override { return type; }
};

struct Processor {
  std::string vendor = "GenuineIntel";
  std::uint32_t maxLeaf = 2;
  std::uint32_t family = 0, model = 0, stepping = 0, typeNibble = 0, extendedFamily = 0, brand = 0;
  std::uint32_t logical = 0;       // logical processors per package; 0 leaves EDX bit 28 clear
  bool tsc = true;
  std::vector<std::uint8_t> descriptors;  // Intel leaf-2 bytes, applied in this order
  bool extendedCaches = false;            // others: leaves 0x80000005/6 present
  std::uint32_t l1 = 0, l2 = 0;           // their sizes
  bool mobile = false, mp = false, longMode = false;
  std::uint32_t amdBrand = 0;             // leaf 0x80000001 EBX bits 0..11
  bool transmetaLeaf = false;
  std::uint32_t transmetaEbx = 0, transmetaMHz = 0;

  Processor& withType(std::uint32_t t) { typeNibble = t; return *this; }
  Processor& withStepping(std::uint32_t s) { stepping = s; return *this; }
  Processor& withBrand(std::uint32_t b) { brand = b; return *this; }
  Processor& withLogical(std::uint32_t n) { logical = n; return *this; }
  Processor& withExtendedFamily(std::uint32_t e) { extendedFamily = e; return *this; }
  Processor& withDescriptor(std::uint8_t d) { descriptors.push_back(d); return *this; }
  // L2 in KB: an Intel descriptor byte, or leaf 0x80000006 for the others.
  Processor& withL2(std::uint32_t kb) {
    if (vendor == "GenuineIntel") {
      const std::uint8_t byte = kb == 128 ? 0x41 : kb == 256 ? 0x42 : kb == 512 ? 0x43 : kb == 1024 ? 0x44 : 0x45;
      if (kb != 0) descriptors.push_back(byte);
    } else {
      extendedCaches = true;
      l2 = kb;
    }
    return *this;
  }
  Processor& withL3(std::uint32_t kb) {
    descriptors.push_back(kb == 512 ? 0x22 : kb == 1024 ? 0x23 : kb == 2048 ? 0x25 : 0x29);
    return *this;
  }
  Processor& asMobile() { mobile = true; return *this; }
  Processor& asMp() { mp = true; return *this; }
  Processor& withLongMode(std::uint32_t brandId) { longMode = true; amdBrand = brandId; return *this; }
  Processor& withTransmeta(std::uint32_t ebx, std::uint32_t mhz = 0) {
    transmetaLeaf = true; transmetaEbx = ebx; transmetaMHz = mhz; return *this;
  }

  FakeCpu build() const {
    FakeCpu cpu;
    std::uint32_t v[3] = {};
    for (std::size_t i = 0; i < 12 && i < vendor.size(); ++i)
      v[i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(vendor[i])) << (8 * (i % 4));
    cpu.setLeaf(0, {maxLeaf, v[0], v[2], v[1]});
    const std::uint32_t eax = stepping | model << 4 | family << 8 | typeNibble << 12 | extendedFamily << 20;
    const std::uint32_t ebx = brand | logical << 16;
    const std::uint32_t edx = (tsc ? 1u << 4 : 0) | (logical ? 1u << 28 : 0);
    cpu.setLeaf(1, {eax, ebx, 0, edx});
    if (maxLeaf >= 2) {
      // Fill EDX, ECX, EBX from their top byte down, then EAX bytes 3..1; EAX byte 0 is the count.
      std::uint32_t regs[4] = {};  // edx, ecx, ebx, eax
      int slot = 0;
      for (std::uint8_t d : descriptors) {
        if (slot >= 15) break;
        regs[slot / 4] |= static_cast<std::uint32_t>(d) << (24 - 8 * (slot % 4));
        ++slot;
      }
      regs[3] |= 1;
      cpu.setLeaf(2, {regs[3], regs[2], regs[1], regs[0]});
    }
    if (extendedCaches) {
      cpu.setLeaf(0x80000005, {0, 0, l1 << 24, l1 << 24});
      cpu.setLeaf(0x80000006, {0, 0, l2 << 16, 0});
    }
    cpu.setLeaf(0x80000001, {0, amdBrand, 0, (mp ? 1u << 19 : 0) | (longMode ? 1u << 29 : 0)});
    cpu.setLeaf(0x80000007, {0, 0, 0, mobile ? 1u << 1 : 0});
    if (transmetaLeaf) {
      cpu.setLeaf(0x80860000, {0x80860001, 0, 0, 0});
      cpu.setLeaf(0x80860001, {0, transmetaEbx, transmetaMHz, 0});
    }
    return cpu;
  }
};

inline Processor proc(std::string vendor, std::uint32_t family, std::uint32_t model) {
  Processor p;
  p.vendor = std::move(vendor);
  p.family = family;
  p.model = model;
  return p;
}
inline Processor intel(std::uint32_t family, std::uint32_t model) { return proc("GenuineIntel", family, model); }
inline Processor amd(std::uint32_t family, std::uint32_t model) { return proc("AuthenticAMD", family, model); }

}  // namespace mrv::test
