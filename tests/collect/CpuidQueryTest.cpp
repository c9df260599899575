#include <gtest/gtest.h>

#include "CpuTestProcessor.h"
#include "collect/CpuidQuery.h"

using namespace mrv;
using namespace mrv::test;

TEST(CpuidQuery, ChecksTheInstructionAndTheHighestLeaf) {
  FakeCpu cpu = intel(6, 8).build();  // highest standard leaf 2
  cpu.setLeaf(0x80000000, {0x80000004, 0, 0, 0});
  CpuidResult r{9, 9, 9, 9};
  EXPECT_EQ(CpuidQuery(cpu, 3, r), kCpuidLeafAboveHighest);
  EXPECT_EQ(r, (CpuidResult{9, 9, 9, 9})) << "untouched on failure";
  EXPECT_EQ(CpuidQuery(cpu, 0x80000000, r), kCpuidDone) << "extended leaves are negative";
  EXPECT_EQ(r.eax, 0x80000004u);
  EXPECT_EQ(CpuidQuery(cpu, 0, r), kCpuidDone);
  EXPECT_EQ(r.eax, 2u);
  cpu.instruction = false;
  EXPECT_EQ(CpuidQuery(cpu, 0, r), kCpuidNoInstruction);
  EXPECT_EQ(CpuVendorString(cpu), "Unknown");
  EXPECT_EQ(ReadCpuSignature(cpu).family, 0u);
}

TEST(CpuidQuery, SignatureFields) {
  // Extended family 0F, extended model 3 (not used), bits 12..15 = 6, family F, model 7, stepping A.
  const CpuSignature s = CpuSignatureOf({0x00F36F7A, 0x0001080A, 0, 0});
  EXPECT_EQ(s.stepping, 0xAu);
  EXPECT_EQ(s.model, 7u);
  EXPECT_EQ(s.family, 0xFu);
  EXPECT_EQ(s.type, 2u);
  EXPECT_EQ(s.typeNibble, 6u);
  EXPECT_EQ(s.extendedFamily, 0x0Fu);
  EXPECT_EQ(s.brandIndex, 0x0Au);
}

TEST(CpuidQuery, Flags) {
  FakeCpu cpu = intel(15, 2).withLogical(2).build();
  EXPECT_TRUE(HasTimeStampCounter(cpu));
  EXPECT_EQ(LogicalProcessorCount(cpu), 2u);
  cpu.setLeaf(0, {0, cpu.cpuid(0).ebx, cpu.cpuid(0).ecx, cpu.cpuid(0).edx});
  EXPECT_FALSE(HasTimeStampCounter(cpu)) << "no leaf 1 behind leaf 0";
  cpu.instruction = false;
  EXPECT_FALSE(HasTimeStampCounter(cpu));

  Processor noTsc = intel(5, 2);
  noTsc.tsc = false;
  FakeCpu old = noTsc.build();
  EXPECT_FALSE(HasTimeStampCounter(old));
  EXPECT_EQ(LogicalProcessorCount(old), 0u);
  FakeCpu mobile = amd(6, 6).asMobile().build();
  EXPECT_TRUE(AmdMobileFlag(mobile));
}

TEST(CpuCacheInfo, IntelDescriptorsInRegisterOrderLaterWins) {
  // EDX holds 41 (L2 128) first, EAX byte 1 holds 43 (L2 512) last.
  FakeCpu cpu = intel(6, 8).build();
  cpu.setLeaf(2, {0x00004301, 0, 0, 0x41000000});
  CpuCacheInfo c;
  EXPECT_TRUE(ReadCpuCacheInfo(cpu, c));
  EXPECT_EQ(c.l2, 512);

  // EAX byte 0 is the repeat count, never a descriptor.
  cpu.setLeaf(2, {0x00000044, 0, 0, 0});
  EXPECT_TRUE(ReadCpuCacheInfo(cpu, c));
  EXPECT_EQ(c, CpuCacheInfo{}) << "a found leaf 2 is true even without known bytes";
}

