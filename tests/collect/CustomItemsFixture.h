#pragma once
// One run of the custom items over an in-memory registry, scripted probes and dialogs.
#include <memory>
#include <string>
#include <vector>

#include "collect/CustomItems.h"
#include "collect/FakeSystemServices.h"
#include "platform/Platform.h"
#include "platform/replay/MemoryRegistry.h"
#include "records/CustomLabels.h"
#include "ui/MemoryViews.h"

namespace mrv::test {

struct CustomRun {
  MemoryRegistry memoryRegistry;
  RegistryStore* store = &memoryRegistry;
  FakeSystemServices sys;
  ScriptedDialogs dialogs;
  CustomPrinters printers;
  std::vector<std::string> installed;
  std::string family = "NT";
  std::string productName = "Windows XP";
  std::string programFiles = "c:\\program files";
  RootKey startRoot = RootKey::LocalMachine;
  MemoryTextView memo;
  MemoryGridView grid;

  // The value rows the lines add (as the record's text view holds them).
  std::vector<std::string> rows(const std::vector<std::string>& lines) {
    Platform platform;
    platform.registry = store;
    platform.system = &sys;
    CollectionState state(store);
    state.reg.setRootKey(startRoot);
    state.installed = installed;
    CollectionContext ctx(platform, state, dialogs);
    ctx.family = family;
    ctx.windowsProductName = productName;
    ctx.programFilesFolder = programFiles;
    memo.clear();
    grid.setColCount(3);
    grid.setRowCount(10);
    int counter = 1;
    InventoryRecord record(grid, memo, counter);
    RunCustomItems(ctx, lines, record, printers);
    installed = state.installed;
    return memo.lines();
  }

  // The same lines, ended by a comment so that every item counts.
  std::vector<std::string> rowsOf(std::vector<std::string> lines) {
    lines.push_back("// end");
    return rows(lines);
  }
};

inline std::vector<std::string> ended(std::vector<std::string> lines) {
  lines.push_back("// end");
  return lines;
}

}  // namespace mrv::test
