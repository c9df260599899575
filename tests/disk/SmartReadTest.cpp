#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <new>
#include <stdexcept>
#include <vector>

#include "SmartBlocks.h"
#include "disk/DriveHealth.h"
#include "platform/PlatformServices.h"
#include "platform/Sources.h"
#include "platform/replay/DriveDump.h"

using namespace mrv;
using namespace mrv::test;

namespace {

// A scripted device: one drive whose answers and failures are set per step and position, and a log
// of every command sent.
struct ScriptedDevice : AtaDevice {
  struct Failure {
    std::uint8_t driverError = 0;
    std::uint8_t ideError = 0;
    std::string message;
  };
  bool openFails = false;
  bool versionFails = false;
  bool shared = false;
  std::uint8_t map = 0x01;
  AtaBlock identify = identifyBlock("SER1", "MODEL ONE", 1000);
  Tables smart = tables({{9, 0, 100, 100, 600, 0}});
  std::map<std::pair<std::uint8_t, int>, Failure> failures;  // (feature or command, position)
  bool throwOnRead = false;
  std::vector<AtaCommand> sent;

  struct Drive : AtaDrive {
    ScriptedDevice& d;
    explicit Drive(ScriptedDevice& device) : d(device) {}
    bool deviceMap(std::uint8_t& m, std::string& msg) override {
      if (d.versionFails) {
        msg = "Incorrect function.";
        return false;
      }
      m = d.map;
      return true;
    }
    bool send(const AtaCommand& c, AtaReply& r) override {
      r = AtaReply{};
      d.sent.push_back(c);
      const std::uint8_t key = c.registers.command == 0xB0 ? c.registers.features : c.registers.command;
      const auto it = d.failures.find({key, c.position});
      if (it != d.failures.end()) {
        r.driverError = it->second.driverError;
        r.ideError = it->second.ideError;
        r.systemMessage = it->second.message;
        return false;
      }
      if (key == 0xD0 && d.throwOnRead) throw std::bad_alloc();
      if (key == 0xEC || key == 0xA1) r.block = d.identify;
      if (key == 0xD0) r.block = d.smart.data;
      if (key == 0xD1) r.block = d.smart.thresholds;
      return true;
    }
  };

  int driveCount() override { return 1; }
  std::string driveName(int i) override { return i == 0 ? "scripted" : ""; }
  bool sharedController() const override { return shared; }
  std::unique_ptr<AtaDrive> openDrive(int index, std::string& msg) override {
    if (openFails || index != 0) {
      msg = "The system cannot find the file specified.";
      return nullptr;
    }
    return std::make_unique<Drive>(*this);
  }
};

struct Result {
  bool ok;
  DriveHealth health;
  std::string errorText;
};

Result read(ScriptedDevice& d, int index = 0) {
  Result r;
  r.health.driveNumber = 99;  // proves the reset
  r.health.failCount = 5;
  r.errorText = "stale";
  r.ok = ReadDriveHealth(d, index, r.health, r.errorText);
  return r;
}

}  // namespace

TEST(ReadDriveHealth, ReadsThePositionAndSendsTheCommandTable) {
  ScriptedDevice d;
  const Result r = read(d);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(r.health.driveNumber, 0);
  EXPECT_EQ(r.health.model, "MODEL ONE");
  EXPECT_EQ(r.health.capacity, 512000u);
  EXPECT_EQ(r.health.hoursRunning, 11);
  EXPECT_EQ(r.health.failCount, 0);
  ASSERT_EQ(d.sent.size(), 4u);
  const std::uint8_t features[] = {0xD8, 0x00, 0xD0, 0xD1};
  const std::uint8_t commands[] = {0xB0, 0xEC, 0xB0, 0xB0};
  for (std::size_t i = 0; i < 4; ++i) {
    const AtaRegisters& g = d.sent[i].registers;
    EXPECT_EQ(g.features, features[i]);
    EXPECT_EQ(g.command, commands[i]);
    EXPECT_EQ(g.sectorCount, 1);
    EXPECT_EQ(g.sectorNumber, 1);
    EXPECT_EQ(g.driveHead, 0xA0);
    EXPECT_EQ(g.cylLow, g.command == 0xB0 ? 0x4F : 0);
    EXPECT_EQ(g.cylHigh, g.command == 0xB0 ? 0xC2 : 0);
    EXPECT_EQ(d.sent[i].readsBlock, i != 0);
  }
}

