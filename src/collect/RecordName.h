#pragma once
// The record file name stem of this PC: computer name, two underscores, workgroup or domain. It is
// row 1 of the record and the name of its files.
#include <string>

#include "platform/Platform.h"

namespace mrv {

std::string CsvFileNameText(const Platform& platform);

}  // namespace mrv
