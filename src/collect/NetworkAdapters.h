#pragma once
// Up to two IP-enabled network adapters, from WMI: rows 62 to 77 (two blocks of eight).
#include <string>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> NetworkAdapters(CollectionContext& ctx);

}  // namespace mrv
