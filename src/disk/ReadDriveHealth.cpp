// Reading one drive: open it, ask which IDE positions it serves, and for the first position that
// answers, enable S.M.A.R.T., identify the drive and read its two tables. An NVMe drive is read
// through its admin reads instead (disk/NvmeHealth).
//
// `errorText` holds the text of the last failed step and stays set even when a later step or
// position succeeds; the callers treat any text as "no data for this index". The result is true
// when a position was decoded or none was taken, false when the last step attempted failed.
#include <exception>

#include "disk/DriveHealth.h"
#include "disk/NvmeHealth.h"

namespace mrv {

bool ReadDriveHealth(AtaDevice& device, int driveIndex, DriveHealth& health, std::string& errorText) {
  health = DriveHealth{};
  errorText.clear();
  try {
    std::string message;
    const std::unique_ptr<AtaDrive> drive = device.openDrive(driveIndex, message);
    if (!drive) {
      errorText = smartOpenErrorText(device.sharedController(), message);
      return false;
    }
    if (NvmeDrive* nvme = drive->nvme()) return ReadNvmeHealth(*nvme, health, errorText);
    std::uint8_t map = 0;
    if (!drive->deviceMap(map, message)) {
      errorText = smartVersionErrorText(message);
      return false;
    }

    bool tried = false;
    AtaReply identify, data, thresholds;
    for (int p = 0; p < 4; ++p) {
      if (!smartPositionTaken(map, p)) continue;
      tried = true;
      const bool atapi = smartPositionIsAtapi(map, p);
      if (!atapi) {
        AtaReply enable;
        if (!drive->send(smartCommand(SmartStep::Enable, p), enable))
          errorText = smartStepErrorText(SmartStep::Enable, p, enable);
      }
      if (!drive->send(smartCommand(SmartStep::Identify, p, atapi), identify)) {
        errorText = smartStepErrorText(SmartStep::Identify, p, identify);
        continue;
      }
      health.driveNumber = p;
      decodeIdentity(identify.block, health);
      if (!drive->send(smartCommand(SmartStep::ReadAttributes, p), data)) {
        errorText = smartStepErrorText(SmartStep::ReadAttributes, p, data);
        continue;
      }
      if (!drive->send(smartCommand(SmartStep::ReadThresholds, p), thresholds)) {
        errorText = smartStepErrorText(SmartStep::ReadThresholds, p, thresholds);
        continue;
      }
      decodeSmartTables(data.block, thresholds.block, health);
      return true;
    }
    return !tried;
  } catch (const std::exception& e) {
    errorText = smartExceptionErrorText(e.what());
    return false;
  }
}

}  // namespace mrv
