#pragma once
// The developer and support command for drive dumps:
//   "dump"  records every drive of the device (the real disks) into a folder of drive dumps;
//   "show"  prints every drive's decoded health and attributes with their status words.
#include <ostream>
#include <string>
#include <string_view>

#include "disk/DriveHealth.h"
#include "platform/AtaDevice.h"

namespace mrv {

// Returns the program's exit code: 0 when every drive was recorded or read, 1 when one was not,
// 2 for an unknown mode.
// "dump" writes through `record`.
int runDriveDumpCommand(AtaDevice& device, std::string_view mode, const std::string& folder, DriveDumpRecorder record,
                        std::ostream& out);

// The "show" listing of one drive.
void printDriveHealth(const DriveHealth& health, std::ostream& out);

}  // namespace mrv
