#include "collect/ProcessorItems.h"

#include "base/Text.h"
#include "collect/CpuClock.h"
#include "collect/CpuName.h"
#include "collect/WmiQuery.h"

namespace mrv {

ItemTexts CpuNameItem(CollectionContext& ctx) {
  std::string name = trim(WmiProcessorProperty(ctx.platform.wmi, "Name"));
  if (name.empty()) name = MachineText(ctx, "\\Hardware\\Description\\System\\CentralProcessor\\0", "Identifier");
  if (name.empty() && ctx.platform.cpu) name = CpuNameFromCpuid(*ctx.platform.cpu);
  return {name};
}

ItemTexts CpuClockItem(CollectionContext& ctx) {
  return {ctx.platform.cpu ? CpuClockMHzText(CpuClockHz(*ctx.platform.cpu)) : std::string()};
}

ItemTexts MemorySpeedL2CacheItem(CollectionContext& ctx) {
  return {WmiMemorySpeed(ctx.platform.wmi) + "/" + trim(WmiProcessorProperty(ctx.platform.wmi, "L2CacheSize"))};
}

}  // namespace mrv
