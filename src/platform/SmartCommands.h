#pragma once
// The four ATA commands the S.M.A.R.T. reader sends, as data. The register values are those of
// the ATA command set: SMART (B0h) needs the signature 4Fh/C2h in the cylinder registers.
#include <cstdint>

#include "platform/AtaDevice.h"

namespace mrv {

enum class SmartStep { Enable, Identify, ReadAttributes, ReadThresholds };

constexpr std::uint8_t kAtaSmart = 0xB0;
constexpr std::uint8_t kAtaIdentify = 0xEC;
constexpr std::uint8_t kAtaIdentifyPacket = 0xA1;
constexpr std::uint8_t kSmartEnableOperations = 0xD8;
constexpr std::uint8_t kSmartReadData = 0xD0;
constexpr std::uint8_t kSmartReadThresholds = 0xD1;

struct SmartCommandRow {
  SmartStep step;
  std::uint8_t features;
  std::uint8_t cylLow;
  std::uint8_t cylHigh;
  std::uint8_t command;
  bool readsBlock;
};

inline constexpr SmartCommandRow kSmartCommands[] = {
    {SmartStep::Enable, kSmartEnableOperations, 0x4F, 0xC2, kAtaSmart, false},
    {SmartStep::Identify, 0x00, 0x00, 0x00, kAtaIdentify, true},
    {SmartStep::ReadAttributes, kSmartReadData, 0x4F, 0xC2, kAtaSmart, true},
    {SmartStep::ReadThresholds, kSmartReadThresholds, 0x4F, 0xC2, kAtaSmart, true},
};

// The command of one step for IDE position `position` (0..3). An ATAPI position is identified
// with IDENTIFY PACKET DEVICE.
inline AtaCommand smartCommand(SmartStep step, int position, bool atapi = false) {
  AtaCommand c;
  for (const SmartCommandRow& row : kSmartCommands) {
    if (row.step != step) continue;
    c.registers.features = row.features;
    c.registers.sectorCount = 1;
    c.registers.sectorNumber = 1;
    c.registers.cylLow = row.cylLow;
    c.registers.cylHigh = row.cylHigh;
    c.registers.driveHead = static_cast<std::uint8_t>(0xA0 | ((position & 1) << 4));
    c.registers.command = row.command;
    c.readsBlock = row.readsBlock;
  }
  if (step == SmartStep::Identify && atapi) c.registers.command = kAtaIdentifyPacket;
  c.position = position;
  return c;
}

// Which positions of a device map are asked, in order: those whose bit is set, and position 0
// when the whole map is 0.
inline bool smartPositionTaken(std::uint8_t map, int position) {
  return ((map >> position) & 1) != 0 || (position == 0 && map == 0);
}
inline bool smartPositionIsAtapi(std::uint8_t map, int position) { return ((map >> (position + 4)) & 1) != 0; }

}  // namespace mrv
