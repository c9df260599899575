// Disk-health history files (hdd/<record>.csv) as the program reads them back: into the grid, as
// charts of every item the choice list offers, and as the previous row a save compares against.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFolder.h"
#include "app/TForm1.h"
#include "base/Error.h"
#include "collect/FakeSystemServices.h"
#include "disk/DiskHistory.h"
#include "disk/DiskReport.h"
#include "disk/HistoryChart.h"
#include "platform/TextFiles.h"
#include "ui/MemoryChartPanel.h"
#include "ui/MemoryViews.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  static const fuzzsupport::FuzzFolder folder("history");
  folder.reset({{"PC01__SALES.csv", std::string_view(reinterpret_cast<const char*>(data), size)}});
  const std::string path = folder.file("PC01__SALES.csv");

  test::FakeSystemServices sys;
  sys.now = LocalTime{2007, 3, 9, 12, 0, 0};
  Platform platform;
  platform.system = &sys;
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  TForm1 form(memo, grid, status, window, dialogs, platform, "/opt/mervana/mervana");
  MemoryChartPanel panel;
  try {
    ShowHistoryChart(form, panel, path);
  } catch (const MrvError&) {
    // shown as the menu handler's message
  }
  for (int i = 0; i < static_cast<int>(panel.choices().size()); ++i) {
    panel.setChoiceIndex(i);
    try {
      ComboBox1Change(form, panel);
    } catch (const MrvError&) {
    }
  }
  // what a save reads of the previous rows
  std::vector<std::string> lines;
  if (readAnsiLines(path, lines) && !lines.empty())
    for (int cell = 0; cell < 20; ++cell) HistoryCount(lines.back(), cell), HistoryCell(lines.back(), cell);
  return 0;
}