TEST(ReadDriveHealth, DeviceMapChoosesPositions) {
  ScriptedDevice d;
  d.map = 0x20;  // bits only above 3: no position
  Result r = read(d);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.errorText, "");
  EXPECT_EQ(r.health.driveNumber, -1);
  EXPECT_EQ(r.health.failCount, 0);
  EXPECT_TRUE(d.sent.empty());

  // Position 1 only; the drive-head register selects the second device.
  d = ScriptedDevice{};
  d.map = 0x02;
  r = read(d);
  EXPECT_EQ(r.health.driveNumber, 1);
  ASSERT_FALSE(d.sent.empty());
  EXPECT_EQ(d.sent[0].position, 1);
  EXPECT_EQ(d.sent[0].registers.driveHead, 0xB0);

  // ATAPI at 0 (bits 0 and 4): no enable, IDENTIFY PACKET DEVICE.
  d = ScriptedDevice{};
  d.map = 0x11;
  r = read(d);
  ASSERT_EQ(d.sent.size(), 3u);
  EXPECT_EQ(d.sent[0].registers.command, 0xA1);
}

TEST(ReadDriveHealth, FailedPositionGoesOnAndTheTextStays) {
  ScriptedDevice d;
  d.map = 0x03;
  d.failures[{0xEC, 0}] = {1, 0x04, "The request could not be performed because of an I/O device error."};
  Result r = read(d);
  EXPECT_TRUE(r.ok);  // position 1 decoded
  EXPECT_EQ(r.health.driveNumber, 1);
  EXPECT_EQ(r.errorText,
            "Identify Command Failed on Drive: Error from IDE controller bIDEStatus=0004 : The request could not be "
            "performed because of an I/O device error.");

  // A failed enable is recorded, the position is still read.
  d = ScriptedDevice{};
  d.failures[{0xD8, 0}] = {0, 0, "Access is denied."};
  r = read(d);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.health.hoursRunning, 11);
  EXPECT_EQ(r.errorText, "SMART Enable Command Failed, Drive: 0 : Access is denied.");
}

TEST(ReadDriveHealth, LastStepFailureGivesFalse) {
  ScriptedDevice d;
  d.failures[{0xD1, 0}] = {2, 0x51, "The parameter is incorrect."};
  Result r = read(d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.health.driveNumber, 0);  // identity was read before the tables failed
  EXPECT_EQ(r.health.attributeCount, 0);
  EXPECT_EQ(r.errorText,
            "SMART Read Threshold Command Failed, Drive: 0 : The parameter is incorrect.; DriverStatus: Invalid "
            "command flag; bIDEStatus=0051");

  d = ScriptedDevice{};
  d.failures[{0xD0, 0}] = {0, 0, "x"};
  r = read(d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "SMART Read Attr Command Failed, Drive: 0 : x; DriverStatus: No error; bIDEStatus=0000");
}

TEST(ReadDriveHealth, OpenVersionAndExceptionTexts) {
  ScriptedDevice d;
  Result r = read(d, 3);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "Unable to open physical drive: The system cannot find the file specified.");
  EXPECT_EQ(r.health.driveNumber, -1);
  EXPECT_EQ(r.health.failCount, 0);
  d.shared = true;
  d.openFails = true;
  EXPECT_EQ(read(d).errorText, "Unable to open SMARTVSD: The system cannot find the file specified.");
  d = ScriptedDevice{};
  d.versionFails = true;
  EXPECT_EQ(read(d).errorText, "DFP_GET_VERSION failed: Incorrect function.");
  d = ScriptedDevice{};
  d.throwOnRead = true;
  r = read(d);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorText, "SMART Failed - std::bad_alloc");
}

