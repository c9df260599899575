#include "collect/PrinterItems.h"

#include <exception>

#include "base/Text.h"
#include "collect/InstallationFacts.h"
#include "collect/RegistryInstallation.h"
#include "platform/Printers.h"
#include "collect/ValueTerms.h"

namespace mrv {

namespace {

constexpr char kPrinterTree[] = "\\System\\CurrentControlSet\\Control\\Print\\Printers";

// The name the printer tree knows: 9x lists printers as name + " on " + port.
std::string nameToLookFor(std::string_view printerName, bool isNT) {
  if (isNT) return std::string(printerName);
  const auto on = toLowerAscii(printerName).find(" on ");
  return std::string(on == std::string::npos ? printerName : printerName.substr(0, on));
}

void noteFailure(CollectionContext& ctx, const std::exception& e) {
  if (ctx.onStepFailure) ctx.onStepFailure("printers", e.what());
}

}  // namespace

std::string PrinterColorText(int dmColor) {
  if (dmColor == kPrinterColorColor) return "2:Color";
  if (dmColor == kPrinterColorMonochrome) return "1:Black";
  return std::to_string(dmColor);
}

PrinterDriverPort DefaultPrinterDriverPort(CollectionState& state, std::string_view printerName, bool isNT) {
  PrinterDriverPort result;
  TRegistryEx& reg = state.reg;
  reg.setRootKey(RootKey::LocalMachine);
  reg.closeKey();
  state.keyOpen = reg.openKeyReadOnly(kPrinterTree);
  const std::vector<std::string> printers = state.keyOpen ? reg.keyNames() : std::vector<std::string>();
  const std::string wanted = nameToLookFor(printerName, isNT);
  // a key without a Name value reads as empty text: it must not match a missing default printer
  if (wanted.empty()) return result;
  for (const auto& sub : printers) {
    reg.closeKey();
    state.keyOpen = reg.openKeyReadOnly(std::string(kPrinterTree) + "\\" + sub);
    if (ReadValueExpression(state, "Name") != wanted) continue;
    result.driver = ReadValueExpression(state, "Printer Driver");
    result.port = ReadValueExpression(state, "Port");
    result.found = true;
    break;
  }
  return result;
}

std::vector<std::string> PrinterList(const Platform& platform) {
  try {
    if (platform.printers) return platform.printers->printerNames();
  } catch (const std::exception&) {
  }
  return {};
}

void RegistryPrinterDriverPort(CollectionContext& ctx, const std::string& printer, std::string& driver,
                               std::string& port) {
  // the machine's own registry or an offline one answers from its printer tree
  const PrinterDriverPort dp = DefaultPrinterDriverPort(ctx.state, printer, ctx.isNT());
  driver = dp.driver;
  port = dp.port;
}

std::vector<std::string> DefaultPrinterItems(CollectionContext& ctx) {
  std::vector<std::string> rows(4);
  PrinterService* printers = ctx.platform.printers;
  std::string& name = rows[0];
  try {
    if (printers) name = printers->defaultPrinter();
  } catch (const std::exception& e) {
    noteFailure(ctx, e);
  }
  try {
    ctx.installation().printerDriverPort(ctx, name, rows[1], rows[2]);
  } catch (const std::exception& e) {
    rows[1].clear();
    rows[2].clear();
    noteFailure(ctx, e);
  }
  try {
    if (printers && !name.empty()) rows[3] = PrinterColorText(printers->colorMode(name));
  } catch (const std::exception& e) {
    noteFailure(ctx, e);
  }
  return rows;
}

}  // namespace mrv
