#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "SmartBlocks.h"
#include "disk/DriveDumpCommand.h"
#include "disk/DriveHealth.h"
#include "platform/Sources.h"
#include "platform/replay/DriveDump.h"
#include "platform/PlatformServices.h"
#include "support/TempFolder.h"

using namespace mrv;
using namespace mrv::test;
namespace fs = std::filesystem;

namespace {

using mrv::test::TempFolder;

DriveDump sampleDump() {
  DriveDump d;
  d.identify = identifyBlock("S2R5NX0H", "Samsung SSD 850 EVO 250GB", 488397168u);
  const Tables t = tables({{5, 0x33, 100, 100, 3, 10},
                           {9, 0x32, 95, 95, 600, 0},
                           {12, 0x32, 99, 99, 1234, 0},
                           {177, 0x13, 60, 60, 58, 36},
                           {194, 0x22, 38, 45, temperatureRaw(38, 15, 52), 0}});
  d.smartData = t.data;
  d.smartThresholds = t.thresholds;
  return d;
}

std::string record(std::string_view tag, std::uint32_t length, std::size_t actual) {
  std::string r(tag);
  for (int s = 24; s >= 0; s -= 8) r.push_back(static_cast<char>((length >> s) & 0xFF));
  r.append(actual, 'x');
  return r;
}

DriveHealth readFolder(const fs::path& folder, int index, std::string& errorText) {
  std::string message;
  Sources sources;
  sources.drives = folder.string();
  const auto device = openAtaDevice(sources, message);
  EXPECT_TRUE(device) << message;
  DriveHealth h;
  if (device) ReadDriveHealth(*device, index, h, errorText);
  return h;
}

bool sameHealth(const DriveHealth& a, const DriveHealth& b) {
  if (a.driveNumber != b.driveNumber || a.capacity != b.capacity || a.serialNumber != b.serialNumber ||
      a.model != b.model || a.temperature != b.temperature || a.highestTemperature != b.highestTemperature ||
      a.lowestTemperature != b.lowestTemperature || a.hoursRunning != b.hoursRunning ||
      a.reallocatedSectors != b.reallocatedSectors || a.powerCycles != b.powerCycles || a.failCount != b.failCount ||
      a.warningCount != b.warningCount || a.attributeCount != b.attributeCount)
    return false;
  for (std::size_t i = 0; i < a.attributes.size(); ++i) {
    const SmartAttribute &x = a.attributes[i], &y = b.attributes[i];
    if (x.id != y.id || x.name != y.name || x.preFailure != y.preFailure || x.eventCount != y.eventCount ||
        x.errorRate != y.errorRate || x.current != y.current || x.worst != y.worst || x.threshold != y.threshold ||
        x.raw != y.raw || x.statusWord != y.statusWord)
      return false;
  }
  return true;
}

}  // namespace

TEST(DriveDump, SerializeParseRoundTrip) {
  DriveDump d = sampleDump();
  d.hasStatus = true;
  d.deviceMap = 0x13;
  d.enableFailed = true;
  d.enableDriverError = 1;
  d.enableIdeError = 4;
  const std::string bytes = serializeDriveDump(d);
  EXPECT_EQ(bytes.size(), 3 * (8 + 512) + 8 + 4u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("IDFY\0\0\x02\0", 8));
  DriveDump back;
  std::string message;
  ASSERT_TRUE(parseDriveDump(bytes, back, message)) << message;
  EXPECT_EQ(back.identify, d.identify);
  EXPECT_EQ(back.smartData, d.smartData);
  EXPECT_EQ(back.smartThresholds, d.smartThresholds);
  EXPECT_TRUE(back.hasStatus);
  EXPECT_EQ(back.deviceMap, 0x13);
  EXPECT_TRUE(back.enableFailed);
  EXPECT_EQ(back.enableDriverError, 1);
  EXPECT_EQ(back.enableIdeError, 4);
  // Unknown records are skipped.
  ASSERT_TRUE(parseDriveDump(record("NOTE", 3, 3) + bytes, back, message)) << message;
  EXPECT_EQ(back.smartData, d.smartData);
}

