#include "collect/NetworkAdapters.h"

namespace mrv {

std::vector<std::string> NetworkAdapters(CollectionContext&) { return std::vector<std::string>(16); }

}  // namespace mrv
