// Windows keeps these facts in its registry, where the collection reads them.
#include "platform/OsFacts.h"

namespace mrv {

std::unique_ptr<OsFacts> openOsFacts() { return nullptr; }

}  // namespace mrv
