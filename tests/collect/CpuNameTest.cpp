#include <gtest/gtest.h>

#include "CpuTestProcessor.h"
#include "collect/CpuName.h"

using namespace mrv;
using namespace mrv::test;

namespace {

struct NameCase {
  Processor processor;
  const char* expected;
};

void expectNames(const std::vector<NameCase>& cases) {
  for (const NameCase& c : cases) {
    FakeCpu cpu = c.processor.build();
    const auto& p = c.processor;
    EXPECT_EQ(CpuNameFromCpuid(cpu), c.expected)
        << p.vendor << " family " << p.family << " model " << p.model << " stepping " << p.stepping
        << " brand " << p.brand;
  }
}

}  // namespace

// Rows where the order of the rules or a second condition decides, plus one plain row per family.
TEST(CpuName, Intel) {
  expectNames({
      {intel(3, 0).withType(2), "Intel386SX/CX/EX"},
      {intel(3, 1).withType(4), "Intel386SL"},  // t reads bits 12..15, beyond the 2-bit type
      {intel(3, 1), ""},
      {intel(4, 9), "486DX4 (WB)"},
      {intel(4, 6), "486 Family CPU(Unknown)"},
      {intel(5, 2).withType(1), "Pentium OverDrive"},
      {intel(5, 4), "Pentium with MMX(P55C)"},
      {intel(5, 9), "Pentium Family CPU(Unknown)"},
      {intel(6, 3).withType(1), "Pentium MMX OverDrive"},
      {intel(6, 5), "Celeron(Convington)"},
      {intel(6, 5).withL2(512).withType(1), "Pentium II OverDrive"},
      {intel(6, 5).withL2(512), "Pentium II(Deschutes)"},
      {intel(6, 5).withL2(256), "Celeron(Convinton)"},
      {intel(6, 5).withL2(1024), "Pentium II Xeon(Deschutes)"},
      {intel(6, 6).withStepping(13).withL2(128), "Mobile Celeron(Dixon-128K)"},
      {intel(6, 6).withStepping(11).withL2(256), "Celeron(Mendocino)"},
      {intel(6, 8).withBrand(3).withL2(256), "Pentium III Xeon(Cascades)"},
      {intel(6, 8).withL2(128), "Celeron(Coppermine-128K)"},
      {intel(6, 9).withL2(512), "Mobile Celeron(Banias)"},
      {intel(6, 9).withL2(256), ""},
      {intel(6, 11).withBrand(7).withL2(512), "Mobile Celeron(Tualatin)"},
      {intel(6, 11).withBrand(4).withL2(512), "Pentium III-S(Tualatin)"},
      {intel(6, 11).withBrand(4).withL2(256), "Pentium III(Tualatin)"},
      {intel(6, 14), "P6 Family CPU(Unknown)"},
      {intel(7, 0), "Itanium(Merced)"},
      {intel(15, 0).withExtendedFamily(1), "Itanium 2(McKinley)"},
      {intel(15, 1).withBrand(14).withL2(512), "Xeon(Foster)"},
      {intel(15, 1).withL2(128), "Celeron(Willamette-128K)"},
      {intel(15, 2).withBrand(11).withL3(1024), "Xeon(Gallatin)"},
      {intel(15, 2).withBrand(11), "Xeon(Prestonia)"},
      {intel(15, 2).withBrand(9).withL3(2048).withLogical(2), "Pentium 4 Extreme Edition(Gallatin)"},
      {intel(15, 2).withBrand(9).withLogical(2), "Pentium 4 HT(Northwood)"},
      {intel(15, 2).withBrand(9).withLogical(1), "Pentium 4(Northwood)"},
      {intel(15, 2).withBrand(14).withLogical(2), "Mobile Pentium 4 HT(Northwood)"},
      {intel(15, 2).withBrand(15).withL2(256), "Mobile Celeron(Northwood-256K)"},
      {intel(15, 2).withBrand(15).withL2(512), "Mobile Pentium 4-M ES(Northwood)"},
      {intel(15, 2).withBrand(15).withL2(128), "Mobile Celeron(Northwood-128K)"},
      {intel(15, 2).withBrand(10).withL2(512), "Celeron(Northwood-128K)"},
      {intel(15, 6), "Pentium 4 Family CPU(Unknown)"},
      {intel(8, 0), "Intel CPU(Unkown Family)"},
      {intel(2, 0), "Intel CPU(Unkown Family)"},
  });
}