TEST(DriveDump, DamagedFilesAreRefusedWithAReason) {
  const std::string good = serializeDriveDump(sampleDump());
  struct Case {
    std::string bytes;
    std::string_view reason;
  } cases[] = {
      {"", "empty"},
      {good.substr(0, 5), "truncated record header at byte 0"},
      {good.substr(0, 300), "record IDFY at byte 0 is truncated: 292 of 512 bytes"},
      {good.substr(0, good.size() - 1), "record SMTH at byte 1040 is truncated"},
      {record("IDFY", 511, 511), "IDFY has 511 bytes instead of 512"},
      {record("SMST", 5, 5), "SMST has 5 bytes"},
      {record("MRVS", 3, 3), "MRVS has 3 bytes"},
      {good + good.substr(0, 520), "IDFY appears twice"},
      {std::string("\x01\x02\x03\x04\0\0\0\0", 8), "no record tag at byte 0"},
      {record("NOTE", 2, 2), "holds no drive records"},
      {record("IDFY", 0xFFFFFFFFu, 10), "truncated"},
      {std::string(kMaxDriveDumpSize + 1, 'A'), "larger"},
  };
  for (const Case& c : cases) {
    DriveDump d = sampleDump();
    std::string message;
    EXPECT_FALSE(parseDriveDump(c.bytes, d, message)) << c.reason;
    EXPECT_NE(message.find(c.reason), std::string::npos) << message;
    EXPECT_FALSE(d.identify.has_value());
  }
}

TEST(DriveDump, FolderReplaysDrivesInNameOrder) {
  TempFolder folder;
  DriveDump first = sampleDump();
  DriveDump second = sampleDump();
  second.identify = identifyBlock("B", "SECOND", 10);
  second.smartThresholds.reset();
  folder.write("b.dump", serializeDriveDump(second));
  folder.write("a.dump", serializeDriveDump(first));
  folder.write("c.txt", "this is not a dump");
  folder.write(".hidden", "ignored");
  fs::create_directories(folder.path / "sub");

  std::string errorText;
  DriveHealth h = readFolder(folder.path, 0, errorText);
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(h.model, "Samsung SSD 850 EVO 250GB");
  EXPECT_EQ(h.temperature, 38);
  EXPECT_EQ(h.highestTemperature, 45);
  EXPECT_EQ(h.hoursRunning, 11);
  EXPECT_EQ(h.reallocatedSectors, 3);
  EXPECT_EQ(h.warningCount, 1);  // 177: threshold 36, current 60 < 61

  h = readFolder(folder.path, 1, errorText);
  EXPECT_EQ(h.model, "SECOND");
  EXPECT_EQ(errorText,
            "SMART Read Threshold Command Failed, Drive: 1 : b.dump: the dump holds no SMTH record; DriverStatus: No "
            "error; bIDEStatus=0000");
  EXPECT_EQ(h.driveNumber, 1);  // no MRVS record: the position the file's order gives

  h = readFolder(folder.path, 2, errorText);
  EXPECT_TRUE(errorText.starts_with("Unable to open physical drive: c.txt is not a usable drive dump: ")) << errorText;
  h = readFolder(folder.path, 3, errorText);
  EXPECT_TRUE(errorText.starts_with("Unable to open physical drive: no drive dump for drive 3 in ")) << errorText;
  EXPECT_EQ(h.driveNumber, -1);
  h = readFolder(folder.path, -1, errorText);
  EXPECT_FALSE(errorText.empty());

  std::string message;
  Sources missing;
  missing.drives = (folder.path / "nope").string();
  EXPECT_FALSE(openAtaDevice(missing, message));
  EXPECT_NE(message.find("does not exist"), std::string::npos);
}

