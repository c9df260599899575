#pragma once
// The processor (rows 13 to 15): its name from WMI, the registry or CPUID; its clock, measured;
// the memory speed with the level-2 cache size.
#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts CpuNameItem(CollectionContext& ctx);             // 13
ItemTexts CpuClockItem(CollectionContext& ctx);            // 14 (about one second)
ItemTexts MemorySpeedL2CacheItem(CollectionContext& ctx);  // 15

}  // namespace mrv