TEST(CpuName, LogicalCountNeedsTheHyperThreadingFlag) {
  Processor p = intel(15, 2).withBrand(9);
  FakeCpu cpu = p.build();
  CpuidResult leaf1 = cpu.cpuid(1);
  leaf1.ebx |= 2u << 16;  // a count without EDX bit 28 means nothing
  cpu.setLeaf(1, leaf1);
  EXPECT_EQ(CpuNameFromCpuid(cpu), "Pentium 4(Northwood)");
}

TEST(CpuName, Amd) {
  expectNames({
      {amd(4, 15), "5x86 (4xWB)"},
      {amd(4, 5), "486 Family CPU(Unknown)"},
      {amd(5, 13).withL2(128), "K6-2+"},
      {amd(5, 13).withL2(256), "K6-III+"},
      {amd(5, 13).withL2(64), "K6 Family CPU(Unknown)"},
      {amd(5, 11), "K5/K6 Family CPU(Unknown)"},
      {amd(6, 4), "Athlon(ThunderBird)"},
      {amd(6, 6).asMobile().withL2(256), "MobileAthlon4(Palomino)"},
      {amd(6, 6).asMobile().withL2(64), "MobileDuron(Palomino)"},
      {amd(6, 6).asMp().withL2(64), "Duron(Palomino)"},
      {amd(6, 6).asMp().withL2(256).withStepping(2), "AthlonXP/MP(Palomino)"},
      {amd(6, 6).asMp().withL2(256).withStepping(3), "AthlonMP(Palomino)"},
      {amd(6, 6).withL2(256), "AthlonXP(Palomino)"},
      {amd(6, 7).asMobile(), "MobileDuron(Morgan)"},
      {amd(6, 8).asMobile().withL2(64), "Duron(Applebred)"},
      {amd(6, 8).asMobile().asMp().withL2(256), "MobileAthlonXP-M(Thoroughbred)"},
      {amd(6, 10).asMobile().withL2(256), "AthlonXP(Thorton)"},
      {amd(6, 10).asMp().withL2(512), "AthlonMP(Barton)"},
      {amd(6, 10).withL2(512), "AthlonXP(Barton)"},
      {amd(6, 9), "Athlon Family CPU(Unknown)"},
      {amd(7, 0), "AMD CPU(Unknown Family)"},
  });
}

TEST(CpuName, AmdHammerNamesAreBuiltFromTheBrandId) {
  expectNames({
      {amd(15, 4), "AthlonXP(Paris)"},
      {amd(15, 4).withLongMode(0x10A), "Athlon 64 3200+(ClawHammer)"},
      {amd(15, 4).withLongMode(0x208), "Mobile Athlon 64 3000+(ClawHammer)"},
      {amd(15, 5).withLongMode(0x306), "Opteron UP 150(SledgeHammer)"},
      {amd(15, 5).withLongMode(0x405), "Opteron DP 248(SledgeHammer)"},
      {amd(15, 5).withLongMode(0x50A), "Opteron MP 858(SledgeHammer)"},
      {amd(15, 5).withLongMode(0x91B), "Athlon 64 FX-51(SledgeHammer)"},
      {amd(15, 7).withLongMode(0x601), "Hammer(Unknown)"},
      // Brand id code 0: the number comes from leaf 1 EBX (bits 5..7 the kind, bits 0..4 m).
      {amd(15, 5).withLongMode(0x000).withBrand(4 << 5 | 5), "Opteron DP 248(SledgeHammer)"},
      {amd(15, 4).withLongMode(0x000).withBrand(3 << 5 | 0), "Opteron UP 138(ClawHammer)"},
      {amd(15, 4).withLongMode(0x000).withBrand(1 << 5), "Hammer Engineering Sample(ClawHammer)"},
  });
}

