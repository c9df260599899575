#include "collect/RecordName.h"

#include "collect/IdentityItems.h"
#include "collect/SystemProbes.h"
#include "collect/TRegistryEx.h"
#include "records/RecordFiles.h"

namespace mrv {

std::string CsvFileNameText(const Platform& platform) {
  if (!platform.system) return RecordFileStem(kProbeError, "");
  TRegistryEx reg(platform.registry);
  std::string group;
  if (OsFamilyOf(reg) == "9x") {
    // the workgroup names itself last in VNETSUP's value, after any other names and commas
    reg.setRootKey(RootKey::LocalMachine);
    const auto type = reg.openKeyReadOnly(kVnetsupKey) ? reg.dataType("WorkGroup") : std::nullopt;
    if (type == kRegSz || type == kRegExpandSz) group = LastCommaPart(reg.readString("WorkGroup"));
  } else {
    group = LanGroupName(*platform.system);
  }
  return RecordFileStem(ComputerNameText(*platform.system), group);
}

}  // namespace mrv
