#pragma once
// The host name and address (rows 46, 47) and the WMI hardware texts (48 to 55): memory modules
// and capacity, motherboard, BIOS, processor ID, optical drive, first disk's model and serial.
#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts HostItems(CollectionContext& ctx);         // 46, 47
ItemTexts WmiHardwareItems(CollectionContext& ctx);  // 48 to 55

}  // namespace mrv
