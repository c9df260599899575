#pragma once
// The six disk-health values of the record (rows 56 to 61): the first drive's S.M.A.R.T. verdicts, or the last saved history row when the drive cannot be read.
#include <string>
#include <vector>

#include "collect/CollectionContext.h"
#include "disk/DriveHealth.h"

namespace mrv {

std::vector<std::string> DiskHealthItems(CollectionContext& ctx);

// The six values from a drive that was read.
std::vector<std::string> DiskHealthValues(const DriveHealth& health);
// The six values from the last row of a history file; six empty texts without a file or a data row.
std::vector<std::string> DiskHealthItemsFromHistory(const std::string& historyPath);

}  // namespace mrv
