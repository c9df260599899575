#pragma once
// The record file name stem of this PC: computer name, two underscores, workgroup or domain. It is
// row 1 of the record and the name of its files. The workgroup is VNETSUP's on 9x, the LAN group on
// NT; a name that cannot be read leaves it empty.
#include <string>

#include "platform/Platform.h"

namespace mrv {

std::string CsvFileNameText(const Platform& platform);

}  // namespace mrv
