#pragma once
// The processor clock: the time-stamp counter counted over one second of the millisecond timer,
// checked against the high-resolution counter; and the rounded megahertz the record shows.
#include <cstdint>
#include <string>

#include "platform/CpuSource.h"

namespace mrv {

// The clock in hertz, 0 when it cannot be measured. A Transmeta processor states its clock in
// leaf 0x80860001 and is not measured. Otherwise this busy-waits about one second.
std::uint64_t CpuClockHz(CpuSource& cpu);

// Megahertz rounded to two significant digits, halves up, above 99: 2394 → 2400, 1995 → 2000,
// 733 → 730; 99 and below stay as they are.
std::uint64_t RoundCpuMHz(std::uint64_t mhz);

// The record's processor clock text: hertz in whole megahertz, rounded as above, plain digits;
// 0 gives "".
std::string CpuClockMHzText(std::uint64_t hz);

}  // namespace mrv
