#pragma once
// A PC for the disk-history tests: a record folder in a temporary folder, a folder of drive dumps
// that a test rewrites between saves (each save reads it afresh, as a new run would), a scripted
// clock and computer name, and dialogs that record what the user would have seen.
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "SmartBlocks.h"
#include "collect/FakeSystemServices.h"
#include "disk/DiskHistory.h"
#include "platform/TextFiles.h"
#include "platform/replay/DriveDump.h"
#include "ui/MemoryViews.h"
#include "support/FileBytes.h"

namespace mrv::test {

namespace fs = std::filesystem;

inline std::vector<std::string> ansiLines(const fs::path& p) {
  std::vector<std::string> lines;
  readAnsiLines(p.string(), lines);
  return lines;
}

// A drive of a given health: `warnings` pre-failure attributes in warning, `fails` failing.
inline DriveDump driveWith(int fails, int warnings, std::string_view model = "ST3120827AS") {
  std::vector<AttrRow> rows = {{1, kPreFail, 100, 100, 0, 6},  {5, kPreFail, 100, 100, 0, 36},
                               {7, kPreFail, 84, 60, 17, 30},  {10, kPreFail, 100, 100, 0, 97},
                               {3, kPreFail, 97, 97, 0, 0},    {194, 0x22, 38, 49, temperatureRaw(38, 14, 52), 0}};
  // ID 5 and then ID 1 fail first; IDs 7 and 10 warn first
  for (int i = 0; i < fails && i < 2; ++i) rows[static_cast<std::size_t>(i == 0 ? 1 : 0)].current = 5;
  if (warnings > 0) rows[2].current = 40;  // warning level 58
  if (warnings > 1) rows[3].current = 97;  // warning level 98
  DriveDump d;
  d.identify = identifyBlock("5JT1K9QW", model, 234441648u);
  Tables t;
  t.data[0] = t.thresholds[0] = 0x0A;
  int slot = 0;
  for (const AttrRow& a : rows) putAttribute(t.data, t.thresholds, slot++, a);
  d.smartData = t.data;
  d.smartThresholds = t.thresholds;
  return d;
}

class DiskPc {
 public:
  DiskPc() {
    root = fs::temp_directory_path() / ("mrv-disk-" + std::to_string(std::random_device{}()));
    fs::create_directories(root / "records");
    fs::create_directories(root / "drives");
    platform.system = &system;
  }
  ~DiskPc() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  DiskPc(const DiskPc&) = delete;
  DiskPc& operator=(const DiskPc&) = delete;

  std::string recordPath() const { return (root / "records" / "PC01__SALES.csv").string(); }
  fs::path historyPath() const { return root / "records" / "hdd" / "PC01__SALES.csv"; }
  fs::path log(std::string_view name) const { return root / "records" / "hdd" / std::string(name); }

  // The PC's drives from now on: one dump per drive, drive00 first.
  void setDrives(const std::vector<DriveDump>& drives) {
    for (const auto& e : fs::directory_iterator(root / "drives")) fs::remove(e.path());
    for (std::size_t i = 0; i < drives.size(); ++i)
      std::ofstream(root / "drives" / ("drive0" + std::to_string(i) + ".dump"), std::ios::binary)
          << serializeDriveDump(drives[i]);
  }
  void setDrivesFrom(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(root / "drives")) fs::remove(e.path());
    for (const auto& e : fs::directory_iterator(folder)) fs::copy_file(e.path(), root / "drives" / e.path().filename());
  }

  // One save of a new run (the /p switch starts off), or of the current run when `sameRun`.
  AppendHistoryResult save(bool sameRun = false) {
    if (!sameRun) noHistory = false;
    std::string message;
    device = openDriveDumps((root / "drives").string(), message);
    platform.ata = device.get();
    return AppendHistory(platform, dialogs, recordPath(), noHistory);
  }

  fs::path root;
  FakeSystemServices system;
  Platform platform;
  std::unique_ptr<AtaDevice> device;
  ScriptedDialogs dialogs;
  bool noHistory = false;
};

}  // namespace mrv::test