TEST(CpuName, OtherVendors) {
  expectNames({
      {proc("UMC UMC UMC ", 4, 2), "U5S (486SX)"},
      {proc("UMC UMC UMC ", 4, 3), "UMC 486 Family CPU(Unknown)"},
      {proc("UMC UMC UMC ", 5, 1), "UMC CPU(Unknown)"},
      {proc("CyrixInstead", 4, 9), "Cx5x86"},
      {proc("CyrixInstead", 5, 2), "Cx6x86"},
      {proc("CyrixInstead", 6, 5), "VIA CyrixIII(Joshua)"},
      {proc("CyrixInstead", 6, 1), "6x86MX/MII Family CPU(Unknown)"},
      {proc("CyrixInstead", 7, 0), "Cyrix CPU(Unknown)"},
      {proc("NexGenDriven", 6, 0), "Nx686"},
      {proc("NexGenDriven", 4, 0), "NexGen CPU(Unknown)"},
      {proc("CentaurHauls", 5, 8).withStepping(7), "WinChip 2A"},
      {proc("CentaurHauls", 5, 8).withStepping(10), "WinChip 2B"},
      {proc("CentaurHauls", 5, 8).withStepping(5), "WinChip 2"},
      {proc("CentaurHauls", 5, 1), "IDT C6 Family CPU(Unknown)"},
      {proc("CentaurHauls", 6, 7).withStepping(7), "VIA C3(Samuel2)"},
      {proc("CentaurHauls", 6, 7).withStepping(8), "VIA C3(Ezra)"},
      {proc("CentaurHauls", 6, 9), "VIA C3(Nehemiah)"},
      {proc("CentaurHauls", 7, 0), "Centaur CPU(Unknown)"},
      {proc("RiesRiseRise", 5, 9), "mP6(iDragon II)"},
      {proc("RiesRiseRise", 5, 3), "Rise mP6 Family CPU(Unknown)"},
      {proc("RiesRiseRise", 6, 0), "Rise CPU(Unknown)"},
      {proc("SiS SiS SiS ", 5, 0), "SiS 55x"},
      {proc("SiS SiS SiS ", 6, 0), "SiS CPU(Unknown)"},
      {proc("Geode by NSC", 4, 4), "Geode GXM/GXLV/GX1"},
      {proc("Geode by NSC", 4, 5), "Geode CPU(Unknown)"},
      {proc("Geode by NSC", 5, 4), "NSC CPU(Unknown)"},
  });
}

TEST(CpuName, Transmeta) {
  const auto tm = [](std::uint32_t ebx, std::uint32_t l2) {
    return proc("GenuineTMx86", 5, 4).withL2(l2).withTransmeta(ebx);
  };
  expectNames({
      {tm(0x01010000, 0), "Crusoe TM3200"},
      {tm(0x01020000, 256), "Crusoe TM5400"},
      {tm(0x01030000, 256), "Crusoe TM5500"},
      {tm(0x01030000, 512), "Crusoe TM5800"},
      {tm(0x01030100, 256), "Crusoe TM5400"},
      {tm(0x01030100, 512), "Crusoe TM5600"},
      {tm(0x01040000, 256), "Crusoe TM5500"},
      {tm(0x01040000, 512), "Crusoe TM5800"},
      {tm(0x01040000, 128), ""},
      {tm(0x01050000, 256), "Crusoe TM5500"},
      {tm(0x01050000, 512), "Crusoe TM5800"},
      {tm(0x02000000, 1024), "Efficeon (Astro, TM8000)"},
      {tm(0x02000000, 512), "Transmeta CPU(Unknown)"},
      {proc("GenuineTMx86", 5, 4), "Transmeta CPU(Unknown)"},
  });
  // The highest Transmeta leaf must lie above 0x80860000 for 0x80860001 to be read.
  FakeCpu cpu = tm(0x01010000, 0).build();
  cpu.setLeaf(0x80860000, {0x80860000, 0, 0, 0});
  EXPECT_EQ(CpuNameFromCpuid(cpu), "Transmeta CPU(Unknown)");
}

TEST(CpuName, SystemInformationStep) {
  struct Case {
    std::string vendor;
    bool instruction;
    std::uint32_t type;
    const char* expected;
  };
  const Case cases[] = {
      {"Compaq FX!32", true, 0, "Alpha"},
      {"Compaq FX!32", true, 21164, "Alpha 21164"},
      {"ConnectixCPU", true, 586, "PowerPC"},
      {"ConnectixCPU", true, 604, "PowerPC 604"},
      {"HygonGenuine", true, 586, ""},
      {"HygonGenuine", true, 4000, "MIPS R4000"},
      {"GenuineIntel", false, 486, "486"},  // no CPUID: the vendor is "Unknown"
      {"GenuineIntel", false, 10004, "HITACHI SH3E"},
      {"GenuineIntel", false, 70001, "ARM 7TDMI"},
      {"GenuineIntel", true, 21164, "Pentium 4 HT(Prescott)"},  // a named vendor never asks
  };
  for (const Case& c : cases) {
    FakeCpu cpu = proc(c.vendor, 15, 3).build();
    cpu.instruction = c.instruction;
    cpu.type = c.type;
    EXPECT_EQ(CpuNameFromCpuid(cpu), c.expected) << c.vendor << " " << c.type;
  }
  EXPECT_EQ(ProcessorTypeName(2577), "StrongARM");
  EXPECT_EQ(ProcessorTypeName(8664), "");
}
