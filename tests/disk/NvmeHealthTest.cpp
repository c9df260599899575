// NVMe drives: the health log's fifteen rows and their verdicts, identity and capacity, the drive
// dumps that replay them, and their place in the history, the failure logs and rows 56-61.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "DiskFixture.h"
#include "NvmeBlocks.h"
#include "disk/DiskHealthItems.h"
#include "disk/DriveDumpCommand.h"
#include "platform/PlatformServices.h"
#include "disk/NvmeHealth.h"

using namespace mrv;
using namespace mrv::test;

namespace {

DriveHealth decoded(const NvmeLogFields& f) {
  DriveHealth h;
  decodeNvmeHealthLog(nvmeLog(f), h);
  return h;
}

const SmartAttribute& row(const DriveHealth& h, int id) {
  for (int i = 0; i < h.attributeCount; ++i)
    if (h.attributes[static_cast<std::size_t>(i)].id == id) return h.attributes[static_cast<std::size_t>(i)];
  static const SmartAttribute none;
  ADD_FAILURE() << "no row " << id;
  return none;
}

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
    out.push_back(line.substr(start, comma - start));
  out.push_back(line.substr(start));
  return out;
}

DriveHealth replayed(const DriveDump& dump, std::string& errorText) {
  DiskPc pc;
  pc.setDrives({dump});
  std::string message;
  const auto device = openDriveDumps((pc.root / "drives").string(), message);
  DriveHealth h;
  ReadDriveHealth(*device, 0, h, errorText);
  return h;
}

}  // namespace

// --- the health log ---

TEST(NvmeHealthLog, FifteenRowsInLogOrderWithTheirOwnNames) {
  NvmeLogFields f = healthyNvme();
  for (std::uint64_t i = 0; i < 10; ++i) f.counters[i] = 1000 + i;
  const DriveHealth h = decoded(f);
  ASSERT_EQ(h.attributeCount, 15);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(h.attributes[static_cast<std::size_t>(i)].id, i + 1);
  EXPECT_EQ(row(h, 1).name, "Critical Warning");
  EXPECT_EQ(row(h, 5).name, "Percentage Used");
  EXPECT_EQ(row(h, 15).name, "Error Information Log Entries");
  // not the ATA names of those numbers
  EXPECT_EQ(nvmeAttributeJapaneseName(12), "電源入り時間");
  EXPECT_NE(nvmeAttributeJapaneseName(5), smartAttributeJapaneseName(5));
  DriveHealth marked = h;
  marked.nvme = true;
  EXPECT_EQ(attributeJapaneseName(marked, 5), "寿命消費率");
  EXPECT_EQ(attributeJapaneseName(h, 5), "再配置セクタ数");
  // each counter from its own field, in order
  for (int id = 6; id <= 15; ++id) EXPECT_EQ(row(h, id).raw, 1000u + static_cast<unsigned>(id - 6)) << id;
  EXPECT_EQ(row(h, 2).raw, 308u);  // Kelvin, as the log holds it
  EXPECT_EQ(row(h, 3).current, 100);
  EXPECT_EQ(row(h, 3).threshold, 10);
  EXPECT_EQ(row(h, 5).current, 3);
  EXPECT_EQ(h.temperature, 35);
  EXPECT_EQ(h.powerCycles, 1005);
  EXPECT_EQ(h.hoursRunning, 1006);  // hours as counted, not minutes
  EXPECT_EQ(h.reallocatedSectors, 1008);
}

