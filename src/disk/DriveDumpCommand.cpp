#include "disk/DriveDumpCommand.h"

#include <algorithm>
#include <cstdio>

namespace mrv {
namespace {

// Pads to `width` terminal columns; a Japanese character takes two.
std::string padColumns(std::string_view s, std::size_t width) {
  std::size_t columns = 0;
  for (char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80) ++columns;
    else if (u >= 0xC0) columns += 2;
  }
  std::string r(s);
  if (columns < width) r.append(width - columns, ' ');
  return r;
}

const char* yesNo(bool b) { return b ? "Yes" : "No"; }

}  // namespace

void printDriveHealth(const DriveHealth& h, std::ostream& out) {
  out << "  DriveNum " << h.driveNumber << ", capacity " << h.capacity << " bytes (" << h.capacity / 1000000
      << " MB)\n";
  out << "  Model \"" << h.model << "\", serial \"" << h.serialNumber << "\"";
  if (h.nvme) out << ", firmware \"" << h.firmware << "\" (NVMe)";
  out << "\n";
  out << "  Temperature " << h.temperature;
  if (h.temperatureExtremes)
    out << ", highest " << h.highestTemperature << ", lowest " << h.lowestTemperature << "\n";
  else
    out << ", highest and lowest not reported\n";
  out << "  ReallocSector " << h.reallocatedSectors << ", PowerCycles " << h.powerCycles << ", HoursRunning "
      << h.hoursRunning << "\n";
  out << "  Fail " << h.failCount << ", warning " << h.warningCount << ", attributes " << h.attributeCount << "\n";
  if (h.attributeCount == 0) return;
  out << "   ID  Status      Cur Worst Thr  Raw              PreFail Event ErrRate  Name / 名前\n";
  for (int i = 0; i < std::min(h.attributeCount, kSmartAttributeSlots); ++i) {
    const SmartAttribute& a = h.attributes[static_cast<std::size_t>(i)];
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "  %3d  ", a.id);
    out << numbers << padColumns(a.statusWord, 10);
    std::snprintf(numbers, sizeof numbers, "  %3d %5d %3d  %-16llu %-7s %-5s %-7s  ", a.current, a.worst, a.threshold,
                  static_cast<unsigned long long>(a.raw), yesNo(a.preFailure), yesNo(a.eventCount), yesNo(a.errorRate));
    out << numbers << a.name;
    const std::string_view ja = attributeJapaneseName(h, a.id);
    if (!ja.empty()) out << " / " << ja;
    out << "\n";
  }
}

int runDriveDumpCommand(AtaDevice& device, std::string_view mode, const std::string& folder, DriveDumpRecorder record,
                        std::ostream& out) {
  if (mode == "dump") {
    std::string report;
    const bool written = record(device, folder, report);
    out << report;
    return written ? 0 : 1;
  }
  if (mode == "show") {
    // Index 0 is asked even when no drive is known, so that its error text is shown.
    const int count = std::max(device.driveCount(), 1);
    int result = 0;
    for (int i = 0; i < count; ++i) {
      DriveHealth health;
      std::string errorText;
      ReadDriveHealth(device, i, health, errorText);
      const std::string name = device.driveName(i);
      out << "Drive " << i << (name.empty() ? "" : " (" + name + ")") << ":\n";
      if (!errorText.empty()) {
        out << "  errorText: " << errorText << "\n";
        result = 1;
      }
      // the health data is there, but a part of the drive's identity is not
      if (!health.readProblem.empty()) {
        out << "  problem: " << health.readProblem << "\n";
        result = 1;
      }
      if (health.driveNumber >= 0) printDriveHealth(health, out);
    }
    return result;
  }
  out << "unknown drive command mode: " << mode << "\n";
  return 2;
}

}  // namespace mrv
