#pragma once
// The custom items: the interpreter of the item definition file (regitems.txt), run by Read after
// the standard block. Each item line adds its value rows through the record's add-a-value-row
// operation, reading the registry through the pass's shared reader, asking the probes, and
// showing the prompt dialog and questions through the pass's dialogs.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"
#include "records/InventoryRecord.h"

namespace mrv {

// What the "#printers" line asks of the system: the printer list and, for one printer, its driver
// and port as DefaultPrinterDriverPort finds them in the registry's printer tree.
struct CustomPrinters {
  struct DriverPort {
    bool found = false;
    std::string driver, port;
  };
  std::function<std::vector<std::string>()> names;  // the printers known to the system, in its order
  std::function<DriverPort(CollectionContext&, std::string_view printerName)> driverPort;
};

// The printers of this machine as the pass's platform services know them.
CustomPrinters SystemPrinters(CollectionContext& ctx);

// Interprets the definition file's lines for ctx.family, adding the custom block to the record.
// Edits ctx.state.installed (an entry an "&" line reports is taken out of the programs block).
void RunCustomItems(CollectionContext& ctx, const std::vector<std::string>& lines, InventoryRecord& record);
void RunCustomItems(CollectionContext& ctx, const std::vector<std::string>& lines, InventoryRecord& record,
                    const CustomPrinters& printers);

}  // namespace mrv
