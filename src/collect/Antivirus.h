#pragma once
// The antivirus product, its engine and pattern versions, the last scan and the schedule (rows 78 to 84).
#include <string>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> AntivirusStatus(CollectionContext& ctx);

}  // namespace mrv
