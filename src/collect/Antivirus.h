#pragma once
// The antivirus product, its engine and pattern versions, the last scan and the schedule (rows 78
// to 84), from what the products leave in the registry; on a PC without a Windows registry, from
// ClamAV. Also the virus-found log beside the record files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

// Always exactly seven texts: a failure inside a found product's keys empties only what it could
// not read.
std::vector<std::string> AntivirusStatus(CollectionContext& ctx);

// Dotted version as one number, the parts as digits of base 10000 ("4.0.4321" → 400004321); ""
// gives 0, a part that is not a number -1. Wraps like a 32-bit signed integer.
std::int32_t VersionNumber(std::string_view text);
// The first 11 characters as seconds since 1601-01-01, nine hours later, as
// "yyyy/mm/dd hh:mm:ss" (the nine hours whatever the zone); "" when it is not a number.
std::string FiletimeText(std::string_view text);

// Appends `line` to the virus-found log unless a whole line of it already equals it. A last line
// without its line end (a writer caught mid-line) is not taken as a match. False when the log
// cannot be written.
bool AppendVirusFoundLine(const std::string& logPath, const std::string& line);

}  // namespace mrv
