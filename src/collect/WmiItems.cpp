#include "collect/WmiItems.h"

#include "base/Text.h"
#include "collect/SystemProbes.h"
#include "collect/WmiQuery.h"
#include "collect/ValueTerms.h"

namespace mrv {

ItemTexts HostItems(CollectionContext& ctx) {
  SystemServices* sys = ctx.platform.system;
  if (!sys) return ItemTexts(2);
  HostAddress(*sys, ctx.dialogs, "");  // starts WinSock; gethostname needs it
  const std::string host = HostNameText(*sys);
  return {host, PadIpAddress(HostAddress(*sys, ctx.dialogs, host))};
}

ItemTexts WmiHardwareItems(CollectionContext& ctx) {
  WmiService* wmi = ctx.platform.wmi;
  return {WmiMemoryModules(wmi),
          WmiMemoryCapacity(wmi),
          trim(WmiMotherboard(wmi)),
          WmiBiosVersion(wmi),
          WmiProcessorProperty(wmi, "ProcessorId"),
          WmiOpticalDrive(wmi),
          WmiDiskModel(wmi, 0),
          trim(WmiDiskSerial(wmi, 0))};
}

}  // namespace mrv
