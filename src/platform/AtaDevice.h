#pragma once
// The disks as the S.M.A.R.T. reader sees them. A device hands out drive indexes; an opened drive
// answers which IDE positions it serves and takes one ATA command at a time, given as the task-file
// registers, returning the 512-byte block, the driver status code and the drive's error byte.
// Which commands are sent, and what their answers mean, is decided by the core (disk/). An NVMe
// drive index answers through `nvme()` instead (platform/NvmeDrive.h).
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/NvmeDrive.h"

namespace mrv {

struct Sources;

class AtaDevice;

// Records every drive of `real` into a folder of drive dumps, the format the recorded sources read;
// `report` says what was written. The platform layer gives it (PlatformServices.h RecordDriveDumps).
using DriveDumpRecorder = bool (*)(AtaDevice& real, const std::string& folder, std::string& report);

constexpr std::size_t kAtaBlockSize = 512;
using AtaBlock = std::array<std::uint8_t, kAtaBlockSize>;

// Task-file registers of one command, in the order the Windows IDEREGS structure holds them.
struct AtaRegisters {
  std::uint8_t features = 0;
  std::uint8_t sectorCount = 0;
  std::uint8_t sectorNumber = 0;
  std::uint8_t cylLow = 0;
  std::uint8_t cylHigh = 0;
  std::uint8_t driveHead = 0;
  std::uint8_t command = 0;
};

struct AtaCommand {
  AtaRegisters registers;
  int position = 0;          // IDE position 0..3 behind the opened drive
  bool readsBlock = false;   // the command returns one 512-byte block
};

struct AtaReply {
  AtaBlock block{};               // the returned block; zeros when the command returns none
  std::uint8_t driverError = 0;   // driver status, numbered as the Windows DRIVERSTATUS.bDriverError
  std::uint8_t ideError = 0;      // the drive's error register
  std::string systemMessage;      // the system's text for a failed request; empty on success
};

// One opened drive index; closed when destroyed.
class AtaDrive {
 public:
  virtual ~AtaDrive() = default;
  // The IDE positions behind this drive (the Windows bIDEDeviceMap): bit n (n = 0..3) set when an
  // ATA device answers at position n, bit n+4 when the device there is ATAPI. False, with the
  // system's text, when the driver takes no S.M.A.R.T. requests at all.
  virtual bool deviceMap(std::uint8_t& map, std::string& systemMessage) = 0;
  // Sends one command. `reply` is reset first. False when the request or the command failed;
  // the reply then holds the driver status, the error byte and the system's text.
  virtual bool send(const AtaCommand& command, AtaReply& reply) = 0;
  // Non-null when this drive index is an NVMe drive: it is then read through NVMe admin reads
  // instead, and `deviceMap` and `send` are not used.
  virtual NvmeDrive* nvme() { return nullptr; }
};

class AtaDevice {
 public:
  virtual ~AtaDevice() = default;
  // How many drive indexes this source knows (0, 1, ... count-1); later indexes fail to open.
  virtual int driveCount() = 0;
  // What drive index n is on this machine ("/dev/sda", "\\.\PhysicalDrive0", "drive00.dump"),
  // for reports; "" when there is no such index.
  virtual std::string driveName(int driveIndex) = 0;
  // True where one device serves every IDE position and the drive index is not used (SMARTVSD on
  // the 9x family of Windows).
  virtual bool sharedController() const { return false; }
  // Opens drive index n. Null, with the system's text, when it does not exist or cannot be opened.
  virtual std::unique_ptr<AtaDrive> openDrive(int driveIndex, std::string& systemMessage) = 0;
};

// The disks of the machine running the program (linux/ or win32/).
std::unique_ptr<AtaDevice> openNativeAtaDevice();

}  // namespace mrv
