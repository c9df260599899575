#pragma once
// Drive dumps: what one drive answered, kept in a file so that it can be replayed on any machine.
// The layout is libatasmart's blob file (`skdump --save`, `skdump --load`): a sequence of
// records, each a 4-character ASCII tag, a big-endian 32-bit length and that many bytes:
//   IDFY  512 bytes  the IDENTIFY DEVICE data
//   SMDT  512 bytes  the SMART READ DATA block (attributes)
//   SMTH  512 bytes  the SMART READ THRESHOLDS block
//   SMST    4 bytes  optional, libatasmart's: the drive's overall S.M.A.R.T. status as a
//                    big-endian number, 1 good, 0 bad (kept, not replayed)
//   MRVS    4 bytes  optional, ours: [0] the device map to replay, the recorded IDE position's
//                    bits (bit n, and bit n+4 for ATAPI), [1] 1 when SMART ENABLE OPERATIONS
//                    failed, 0 when it succeeded, [2] that command's driver status, [3] its
//                    error byte. Without it (a blob saved by skdump) the enable succeeded and
//                    the drive answers at the position its file's order gives (bit n for the
//                    n-th file, position 0 from the fifth file on).
// An NVMe drive is kept in records of our own instead of the ATA ones:
//   NVIC  4096 bytes  the Identify Controller data
//   NVIN  4096 bytes  the Identify Namespace data of the drive's namespace
//   NVSH   512 bytes  the SMART / Health Information log page (02h)
// A dump holding any of them replays an NVMe drive; it may hold no ATA record besides.
// A missing IDFY, SMDT or SMTH record (NVIC, NVIN, NVSH) replays as that command failing. Records with other tags
// are skipped (libatasmart skips ours). A folder of dumps serves drive index n from the n-th
// file in name order.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/AtaDevice.h"

namespace mrv {

struct DriveDump {
  std::optional<AtaBlock> identify;
  std::optional<AtaBlock> smartData;
  std::optional<AtaBlock> smartThresholds;
  std::optional<bool> smartStatusGood;  // SMST
  bool hasStatus = false;                // MRVS and the fields below
  std::uint8_t deviceMap = 0x01;
  bool enableFailed = false;
  std::uint8_t enableDriverError = 0;
  std::uint8_t enableIdeError = 0;
  std::optional<NvmeIdentifyBlock> nvmeController;  // NVIC
  std::optional<NvmeIdentifyBlock> nvmeNamespace;   // NVIN
  std::optional<NvmeHealthLog> nvmeHealth;          // NVSH
  bool isNvme() const { return nvmeController || nvmeNamespace || nvmeHealth; }
};

// The device map a dump without our MRVS record replays for the n-th file of its folder.
std::uint8_t fileOrderDeviceMap(int driveIndex);

// Largest file taken as a dump; anything bigger is not one.
constexpr std::size_t kMaxDriveDumpSize = 64 * 1024;

// Parses the bytes of one dump file. False, with `message` saying what is wrong, for a truncated,
// oversized or malformed file; `dump` is then reset.
bool parseDriveDump(std::string_view bytes, DriveDump& dump, std::string& message);
std::string serializeDriveDump(const DriveDump& dump);

// The replay device over a folder of dumps. Null, with `message`, when the folder cannot be read.
std::unique_ptr<AtaDevice> openDriveDumps(const std::string& folder, std::string& message);

// Records every drive of `real` that answers IDENTIFY into `folder` (created if missing) as
// "driveNN.dump", NN the drive index. `report` gets one line per drive index. False when no dump
// was written.
bool writeDriveDumps(AtaDevice& real, const std::string& folder, std::string& report);

}  // namespace mrv
