#pragma once
// One Linux block device opened for ATA commands, by path. The drive-index device uses it; it is
// also how a single device is checked directly.
#include <memory>
#include <string>

#include "platform/AtaDevice.h"

namespace mrv {

// Null, with the system's text and the path, when the device cannot be opened.
std::unique_ptr<AtaDrive> openLinuxAtaDrive(const std::string& path, std::string& systemMessage);

}  // namespace mrv
