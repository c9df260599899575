// One save into a disk history far over its 500 lines: the time AppendHistory takes to read it,
// bring it back to 501 lines and write it, with the drives of a recorded PC.
//
//   history_trim_bench [--lines N] [DRIVE-DUMP-FOLDER]
//
// Writes a history of N data rows (200,000 unless told) of one drive, the first of the folder's
// dumps (a row of about 300 bytes, so the file stays under the history's size limit), into a
// temporary save folder, then times one save. The folder of drive dumps defaults to
// tests/data/drives/pc-degrading/1-healthy (run from the source tree). The last line
// ("figures: name=value ...") is for scripts/bench.sh.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "disk/DiskHistory.h"
#include "platform/TextFiles.h"
#include "platform/SystemServicesNative.h"
#include "platform/replay/DriveDump.h"
#include "ui/MemoryViews.h"

namespace fs = std::filesystem;
using namespace mrv;

int main(int argc, char** argv) {
  std::size_t rows = 200000;
  std::string dumps = "tests/data/drives/pc-degrading/1-healthy";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--lines" && i + 1 < argc)
      rows = std::strtoul(argv[++i], nullptr, 10);
    else
      dumps = a;
  }
  const fs::path folder = fs::temp_directory_path() / ("mrv-trim-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder / "drive");
  std::error_code ec;
  fs::copy_file(fs::path(dumps) / "drive00.dump", folder / "drive" / "drive00.dump", ec);
  std::string message;
  auto device = openDriveDumps((folder / "drive").string(), message);
  auto system = openNativeSystemServices(message);
  if (!device || !system) {
    std::cerr << "history_trim_bench: cannot open the drive dumps in " << dumps << ": " << message << "\n";
    return 1;
  }
  Platform platform;
  platform.ata = device.get();
  platform.system = system.get();
  ScriptedDialogs dialogs;

  const std::string record = (folder / "PC01__SALES.csv").string();
  bool noHistory = false;
  AppendHistory(platform, dialogs, record, noHistory);  // the headers and a real row
  const std::string history = HistoryPathFor(record);
  std::vector<std::string> lines;
  readAnsiLines(history, lines);
  const std::string row = lines.back();
  lines.reserve(rows + 2);
  while (lines.size() < rows + 2) lines.push_back(row);
  writeAnsiLinesAtomic(history, lines);
  const auto bytes = fs::file_size(history);

  noHistory = false;
  const auto start = std::chrono::steady_clock::now();
  AppendHistory(platform, dialogs, record, noHistory);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  readAnsiLines(history, lines);
  std::printf("history of %zu data rows (%.1f MB) trimmed to %zu lines in %.3f s\n", rows, bytes / 1048576.0,
              lines.size(), seconds);
  std::printf("figures: history_trim_s=%.3f\n", seconds);
  fs::remove_all(folder, ec);
  return lines.size() == kHistoryMaxLines + 1 ? 0 : 1;
}
