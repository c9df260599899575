// Drive dumps, and the S.M.A.R.T. decoding of the blocks they hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "disk/DriveHealth.h"
#include "platform/replay/DriveDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DriveDump dump;
  std::string message;
  if (parseDriveDump(bytes, dump, message)) {
    DriveHealth health;
    if (dump.identify) decodeIdentity(*dump.identify, health);
    if (dump.smartData && dump.smartThresholds) decodeSmartTables(*dump.smartData, *dump.smartThresholds, health);
    serializeDriveDump(dump);
  }
  // the raw bytes as the three blocks, as a drive could answer them
  AtaBlock blocks[3] = {};
  for (std::size_t i = 0; i < size && i < sizeof blocks; ++i) blocks[i / kAtaBlockSize][i % kAtaBlockSize] = data[i];
  DriveHealth health;
  decodeIdentity(blocks[0], health);
  decodeSmartTables(blocks[1], blocks[2], health);
  return 0;
}
