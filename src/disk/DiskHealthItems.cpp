#include "disk/DiskHealthItems.h"

namespace mrv {

std::vector<std::string> DiskHealthItems(CollectionContext&) { return std::vector<std::string>(6); }

}  // namespace mrv
