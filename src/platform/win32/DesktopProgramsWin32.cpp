// Windows registers the programs of file types in its registry (HKEY_CLASSES_ROOT) and keeps
// version resources in the programs themselves: there is no desktop database to read.
#include "platform/DesktopPrograms.h"

namespace mrv {

DesktopDirs DesktopDirs::fromEnvironment() { return {}; }

std::unique_ptr<DesktopPrograms> openDesktopPrograms() { return nullptr; }

std::unique_ptr<DesktopPrograms> openDesktopPrograms(DesktopDirs) { return nullptr; }

}  // namespace mrv
