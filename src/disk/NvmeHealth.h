#pragma once
// NVMe drives in the terms of the S.M.A.R.T. health record. The SMART / Health Information log
// (log page 02h) becomes fifteen attribute rows numbered 1-15 in the order the log defines its
// fields, with names of their own; identity comes from Identify Controller and Identify
// Namespace. The mapping is described in docs/nvme-health.md.
#include <string>
#include <string_view>

#include "disk/DriveHealth.h"
#include "platform/NvmeDrive.h"

namespace mrv {

// The attribute rows of an NVMe drive.
enum NvmeRow : int {
  kNvmeCriticalWarning = 1,
  kNvmeCompositeTemperature,
  kNvmeAvailableSpare,
  kNvmeAvailableSpareThreshold,
  kNvmePercentageUsed,
  kNvmeDataUnitsRead,
  kNvmeDataUnitsWritten,
  kNvmeHostReadCommands,
  kNvmeHostWriteCommands,
  kNvmeControllerBusyTime,
  kNvmePowerCycles,
  kNvmePowerOnHours,
  kNvmeUnsafeShutdowns,
  kNvmeMediaErrors,
  kNvmeErrorLogEntries,
};
constexpr int kNvmeRowCount = 15;

// Percentage used from which a drive is in warning ("警戒").
constexpr int kNvmeWornPercentage = 90;
// Critical-warning bit 1: a temperature is beyond its threshold. Alone it is a warning; set at two
// saves in a row it is a failure. Every other bit is a failure at once.
constexpr unsigned kNvmeHeatBit = 0x02;
// Media and data integrity errors from which a drive is failing ("故障"); fewer are a warning when
// their count has grown since the drive's last save.
constexpr int kNvmeMediaErrorLimit = 50;
// Available spare is in warning below threshold + 40 % of the way to 100 (the ATA warning level).
constexpr int kNvmeSpareScale = 100;

// Names of the rows 1-15: English (kept in SmartAttribute) and Japanese; "" for other numbers.
std::string_view nvmeAttributeName(int id);
std::string_view nvmeAttributeJapaneseName(int id);

// Serial number, model and firmware from Identify Controller. False, with `problem`, when the
// block holds neither a model nor a serial number (no drive answered it).
bool decodeNvmeController(const NvmeIdentifyBlock& controller, DriveHealth& health, std::string& problem);
// Capacity from Identify Namespace: its size in logical blocks times the block size of its
// formatted LBA format. False, with `problem`, for an inactive namespace or a format that cannot be.
bool decodeNvmeNamespace(const NvmeIdentifyBlock& ns, DriveHealth& health, std::string& problem);
// The fifteen rows, the counters, the temperature and the verdicts from the health log.
void decodeNvmeHealthLog(const NvmeHealthLog& log, DriveHealth& health);

// What the drive's last save holds: the critical-warning byte and the media error count.
struct NvmeLastSave {
  unsigned criticalWarning = 0;
  int mediaErrors = 0;
};
// The verdicts that need the drive's last save: the heat bit set then and now makes row 1 "故障";
// more media errors than then make row 14 "警戒" (unless it is "故障" already). Recounts.
void judgeNvmeAgainstLastSave(DriveHealth& health, const NvmeLastSave& last);

enum class NvmeStep { IdentifyController, IdentifyNamespace, HealthLog };
std::string nvmeStepErrorText(NvmeStep step, std::string_view message);

// Reads one NVMe drive into `health` (reset by the caller): see ReadDriveHealth.
bool ReadNvmeHealth(NvmeDrive& drive, DriveHealth& health, std::string& errorText);

}  // namespace mrv
