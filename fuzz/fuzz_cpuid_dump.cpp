// CPUID dumps, and the processor name worked out from them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "collect/CpuName.h"
#include "platform/replay/CpuidDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  CpuidDump cpu = CpuidDump::fromText(std::string_view(reinterpret_cast<const char*>(data), size));
  CpuNameFromCpuid(cpu);
  return 0;
}
