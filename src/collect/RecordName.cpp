#include "collect/RecordName.h"

#include "collect/SystemProbes.h"
#include "records/RecordFiles.h"

namespace mrv {

std::string CsvFileNameText(const Platform& platform) {
  if (!platform.system) return RecordFileStem(kProbeError, "");
  return RecordFileStem(ComputerNameText(*platform.system), LanGroupName(*platform.system));
}

}  // namespace mrv
