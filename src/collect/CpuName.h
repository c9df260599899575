#pragma once
// The processor's name worked out from CPUID: the vendor string picks a section of naming rules,
// the family, model, stepping, brand index and cache sizes pick the rule. The last source of the
// processor name, after WMI and the registry.
#include <cstdint>
#include <string>

#include "platform/CpuSource.h"

namespace mrv {

// The processor name, or "" when no rule fits.
std::string CpuNameFromCpuid(CpuSource& cpu);

// The name GetSystemInfo's processor type stands for ("MIPS R4000", "Alpha 21164", ...), or ""
// for a type the system does not name.
std::string ProcessorTypeName(std::uint32_t processorType);

// The system-information step: the processor type's name replaces `name` when it has one.
std::string ApplySystemInformation(CpuSource& cpu, std::string name);

}  // namespace mrv
