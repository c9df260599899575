// Linux has no registry of its own: only the [Sources] files give the program one.
#include "platform/RegistryStore.h"

namespace mrv {

std::unique_ptr<RegistryStore> openNativeRegistry() { return nullptr; }

}  // namespace mrv