TEST(NvmeHealthLog, StatusWordsAndCounts) {
  struct Case {
    const char* what;
    int critical, spare, threshold, used;
    const char *w1, *w3, *w5;
    int fails, warnings;
  };
  const Case cases[] = {
      {"healthy", 0, 100, 10, 3, "OK", "OK", "OK", 0, 0},
      {"critical bit 2", 0x04, 100, 10, 3, "故障", "OK", "OK", 1, 0},
      {"read-only (bit 3)", 0x08, 100, 10, 3, "故障", "OK", "OK", 1, 0},
      {"volatile backup failed (bit 4)", 0x10, 100, 10, 3, "故障", "OK", "OK", 1, 0},
      {"only a high bit", 0x20, 100, 10, 3, "故障", "OK", "OK", 1, 0},
      {"heat alone (bit 1)", 0x02, 100, 10, 3, "警戒", "OK", "OK", 0, 1},
      {"heat and degraded", 0x06, 100, 10, 3, "故障", "OK", "OK", 1, 0},
      {"spare under threshold", 0x01, 6, 10, 3, "故障", "故障", "OK", 2, 0},
      // threshold 10: warning level 10 + (90 * 4) / 10 = 46
      {"spare at threshold", 0, 10, 10, 3, "OK", "警戒", "OK", 0, 1},
      {"spare 12 of 10", 0, 12, 10, 3, "OK", "警戒", "OK", 0, 1},
      {"spare 45 of 10", 0, 45, 10, 3, "OK", "警戒", "OK", 0, 1},
      {"spare 46 of 10", 0, 46, 10, 3, "OK", "OK", "OK", 0, 0},
      {"spare 5 of threshold 5", 0, 5, 5, 3, "OK", "警戒", "OK", 0, 1},
      {"no threshold", 0, 0, 0, 3, "OK", "OK", "OK", 0, 0},
      {"used 89", 0, 100, 10, 89, "OK", "OK", "OK", 0, 0},
      {"used 90", 0, 100, 10, 90, "OK", "OK", "警戒", 0, 1},
      {"worn past 100", 0, 100, 10, 255, "OK", "OK", "警戒", 0, 1},
      {"everything", 0x01, 2, 10, 120, "故障", "故障", "警戒", 2, 1},
  };
  for (const Case& c : cases) {
    NvmeLogFields f;
    f.criticalWarning = c.critical;
    f.spare = c.spare;
    f.spareThreshold = c.threshold;
    f.percentageUsed = c.used;
    const DriveHealth h = decoded(f);
    EXPECT_EQ(row(h, 1).statusWord, c.w1) << c.what;
    EXPECT_EQ(row(h, 3).statusWord, c.w3) << c.what;
    EXPECT_EQ(row(h, 5).statusWord, c.w5) << c.what;
    EXPECT_EQ(h.failCount, c.fails) << c.what;
    EXPECT_EQ(h.warningCount, c.warnings) << c.what;
    // only the judged rows are marked, and every other row is "-"
    for (int id = 1; id <= 15; ++id) {
      const bool judged = id == 1 || id == 3 || id == 5 || id == 14;
      EXPECT_EQ(row(h, id).preFailure, judged) << c.what << " " << id;
      if (!judged) {
        EXPECT_EQ(row(h, id).statusWord, "-") << c.what << " " << id;
      }
    }
  }
}

TEST(NvmeHealthLog, CountersOutOfRangeAndTemperatureEdges) {
  NvmeLogFields f;
  f.counters[kPowerCyclesCounter] = 2147483647;  // the first value out of range
  f.counters[kPowerOnHoursCounter] = 2147483646;
  f.counters[kMediaErrorsCounter] = 0;
  f.kelvin = 0;  // not reported
  DriveHealth h = decoded(f);
  EXPECT_EQ(h.powerCycles, 0);
  EXPECT_EQ(h.hoursRunning, 2147483646);
  EXPECT_EQ(h.temperature, 0);
  EXPECT_EQ(row(h, 2).current, 0);

  // A counter beyond 64 bits is held as the largest 64-bit number, and is out of range.
  NvmeHealthLog log = nvmeLog(NvmeLogFields{});
  log[128 + 8] = 1;  // power-on hours, bit 64
  log[128] = 5;
  decodeNvmeHealthLog(log, h);
  EXPECT_EQ(row(h, 12).raw, std::numeric_limits<std::uint64_t>::max());
  EXPECT_EQ(h.hoursRunning, 0);

  f.kelvin = 200;  // below freezing: a negative temperature, a current of 0
  h = decoded(f);
  EXPECT_EQ(h.temperature, -73);
  EXPECT_EQ(row(h, 2).current, 0);
  f.kelvin = 65535;
  h = decoded(f);
  EXPECT_EQ(h.temperature, 65262);
  EXPECT_EQ(row(h, 2).current, 255);
}

