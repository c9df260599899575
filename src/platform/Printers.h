#pragma once
// The printers of the PC: the printer list in the system's order, the default printer, a printer's
// driver and port, and the colour setting of its default device mode. The print system of this
// machine answers (the spooler on Windows, CUPS on Linux), or an offline Windows installation's
// registry when one is configured. Every call is short: a print system that does not answer gives
// an empty list and empty texts within a few seconds, never a hang.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Sources.h"

namespace mrv {

class RegistryStore;

// The colour setting of a device mode (dmColor).
enum PrinterColor : int {
  kPrinterColorUnknown = 0,  // the print system does not say
  kPrinterColorMonochrome = 1,
  kPrinterColorColor = 2,
};

class PrinterService {
 public:
  virtual ~PrinterService() = default;
  // The printer names in the system's order (EnumPrinters); empty when there are none or the
  // print system does not answer.
  virtual std::vector<std::string> printerNames() = 0;
  // The default printer's name as the printer list names it; "" when there is none.
  virtual std::string defaultPrinter() = 0;
  // Driver (make and model) and port (device) of a printer as the print system itself tells
  // them. False when it cannot tell (unknown printer, no print system, or a service that leaves
  // this to the registry's printer tree).
  virtual bool driverAndPort(std::string_view printer, std::string& driver, std::string& port) = 0;
  // dmColor of the printer's default device mode, as it stands. Throws MrvError when the device
  // mode cannot be read.
  virtual int colorMode(std::string_view printer) = 0;
};

// The printers of this run: with `sources.registry` configured, those of that Windows
// installation (`registry` is its store); otherwise the machine's print system. Never null.
std::unique_ptr<PrinterService> openPrinterService(const Sources& sources, RegistryStore* registry);

// The machine's print system (platform/linux/PrintersCups.cpp, platform/win32/PrintersWin32.cpp).
std::unique_ptr<PrinterService> openNativePrinterService();

}  // namespace mrv
