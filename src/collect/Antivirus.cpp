#include "collect/Antivirus.h"

namespace mrv {

std::vector<std::string> AntivirusStatus(CollectionContext&) { return std::vector<std::string>(7); }

}  // namespace mrv