TEST(NvmeHealthLog, MediaErrorsCountsAndTemperatureSensors) {
  NvmeLogFields f = healthyNvme();
  f.counters[kMediaErrorsCounter] = 49;
  f.counters[kDataUnitsWrittenCounter] = 19455112;
  f.counters[kBusyTimeCounter] = std::uint64_t{1} << 40;  // more than a cell holds
  DriveHealth h = decoded(f);
  EXPECT_EQ(row(h, 14).statusWord, "OK");
  EXPECT_EQ(row(h, 14).current, 49);
  EXPECT_EQ(row(h, 14).threshold, 50);
  EXPECT_EQ(row(h, 7).current, 19455112);  // the count, where rows 59 and the chart read it
  EXPECT_EQ(row(h, 7).worst, 19455112);
  EXPECT_EQ(row(h, 10).current, 2147483647);
  EXPECT_EQ(row(h, 10).raw, std::uint64_t{1} << 40);
  EXPECT_EQ(row(h, 11).current, 1487);
  EXPECT_EQ(h.failCount, 0);
  f.counters[kMediaErrorsCounter] = 50;
  h = decoded(f);
  EXPECT_EQ(row(h, 14).statusWord, "故障");
  EXPECT_EQ(h.failCount, 1);

  // no sensor: no extremes; sensors at 39 and 27 °C beside a composite of 35
  EXPECT_FALSE(decoded(healthyNvme()).temperatureExtremes);
  f.sensorKelvin[0] = 312;
  f.sensorKelvin[2] = 300;
  h = decoded(f);
  EXPECT_TRUE(h.temperatureExtremes);
  EXPECT_EQ(h.highestTemperature, 39);
  EXPECT_EQ(h.lowestTemperature, 27);
  f.kelvin = 0;  // composite not reported: the sensors alone
  f.sensorKelvin[2] = 0;
  h = decoded(f);
  EXPECT_EQ(h.highestTemperature, 39);
  EXPECT_EQ(h.lowestTemperature, 39);
}

TEST(NvmeHealthLog, VerdictsThatLookBackOneSave) {
  struct Case {
    const char* what;
    int critical;
    std::uint64_t media;
    NvmeLastSave last;
    const char *w1, *w14;
    int fails, warnings;
  };
  const Case cases[] = {
      {"heat now, not then", 0x02, 0, {0x00, 0}, "警戒", "OK", 0, 1},
      {"heat now and then", 0x02, 0, {0x02, 0}, "故障", "OK", 1, 0},
      {"heat now, heat among others then", 0x02, 0, {0x06, 0}, "故障", "OK", 1, 0},
      {"heat then only", 0x00, 0, {0x02, 0}, "OK", "OK", 0, 0},
      {"errors grew", 0x00, 10, {0x00, 9}, "OK", "警戒", 0, 1},
      {"errors stayed", 0x00, 10, {0x00, 10}, "OK", "OK", 0, 0},
      {"errors fell (a reset count)", 0x00, 4, {0x00, 10}, "OK", "OK", 0, 0},
      {"errors past the limit", 0x00, 60, {0x00, 10}, "OK", "故障", 1, 0},
  };
  for (const Case& c : cases) {
    NvmeLogFields f = healthyNvme();
    f.criticalWarning = c.critical;
    f.counters[kMediaErrorsCounter] = c.media;
    DriveHealth h = decoded(f);
    h.nvme = true;
    judgeNvmeAgainstLastSave(h, c.last);
    EXPECT_EQ(row(h, 1).statusWord, c.w1) << c.what;
    EXPECT_EQ(row(h, 14).statusWord, c.w14) << c.what;
    EXPECT_EQ(h.failCount, c.fails) << c.what;
    EXPECT_EQ(h.warningCount, c.warnings) << c.what;
  }
}

// --- identity ---

TEST(NvmeIdentity, ControllerTextsAndNamespaceCapacity) {
  DriveHealth h;
  std::string problem;
  ASSERT_TRUE(decodeNvmeController(nvmeController(" S4DY,NX0 ", "SAMSUNG MZVLB512HBJQ-000L7", "5M2QEXF7"), h, problem));
  EXPECT_EQ(h.serialNumber, "S4DY NX0");  // a comma would split the history cell
  EXPECT_EQ(h.model, "SAMSUNG MZVLB512HBJQ-000L7");
  EXPECT_EQ(h.firmware, "5M2QEXF7");
  NvmeIdentifyBlock odd = nvmeController("A\x01\xE9", "", "");
  ASSERT_TRUE(decodeNvmeController(odd, h, problem));
  EXPECT_EQ(h.serialNumber, "A??");

  ASSERT_TRUE(decodeNvmeNamespace(nvmeNamespace(1000215216), h, problem)) << problem;
  EXPECT_EQ(h.capacity, 1000215216ull * 512);
  ASSERT_TRUE(decodeNvmeNamespace(nvmeNamespace(244190646, 12, 1), h, problem)) << problem;
  EXPECT_EQ(h.capacity, 244190646ull * 4096);
}

