#include "collect/MemoryItems.h"

#include "base/Error.h"
#include "collect/SystemProbes.h"

namespace mrv {

std::string RoundedMemoryMB(std::string_view probeText) {
  std::uint64_t n = 0;
  if (probeText.empty() || probeText.size() > 15) throw MrvError("physical memory: not a number: " + std::string(probeText));
  for (char c : probeText) {
    if (c < '0' || c > '9') throw MrvError("physical memory: not a number: " + std::string(probeText));
    n = n * 10 + static_cast<unsigned>(c - '0');
  }
  return std::to_string((n + 4) / 8 * 8);
}

ItemTexts MemoryItem(CollectionContext& ctx) {
  return {RoundedMemoryMB(ctx.platform.system ? PhysicalMemoryMB(*ctx.platform.system) : kProbeError)};
}

ItemTexts PageFileItem(CollectionContext& ctx) {
  return {ctx.platform.system ? PageFileMB(*ctx.platform.system) : kProbeError};
}

}  // namespace mrv
