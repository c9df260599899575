#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "collect/CpuClock.h"
#include "collect/CpuName.h"
#include "collect/CpuidQuery.h"
#include "platform/CpuSource.h"
#include "platform/replay/CpuidDump.h"
#include "platform/PlatformServices.h"

using namespace mrv;
namespace fs = std::filesystem;

namespace {

class CpuidDumpFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("mrv_cpuid_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }

  std::unique_ptr<CpuSource> open(const std::string& path, std::string& message) {
    Sources s;
    s.cpuid = path;
    return openCpuSource(s, message);
  }

  fs::path dir_;
};

}  // namespace

TEST_F(CpuidDumpFiles, NorthwoodCeleron) {
  const std::string path = write("celeron.txt",
                                 "Celeron 2.0 GHz\r\n"
                                 "\r\n"
                                 "CPU#001 AffMask: 0x00000001\r\n"
                                 "CPUID 00000000: 00000002-756E6547-6C65746E-49656E69\r\n"
                                 "CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFF\r\n"
                                 "CPUID 00000002: 665B5101-00000000-00000000-003B7040\r\n"
                                 "CPUID 80000000: 80000004-00000000-00000000-00000000\r\n");
  std::string message;
  auto cpu = open(path, message);
  ASSERT_TRUE(cpu) << message;
  EXPECT_EQ(CpuNameFromCpuid(*cpu), "Celeron(Northwood-128K)");
  CpuCacheInfo cache;
  EXPECT_TRUE(ReadCpuCacheInfo(*cpu, cache));
  EXPECT_EQ(cache, (CpuCacheInfo{8, 0, 12, 128, 0}));

  // A dump records no clock: the measurement finds nothing and does not hold the pass a second.
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(CpuClockHz(*cpu), 0u);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(CpuidDumpFiles, AthlonAndFirstProcessorOnly) {
  // Two processors, sub-leaf lines and blank-separated noise; the second processor differs.
  const std::string path = write("athlon64.txt",
                                 "CPU#001\n"
                                 "CPUID 00000000: 00000001-68747541-444D4163-69746E65\n"
                                 "CPUID 00000001: 00000F48-00000800-00000000-078BFBFF\n"
                                 "cpuid 80000000: 80000018-68747541-444d4163-69746e65\n"
                                 "CPUID 80000001: 00000F48-0000010A-00000000-E3D3FBFF\n"
                                 "CPUID 80000006: 00000000-41004100-04008140-00000000 [SL 00]\n"
                                 "CPUID 80000006: 00000000-00000000-00000000-00000000 [SL 01]\n"
                                 "CPUID 80000006: 00000000-00000000-00000000-00000000\n"
                                 "\n"
                                 "CPU#002\n"
                                 "CPUID 00000000: 00000001-68747541-444D4163-69746E65\n"
                                 "CPUID 00000001: 00000F58-00000800-00000000-078BFBFF\n");
  std::string message;
  auto cpu = open(path, message);
  ASSERT_TRUE(cpu) << message;
  EXPECT_EQ(CpuNameFromCpuid(*cpu), "Athlon 64 3200+(ClawHammer)");
  CpuidResult r;
  ASSERT_EQ(CpuidQuery(*cpu, 0x80000006, r), kCpuidDone);
  EXPECT_EQ(r.ecx, 0x04008140u);
  EXPECT_EQ(cpu->cpuid(0x80000005), CpuidResult{}) << "a missing leaf reads as zeros";
  EXPECT_EQ(cpu->processorType(), 586u);
}

TEST_F(CpuidDumpFiles, UnusableFiles) {
  std::string message;
  EXPECT_FALSE(open((dir_ / "missing.txt").string(), message));
  EXPECT_NE(message.find("missing.txt"), std::string::npos);
  message.clear();
  EXPECT_FALSE(open(dir_.string(), message)) << "a folder";
  EXPECT_FALSE(message.empty());
  message.clear();
  EXPECT_FALSE(open(write("text.txt", "no leaves here\nCPUID: nothing\n"), message));
  EXPECT_NE(message.find("no CPUID lines"), std::string::npos);
  message.clear();
  EXPECT_FALSE(open(write("binary.bin", std::string("\0\xFF\x81\x40\r\r\n", 7)), message));

  // No Cpuid entry: this machine's processor.
  auto native = openCpuSource(Sources{}, message);
  ASSERT_TRUE(native);
  EXPECT_TRUE(message.empty());
}

TEST(CpuidDumpLine, AcceptsLeafLinesOnly) {
  struct Case {
    const char* line;
    bool ok;
    std::uint32_t leaf;
    CpuidResult r;
  };
  const Case cases[] = {
      {"CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFF", true, 1, {0xF27, 0x1080A, 0x4400, 0xBFEBFBFF}},
      {"  cpuid 8000001e : 0-1-a-FFFFFFFF\r", true, 0x8000001E, {0, 1, 0xA, 0xFFFFFFFF}},
      {"CPUID 00000004: 1C004121-01C0003F-0000003F-00000000 [SL 00]", true, 4, {0x1C004121, 0x01C0003F, 0x3F, 0}},
      {"CPUID 00000004: 1C004122-01C0003F-0000003F-00000000 [SL 01]", false, 0, {}},
      {"CPUID 00000001: 00000F27-0001080A-00004400", false, 0, {}},
      {"CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFFF", false, 0, {}},
      {"CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFG", false, 0, {}},
      {"CPUID 00000001 00000F27-0001080A-00004400-BFEBFBFF", false, 0, {}},
      {"CPUID 100000001: 00000F27-0001080A-00004400-BFEBFBFF", false, 0, {}},
      {"CPUIDX 00000001: 00000F27-0001080A-00004400-BFEBFBFF", false, 0, {}},
      {"# CPUID 00000001: 00000F27-0001080A-00004400-BFEBFBFF", false, 0, {}},
      {"", false, 0, {}},
  };
  for (const Case& c : cases) {
    std::uint32_t leaf = 0;
    CpuidResult r;
    EXPECT_EQ(parseCpuidDumpLine(c.line, leaf, r), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(leaf, c.leaf) << c.line;
      EXPECT_EQ(r, c.r) << c.line;
    }
  }
}

TEST(CpuidDumpText, RepeatedLeafKeepsTheFirstAnswer) {
  CpuidDump d = CpuidDump::fromText(
      "CPUID 00000001: 00000001-00000000-00000000-00000000\n"
      "CPUID 00000001: 00000002-00000000-00000000-00000000\n"
      "CPUID 00000000: 00000001-00000000-00000000-00000000\n"
      "CPUID 00000001: 00000003-00000000-00000000-00000000\n");
  EXPECT_EQ(d.cpuid(1).eax, 1u);
  EXPECT_EQ(d.cpuid(0).eax, 1u) << "leaf 0 after other leaves still belongs to the first block";
  EXPECT_EQ(d.leaves().size(), 2u);
}
