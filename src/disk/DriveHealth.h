#pragma once
// One disk's identity and S.M.A.R.T. health, decoded from the IDENTIFY, attribute and threshold
// blocks, with the verdict on every attribute. The rules here are shared by the disk report, the
// history files and the charts.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/SmartCommands.h"
#include "platform/AtaDevice.h"

namespace mrv {

constexpr int kSmartAttributeSlots = 30;

// Status words of one attribute.
inline constexpr std::string_view kSmartStatusNone = "-";
inline constexpr std::string_view kSmartStatusOk = "OK";
inline constexpr std::string_view kSmartStatusFailing = "故障";
inline constexpr std::string_view kSmartStatusFailedBefore = "過去に故障";
inline constexpr std::string_view kSmartStatusWarning = "警戒";

struct SmartAttribute {
  int id = 0;                 // never 0 in a filled entry
  std::string name;           // English name from the attribute name table
  bool preFailure = false;    // flag bit 0
  bool eventCount = false;    // flag bit 4
  bool errorRate = false;     // flag bit 3
  int current = 0;
  int worst = 0;
  int threshold = 0;          // from the threshold entry at the same position
  std::uint64_t raw = 0;      // the 6-byte raw value, little-endian
  std::string statusWord;
};

struct DriveHealth {
  int driveNumber = -1;        // the IDE position that answered IDENTIFY (0 for an NVMe drive)
  bool nvme = false;           // an NVMe drive: the attributes are its health log's rows 1-15
  std::uint64_t capacity = 0;  // bytes
  std::string serialNumber;
  std::string model;
  std::string firmware;        // NVMe drives only
  int temperature = 0;
  int highestTemperature = 0;
  int lowestTemperature = 0;
  // False when the drive reports no highest and lowest temperature: their cells are then left
  // empty rather than showing 0.
  bool temperatureExtremes = true;
  int hoursRunning = 0;
  int reallocatedSectors = 0;
  int powerCycles = 0;
  int failCount = 0;
  int warningCount = 0;
  int attributeCount = 0;      // entries filled in `attributes`, 0..30 (empty table slots skipped)
  std::array<SmartAttribute, kSmartAttributeSlots> attributes;
  // A read that failed without costing the health data (an NVMe namespace that did not answer,
  // so the capacity is unknown and 0): shown by the drive listing, not an error text.
  std::string readProblem;
};

// Fail and warning counts recounted from the status words of the filled attributes.
void recountVerdicts(DriveHealth& health);

// Attribute names: English (kept in SmartAttribute, "Unknown" outside IDs 0..12 and 192..250) and
// Japanese (for the report and the Japanese history header; "" outside IDs 0..15 and 192..250).
std::string_view smartAttributeName(int id);
std::string_view smartAttributeJapaneseName(int id);
// The Japanese name of attribute `id` of this drive: the NVMe names for an NVMe drive.
std::string_view attributeJapaneseName(const DriveHealth& health, int id);

// Addressable sectors from IDENTIFY: words 100-103 when word 83 says 48-bit addressing is
// supported, else words 60-61.
std::uint64_t identifySectorCount(const AtaBlock& identify);
// Capacity, serial number and model from the IDENTIFY block.
void decodeIdentity(const AtaBlock& identify, DriveHealth& health);
// Attributes, counters, temperatures and verdicts from the attribute and threshold blocks.
void decodeSmartTables(const AtaBlock& data, const AtaBlock& thresholds, DriveHealth& health);

// threshold + 40 % of the way to the nominal maximum, in whole numbers.
int smartWarningLevel(int threshold, int nominalMaximum);
// The status word of a filled attribute (its id, flags, current, worst and threshold).
std::string_view smartStatusWord(const SmartAttribute& attribute);

// Texts for the driver status codes 0..10; other codes get a text naming the number.
std::string driverErrorText(int code);

// The error texts of the reading steps. `systemMessage` is the system's text for the failure.
std::string smartOpenErrorText(bool sharedController, std::string_view systemMessage);
std::string smartVersionErrorText(std::string_view systemMessage);
// A failed command; the enable and read texts name the IDE position.
std::string smartStepErrorText(SmartStep step, int position, const AtaReply& reply);
std::string smartExceptionErrorText(std::string_view message);

// Reads drive `driveIndex` through `device`: identity, attributes and thresholds, judged.
// `errorText` is empty when every step succeeded; callers test it rather than the result (see the
// notes in the .cpp). `health` is reset first.
bool ReadDriveHealth(AtaDevice& device, int driveIndex, DriveHealth& health, std::string& errorText);

}  // namespace mrv
