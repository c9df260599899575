#pragma once
// The request and answer buffers of the Windows protocol-specific storage query
// (IOCTL_STORAGE_QUERY_PROPERTY with StorageAdapterProtocolSpecificProperty or
// StorageDeviceProtocolSpecificProperty), through which Windows hands out NVMe Identify data and
// log pages. The byte layout is built and checked here, without the Windows headers, so that the
// checks of what a driver returns are the same code on every build (the win32 code asserts the
// layout against the SDK's structures).
//
// Request: STORAGE_PROPERTY_QUERY (PropertyId, QueryType), STORAGE_PROTOCOL_SPECIFIC_DATA at
// byte 8, the data area after it. Answer: STORAGE_PROTOCOL_DATA_DESCRIPTOR (Version, Size,
// STORAGE_PROTOCOL_SPECIFIC_DATA at byte 8); the data lies ProtocolDataOffset bytes after the
// start of that STORAGE_PROTOCOL_SPECIFIC_DATA.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mrv {

constexpr std::uint32_t kStorageAdapterProtocolSpecificProperty = 49;
constexpr std::uint32_t kStorageDeviceProtocolSpecificProperty = 50;
constexpr std::uint32_t kPropertyStandardQuery = 0;
constexpr std::uint32_t kProtocolTypeNvme = 3;
constexpr std::uint32_t kNvmeDataTypeIdentify = 1;
constexpr std::uint32_t kNvmeDataTypeLogPage = 2;

constexpr std::size_t kProtocolSpecificDataOffset = 8;   // in the request and in the answer
constexpr std::size_t kProtocolSpecificDataSize = 40;    // STORAGE_PROTOCOL_SPECIFIC_DATA
constexpr std::size_t kProtocolDataDescriptorSize = 48;  // STORAGE_PROTOCOL_DATA_DESCRIPTOR

struct StorageProtocolRequest {
  std::uint32_t propertyId = kStorageDeviceProtocolSpecificProperty;
  std::uint32_t dataType = kNvmeDataTypeIdentify;
  std::uint32_t requestValue = 0;     // the CNS of an Identify, the log identifier of a log page
  std::uint32_t requestSubValue = 0;  // the namespace of an Identify Namespace
  std::uint32_t dataLength = 0;       // bytes wanted
};

// The request buffer, with room for the answer (the same buffer serves both).
std::vector<std::uint8_t> buildStorageProtocolQuery(const StorageProtocolRequest& request);

// The `wanted` bytes of data in an answer of `returned` bytes. False, with `problem`, when the
// descriptor is not the one asked for or its offset and length do not lie inside the answer.
bool storageProtocolAnswerData(std::span<const std::uint8_t> answer, std::size_t wanted,
                               std::span<const std::uint8_t>& data, std::string& problem);

}  // namespace mrv
