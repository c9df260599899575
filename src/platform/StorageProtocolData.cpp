#include "platform/StorageProtocolData.h"

namespace mrv {
namespace {

// Field offsets inside STORAGE_PROTOCOL_SPECIFIC_DATA.
constexpr std::size_t kProtocolType = 0;
constexpr std::size_t kDataType = 4;
constexpr std::size_t kRequestValue = 8;
constexpr std::size_t kRequestSubValue = 12;
constexpr std::size_t kDataOffset = 16;
constexpr std::size_t kDataLength = 20;

void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (8 * k));
}

std::uint32_t get32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
         static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

std::vector<std::uint8_t> buildStorageProtocolQuery(const StorageProtocolRequest& r) {
  std::vector<std::uint8_t> b(kProtocolSpecificDataOffset + kProtocolSpecificDataSize + r.dataLength, 0);
  put32(b, 0, r.propertyId);
  put32(b, 4, kPropertyStandardQuery);
  const std::size_t p = kProtocolSpecificDataOffset;
  put32(b, p + kProtocolType, kProtocolTypeNvme);
  put32(b, p + kDataType, r.dataType);
  put32(b, p + kRequestValue, r.requestValue);
  put32(b, p + kRequestSubValue, r.requestSubValue);
  put32(b, p + kDataOffset, static_cast<std::uint32_t>(kProtocolSpecificDataSize));
  put32(b, p + kDataLength, r.dataLength);
  return b;
}

bool storageProtocolAnswerData(std::span<const std::uint8_t> answer, std::size_t wanted,
                               std::span<const std::uint8_t>& data, std::string& problem) {
  data = {};
  if (answer.size() < kProtocolDataDescriptorSize) {
    problem = "the driver returned " + std::to_string(answer.size()) + " bytes, less than the data descriptor";
    return false;
  }
  if (get32(answer, 0) != kProtocolDataDescriptorSize || get32(answer, 4) != kProtocolDataDescriptorSize) {
    problem = "the driver returned a data descriptor of an unknown version";
    return false;
  }
  const std::size_t p = kProtocolSpecificDataOffset;
  const std::uint64_t offset = get32(answer, p + kDataOffset);
  const std::uint64_t length = get32(answer, p + kDataLength);
  if (offset < kProtocolSpecificDataSize || length < wanted || p + offset + wanted > answer.size()) {
    problem = "the driver returned " + std::to_string(length) + " bytes at offset " + std::to_string(offset) +
              " in an answer of " + std::to_string(answer.size()) + " bytes; " + std::to_string(wanted) + " were asked for";
    return false;
  }
  data = answer.subspan(static_cast<std::size_t>(p + offset), wanted);
  return true;
}

}  // namespace mrv
