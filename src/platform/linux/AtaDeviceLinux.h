#pragma once
// One Linux block device opened for ATA commands, by path. The drive-index device uses it; it is
// also how a single device is checked directly.
#include <memory>
#include <string>

#include "platform/AtaDevice.h"

namespace mrv {

// Null, with the system's text and the path, when the device cannot be opened.
// A path whose name begins with "nvme" is an NVMe drive (its `nvme()` answers).
std::unique_ptr<AtaDrive> openLinuxAtaDrive(const std::string& path, std::string& systemMessage);
// The NVMe drive on an open descriptor of its device, which it then owns.
std::unique_ptr<AtaDrive> adoptLinuxNvmeDrive(int fd, const std::string& path);

}  // namespace mrv
