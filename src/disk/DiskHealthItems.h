#pragma once
// The six disk-health values of the record (rows 56 to 61): the first drive's S.M.A.R.T. verdicts, or the last saved history row when the drive cannot be read.
#include <string>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> DiskHealthItems(CollectionContext& ctx);

}  // namespace mrv
