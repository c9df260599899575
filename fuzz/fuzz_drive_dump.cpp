// Drive dumps, and the S.M.A.R.T. and NVMe decoding of the blocks they hold; the answer buffer
// of the Windows protocol-specific query that NVMe blocks arrive in.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "disk/DriveHealth.h"
#include "disk/NvmeHealth.h"
#include "platform/StorageProtocolData.h"
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
    std::string problem;
    if (dump.nvmeController) decodeNvmeController(*dump.nvmeController, health, problem);
    if (dump.nvmeNamespace) decodeNvmeNamespace(*dump.nvmeNamespace, health, problem);
    if (dump.nvmeHealth) decodeNvmeHealthLog(*dump.nvmeHealth, health);
    serializeDriveDump(dump);
  }
  // the raw bytes as the three blocks, as a drive could answer them
  AtaBlock blocks[3] = {};
  for (std::size_t i = 0; i < size && i < sizeof blocks; ++i) blocks[i / kAtaBlockSize][i % kAtaBlockSize] = data[i];
  DriveHealth health;
  decodeIdentity(blocks[0], health);
  decodeSmartTables(blocks[1], blocks[2], health);
  // the raw bytes as the NVMe blocks
  NvmeIdentifyBlock identify{};
  NvmeHealthLog log{};
  for (std::size_t i = 0; i < size && i < identify.size(); ++i) identify[i] = data[i];
  for (std::size_t i = 0; i < size && i < log.size(); ++i) log[i] = data[size - 1 - i];
  std::string problem;
  DriveHealth nvme;
  decodeNvmeController(identify, nvme, problem);
  decodeNvmeNamespace(identify, nvme, problem);
  decodeNvmeHealthLog(log, nvme);
  // and as a driver's answer holding a health log
  std::span<const std::uint8_t> found;
  storageProtocolAnswerData(std::span<const std::uint8_t>(data, size), kNvmeHealthLogSize, found, problem);
  return 0;
}
