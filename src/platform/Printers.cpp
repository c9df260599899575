#include "platform/Printers.h"

#include "base/Error.h"
#include "platform/RegistryPrinters.h"

namespace mrv {

namespace {

// A machine without a registry of its own to answer: no printers.
class NoPrinters : public PrinterService {
 public:
  std::vector<std::string> printerNames() override { return {}; }
  std::string defaultPrinter() override { return {}; }
  bool driverAndPort(std::string_view, std::string&, std::string&) override { return false; }
  int colorMode(std::string_view) override { throw MrvError("no printers"); }
};

}  // namespace

std::unique_ptr<PrinterService> openPrinterService(const Sources& sources, RegistryStore* registry) {
  if (!sources.registry.empty()) {
    if (registry) return openRegistryPrinters(*registry);
    return std::make_unique<NoPrinters>();
  }
  return openNativePrinterService();
}

}  // namespace mrv
