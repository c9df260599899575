// The Linux providers (SMBIOS tables, /proc and /sys) are built only on Linux.
#ifdef __linux__
#include "platform/linux/Smbios.h"

#include <gtest/gtest.h>

#include "platform/SmbiosBytes.h"

using namespace mrv;
using namespace mrv::smbios;
using namespace mrv::testing;

TEST(SmbiosEntryPoint, Versions2And3AndGarbage) {
  const auto e2 = parseEntryPoint(entryPoint2(2, 3, 0x1234));
  ASSERT_TRUE(e2);
  EXPECT_EQ(e2->major, 2);
  EXPECT_EQ(e2->minor, 3);
  EXPECT_EQ(e2->tableLength, 0x1234u);
  const auto e3 = parseEntryPoint(entryPoint3(3, 2, 0x10000));
  ASSERT_TRUE(e3);
  EXPECT_EQ(e3->major, 3);
  EXPECT_EQ(e3->minor, 2);
  EXPECT_EQ(e3->tableLength, 0x10000u);
  EXPECT_FALSE(parseEntryPoint(""));
  EXPECT_FALSE(parseEntryPoint("_SM_"));  // too short
  EXPECT_FALSE(parseEntryPoint(entryPoint3(3, 0, 1).substr(0, 0x17)));
  EXPECT_FALSE(parseEntryPoint(std::string(0x20, 'x')));
}

TEST(SmbiosTable, StructuresAndStrings) {
  const std::string bytes = structure(0, 0, {0x01, 0x02, 0x00, 0xF0, 0x03, 0x00}, {"Award", "6.00PG", "05/20/2006"}) +
                            structure(0x88, 1, {}, {}) + endOfTable() + structure(1, 2, {}, {"after the end"});
  const auto s = parseTable(bytes);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].type, 0);
  EXPECT_EQ(s[0].stringAt(0x04), "Award");
  EXPECT_EQ(s[0].stringAt(0x05), "6.00PG");
  EXPECT_EQ(s[0].stringAt(0x08), "05/20/2006");
  EXPECT_EQ(s[0].stringAt(0x06), "");   // string 0: none
  EXPECT_EQ(s[0].stringAt(0x07), "");   // string 240: beyond the strings
  EXPECT_EQ(s[0].stringAt(0x40), "");   // beyond the formatted area
  EXPECT_FALSE(s[0].wordAt(0x09));
  EXPECT_EQ(s[1].type, 0x88);
  EXPECT_TRUE(s[1].strings.empty());
  EXPECT_EQ(s[2].type, 127);
}

TEST(SmbiosTable, TruncatedOrDamagedBytesNeverCrash) {
  const std::string good = officeTables();
  const std::size_t all = parseTable(good).size();
  for (std::size_t n = 0; n <= good.size(); ++n) {
    const auto s = parseTable(std::string_view(good).substr(0, n));
    EXPECT_LE(s.size(), all);
    decode(EntryPoint{2, 3, 0}, s);  // whatever survives decodes without reading past its bytes
  }
  std::string damaged = good;
  damaged[1] = 2;  // a length below the header
  EXPECT_TRUE(parseTable(damaged).empty());
  std::string board = structure(2, 2, {1, 2, 3, 4, 0}, {"a"});
  board[1] = 0x40;  // a length beyond the bytes
  EXPECT_TRUE(parseTable(board).empty());
  board = structure(2, 2, {1, 2, 3, 4, 0}, {"a"});
  board.pop_back();  // strings without their final NUL
  EXPECT_TRUE(parseTable(board).empty());
  // A structure cut short of its formatted fields decodes the fields it has.
  const auto shortDevice = parseTable(structure(17, 9, {0x00, 0x10}, {}) + endOfTable());
  const Tables t = decode(EntryPoint{2, 0, 0}, shortDevice);
  ASSERT_EQ(t.devices.size(), 1u);
  EXPECT_FALSE(t.devices[0].sizeBytes);
  EXPECT_EQ(t.devices[0].deviceLocator, "");
}

