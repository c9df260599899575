// Decoding of the NVMe Identify and SMART / Health Information blocks into a DriveHealth.
// Byte offsets are those the NVMe base standard defines (Identify Controller: serial 4-23, model
// 24-63, firmware 64-71; Identify Namespace: NSZE 0-7, NLBAF 25, FLBAS 26, LBA formats from 128;
// health log: see kFields).
#include "disk/NvmeHealth.h"

#include <algorithm>
#include <limits>

#include "base/Text.h"

namespace mrv {
namespace {

struct NvmeName {
  int id;
  std::string_view english;
  std::string_view japanese;
};

constexpr NvmeName kNvmeNames[kNvmeRowCount] = {
    {kNvmeCriticalWarning, "Critical Warning", "重大警告"},
    {kNvmeCompositeTemperature, "Composite Temperature (Kelvin)", "総合温度（K）"},
    {kNvmeAvailableSpare, "Available Spare", "予備領域残量"},
    {kNvmeAvailableSpareThreshold, "Available Spare Threshold", "予備領域しきい値"},
    {kNvmePercentageUsed, "Percentage Used", "寿命消費率"},
    {kNvmeDataUnitsRead, "Data Units Read", "読み取り量"},
    {kNvmeDataUnitsWritten, "Data Units Written", "書き込み量"},
    {kNvmeHostReadCommands, "Host Read Commands", "読み取りコマンド数"},
    {kNvmeHostWriteCommands, "Host Write Commands", "書き込みコマンド数"},
    {kNvmeControllerBusyTime, "Controller Busy Time", "コントローラ稼働時間"},
    {kNvmePowerCycles, "Power Cycles", "電源入切回数"},
    {kNvmePowerOnHours, "Power On Hours", "電源入り時間"},
    {kNvmeUnsafeShutdowns, "Unsafe Shutdowns", "異常シャットダウン回数"},
    {kNvmeMediaErrors, "Media and Data Integrity Errors", "メディア・データ整合性エラー"},
    {kNvmeErrorLogEntries, "Error Information Log Entries", "エラーログ件数"},
};

// Where each row's field lies in the health log, and how wide it is (1, 2 or 16 bytes).
struct Field {
  int id;
  std::size_t at;
  std::size_t size;
};
constexpr Field kFields[kNvmeRowCount] = {
    {kNvmeCriticalWarning, 0, 1},      {kNvmeCompositeTemperature, 1, 2}, {kNvmeAvailableSpare, 3, 1},
    {kNvmeAvailableSpareThreshold, 4, 1}, {kNvmePercentageUsed, 5, 1},  {kNvmeDataUnitsRead, 32, 16},
    {kNvmeDataUnitsWritten, 48, 16},   {kNvmeHostReadCommands, 64, 16},   {kNvmeHostWriteCommands, 80, 16},
    {kNvmeControllerBusyTime, 96, 16}, {kNvmePowerCycles, 112, 16},       {kNvmePowerOnHours, 128, 16},
    {kNvmeUnsafeShutdowns, 144, 16},   {kNvmeMediaErrors, 160, 16},       {kNvmeErrorLogEntries, 176, 16},
};

constexpr std::int64_t kCounterLimit = 2147483647;
constexpr int kKelvinOffset = 273;
// Temperature sensors 1-8 of the health log, two bytes each in Kelvin; 0 is a sensor not reported.
constexpr std::size_t kSensorsAt = 200;
constexpr int kSensorCount = 8;

template <std::size_t N>
std::uint64_t le64(const std::array<std::uint8_t, N>& b, std::size_t at, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t k = std::min<std::size_t>(size, 8); k-- > 0;) v = (v << 8) | b[at + k];
  return v;
}

// A 128-bit counter of the log; one beyond 64 bits is held as the largest 64-bit number.
std::uint64_t fieldValue(const NvmeHealthLog& log, const Field& f) {
  if (f.size == 16 && le64(log, f.at + 8, 8) != 0) return std::numeric_limits<std::uint64_t>::max();
  return le64(log, f.at, f.size);
}

// A fixed ASCII field of the Identify Controller data (not byte-swapped as ATA's are). NUL counts
// as blank; other bytes outside printable ASCII become '?'; a comma, which would split a history
// cell, becomes a blank.
std::string asciiField(const NvmeIdentifyBlock& b, std::size_t at, std::size_t length) {
  std::string s(reinterpret_cast<const char*>(b.data() + at), length);
  for (char& c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u == 0 || c == ',') c = ' ';
    else if (u < 0x20 || u > 0x7E) c = '?';
  }
  return trim(s);
}

