#include <gtest/gtest.h>

#include "SmartBlocks.h"
#include "disk/DriveHealth.h"

using namespace mrv;
using namespace mrv::test;

namespace {

DriveHealth decode(const Tables& t) {
  DriveHealth h;
  decodeSmartTables(t.data, t.thresholds, h);
  return h;
}

SmartAttribute only(const DriveHealth& h) {
  EXPECT_EQ(h.attributeCount, 1);
  return h.attributes[0];
}

}  // namespace

TEST(SmartNames, TableHalvesAndDefaults) {
  EXPECT_EQ(smartAttributeName(194), "Temperature Celcius");
  EXPECT_EQ(smartAttributeJapaneseName(194), "温度（℃）");
  EXPECT_EQ(smartAttributeName(0), "No Attribute Here");
  EXPECT_EQ(smartAttributeJapaneseName(0), "");
  EXPECT_EQ(smartAttributeName(12), "Power Cycle Count");
  // 13..15: Japanese only.
  EXPECT_EQ(smartAttributeName(13), "Unknown");
  EXPECT_EQ(smartAttributeJapaneseName(13), "ソフト読み取りエラー");
  EXPECT_EQ(smartAttributeJapaneseName(14), "");
  // Blank cells inside 192..250 stay blank; outside both ranges English is "Unknown".
  EXPECT_EQ(smartAttributeName(213), "");
  EXPECT_EQ(smartAttributeName(229), "");
  EXPECT_EQ(smartAttributeName(100), "Unknown");
  EXPECT_EQ(smartAttributeJapaneseName(100), "");
  EXPECT_EQ(smartAttributeName(251), "Unknown");
  EXPECT_EQ(smartAttributeName(225), "Load/Unload Cycle Count");
  EXPECT_EQ(smartAttributeJapaneseName(225), "");
  EXPECT_EQ(smartAttributeName(250), "Read Error Retry Rate");
  EXPECT_EQ(smartAttributeJapaneseName(199), "UATA CRCエラー");
}

TEST(SmartIdentity, FieldsSwappedTrimmedAndCapacity) {
  DriveHealth h;
  decodeIdentity(identifyBlock("  WD-WCC4E1234567", "WDC WD10EZEX-08WN4A0", 1953525168u), h);
  EXPECT_EQ(h.serialNumber, "WD-WCC4E1234567");
  EXPECT_EQ(h.model, "WDC WD10EZEX-08WN4A0");
  EXPECT_EQ(h.capacity, 1953525168ull * 512);  // beyond 32 bits

  // Right-justified with an odd number of blanks, and an odd-length text.
  decodeIdentity(identifyBlock("     ABC", "Maxtor 6Y080L0", 0xFFFFFFFFu), h);
  EXPECT_EQ(h.serialNumber, "ABC");
  EXPECT_EQ(h.model, "Maxtor 6Y080L0");
  EXPECT_EQ(h.capacity, 0xFFFFFFFFull * 512);
}

