#include "platform/CpuSource.h"

#include "platform/replay/CpuidDump.h"

namespace mrv {

std::uint32_t x86ProcessorTypeForFamily(std::uint32_t family) {
  if (family == 3) return 386;
  if (family == 4) return 486;
  if (family >= 5) return 586;
  return 0;
}

std::unique_ptr<CpuSource> openCpuSource(const Sources& sources, std::string& message) {
  message.clear();
  if (sources.cpuid.empty()) return openNativeCpuSource();
  return loadCpuidDump(sources.cpuid, message);
}

}  // namespace mrv