TEST(DriveDump, RecordedStatusReplaysMapAndEnableFailure) {
  TempFolder folder;
  DriveDump d = sampleDump();
  d.hasStatus = true;
  d.enableFailed = true;
  d.enableDriverError = 1;
  d.enableIdeError = 0x04;
  folder.write("d0", serializeDriveDump(d));
  d.enableFailed = false;
  d.deviceMap = 0x40;
  folder.write("d1", serializeDriveDump(d));
  std::string errorText;
  DriveHealth h = readFolder(folder.path, 0, errorText);
  EXPECT_EQ(h.attributeCount, 5);
  EXPECT_EQ(errorText, "SMART Enable Command Failed, Drive: 0 : d0: the drive refused SMART ENABLE OPERATIONS when it was recorded");
  h = readFolder(folder.path, 1, errorText);
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(h.driveNumber, -1);
}

TEST(DriveDump, WrittenFromADeviceAndReadBackGivesTheSameHealth) {
  TempFolder source, copy;
  source.write("x1.dump", serializeDriveDump(sampleDump()));
  DriveDump noSmart;
  noSmart.identify = identifyBlock("N", "NO SMART", 5);
  source.write("x2.dump", serializeDriveDump(noSmart));
  source.write("x3.dump", "garbage");

  std::string message;
  const auto device = openDriveDumps(source.path.string(), message);
  ASSERT_TRUE(device);
  std::ostringstream out;
  EXPECT_EQ(runDriveDumpCommand(*device, "dump", (copy.path / "new").string(), RecordDriveDumps, out), 0);
  const std::string report = out.str();
  EXPECT_NE(report.find("drive 0 (x1.dump): written to "), std::string::npos) << report;
  EXPECT_NE(report.find("drive01.dump (IDFY MRVS); "), std::string::npos) << report;
  EXPECT_NE(report.find("drive 2 (x3.dump): not recorded: cannot open it: x3.dump is not a usable drive dump"),
            std::string::npos)
      << report;

  for (int i = 0; i < 2; ++i) {
    std::string e1, e2;
    const DriveHealth original = readFolder(source.path, i, e1);
    const DriveHealth replayed = readFolder(copy.path / "new", i, e2);
    EXPECT_TRUE(sameHealth(original, replayed)) << i;
    EXPECT_EQ(e1.empty(), e2.empty()) << e1 << " / " << e2;
  }

  // Nothing answers: nothing written, exit code 1.
  TempFolder empty;
  const auto none = openDriveDumps(empty.path.string(), message);
  std::ostringstream out2;
  EXPECT_EQ(runDriveDumpCommand(*none, "dump", (copy.path / "other").string(), RecordDriveDumps, out2), 1);
  EXPECT_EQ(out2.str(), "no drives found\n");
}

// SMST is libatasmart's overall status (1 good, 0 bad), not ours: a blob saved by skdump from a
// failing drive replays like any other, and its status survives a rewrite.
TEST(DriveDump, SmstIsTheOverallStatusAndNeverAnEnableFailure) {
  DriveDump d = sampleDump();
  d.smartStatusGood = false;
  const std::string blob = serializeDriveDump(d);
  EXPECT_NE(blob.find(std::string("SMST\0\0\0\x04\0\0\0\0", 12)), std::string::npos);
  DriveDump back;
  std::string message;
  ASSERT_TRUE(parseDriveDump(blob, back, message)) << message;
  ASSERT_TRUE(back.smartStatusGood.has_value());
  EXPECT_FALSE(*back.smartStatusGood);
  EXPECT_FALSE(back.hasStatus);
  ASSERT_TRUE(parseDriveDump(serializeDriveDump(sampleDump()) + record("SMST", 4, 0) + std::string("\0\0\0\x01", 4), back,
                             message))
      << message;
  EXPECT_TRUE(*back.smartStatusGood);

  TempFolder folder;
  folder.write("a.blob", serializeDriveDump(sampleDump()));
  folder.write("b.blob", blob);
  std::string errorText;
  const DriveHealth h = readFolder(folder.path, 1, errorText);
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(h.driveNumber, 1);
  EXPECT_EQ(h.attributeCount, 5);
}

