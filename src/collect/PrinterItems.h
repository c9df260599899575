#pragma once
// The default printer: name, driver, port and colour setting (rows 42 to 45); the printer tree
// lookup the custom items use too; the printer list of the custom items' #printers line.
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> DefaultPrinterItems(CollectionContext& ctx);

struct PrinterDriverPort {
  bool found = false;
  std::string driver;
  std::string port;
};

// Looks a printer up by name in the registry's printer tree (under HKEY_LOCAL_MACHINE,
// System\CurrentControlSet\Control\Print\Printers: values Name, "Printer Driver" and Port). On the 9x
// family the name is taken up to its " on " (the list names printers "name on port"). Leaves the
// reader on the last printer key it opened, the root at HKEY_LOCAL_MACHINE and the Key-open flag
// at the outcome of that opening.
PrinterDriverPort DefaultPrinterDriverPort(CollectionState& state, std::string_view printerName, bool isNT);

// The printer list in the system's order; empty when the PC has none or its print system does not
// answer.
std::vector<std::string> PrinterList(const Platform& platform);

// dmColor as the record shows it: "2:Color", "1:Black", other values in decimal.
std::string PrinterColorText(int dmColor);

}  // namespace mrv
