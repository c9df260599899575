#pragma once
// The installation's facts as a Windows registry holds them (InstallationFacts.h). Each is written
// beside the other rules of its family of rows.
#include <string>
#include <string_view>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts RegistryOwnerRows(CollectionContext& ctx);         // IdentityItems.cpp
ItemTexts RegistryWindowsName(CollectionContext& ctx);       // WindowsItems.cpp
ItemTexts RegistryWindowsUpdate(CollectionContext& ctx);     // WindowsItems.cpp
ItemTexts RegistryInstallDate(CollectionContext& ctx);       // WindowsItems.cpp
ItemTexts RegistryProductId(CollectionContext& ctx);         // WindowsItems.cpp
ItemTexts RegistryInternetExplorer(CollectionContext& ctx);  // WindowsItems.cpp
ItemTexts RegistryAntivirus(CollectionContext& ctx);         // Antivirus.cpp
ItemTexts RegistryNetworkComponents(CollectionContext& ctx);  // ComponentItems.cpp
void RegistryPrinterDriverPort(CollectionContext& ctx, const std::string& printer, std::string& driver,
                               std::string& port);  // PrinterItems.cpp

}  // namespace mrv
