#pragma once
// Registry keys read through the registry API, for the other Windows services.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <memory>

#include "platform/RegistryStore.h"

namespace mrv {

// A key for an open handle; the key closes the handle.
std::unique_ptr<RegistryKey> adoptRegistryKey(HKEY key);

}  // namespace mrv
