#pragma once
// An NVMe drive as the health reader sees it. NVMe drives answer no ATA command; what the reader
// needs from them are three admin reads: the Identify Controller data (model, serial, firmware),
// the Identify Namespace data of the namespace the drive index stands for (its size), and the
// SMART / Health Information log page (log identifier 02h, for the whole controller).
// What the bytes mean is decided by the core (disk/NvmeHealth).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mrv {

constexpr std::size_t kNvmeIdentifySize = 4096;
constexpr std::size_t kNvmeHealthLogSize = 512;
using NvmeIdentifyBlock = std::array<std::uint8_t, kNvmeIdentifySize>;
using NvmeHealthLog = std::array<std::uint8_t, kNvmeHealthLogSize>;

// Admin command values of the NVMe base standard.
constexpr std::uint8_t kNvmeAdminGetLogPage = 0x02;
constexpr std::uint8_t kNvmeAdminIdentify = 0x06;
constexpr std::uint32_t kNvmeIdentifyNamespace = 0x00;   // CNS 00h
constexpr std::uint32_t kNvmeIdentifyController = 0x01;  // CNS 01h
constexpr std::uint32_t kNvmeLogHealth = 0x02;           // SMART / Health Information
constexpr std::uint32_t kNvmeAllNamespaces = 0xFFFFFFFFu;

class NvmeDrive {
 public:
  virtual ~NvmeDrive() = default;
  // Each read fills its block (zeroed first) and returns true, or returns false with the system's
  // text (and the NVMe status, when the drive gave one) in `systemMessage`.
  virtual bool identifyController(NvmeIdentifyBlock& block, std::string& systemMessage) = 0;
  virtual bool identifyNamespace(NvmeIdentifyBlock& block, std::string& systemMessage) = 0;
  virtual bool healthLog(NvmeHealthLog& block, std::string& systemMessage) = 0;
};

}  // namespace mrv