int counter(std::uint64_t v) { return v > 0 && v < static_cast<std::uint64_t>(kCounterLimit) ? static_cast<int>(v) : 0; }

// A count as the current and worst cells hold it: whole, capped at the largest they take.
int cappedCount(std::uint64_t v) { return static_cast<int>(std::min<std::uint64_t>(v, kCounterLimit)); }

std::string_view criticalWarningWord(unsigned byte) {
  if ((byte & ~kNvmeHeatBit) != 0) return kSmartStatusFailing;
  return byte != 0 ? kSmartStatusWarning : kSmartStatusOk;
}

std::string_view spareWord(int spare, int threshold) {
  if (spare < threshold) return kSmartStatusFailing;
  if (threshold > 0 && spare < smartWarningLevel(threshold, kNvmeSpareScale)) return kSmartStatusWarning;
  return kSmartStatusOk;
}

SmartAttribute* rowOf(DriveHealth& h, int id) {
  for (int i = 0; i < h.attributeCount && i < kSmartAttributeSlots; ++i)
    if (h.attributes[static_cast<std::size_t>(i)].id == id) return &h.attributes[static_cast<std::size_t>(i)];
  return nullptr;
}

}  // namespace

std::string_view nvmeAttributeName(int id) {
  return id >= 1 && id <= kNvmeRowCount ? kNvmeNames[id - 1].english : std::string_view();
}

std::string_view nvmeAttributeJapaneseName(int id) {
  return id >= 1 && id <= kNvmeRowCount ? kNvmeNames[id - 1].japanese : std::string_view();
}

bool decodeNvmeController(const NvmeIdentifyBlock& controller, DriveHealth& health, std::string& problem) {
  health.serialNumber = asciiField(controller, 4, 20);
  health.model = asciiField(controller, 24, 40);
  health.firmware = asciiField(controller, 64, 8);
  if (health.serialNumber.empty() && health.model.empty()) {
    problem = "the Identify Controller data holds no model and no serial number";
    return false;
  }
  return true;
}

bool decodeNvmeNamespace(const NvmeIdentifyBlock& ns, DriveHealth& health, std::string& problem) {
  const std::uint64_t blocks = le64(ns, 0, 8);
  if (blocks == 0) {
    problem = "the namespace is not active (its size is 0)";
    return false;
  }
  // FLBAS bits 3:0 pick the format; bits 6:5 add two high bits when there are more than 16.
  const unsigned formats = ns[25] + 1u;
  const unsigned index = (ns[26] & 0x0Fu) | ((ns[26] >> 5) & 0x03u) << 4;
  if (index >= formats) {
    problem = "the formatted LBA format " + std::to_string(index) + " is not one of the namespace's " +
              std::to_string(formats);
    return false;
  }
  const unsigned shift = ns[128 + 4 * index + 2];  // LBADS: the block size as a power of two
  if (shift < 9 || shift > 16) {
    problem = "the formatted LBA format gives a block size of 2^" + std::to_string(shift) + " bytes";
    return false;
  }
  if (blocks > (std::numeric_limits<std::uint64_t>::max() >> shift)) {
    problem = "the namespace size of " + std::to_string(blocks) + " blocks is beyond any drive";
    return false;
  }
  health.capacity = blocks << shift;
  return true;
}