TEST(CpuCacheInfo, IntelDescriptorSamples) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::uint32_t family;
    CpuCacheInfo expected;
  };
  const Case cases[] = {
      {{0x06, 0x0A, 0x41}, 6, {8, 8, 0, 128, 0}},
      {{0x2C, 0x30, 0x7E, 0x88}, 6, {32, 32, 0, 256, 2048}},
      {{0x66, 0x70, 0x3B}, 15, {8, 0, 12, 128, 0}},
      {{0x68, 0x72, 0x87, 0x8D}, 15, {32, 0, 32, 1024, 3096}},
      {{0x15, 0x10, 0x1A, 0x29}, 6, {16, 16, 0, 96, 4096}},
      {{0x43, 0x22, 0x40}, 15, {0, 0, 0, 512, 0}},  // family 15: 40 means no L3
      {{0x43, 0x22, 0x40}, 6, {0, 0, 0, 0, 512}},   // other families: 40 means no L2
      {{0xFF, 0x5B, 0x01}, 6, {}},
  };
  for (const Case& c : cases) {
    Processor p = intel(c.family, 2);
    for (auto b : c.bytes) p.withDescriptor(b);
    FakeCpu cpu = p.build();
    CpuCacheInfo info;
    ReadCpuCacheInfo(cpu, info);
    EXPECT_EQ(info, c.expected) << "first byte " << int(c.bytes.front()) << " family " << c.family;
  }
}

TEST(CpuCacheInfo, IntelPentiumWithoutLeaf2) {
  struct Case {
    std::uint32_t family, model;
    bool found;
    std::uint16_t l1;
  };
  const Case cases[] = {{5, 2, true, 8},  {5, 4, true, 16}, {5, 7, true, 8},
                        {5, 8, true, 16}, {5, 9, false, 0}, {6, 1, false, 0}};
  for (const Case& c : cases) {
    Processor p = intel(c.family, c.model);
    p.maxLeaf = 1;
    FakeCpu cpu = p.build();
    CpuCacheInfo info;
    info.l2 = 77;  // filled afresh
    EXPECT_EQ(ReadCpuCacheInfo(cpu, info), c.found) << c.family << "/" << c.model;
    EXPECT_EQ(info, (CpuCacheInfo{c.l1, c.l1, 0, 0, 0})) << c.family << "/" << c.model;
  }
}

TEST(CpuCacheInfo, OtherVendorsFromExtendedLeaves) {
  struct Case {
    Processor p;
    CpuCacheInfo expected;
  };
  const auto thunderbird = [](std::uint32_t stepping) {
    Processor p = amd(6, 4).withStepping(stepping).withL2(512);
    p.l1 = 64;
    return p;
  };
  const Case cases[] = {
      {thunderbird(0), {64, 64, 0, 256, 0}},  // ThunderBird stepping 0/1 misreports its L2
      {thunderbird(1), {64, 64, 0, 256, 0}},
      {thunderbird(2), {64, 64, 0, 512, 0}},
      {amd(6, 3).withL2(1), {0, 0, 0, 64, 0}},     // Duron stepping 0 likewise
      {amd(6, 3).withL2(1).withStepping(1), {0, 0, 0, 1, 0}},
  };
  for (const Case& c : cases) {
    FakeCpu cpu = c.p.build();
    CpuCacheInfo info;
    EXPECT_TRUE(ReadCpuCacheInfo(cpu, info));
    EXPECT_EQ(info, c.expected) << c.p.model << " stepping " << c.p.stepping;
  }
  // VIA C3 Samuel 2 / Ezra keep the L2 size in the top byte of ECX.
  FakeCpu c3 = proc("CentaurHauls", 6, 7).build();
  c3.setLeaf(0x80000006, {0, 0, 0x40400000, 0});
  CpuCacheInfo info;
  ReadCpuCacheInfo(c3, info);
  EXPECT_EQ(info.l2, 0x40);
  FakeCpu nehemiah = proc("CentaurHauls", 6, 9).build();
  nehemiah.setLeaf(0x80000006, {0, 0, 0x00404000, 0});
  ReadCpuCacheInfo(nehemiah, info);
  EXPECT_EQ(info.l2, 0x40);

  FakeCpu none = amd(6, 4).build();
  none.instruction = false;
  EXPECT_FALSE(ReadCpuCacheInfo(none, info));
}
