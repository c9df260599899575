#pragma once
// The printers of an offline Windows installation, from its registry: the printer tree under
// HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Print\Printers (one subkey per printer, with
// Name and "Default DevMode") and the user's default printer, the "Device" value of
// HKEY_CURRENT_USER\Software\Microsoft\Windows NT\CurrentVersion\Windows ("name,winspool,port").
#include <cstddef>
#include <memory>

#include "platform/Printers.h"
#include "platform/RegistryStore.h"

namespace mrv {

inline constexpr char kPrinterTreePath[] = "System\\CurrentControlSet\\Control\\Print\\Printers";

// Where dmColor stands in a DEVMODEW block (after dmDeviceName, the version words, dmFields and the
// printer or display union).
inline constexpr std::size_t kDevModeColorOffset = 92;

// Driver and port are left to the printer tree's readers (driverAndPort answers false).
std::unique_ptr<PrinterService> openRegistryPrinters(RegistryStore& registry);

// dmColor of a DEVMODEW block, as it stands (dmFields is not asked). Throws MrvError when the
// block is too short to hold it.
int devModeColor(const std::string& devMode);

}  // namespace mrv
