// Decoding of the IDENTIFY and S.M.A.R.T. blocks, the verdict rules and the error texts.
#include "disk/DriveHealth.h"

#include <cstdio>
#include <limits>

#include "base/Text.h"

namespace mrv {
namespace {

std::uint32_t le32(const AtaBlock& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A fixed ASCII field of the IDENTIFY data. NUL padding counts as blank; any other byte outside
// printable ASCII becomes '?' so that the text stays valid UTF-8 wherever it is written.
std::string identityText(const AtaBlock& b, std::size_t at, std::size_t length) {
  std::string raw(reinterpret_cast<const char*>(b.data() + at), length);
  for (char& c : raw) {
    const auto u = static_cast<unsigned char>(c);
    if (u == 0) c = ' ';
    else if (u < 0x20 || u > 0x7E) c = '?';
  }
  return SwapCharPairs(raw);
}

constexpr std::size_t kTableStart = 2;
constexpr std::size_t kEntrySize = 12;
constexpr std::int64_t kCounterLimit = 2147483647;

std::string hex4(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

}  // namespace

std::uint64_t identifySectorCount(const AtaBlock& identify) {
  // Word 83: bits 15-14 = 01 say the word is valid, bit 10 that 48-bit addressing is supported.
  // Such a drive keeps its true count in words 100-103; words 60-61 then hold at most 2^28 - 1
  // sectors (137,438,952,960 bytes) whatever the drive's size.
  const unsigned word83 = identify[166] | (identify[167] << 8);
  if ((word83 & 0xC000) == 0x4000 && (word83 & 0x0400) != 0) {
    const std::uint64_t count48 = le32(identify, 200) | static_cast<std::uint64_t>(le32(identify, 204)) << 32;
    if (count48 != 0) return count48;
  }
  return le32(identify, 120);
}

void decodeIdentity(const AtaBlock& identify, DriveHealth& health) {
  health.capacity = identifySectorCount(identify) * 512u;
  health.serialNumber = identityText(identify, 20, 20);
  health.model = identityText(identify, 54, 40);
}

int smartWarningLevel(int threshold, int nominalMaximum) {
  return threshold + ((nominalMaximum - threshold) * 4) / 10;
}

std::string_view smartStatusWord(const SmartAttribute& a) {
  if (!a.preFailure || a.threshold == 0) return kSmartStatusNone;
  // Spin-up time and start/stop count run on a 253 scale on some drives.
  const int nominalMaximum = ((a.id == 3 || a.id == 4) && a.current > 230) ? 253 : 100;
  if (a.current < a.threshold) return kSmartStatusFailing;
  if (a.worst < a.threshold) return kSmartStatusFailedBefore;
  if (a.current < smartWarningLevel(a.threshold, nominalMaximum)) return kSmartStatusWarning;
  return kSmartStatusOk;
}

void decodeSmartTables(const AtaBlock& data, const AtaBlock& thresholds, DriveHealth& health) {
  // Everything the tables decide starts again from nothing.
  health.temperature = health.highestTemperature = health.lowestTemperature = 0;
  health.hoursRunning = health.reallocatedSectors = health.powerCycles = 0;
  health.failCount = health.warningCount = health.attributeCount = 0;
  health.attributes.fill(SmartAttribute{});
  // All 30 slots are read: drives leave empty slots (ID 0) between attributes, and an attribute
  // after one (a failing one, the temperature, the hours) must still count. Filled entries keep
  // the drive's order, without gaps.
  for (int i = 0; i < kSmartAttributeSlots; ++i) {
    const std::size_t at = kTableStart + static_cast<std::size_t>(i) * kEntrySize;
    const int id = data[at];
    if (id == 0) continue;
    SmartAttribute& a = health.attributes[static_cast<std::size_t>(health.attributeCount)];
    a = SmartAttribute{};
    a.id = id;
    a.name = std::string(smartAttributeName(id));
    const unsigned flags = data[at + 1] | (data[at + 2] << 8);
    a.preFailure = (flags & 0x01) != 0;
    a.errorRate = (flags & 0x08) != 0;
    a.eventCount = (flags & 0x10) != 0;
    a.current = data[at + 3];
    a.worst = data[at + 4];
    a.threshold = thresholds[at + 1];  // paired by position, not by ID
    for (int k = 5; k >= 0; --k) a.raw = (a.raw << 8) | data[at + 5 + static_cast<std::size_t>(k)];
    ++health.attributeCount;

    const auto raw = static_cast<std::int64_t>(a.raw);
    if (raw > 0 && raw < kCounterLimit) {
      if (id == 5) health.reallocatedSectors = static_cast<int>(raw);
      // The raw value is taken as minutes.
      if (id == 9) health.hoursRunning = static_cast<int>(raw / 60 + 1);
      if (id == 12) health.powerCycles = static_cast<int>(raw);
    }
    if (id == 194) {
      const int byte0 = data[at + 5];
      health.temperature = byte0;
      health.lowestTemperature = data[at + 7];
      health.highestTemperature = (byte0 == a.current) ? a.worst : data[at + 9];
    }

    a.statusWord = std::string(smartStatusWord(a));
  }
  recountVerdicts(health);
}

void recountVerdicts(DriveHealth& health) {
  health.failCount = health.warningCount = 0;
  for (int i = 0; i < health.attributeCount && i < kSmartAttributeSlots; ++i) {
    const std::string_view word = health.attributes[static_cast<std::size_t>(i)].statusWord;
    if (word == kSmartStatusFailing || word == kSmartStatusFailedBefore) ++health.failCount;
    if (word == kSmartStatusWarning) ++health.warningCount;
  }
}

std::string driverErrorText(int code) {
  static constexpr std::string_view kTexts[] = {
      "No error",
      "Error from IDE controller",
      "Invalid command flag",
      "Invalid command byte",
      "Bad buffer (null, invalid addr..)",
      "Drive number not valid",
      "Invalid IOCTL",
      "Could not lock user\"s buffer",
      "Some IDE Register not valid",
      "Invalid cmd flag set",
      "Cmd issued to device not present although drive number is valid",
  };
  if (code >= 0 && code < static_cast<int>(std::size(kTexts))) return std::string(kTexts[code]);
  return "Unknown driver error " + std::to_string(code);
}

std::string smartOpenErrorText(bool sharedController, std::string_view systemMessage) {
  return std::string(sharedController ? "Unable to open SMARTVSD: " : "Unable to open physical drive: ") +
         std::string(systemMessage);
}

std::string smartVersionErrorText(std::string_view systemMessage) {
  return "DFP_GET_VERSION failed: " + std::string(systemMessage);
}

std::string smartStepErrorText(SmartStep step, int position, const AtaReply& reply) {
  const std::string pos = std::to_string(position);
  const std::string driver = driverErrorText(reply.driverError);
  const std::string ide = hex4(reply.ideError);
  const std::string& sys = reply.systemMessage;
  switch (step) {
    case SmartStep::Enable:
      return "SMART Enable Command Failed, Drive: " + pos + " : " + sys;
    case SmartStep::Identify:
      return "Identify Command Failed on Drive: " + driver + " bIDEStatus=" + ide + " : " + sys;
    case SmartStep::ReadAttributes:
      return "SMART Read Attr Command Failed, Drive: " + pos + " : " + sys + "; DriverStatus: " + driver +
             "; bIDEStatus=" + ide;
    case SmartStep::ReadThresholds:
      return "SMART Read Threshold Command Failed, Drive: " + pos + " : " + sys + "; DriverStatus: " + driver +
             "; bIDEStatus=" + ide;
  }
  return {};
}

std::string smartExceptionErrorText(std::string_view message) { return "SMART Failed - " + trim(message); }

}  // namespace mrv