namespace {
// One row of skdump's attribute table: id, current, worst, threshold, raw bytes in order.
struct SkRow {
  int id, current, worst, threshold;
  std::uint64_t raw;
};

std::vector<SkRow> skdumpAttributes(const std::string& file, std::string& output) {
  const std::string outFile = file + ".out";
  const int rc = std::system(("skdump --load=" + file + " >" + outFile + " 2>&1").c_str());
  std::ifstream in(outFile);
  std::ostringstream ss;
  ss << in.rdbuf();
  output = ss.str();
  std::vector<SkRow> rows;
  if (rc != 0) return rows;
  std::istringstream lines(output);
  bool table = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("ID#", 0) == 0) {
      table = true;
      continue;
    }
    if (!table) continue;
    std::istringstream f(line);
    SkRow r{};
    std::string name, word, rawText;
    if (!(f >> r.id >> name >> r.current >> r.worst >> r.threshold)) continue;
    while (f >> word)
      if (word.rfind("0x", 0) == 0 && word.size() == 14) rawText = word;
    r.raw = 0;
    for (int k = 5; k >= 0; --k) r.raw = (r.raw << 8) | std::stoul(rawText.substr(2 + 2 * static_cast<std::size_t>(k), 2), nullptr, 16);
    rows.push_back(r);
  }
  return rows;
}
}  // namespace

// The dump we write is a libatasmart blob: skdump loads it and reads the attributes we read
// (libatasmart-bin is installed by scripts/setup.sh; without skdump this test fails).
TEST(DriveDump, OurDumpLoadsInSkdumpWithTheSameAttributes) {
  ASSERT_EQ(std::system("command -v skdump >/dev/null 2>&1"), 0) << "skdump is missing: bash scripts/setup.sh";
  TempFolder folder;
  DriveDump d = sampleDump();
  // a table with empty slots between the attributes, as real drives keep them
  Tables t = tables({});
  putAttribute(t.data, t.thresholds, 0, {5, 0x33, 100, 100, 3, 10});
  putAttribute(t.data, t.thresholds, 3, {194, 0x22, 38, 45, temperatureRaw(38, 15, 52), 0});
  putAttribute(t.data, t.thresholds, 22, {9, 0x32, 95, 95, 600, 0});
  putAttribute(t.data, t.thresholds, 26, {177, 0x13, 60, 60, 58, 36});
  d.smartData = t.data;
  d.smartThresholds = t.thresholds;
  d.hasStatus = true;  // our own record rides along; libatasmart skips it
  d.deviceMap = 0x01;
  // IDENTIFY words 82, 84, 85, 87: S.M.A.R.T. supported and enabled, the words valid
  for (std::size_t w : {82u, 84u, 85u, 87u}) {
    (*d.identify)[2 * w] = 0x01;
    (*d.identify)[2 * w + 1] = 0x40;
  }
  const std::string file = (folder.path / "drive00.dump").string();
  folder.write("drive00.dump", serializeDriveDump(d));

  std::string output;
  const std::vector<SkRow> rows = skdumpAttributes(file, output);
  std::string errorText;
  const DriveHealth h = readFolder(folder.path, 0, errorText);
  EXPECT_EQ(errorText, "");
  ASSERT_EQ(static_cast<int>(rows.size()), h.attributeCount) << output;
  ASSERT_EQ(h.attributeCount, 4);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const SmartAttribute& a = h.attributes[i];
    EXPECT_EQ(rows[i].id, a.id) << i;
    EXPECT_EQ(rows[i].current, a.current) << i;
    EXPECT_EQ(rows[i].worst, a.worst) << i;
    EXPECT_EQ(rows[i].threshold, a.threshold) << i;
    EXPECT_EQ(rows[i].raw, a.raw) << i;
  }
  EXPECT_NE(output.find("Model: [Samsung SSD 850 EVO 250GB]"), std::string::npos) << output;
}