TEST(ReadDriveHealth, DumpOfASecondPositionReplaysThatPosition) {
  ScriptedDevice d;
  d.map = 0x03;
  d.failures[{0xEC, 0}] = {1, 0x04, "I/O error"};
  const std::string folder = ::testing::TempDir() + "/mrv-smart-positions";
  std::string report;
  ASSERT_TRUE(writeDriveDumps(d, folder, report)) << report;
  std::string message;
  const auto replay = openDriveDumps(folder, message);
  ASSERT_TRUE(replay) << message;
  DriveHealth h;
  std::string errorText;
  EXPECT_TRUE(ReadDriveHealth(*replay, 0, h, errorText));
  EXPECT_EQ(errorText, "");
  EXPECT_EQ(h.driveNumber, 1);
  EXPECT_EQ(h.model, "MODEL ONE");
  EXPECT_EQ(h.hoursRunning, 11);
  std::filesystem::remove_all(folder);
}

// This machine's own disks: whatever they are, a missing index and an unreadable disk give a text,
// and nothing waits.
TEST(ReadDriveHealth, MachineDrivesAnswerWithoutHanging) {
  std::string message;
  const auto device = openAtaDevice(Sources{}, message);
  ASSERT_TRUE(device) << message;
  DriveHealth h;
  std::string errorText;
  const auto start = std::chrono::steady_clock::now();
  ReadDriveHealth(*device, 1000, h, errorText);
  EXPECT_TRUE(errorText.starts_with("Unable to open physical drive: ")) << errorText;
  EXPECT_EQ(h.driveNumber, -1);
  ReadDriveHealth(*device, 0, h, errorText);
  if (!errorText.empty()) {
    // one of the step texts, with the system's own words after it
    static const char* const kSteps[] = {"Unable to open physical drive: ", "DFP_GET_VERSION failed: ",
                                         "SMART Enable Command Failed, Drive: ", "Identify Command Failed on Drive: ",
                                         "SMART Read Attr Command Failed, Drive: ",
                                         "SMART Read Threshold Command Failed, Drive: ", "SMART Failed - "};
    bool known = false;
    for (const char* step : kSteps)
      if (errorText.starts_with(step) && errorText.size() > std::string_view(step).size()) known = true;
    EXPECT_TRUE(known) << errorText;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(70));
  std::cout << "drive 0 on this machine: " << (errorText.empty() ? "read, model " + h.model : errorText) << "\n";
}

#ifdef __linux__
#include "platform/linux/AtaDeviceLinux.h"

// A block device that is not a disk with ATA behind it (zram, loop) and a plain file: the driver
// refuses the requests and says so, naming the device.
TEST(LinuxAtaDrive, NonAtaDevicesAreRefusedWithTheSystemText) {
  const std::string file = ::testing::TempDir() + "/mrv-not-a-disk";
  { std::ofstream(file) << "x"; }
  for (const std::string& path : {std::string("/dev/zram0"), std::string("/dev/loop0"), file}) {
    std::string message;
    const auto drive = openLinuxAtaDrive(path, message);
    if (!drive) {
      EXPECT_NE(message.find(path), std::string::npos) << message;
      continue;
    }
    std::uint8_t map = 0xFF;
    EXPECT_FALSE(drive->deviceMap(map, message)) << path;
    EXPECT_NE(message.find("is not an ATA disk"), std::string::npos) << message;
    std::cout << path << ": " << smartVersionErrorText(message) << "\n";
    AtaReply reply;
    EXPECT_FALSE(drive->send(smartCommand(SmartStep::Identify, 0), reply));
    EXPECT_FALSE(reply.systemMessage.empty());
    std::cout << path << ": " << smartStepErrorText(SmartStep::Identify, 0, reply) << "\n";
  }
  std::string message;
  EXPECT_FALSE(openLinuxAtaDrive("/dev/mrv-no-such-disk", message));
  EXPECT_EQ(message, "No such file or directory (/dev/mrv-no-such-disk)");
}
#endif