TEST(NvmeIdentity, BlocksThatCannotBeAreRefusedWithAReason) {
  DriveHealth h;
  std::string problem;
  EXPECT_FALSE(decodeNvmeController(NvmeIdentifyBlock{}, h, problem));
  EXPECT_NE(problem.find("no model"), std::string::npos);

  struct Case {
    const char* what;
    NvmeIdentifyBlock block;
    const char* says;
  };
  NvmeIdentifyBlock formatBeyond = nvmeNamespace(1000);
  formatBeyond[26] = 3;  // format 3 of 1
  NvmeIdentifyBlock tinyBlocks = nvmeNamespace(1000, 3);
  NvmeIdentifyBlock hugeBlocks = nvmeNamespace(1000, 40);
  const Case cases[] = {
      {"inactive", nvmeNamespace(0), "not active"},
      {"format beyond the list", formatBeyond, "not one of"},
      {"blocks of 8 bytes", tinyBlocks, "block size"},
      {"blocks of 2^40 bytes", hugeBlocks, "block size"},
      {"size overflows", nvmeNamespace(std::numeric_limits<std::uint64_t>::max() / 256), "beyond any drive"},
  };
  for (const Case& c : cases) {
    h.capacity = 7;
    problem.clear();
    EXPECT_FALSE(decodeNvmeNamespace(c.block, h, problem)) << c.what;
    EXPECT_NE(problem.find(c.says), std::string::npos) << c.what << ": " << problem;
    EXPECT_EQ(h.capacity, 7u) << c.what;
  }
}

// --- dumps ---

TEST(NvmeDump, RoundTripAndReplayGiveTheDrivesHealth) {
  const DriveDump dump = nvmeDump(wornNvme());
  DriveDump back;
  std::string message;
  ASSERT_TRUE(parseDriveDump(serializeDriveDump(dump), back, message)) << message;
  EXPECT_TRUE(back.isNvme());
  EXPECT_EQ(back.nvmeHealth, dump.nvmeHealth);
  EXPECT_EQ(back.nvmeController, dump.nvmeController);
  EXPECT_EQ(back.nvmeNamespace, dump.nvmeNamespace);

  std::string errorText;
  const DriveHealth h = replayed(dump, errorText);
  EXPECT_EQ(errorText, "");
  EXPECT_TRUE(h.nvme);
  EXPECT_EQ(h.driveNumber, 0);
  EXPECT_EQ(h.model, "SAMSUNG MZVLB512HBJQ-000L7");
  EXPECT_EQ(h.capacity / 1048576u, 488386u);
  EXPECT_EQ(h.warningCount, 1);
  EXPECT_EQ(h.hoursRunning, 5312);
}