TEST(SmbiosDecode, OfficePcTypes) {
  const Tables t = decode(EntryPoint{2, 3, 0}, parseTable(officeTables()));
  ASSERT_EQ(t.bios.size(), 1u);
  EXPECT_EQ(t.bios[0].vendor, "American Megatrends Inc.");
  EXPECT_EQ(t.bios[0].version, "0802");
  EXPECT_EQ(t.bios[0].releaseDate, "05/20/2006");
  ASSERT_EQ(t.systems.size(), 1u);
  EXPECT_EQ(t.systems[0].manufacturer, "System manufacturer");
  EXPECT_EQ(t.systems[0].productName, "P5GZ-MX");
  ASSERT_EQ(t.boards.size(), 1u);
  EXPECT_EQ(t.boards[0].manufacturer, "ASUSTeK Computer INC.");
  EXPECT_EQ(t.boards[0].product, "P5GZ-MX");

  ASSERT_EQ(t.processors.size(), 2u);
  const Processor& p = t.processors[0];
  EXPECT_TRUE(p.populated);
  EXPECT_FALSE(t.processors[1].populated);
  EXPECT_EQ(p.socket, "LGA775");
  EXPECT_EQ(p.manufacturer, "Intel");
  EXPECT_EQ(p.version, "Intel(R) Pentium(R) 4 CPU 3.00GHz");
  ASSERT_TRUE(p.id);
  EXPECT_EQ(*p.id, 0xBFEBFBFF00000F43ull);
  EXPECT_EQ(p.maxSpeedMHz, 3800);
  EXPECT_EQ(p.currentSpeedMHz, 3000);
  EXPECT_EQ(p.externalClockMHz, 200);
  ASSERT_EQ(t.caches.size(), 1u);
  EXPECT_EQ(t.caches[0].handle, p.l2CacheHandle);
  EXPECT_EQ(t.caches[0].level, 2);
  EXPECT_EQ(t.caches[0].installedKB, 1024u);

  ASSERT_EQ(t.arrays.size(), 1u);
  EXPECT_EQ(t.arrays[0].maxCapacityKB, 4194304u);
  EXPECT_EQ(t.arrays[0].deviceCount, 4);
  EXPECT_EQ(t.arrays[0].use, 3);
  ASSERT_EQ(t.devices.size(), 3u);
  EXPECT_EQ(t.devices[0].deviceLocator, "DIMM0");
  EXPECT_EQ(t.devices[0].sizeBytes, 536870912u);
  EXPECT_EQ(t.devices[0].speedMTs, 400);
  EXPECT_EQ(t.devices[0].totalWidth, 64);
  EXPECT_EQ(t.devices[0].memoryType, 0x12);
  EXPECT_EQ(t.devices[0].formFactor, 0x09);
  EXPECT_EQ(t.devices[2].sizeBytes, 0u);  // empty socket
}

TEST(SmbiosDecode, ExtendedSizesAndCodes) {
  // Type 16 with the extended maximum capacity; type 17 with the extended size (32 GB) and a
  // size in kilobytes.
  const std::string bytes =
      structure(16, 1, {3, 3, 3, 0x00, 0x00, 0x00, 0x80, 0xFE, 0xFF, 0x08, 0x00, 0, 0, 0, 0, 0x20, 0, 0, 0}, {}) +
      structure(17, 2, {1, 0, 0xFE, 0xFF, 72, 0, 64, 0, 0xFF, 0x7F, 0x09, 0, 1, 0, 0x1A, 0, 0, 0x80, 0x0C,
                        0, 0, 0, 0, 0, 0x00, 0x80, 0x00, 0x00},
                {"DIMM_A1"}) +
      structure(17, 3, {1, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x82, 0x09}, {}) + endOfTable();
  const Tables t = decode(EntryPoint{3, 3, 0}, parseTable(bytes));
  ASSERT_EQ(t.arrays.size(), 1u);
  EXPECT_EQ(t.arrays[0].maxCapacityKB, 0x2000000000ull / 1024);
  ASSERT_EQ(t.devices.size(), 2u);
  EXPECT_EQ(t.devices[0].sizeBytes, 32768ull * 1048576);
  EXPECT_EQ(t.devices[0].speedMTs, 3200);
  EXPECT_EQ(t.devices[0].memoryType, 0x1A);
  EXPECT_EQ(t.devices[0].deviceLocator, "DIMM_A1");
  EXPECT_EQ(t.devices[1].sizeBytes, 512u * 1024);
  EXPECT_FALSE(t.devices[1].totalWidth);

  EXPECT_EQ(wmiMemoryType(0x12), 20);  // DDR
  EXPECT_EQ(wmiMemoryType(0x18), 24);  // DDR3
  EXPECT_EQ(wmiMemoryType(0x1A), 0);   // DDR4: no WMI code
  EXPECT_EQ(wmiMemoryType(-3), 0);
  EXPECT_EQ(wmiFormFactor(0x09), 8);   // DIMM
  EXPECT_EQ(wmiFormFactor(0x0D), 12);  // SODIMM
  EXPECT_EQ(wmiFormFactor(0x02), 0);   // Unknown
  EXPECT_EQ(wmiFormFactor(200), 0);
}

#endif  // __linux__