TEST(DriveDump, ShowModePrintsHealthAttributesAndErrors) {
  TempFolder folder;
  folder.write("a.dump", serializeDriveDump(sampleDump()));
  folder.write("b.dump", "junk");
  std::string message;
  const auto device = openDriveDumps(folder.path.string(), message);
  std::ostringstream out;
  EXPECT_EQ(runDriveDumpCommand(*device, "show", folder.path.string(), RecordDriveDumps, out), 1);
  const std::string text = out.str();
  for (const char* part : {"Drive 0 (a.dump):", "Model \"Samsung SSD 850 EVO 250GB\", serial \"S2R5NX0H\"",
                           "Temperature 38, highest 45, lowest 15", "HoursRunning 11", "Fail 0, warning 1, attributes 5",
                           "Temperature Celcius / 温度（℃）", "警戒", "Drive 1 (b.dump):\n  errorText: Unable to open physical drive: "}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
  std::ostringstream bad;
  EXPECT_EQ(runDriveDumpCommand(*device, "list", "", RecordDriveDumps, bad), 2);
}

// Random and mutated inputs through the dump parser, the replay device and the decoder: every
// input gives a result or a text, never a crash or an out-of-range access (run under the
// sanitizers). Bounded by time; the figures are printed.
TEST(DriveDump, FuzzParserAndDecoder) {
  std::mt19937_64 rng(20261207);
  const std::string good = serializeDriveDump(sampleDump());
  const auto start = std::chrono::steady_clock::now();
  const auto budget = std::chrono::milliseconds(1500);
  long inputs = 0, parsed = 0;
  TempFolder folder;
  while (std::chrono::steady_clock::now() - start < budget) {
    std::string bytes;
    switch (rng() % 4) {
      case 0: {  // pure noise
        bytes.resize(rng() % 2000);
        for (char& c : bytes) c = static_cast<char>(rng());
        break;
      }
      case 1: {  // a good dump with some bytes changed
        bytes = good;
        for (int k = static_cast<int>(rng() % 8); k >= 0; --k) bytes[rng() % bytes.size()] = static_cast<char>(rng());
        break;
      }
      case 2:  // a good dump cut anywhere
        bytes = good.substr(0, rng() % good.size());
        break;
      default: {  // plausible records with random tags and lengths
        const char* tags[] = {"IDFY", "SMDT", "SMTH", "SMST", "ABCD"};
        for (int k = static_cast<int>(rng() % 5); k >= 0; --k) {
          const std::uint32_t len = (rng() % 3 == 0) ? static_cast<std::uint32_t>(rng()) : static_cast<std::uint32_t>(rng() % 600);
          bytes += record(tags[rng() % 5], len, std::min<std::size_t>(len, rng() % 600));
        }
      }
    }
    ++inputs;
    DriveDump dump;
    std::string message;
    if (parseDriveDump(bytes, dump, message)) {
      ++parsed;
      EXPECT_TRUE(dump.identify || dump.smartData || dump.smartThresholds || dump.hasStatus);
    } else {
      EXPECT_FALSE(message.empty());
    }
    // Random blocks straight into the decoder.
    AtaBlock a, b, c;
    for (auto* blk : {&a, &b, &c})
      for (auto& x : *blk) x = static_cast<std::uint8_t>(rng());
    DriveHealth h;
    decodeIdentity(a, h);
    decodeSmartTables(b, c, h);
    EXPECT_LE(h.attributeCount, 30);
    EXPECT_GE(h.failCount + h.warningCount, 0);
    EXPECT_LE(h.failCount + h.warningCount, h.attributeCount);
    // Now and then the whole road: file, replay device, ReadDriveHealth.
    if (inputs % 50 == 0) {
      folder.write("d", bytes);
      std::string errorText;
      readFolder(folder.path, 0, errorText);
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::cout << "fuzz: " << inputs << " inputs (" << parsed << " parsed as dumps) in " << seconds << " s\n";
  EXPECT_GT(inputs, 1000);
}