TEST(NvmeDump, TruncatedMixedOrGarbageBlocksGiveAnErrorText) {
  const std::string good = serializeDriveDump(nvmeDump(healthyNvme()));
  DriveDump dump;
  std::string message;
  // cut inside the health log, and a health log of the wrong size
  EXPECT_FALSE(parseDriveDump(good.substr(0, good.size() - 100), dump, message));
  EXPECT_NE(message.find("NVSH"), std::string::npos) << message;
  std::string shortLog = good.substr(0, good.size() - 512 - 8) + std::string("NVSH\0\0\0\x10", 8) + std::string(16, 'x');
  EXPECT_FALSE(parseDriveDump(shortLog, dump, message));
  EXPECT_NE(message.find("16 bytes instead of 512"), std::string::npos) << message;
  EXPECT_FALSE(parseDriveDump(good + good, dump, message));
  EXPECT_NE(message.find("twice"), std::string::npos) << message;
  DriveDump mixed = nvmeDump(healthyNvme());
  mixed.identify = AtaBlock{};
  EXPECT_FALSE(parseDriveDump(serializeDriveDump(mixed), dump, message));
  EXPECT_NE(message.find("both ATA and NVMe"), std::string::npos) << message;

  // through the replay device each is an errorText and no data, never a crash
  struct Case {
    const char* what;
    DriveDump dump;
    const char* starts;
  };
  DriveDump noLog = nvmeDump(healthyNvme());
  noLog.nvmeHealth.reset();
  DriveDump blankController = nvmeDump(healthyNvme());
  blankController.nvmeController = NvmeIdentifyBlock{};
  const Case cases[] = {
      {"no health log", noLog, "NVMe SMART/Health Log Failed: "},
      {"blank identify", blankController, "NVMe Identify Controller Failed: "},
  };
  for (const Case& c : cases) {
    std::string errorText;
    replayed(c.dump, errorText);
    EXPECT_EQ(errorText.rfind(c.starts, 0), 0u) << c.what << ": " << errorText;
  }
  // a namespace that cannot be read costs the capacity only: the health data is there
  DriveDump garbageNamespace = nvmeDump(spareLowNvme());
  garbageNamespace.nvmeNamespace->fill(0xFF);
  DriveDump noNamespace = nvmeDump(spareLowNvme());
  noNamespace.nvmeNamespace.reset();
  for (const DriveDump& d : {garbageNamespace, noNamespace}) {
    std::string errorText;
    const DriveHealth h = replayed(d, errorText);
    EXPECT_EQ(errorText, "");
    EXPECT_EQ(h.readProblem.rfind("NVMe Identify Namespace Failed: ", 0), 0u) << h.readProblem;
    EXPECT_EQ(h.capacity, 0u);
    EXPECT_EQ(h.attributeCount, 15);
    EXPECT_EQ(h.failCount, 2);
  }
  {
    DiskPc listed;
    listed.setDrives({noNamespace});
    const auto device = openDriveDumps((listed.root / "drives").string(), message);
    std::ostringstream out;
    EXPECT_EQ(runDriveDumpCommand(*device, "show", "", RecordDriveDumps, out), 1);  // the listing reports the failure
    EXPECT_NE(out.str().find("  problem: NVMe Identify Namespace Failed: "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Fail 2, warning 0, attributes 15"), std::string::npos) << out.str();
  }
  DiskPc pc;
  pc.setDrives({});
  std::ofstream(pc.root / "drives" / "drive00.dump", std::ios::binary) << good.substr(0, 3000);
  std::string errorText;
  const auto device = openDriveDumps((pc.root / "drives").string(), message);
  DriveHealth h;
  ReadDriveHealth(*device, 0, h, errorText);
  EXPECT_EQ(errorText.rfind("Unable to open physical drive: drive00.dump is not a usable drive dump", 0), 0u) << errorText;
  EXPECT_EQ(h.driveNumber, -1);
}

TEST(NvmeDump, RecordedFromADeviceAndShown) {
  DiskPc source;
  source.setDrives({nvmeDump(criticalNvme()), driveWith(0, 0)});
  std::string message;
  const auto device = openDriveDumps((source.root / "drives").string(), message);
  DiskPc copy;
  std::string report;
  ASSERT_TRUE(writeDriveDumps(*device, (copy.root / "drives").string(), report)) << report;
  EXPECT_NE(report.find("drive 0 (drive00.dump): written to "), std::string::npos) << report;
  EXPECT_NE(report.find("(NVIC NVIN NVSH)"), std::string::npos) << report;
  EXPECT_EQ(testsupport::slurpFile(copy.root / "drives" / "drive00.dump"), serializeDriveDump(nvmeDump(criticalNvme())));

  std::ostringstream out;
  EXPECT_EQ(runDriveDumpCommand(*device, "show", "", RecordDriveDumps, out), 0);
  const std::string text = out.str();
  for (const char* part : {"firmware \"5M2QEXF7\" (NVMe)", "Temperature 35,", "HoursRunning 5312",
                           "Fail 1, warning 0, attributes 15", "Critical Warning / 重大警告", "Percentage Used / 寿命消費率",
                           "Raw Read Error Rate / 読み取りエラー"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
}

// --- history, failure logs, rows 56-61 ---

TEST(NvmeHistory, AnAtaAndAnNvmeDriveGiveTwoSegmentsWithTheirOwnHeaders) {
  DiskPc pc;
  pc.system.computerName = "SOUMU-PC07";
  pc.system.now = {2026, 12, 1, 8, 30, 0};
  pc.setDrives({driveWith(0, 0), nvmeDump(healthyNvme())});
  ASSERT_TRUE(pc.save().rowWritten);
  const std::vector<std::string> lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 3u);
  const std::vector<std::string> english = cells(lines[0]), japanese = cells(lines[1]), data = cells(lines[2]);
  // ATA segment: 12 cells and the blocks of 1, 5, 7, 10, 3, 194 (30 cells), then an empty cell
  const std::size_t nvme = 2 + 43;
  ASSERT_GT(data.size(), nvme + 13 + 75);
  EXPECT_EQ(english.size(), data.size());
  EXPECT_EQ(japanese.size(), data.size());
  EXPECT_EQ(english[nvme], "DriveNum");
  EXPECT_EQ(data[nvme + 1], "488386");  // CapacityMB
  EXPECT_EQ(data[nvme + 2], "SAMSUNG MZVLB512HBJQ-000L7");
  EXPECT_EQ(data[nvme + 4], "35");      // Temperature
  EXPECT_EQ(data[nvme + 10], "1487");   // PowerCycles
  EXPECT_EQ(data[nvme + 11], "5312");   // HoursRunning
  const std::size_t blocks = nvme + 12;
  const char* const expected[][3] = {
      {"*1: Critical Warning", "重大警告", "OK,0,0,0,0"},
      {"*5: Percentage Used", "寿命消費率", "OK,3,3,0,3"},
      {"7: Data Units Written", "書き込み量", "-,0,0,0,0"},
      {"10: Controller Busy Time", "コントローラ稼働時間", "-,0,0,0,0"},
      {"*3: Available Spare", "予備領域残量", "OK,100,100,10,100"},
      {"", "", ",,,,"},  // no 194
      {"2: Composite Temperature (Kelvin)", "総合温度（K）", "-,35,35,0,308"},
  };
  for (std::size_t k = 0; k < std::size(expected); ++k) {
    const std::size_t at = blocks + 5 * k;
    EXPECT_EQ(english[at], expected[k][0]) << k;
    EXPECT_EQ(japanese[at], expected[k][1]) << k;
    EXPECT_EQ(data[at] + "," + data[at + 1] + "," + data[at + 2] + "," + data[at + 3] + "," + data[at + 4],
              expected[k][2])
        << k;
  }
  EXPECT_EQ(english[blocks + 5 * 15], "15: Error Information Log Entries");  // the sixteenth block
}

TEST(NvmeHistory, AFailingNvmeBootDriveIsAlertedAndLogged) {
  DiskPc pc;
  pc.system.computerName = "SOUMU-PC07";
  const NvmeLogFields stages[] = {healthyNvme(), wornNvme(), criticalNvme(), spareLowNvme()};
  std::vector<std::vector<std::string>> shown;
  for (int i = 0; i < 4; ++i) {
    pc.system.now = {2026, 12, 1 + i, 8, 30, 0};
    pc.setDrives({nvmeDump(stages[i]), driveWith(0, 0)});
    pc.dialogs.shown.clear();
    ASSERT_TRUE(pc.save().rowWritten) << i;
    shown.push_back(pc.dialogs.shown);
  }
  const std::vector<std::string> lines = ansiLines(pc.historyPath());
  ASSERT_EQ(lines.size(), 6u);
  // stage 3: reliability degraded, and 17 media errors where there were none
  const std::pair<int, int> counts[] = {{0, 0}, {0, 1}, {1, 1}, {2, 0}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(HistoryCount(lines[2 + static_cast<std::size_t>(i)], kHistSmartFailTot), counts[i].first) << i;
    EXPECT_EQ(HistoryCount(lines[2 + static_cast<std::size_t>(i)], kHistSmartWarnTot), counts[i].second) << i;
  }
  EXPECT_EQ(HistoryCell(lines[4], kHistReallocSector), "17");  // media errors
  EXPECT_TRUE(shown[0].empty());
  EXPECT_TRUE(shown[1].empty());  // a first warning is only logged
  EXPECT_EQ(shown[2], std::vector<std::string>{"警告|" + std::string(kDiskFailedAlert)});
  EXPECT_EQ(shown[3], std::vector<std::string>{"警告|" + std::string(kDiskFailedAlert)});
  EXPECT_EQ(ansiLines(pc.log(kHddFailLog)),
            (std::vector<std::string>{"SOUMU-PC07         2026/12/03 08:30:00  故障 1/0  警告 1/0",
                                      "SOUMU-PC07         2026/12/04 08:30:00  故障 2/1  警告 0/1"}));
  EXPECT_EQ(ansiLines(pc.log(kFailedLog)).size(), 2u);
  EXPECT_EQ(ansiLines(pc.log(kFailPlusWarningLog)),
            (std::vector<std::string>{"SOUMU-PC07         2026/12/02 08:30:00  故障 0/0  警告 1/0",
                                      "SOUMU-PC07         2026/12/03 08:30:00  故障 1/0  警告 1/0",
                                      "SOUMU-PC07         2026/12/04 08:30:00  故障 2/1  警告 0/1"}));
}

TEST(NvmeHistory, RowsFiftySixToSixtyOneAndTheirFallback) {
  std::string errorText;
  const DriveHealth worn = replayed(nvmeDump(wornNvme()), errorText);
  ASSERT_EQ(errorText, "");
  // by number: 1 critical warning, 5 percentage used (with media errors), 7 data units written,
  // 10 controller busy time, no 194 (with the composite temperature)
  EXPECT_EQ(DiskHealthValues(worn),
            (std::vector<std::string>{"0/1", "OK/0/0/0", "警戒/95/95/0/0", "-/0/0/0", "-/0/0/0", "/35/"}));
  // rows 59 and 60: data units written and controller busy time as counts
  NvmeLogFields used = healthyNvme();
  used.counters[kDataUnitsWrittenCounter] = 19455112;
  used.counters[kBusyTimeCounter] = 1203;
  used.sensorKelvin[0] = 312;
  const std::vector<std::string> counted = DiskHealthValues(replayed(nvmeDump(used), errorText));
  EXPECT_EQ(counted[3], "-/19455112/19455112/0");
  EXPECT_EQ(counted[4], "-/1203/1203/0");
  EXPECT_EQ(counted[5], "/35/39");  // the hottest sensor
  const DriveHealth spare = replayed(nvmeDump(spareLowNvme()), errorText);
  EXPECT_EQ(DiskHealthValues(spare)[0], "2/0");
  EXPECT_EQ(DiskHealthValues(spare)[1], "故障/1/1/0");

  // a later run that cannot read the drive takes the saved row
  DiskPc pc;
  pc.system.now = {2026, 12, 1, 8, 30, 0};
  pc.setDrives({nvmeDump(wornNvme())});
  ASSERT_TRUE(pc.save().rowWritten);
  EXPECT_EQ(DiskHealthItemsFromHistory(pc.historyPath().string()),
            (std::vector<std::string>{"0/1 (2026/12/01 08:30:00)", "OK/0/0/0", "警戒/95/95/0/0", "-/0/0/0", "-/0/0/0",
                                      "////35/"}));
}

// The PC of tests/data/drives/pc-nvme (an NVMe boot drive and an ATA data disk) through three
// saves: the history file and the logs the administrator finds.
TEST(NvmeHistory, ReplayedPcWithAnAtaAndAnNvmeDrive) {
  const fs::path data = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data" / "drives" / "pc-nvme";
  DiskPc pc;
  pc.system.computerName = "SOUMU-PC07";
  const LocalTime when[] = {{2026, 11, 16, 8, 41, 5}, {2026, 11, 24, 8, 38, 51}, {2026, 12, 1, 8, 44, 19}};
  const char* stages[] = {"1-healthy", "2-worn", "3-failing"};
  for (int i = 0; i < 3; ++i) {
    pc.system.now = when[i];
    pc.setDrivesFrom(data / stages[i]);
    ASSERT_TRUE(pc.save().rowWritten) << stages[i];
  }
  EXPECT_EQ(testsupport::slurpFile(pc.historyPath()), testsupport::slurpFile(data / "expected-history.csv"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kHddFailLog)), testsupport::slurpFile(data / "expected_hddfail.txt"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kFailedLog)), testsupport::slurpFile(data / "expected_failed.txt"));
  EXPECT_EQ(testsupport::slurpFile(pc.log(kFailPlusWarningLog)), testsupport::slurpFile(data / "expected_fail_plus_warning.txt"));
  if (HasFailure() && std::getenv("MERVANA_KEEP_REPLAY")) {
    for (const auto& e : fs::directory_iterator(pc.historyPath().parent_path()))
      fs::copy_file(e.path(), fs::path(std::getenv("MERVANA_KEEP_REPLAY")) / e.path().filename(),
                    fs::copy_options::overwrite_existing);
  }
}
