// The item definition file (regitems.txt) as the administrator writes it: read as the program reads
// it (Shift-JIS or UTF-8), counted by the label pass, interpreted for both Windows families over a
// small registry and scripted probes, and turned into the item list.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzFolder.h"
#include "base/Error.h"
#include "collect/CustomItems.h"
#include "collect/FakeSystemServices.h"
#include "platform/Platform.h"
#include "platform/replay/MemoryRegistry.h"
#include "records/CustomLabels.h"
#include "records/InventoryRecord.h"
#include "records/ItemDefinitionFile.h"
#include "records/ItemList.h"
#include "ui/MemoryViews.h"

namespace {

mrv::MemoryRegistry& registry() {
  static mrv::MemoryRegistry reg = [] {
    using namespace mrv;
    MemoryRegistry r;
    r.setString(RootKey::LocalMachine, "Software\\Test", "Owner", "Yamada");
    r.setDword(RootKey::LocalMachine, "Software\\Test", "Count", 7);
    r.setString(RootKey::LocalMachine, "Software\\Test", "Notes", "two\r\nlines");
    r.setValue(RootKey::LocalMachine, "Software\\Test", "Blob", RegValue{kRegBinary, "\x01\x02"});
    r.setString(RootKey::LocalMachine, "Software\\Apps\\A\\Details", "Name", "Alpha");
    r.setString(RootKey::LocalMachine, "Software\\Apps\\B\\Details", "Name", "Beta");
    r.setString(RootKey::ClassesRoot, ".txt", "", "txtfile");
    r.setString(RootKey::ClassesRoot, "txtfile\\shell\\open\\command", "", "c:\\tool.exe %1");
    r.setString(RootKey::CurrentUser, "Software\\Test", "Owner", "Suzuki");
    return r;
  }();
  return reg;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  static const fuzzsupport::FuzzFolder folder("regitems");
  folder.reset({{"regitems.txt", std::string_view(reinterpret_cast<const char*>(data), size)}});
  std::vector<std::string> lines;
  if (!LoadItemDefinitionFile(folder.path(), lines)) return 0;

  test::FakeSystemServices sys;
  sys.shares.remoteNames = {"\\\\PC\\A", "\\\\PC\\B"};
  sys.processes = std::vector<std::string>{"notepad.exe", "explorer.exe"};
  Platform platform;
  platform.registry = &registry();
  platform.system = &sys;
  CustomPrinters printers;
  printers.names = [] { return std::vector<std::string>{"P1", "P2 on LPT1:"}; };
  printers.driverPort = [](CollectionContext&, std::string_view) { return CustomPrinters::DriverPort{}; };
  for (const char* family : {"NT", "9x"}) {
    CustomLabels(lines, family);
    ScriptedDialogs dialogs;
    dialogs.promptAnswers = {"answer", ""};
    CollectionState state(&registry());
    state.reg.setRootKey(RootKey::LocalMachine);
    state.installed = {"Office Suite", "Zip"};
    CollectionContext ctx(platform, state, dialogs);
    ctx.family = family;
    ctx.windowsProductName = "Windows XP";
    ctx.programFilesFolder = "c:\\program files";
    MemoryTextView memo;
    MemoryGridView grid;
    grid.setColCount(3);
    grid.setRowCount(10);
    int counter = 1;
    InventoryRecord record(grid, memo, counter);
    try {
      RunCustomItems(ctx, lines, record, printers);
    } catch (const MrvError&) {
      // the menu handler shows it; the record is not saved
    }
  }
  MemoryGridView list;
  int counter = 1;
  BuildItemListGrid(list, counter, lines);
  ItemListLines(list);
  return 0;
}
