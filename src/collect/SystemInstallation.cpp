// The installation's facts where no Windows registry holds them (InstallationFacts.h): what the
// system says of itself through OsFacts, its printer service, its desktop's file types and, for the
// antivirus rows, ClamAV's packages and databases. Every answer is the system's own or empty.
#include <algorithm>
#include <exception>
#include <optional>

#include "base/Text.h"
#include "collect/ClamAvStatus.h"
#include "collect/ComponentItems.h"
#include "collect/InstallationFacts.h"
#include "collect/ItemSupport.h"
#include "collect/SystemProbes.h"
#include "collect/WindowsItems.h"
#include "collect/WmiQuery.h"
#include "platform/DesktopPrograms.h"
#include "platform/OsFacts.h"
#include "platform/Printers.h"
#include "collect/DateTimeText.h"

namespace mrv {

namespace {

// The description the system gives its file server; no registered owner or organisation.
ItemTexts ownerRows(CollectionContext& ctx) {
  return {ctx.platform.os ? ctx.platform.os->computerDescription() : std::string(), "", ""};
}

ItemTexts windowsName(CollectionContext& ctx) {
  OsFacts* os = ctx.platform.os;
  ctx.windowsProductName = os ? os->productName() : std::string();
  std::string caption = WmiOsProperty(ctx.platform.wmi, "Caption");
  if (caption.empty()) caption = ctx.windowsProductName;
  return {caption, os ? os->kernelRelease() : std::string()};
}

ItemTexts windowsUpdate(CollectionContext& ctx) {
  OsFacts* os = ctx.platform.os;
  if (!os) return ItemTexts(3);
  const std::optional<bool> automatic = os->automaticUpdates();
  return {os->latestUpgradeDate(), os->lastSuccessfulUpgrade(),
          automatic ? AutoUpdateOptionText(*automatic ? 4 : 1) : std::string()};
}

ItemTexts installDate(CollectionContext& ctx) {
  try {
    const auto when = ctx.platform.os ? ctx.platform.os->installTime() : std::nullopt;
    return {when ? DateTimeText(UnixTimeToDateTime(*when)) : std::string()};
  } catch (const std::exception&) {
    return {""};  // the system cannot tell
  }
}

// No product ID or key, no Internet Explorer.
ItemTexts twoEmptyRows(CollectionContext&) { return ItemTexts(2); }

// The components the system runs, found by the same search texts as a registry's.
ItemTexts networkComponents(CollectionContext& ctx) {
  const std::vector<std::string> running =
      ctx.platform.os ? ctx.platform.os->networkComponents() : std::vector<std::string>{};
  ItemTexts t;
  for (std::string_view search : NetworkComponentSearchTexts()) {
    auto it = std::find_if(running.begin(), running.end(), [&](const std::string& d) { return contains(d, search); });
    t.push_back(it == running.end() ? std::string() : *it);
  }
  return t;
}

void printerDriverPort(CollectionContext& ctx, const std::string& printer, std::string& driver, std::string& port) {
  if (ctx.platform.printers && !printer.empty()) ctx.platform.printers->driverAndPort(printer, driver, port);
}

std::string fileTypeProgram(const Platform& platform, std::string_view fileType) {
  if (!platform.desktop) return {};
  try {
    return platform.desktop->defaultProgram(fileType);
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string noProgramFilesFolder(const Platform&) { return {}; }

}  // namespace

const InstallationFacts kSystemInstallation = {
    "system",
    ownerRows,
    windowsName,
    windowsUpdate,
    installDate,
    twoEmptyRows,
    twoEmptyRows,
    ClamAvStatus,
    networkComponents,
    printerDriverPort,
    fileTypeProgram,
    noProgramFilesFolder,
};

}  // namespace mrv