void decodeNvmeHealthLog(const NvmeHealthLog& log, DriveHealth& health) {
  health.temperature = health.highestTemperature = health.lowestTemperature = 0;
  health.temperatureExtremes = false;
  health.hoursRunning = health.reallocatedSectors = health.powerCycles = 0;
  health.failCount = health.warningCount = health.attributeCount = 0;
  health.attributes.fill(SmartAttribute{});

  const int spare = log[3];
  const int spareThreshold = log[4];
  const int kelvin = log[1] | (log[2] << 8);
  // 0 K is a drive that does not report its temperature.
  if (kelvin != 0) health.temperature = kelvin - kKelvinOffset;
  // The log keeps no highest or lowest temperature of its own: the extremes are those of the
  // composite and the sensors it reports now, and there are none without a sensor.
  for (int i = 0; i < kSensorCount; ++i) {
    const std::size_t at = kSensorsAt + 2 * static_cast<std::size_t>(i);
    const int sensor = log[at] | (log[at + 1] << 8);
    if (sensor == 0) continue;
    const int celsius = sensor - kKelvinOffset;
    if (!health.temperatureExtremes) {
      health.temperatureExtremes = true;
      health.highestTemperature = health.lowestTemperature = kelvin != 0 ? health.temperature : celsius;
    }
    health.highestTemperature = std::max(health.highestTemperature, celsius);
    health.lowestTemperature = std::min(health.lowestTemperature, celsius);
  }

  for (const Field& f : kFields) {
    SmartAttribute& a = health.attributes[static_cast<std::size_t>(health.attributeCount++)];
    a.id = f.id;
    a.name = std::string(nvmeAttributeName(f.id));
    a.raw = fieldValue(log, f);
    // The one-byte fields are percentages or flags; the counters are charted as counts, capped at
    // what the cells hold. The log keeps no worst value, so worst repeats current.
    a.current = cappedCount(a.raw);
    if (f.id == kNvmeCompositeTemperature) a.current = std::clamp(health.temperature, 0, 255);
    a.worst = a.current;
    if (f.id == kNvmeAvailableSpare) a.threshold = spareThreshold;
    if (f.id == kNvmeMediaErrors) a.threshold = kNvmeMediaErrorLimit;

    // Four rows are judged, and only those are marked as pre-failure.
    std::string_view word = kSmartStatusNone;
    switch (f.id) {
      case kNvmeCriticalWarning:
        word = criticalWarningWord(static_cast<unsigned>(a.raw));
        break;
      case kNvmeAvailableSpare:
        word = spareWord(spare, spareThreshold);
        break;
      case kNvmePercentageUsed:
        word = static_cast<int>(a.raw) >= kNvmeWornPercentage ? kSmartStatusWarning : kSmartStatusOk;
        break;
      case kNvmeMediaErrors:
        word = a.raw >= static_cast<std::uint64_t>(kNvmeMediaErrorLimit) ? kSmartStatusFailing : kSmartStatusOk;
        break;
      default:
        break;
    }
    a.preFailure = word != kSmartStatusNone;
    a.statusWord = std::string(word);

    if (f.id == kNvmePowerCycles) health.powerCycles = counter(a.raw);
    if (f.id == kNvmePowerOnHours) health.hoursRunning = counter(a.raw);  // hours, as the drive counts them
    if (f.id == kNvmeMediaErrors) health.reallocatedSectors = counter(a.raw);
  }
  recountVerdicts(health);
}

void judgeNvmeAgainstLastSave(DriveHealth& health, const NvmeLastSave& last) {
  if (!health.nvme) return;
  if (SmartAttribute* critical = rowOf(health, kNvmeCriticalWarning)) {
    const bool heatTwice = (critical->raw & kNvmeHeatBit) != 0 && (last.criticalWarning & kNvmeHeatBit) != 0;
    if (heatTwice) critical->statusWord = std::string(kSmartStatusFailing);
  }
  if (SmartAttribute* media = rowOf(health, kNvmeMediaErrors)) {
    if (media->statusWord == kSmartStatusOk && health.reallocatedSectors > last.mediaErrors)
      media->statusWord = std::string(kSmartStatusWarning);
  }
  recountVerdicts(health);
}

std::string nvmeStepErrorText(NvmeStep step, std::string_view message) {
  switch (step) {
    case NvmeStep::IdentifyController:
      return "NVMe Identify Controller Failed: " + std::string(message);
    case NvmeStep::IdentifyNamespace:
      return "NVMe Identify Namespace Failed: " + std::string(message);
    case NvmeStep::HealthLog:
      return "NVMe SMART/Health Log Failed: " + std::string(message);
  }
  return {};
}

// The identity is taken first. A namespace that cannot be read costs only the capacity (left 0,
// the failure kept in `readProblem`): the health log is the drive's health, and it is still read,
// judged and saved.
bool ReadNvmeHealth(NvmeDrive& drive, DriveHealth& health, std::string& errorText) {
  std::string message;
  NvmeIdentifyBlock controller{};
  if (!drive.identifyController(controller, message) || !decodeNvmeController(controller, health, message)) {
    errorText = nvmeStepErrorText(NvmeStep::IdentifyController, message);
    return false;
  }
  health.nvme = true;
  health.driveNumber = 0;  // one drive per index, as an ATA disk at position 0
  NvmeIdentifyBlock ns{};
  message.clear();
  if (!drive.identifyNamespace(ns, message) || !decodeNvmeNamespace(ns, health, message))
    health.readProblem = nvmeStepErrorText(NvmeStep::IdentifyNamespace, message);
  NvmeHealthLog log{};
  message.clear();
  if (!drive.healthLog(log, message)) {
    errorText = nvmeStepErrorText(NvmeStep::HealthLog, message);
    return false;
  }
  decodeNvmeHealthLog(log, health);
  return true;
}

}  // namespace mrv