// A drive with 48-bit addressing reports 2^28 - 1 sectors in words 60-61 whatever its size; its
// true count is in words 100-103 (a 500 GB disk read as 137,438,952,960 bytes before).
TEST(SmartIdentity, FortyEightBitDrivesTakeWordsHundredToHundredThree) {
  AtaBlock b = identifyBlock("S", "ST3500418AS", 0x0FFFFFFFu);
  const std::uint64_t sectors = 976773168ull;
  for (int k = 0; k < 8; ++k) b[200 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(sectors >> (8 * k));
  DriveHealth h;
  decodeIdentity(b, h);
  EXPECT_EQ(h.capacity, 0x0FFFFFFFull * 512) << "word 83 says nothing yet";
  b[166] = 0x00;
  b[167] = 0x44;  // word 83: valid (bit 14), 48-bit addressing (bit 10)
  decodeIdentity(b, h);
  EXPECT_EQ(h.capacity, 500107862016ull);
  b[200 + 5] = 0x01;  // beyond 32 bits of sectors too
  EXPECT_EQ(identifySectorCount(b), sectors | 1ull << 40);
  b[167] = 0x04;  // bit 10 without the validity bits: the word is not trusted
  EXPECT_EQ(identifySectorCount(b), 0x0FFFFFFFull);
  b[167] = 0xC4;
  EXPECT_EQ(identifySectorCount(b), 0x0FFFFFFFull);
  b[167] = 0x44;
  for (int k = 0; k < 8; ++k) b[200 + static_cast<std::size_t>(k)] = 0;  // supported but empty
  EXPECT_EQ(identifySectorCount(b), 0x0FFFFFFFull);
}

TEST(SmartIdentity, NulPaddingAndStrayBytesStayReadableText) {
  AtaBlock b = identifyBlock("", "", 0);
  for (std::size_t i = 20; i < 40; ++i) b[i] = 0;  // serial all NUL
  b[54 + 1] = 'X';                                  // model "X" then NULs and a stray byte
  b[54 + 0] = 0;
  for (std::size_t i = 56; i < 94; ++i) b[i] = 0;
  b[60] = 0xFF;
  DriveHealth h;
  decodeIdentity(b, h);
  EXPECT_EQ(h.serialNumber, "");
  EXPECT_EQ(h.model, std::string("X") + std::string(6, ' ') + "?");
}

TEST(SmartTables, AnEmptyTableGivesNothing) {
  const DriveHealth h = decode(tables({}));
  EXPECT_EQ(h.attributeCount, 0);
  EXPECT_EQ(h.hoursRunning, 0);
  EXPECT_EQ(h.failCount, 0);
}

// Drives list attributes after empty slots: a table reading 5, empty, 194, 9 keeps its
// temperature and hours, and a failing attribute far down the table still raises the count.
TEST(SmartTables, EmptySlotsAreSkippedAndEverySlotIsRead) {
  Tables t;
  putAttribute(t.data, t.thresholds, 0, {5, kPreFail, 100, 100, 3, 10});
  putAttribute(t.data, t.thresholds, 2, {194, 0x22, 38, 45, temperatureRaw(38, 15, 52), 0});
  putAttribute(t.data, t.thresholds, 3, {9, 0x32, 95, 95, 600, 0});
  putAttribute(t.data, t.thresholds, 22, {203, kPreFail, 20, 20, 0, 50});  // failing, after empty slots
  putAttribute(t.data, t.thresholds, 29, {240, 0, 100, 100, 7, 0});        // the very last slot
  const DriveHealth h = decode(t);
  ASSERT_EQ(h.attributeCount, 5);
  const int ids[] = {5, 194, 9, 203, 240};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(h.attributes[static_cast<std::size_t>(i)].id, ids[i]) << i;
  EXPECT_EQ(h.attributes[5].id, 0);
  EXPECT_EQ(h.temperature, 38);
  EXPECT_EQ(h.hoursRunning, 11);
  EXPECT_EQ(h.reallocatedSectors, 3);
  EXPECT_EQ(h.attributes[3].threshold, 50);  // paired with the threshold slot of its own position
  EXPECT_EQ(h.attributes[3].statusWord, "故障");
  EXPECT_EQ(h.failCount, 1);
}

TEST(SmartTables, ThirtyEntriesAllTaken) {
  Tables t;
  for (int i = 0; i < 30; ++i) putAttribute(t.data, t.thresholds, i, {i + 1, 0, 100, 100, 0, 0});
  const DriveHealth h = decode(t);
  EXPECT_EQ(h.attributeCount, 30);
  EXPECT_EQ(h.attributes[29].id, 30);
  EXPECT_EQ(h.attributes[29].name, "Unknown");
}

TEST(SmartTables, FieldsFlagsRawAndPairingByPosition) {
  Tables t = tables({{5, 0x0033, 100, 99, 0x0000A1B2C3D4E5F6ull & 0xFFFFFFFFFFFFull, 36}});
  t.thresholds[2] = 7;  // the threshold entry's own ID is not used for pairing
  const SmartAttribute a = only(decode(t));
  EXPECT_EQ(a.id, 5);
  EXPECT_EQ(a.name, "Reallocated Sector Count");
  EXPECT_TRUE(a.preFailure);
  EXPECT_TRUE(a.eventCount);
  EXPECT_FALSE(a.errorRate);
  EXPECT_EQ(a.current, 100);
  EXPECT_EQ(a.worst, 99);
  EXPECT_EQ(a.threshold, 36);
  EXPECT_EQ(a.raw, 0xB2C3D4E5F6ull | 0xA1ull << 40);
  const SmartAttribute b = only(decode(tables({{1, 0x0008, 1, 1, 0, 0}})));
  EXPECT_TRUE(b.errorRate);
  EXPECT_FALSE(b.preFailure);
}

TEST(SmartTables, CountersTakeOnlyRawInRange) {
  DriveHealth h = decode(tables({{9, 0, 100, 100, 600, 0}, {5, 0, 100, 100, 12, 0}, {12, 0, 100, 100, 2147483646, 0}}));
  EXPECT_EQ(h.hoursRunning, 11);  // minutes: 600 div 60 + 1
  EXPECT_EQ(h.reallocatedSectors, 12);
  EXPECT_EQ(h.powerCycles, 2147483646);
  h = decode(tables({{9, 0, 100, 100, 0, 0}, {5, 0, 100, 100, 2147483647, 0}, {12, 0, 100, 100, 0xFFFFFFFFFFFFull, 0}}));
  EXPECT_EQ(h.hoursRunning, 0);
  EXPECT_EQ(h.reallocatedSectors, 0);
  EXPECT_EQ(h.powerCycles, 0);
  h = decode(tables({{9, 0, 100, 100, 2147483647, 0}}));
  EXPECT_EQ(h.hoursRunning, 0);
  h = decode(tables({{9, 0, 100, 100, 59, 0}}));
  EXPECT_EQ(h.hoursRunning, 1);
}

TEST(SmartTables, TemperatureBytesAndTheCurrentRule) {
  DriveHealth h = decode(tables({{194, 0x22, 100, 100, temperatureRaw(38, 15, 52), 0}}));
  EXPECT_EQ(h.temperature, 38);
  EXPECT_EQ(h.lowestTemperature, 15);
  EXPECT_EQ(h.highestTemperature, 52);
  h = decode(tables({{194, 0x22, 38, 45, temperatureRaw(38, 15, 52), 0}}));
  EXPECT_EQ(h.temperature, 38);
  EXPECT_EQ(h.lowestTemperature, 15);
  EXPECT_EQ(h.highestTemperature, 45);
  // Whatever the raw value: all bytes zero still sets the fields (0), and a drive without 194 keeps 0.
  h = decode(tables({{194, 0, 0, 60, 0, 0}}));
  EXPECT_EQ(h.highestTemperature, 60);
  h = decode(tables({{1, 0, 100, 100, 0, 0}}));
  EXPECT_EQ(h.temperature, 0);
}

TEST(SmartVerdicts, WarningLevelArithmetic) {
  EXPECT_EQ(smartWarningLevel(36, 100), 61);
  EXPECT_EQ(smartWarningLevel(21, 253), 113);
  EXPECT_EQ(smartWarningLevel(21, 100), 52);
  EXPECT_EQ(smartWarningLevel(150, 100), 130);  // truncates toward zero: -200 div 10 = -20
  EXPECT_EQ(smartWarningLevel(103, 100), 102);  // -12 div 10 = -1
}

TEST(SmartVerdicts, StatusWordsInRuleOrder) {
  struct Case {
    AttrRow attr;
    std::string_view word;
  } cases[] = {
      {{1, 0, 10, 10, 0, 50}, "-"},          // not pre-failure
      {{1, kPreFail, 10, 10, 0, 0}, "-"},    // threshold 0
      {{1, kPreFail, 35, 35, 0, 36}, "故障"},
      {{1, kPreFail, 70, 30, 0, 36}, "過去に故障"},  // rule 2 before the warning rule
      {{1, kPreFail, 35, 20, 0, 36}, "故障"},        // rule 1 first
      {{1, kPreFail, 60, 60, 0, 36}, "警戒"},
      {{1, kPreFail, 61, 61, 0, 36}, "OK"},
      {{3, kPreFail, 250, 250, 0, 21}, "OK"},  // nominal 253, level 113
      {{3, kPreFail, 200, 200, 0, 21}, "OK"},  // nominal 100, level 52
      {{4, kPreFail, 231, 231, 0, 21}, "OK"},
      {{4, kPreFail, 231, 231, 0, 225}, "警戒"},  // 253 scale: level 236
      {{4, kPreFail, 230, 230, 0, 225}, "OK"},    // 100 scale: level 175
      {{5, kPreFail, 231, 231, 0, 225}, "OK"},    // only IDs 3 and 4 use the 253 scale
      {{5, kPreFail, 50, 50, 0, 21}, "警戒"},
      {{5, kPreFail, 36, 36, 0, 36}, "警戒"},  // equal to the threshold is not a failure
  };
  for (const Case& c : cases) {
    const SmartAttribute a = only(decode(tables({c.attr})));
    EXPECT_EQ(a.statusWord, c.word) << "id " << c.attr.id << " current " << c.attr.current;
  }
}

TEST(SmartVerdicts, FailAndWarningCounts) {
  const DriveHealth h = decode(tables({{1, kPreFail, 35, 35, 0, 36},
                                       {3, kPreFail, 70, 30, 0, 36},
                                       {5, kPreFail, 60, 60, 0, 36},
                                       {7, kPreFail, 99, 99, 0, 36},
                                       {9, kPreFail, 1, 1, 0, 0},
                                       {10, 0, 1, 1, 0, 36}}));
  EXPECT_EQ(h.attributeCount, 6);
  EXPECT_EQ(h.failCount, 2);
  EXPECT_EQ(h.warningCount, 1);
}

TEST(SmartTexts, DriverErrorsAndEveryStepForm) {
  EXPECT_EQ(driverErrorText(0), "No error");
  EXPECT_EQ(driverErrorText(7), "Could not lock user\"s buffer");
  EXPECT_EQ(driverErrorText(10), "Cmd issued to device not present although drive number is valid");
  EXPECT_EQ(driverErrorText(11), "Unknown driver error 11");
  EXPECT_EQ(driverErrorText(255), "Unknown driver error 255");

  EXPECT_EQ(smartOpenErrorText(false, "Access is denied."), "Unable to open physical drive: Access is denied.");
  EXPECT_EQ(smartOpenErrorText(true, "x"), "Unable to open SMARTVSD: x");
  EXPECT_EQ(smartVersionErrorText("y"), "DFP_GET_VERSION failed: y");
  AtaReply r;
  r.driverError = 1;
  r.ideError = 0x04;
  r.systemMessage = "The request is not supported.";
  EXPECT_EQ(smartStepErrorText(SmartStep::Enable, 2, r), "SMART Enable Command Failed, Drive: 2 : The request is not supported.");
  EXPECT_EQ(smartStepErrorText(SmartStep::Identify, 2, r),
            "Identify Command Failed on Drive: Error from IDE controller bIDEStatus=0004 : The request is not supported.");
  EXPECT_EQ(smartStepErrorText(SmartStep::ReadAttributes, 0, r),
            "SMART Read Attr Command Failed, Drive: 0 : The request is not supported.; DriverStatus: Error from IDE "
            "controller; bIDEStatus=0004");
  r.ideError = 0xAB;
  r.driverError = 12;
  EXPECT_EQ(smartStepErrorText(SmartStep::ReadThresholds, 1, r),
            "SMART Read Threshold Command Failed, Drive: 1 : The request is not supported.; DriverStatus: Unknown driver "
            "error 12; bIDEStatus=00AB");
  EXPECT_EQ(smartExceptionErrorText("  out of memory \r\n"), "SMART Failed - out of memory");
}
