#include "platform/CpuSource.h"

namespace mrv {

std::uint32_t x86ProcessorTypeForFamily(std::uint32_t family) {
  if (family == 3) return 386;
  if (family == 4) return 486;
  if (family >= 5) return 586;
  return 0;
}

}  // namespace mrv
