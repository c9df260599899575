// The disks through the Windows S.M.A.R.T. I/O controls. On the NT family drive index n is
// \\.\PhysicalDriven; on the 9x family one device, \\.\SMARTVSD, serves every IDE position.
// A PhysicalDrive on the NVMe bus answers no S.M.A.R.T. I/O control; it is read through the
// protocol-specific storage query instead (Identify data and the health log page).
#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "platform/SmartCommands.h"
#include "platform/AtaDevice.h"
#include "platform/StorageProtocolData.h"

namespace mrv {
namespace {

// The published S.M.A.R.T. structures, declared here with their exact byte layout.
#pragma pack(push, 1)
struct IdeRegs {
  BYTE features, sectorCount, sectorNumber, cylLow, cylHigh, driveHead, command, reserved;
};
struct GetVersionOutParams {  // GETVERSIONINPARAMS
  BYTE version, revision, reserved, ideDeviceMap;
  DWORD capabilities;
  DWORD reserved2[4];
};
struct SendCmdInParams {  // SENDCMDINPARAMS
  DWORD bufferSize;
  IdeRegs regs;
  BYTE driveNumber;
  BYTE reserved[3];
  DWORD reserved2[4];
  BYTE buffer[1];
};
struct DriverStatus {
  BYTE driverError, ideError, reserved[2];
  DWORD reserved2[2];
};
struct SendCmdOutBuffer {  // SENDCMDOUTPARAMS with room for one 512-byte block
  DWORD bufferSize;
  DriverStatus status;
  BYTE buffer[512];
  BYTE spare[1];
};
#pragma pack(pop)
static_assert(sizeof(IdeRegs) == 8);
static_assert(sizeof(GetVersionOutParams) == 24);
static_assert(sizeof(SendCmdInParams) == 33);
static_assert(offsetof(SendCmdOutBuffer, buffer) == 16);
static_assert(sizeof(SendCmdOutBuffer) == 529);

constexpr DWORD kSmartGetVersion = 0x00074080;        // also DFP_GET_VERSION
constexpr DWORD kSmartSendDriveCommand = 0x0007C084;
constexpr DWORD kSmartRcvDriveData = 0x0007C088;

std::string systemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string out;
  if (n > 0 && text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    if (size > 0) {
      out.resize(static_cast<std::size_t>(size));
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), size, nullptr, nullptr);
    }
  }
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' ')) out.pop_back();
  if (out.empty()) out = "error " + std::to_string(code);
  return out;
}

bool isNineXFamily() {
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
  return (GetVersion() & 0x80000000u) != 0;
}

static_assert(sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA) == kProtocolSpecificDataSize);
static_assert(sizeof(STORAGE_PROTOCOL_DATA_DESCRIPTOR) == kProtocolDataDescriptorSize);
static_assert(offsetof(STORAGE_PROPERTY_QUERY, AdditionalParameters) == kProtocolSpecificDataOffset);
static_assert(offsetof(STORAGE_PROTOCOL_DATA_DESCRIPTOR, ProtocolSpecificData) == kProtocolSpecificDataOffset);
static_assert(StorageAdapterProtocolSpecificProperty == kStorageAdapterProtocolSpecificProperty);
static_assert(StorageDeviceProtocolSpecificProperty == kStorageDeviceProtocolSpecificProperty);
static_assert(ProtocolTypeNvme == kProtocolTypeNvme);
static_assert(NVMeDataTypeIdentify == kNvmeDataTypeIdentify && NVMeDataTypeLogPage == kNvmeDataTypeLogPage);

// Whether the disk behind `handle` sits on the NVMe bus. A driver that does not answer the
// question is taken as ATA, the road every older system has.
bool onNvmeBus(HANDLE handle) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  alignas(STORAGE_DEVICE_DESCRIPTOR) BYTE buffer[1024] = {};
  DWORD returned = 0;
  if (!DeviceIoControl(handle, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, buffer, sizeof buffer, &returned,
                       nullptr) ||
      returned < offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) + sizeof(STORAGE_BUS_TYPE))
    return false;
  STORAGE_DEVICE_DESCRIPTOR descriptor;
  std::memcpy(&descriptor, buffer, std::min<std::size_t>(returned, sizeof descriptor));
  return descriptor.BusType == BusTypeNvme;
}

class Win32NvmeDrive : public AtaDrive, public NvmeDrive {
 public:
  explicit Win32NvmeDrive(HANDLE handle) : handle_(handle) {}
  ~Win32NvmeDrive() override { CloseHandle(handle_); }
  Win32NvmeDrive(const Win32NvmeDrive&) = delete;
  Win32NvmeDrive& operator=(const Win32NvmeDrive&) = delete;

  NvmeDrive* nvme() override { return this; }
  bool deviceMap(std::uint8_t&, std::string& message) override {
    message = "the drive is an NVMe drive: it takes no ATA commands";
    return false;
  }
  bool send(const AtaCommand&, AtaReply& reply) override {
    reply = AtaReply{};
    reply.systemMessage = "the drive is an NVMe drive: it takes no ATA commands";
    return false;
  }

  // The controller's data is the adapter's; a namespace and the health log are the device's.
  // A PhysicalDrive stands for the controller's first namespace.
  bool identifyController(NvmeIdentifyBlock& block, std::string& message) override {
    return query({kStorageAdapterProtocolSpecificProperty, kNvmeDataTypeIdentify, kNvmeIdentifyController, 0,
                  kNvmeIdentifySize},
                 block.data(), message);
  }
  bool identifyNamespace(NvmeIdentifyBlock& block, std::string& message) override {
    return query({kStorageDeviceProtocolSpecificProperty, kNvmeDataTypeIdentify, kNvmeIdentifyNamespace, 1,
                  kNvmeIdentifySize},
                 block.data(), message);
  }
  bool healthLog(NvmeHealthLog& block, std::string& message) override {
    return query({kStorageDeviceProtocolSpecificProperty, kNvmeDataTypeLogPage, kNvmeLogHealth, 0, kNvmeHealthLogSize},
                 block.data(), message);
  }

 private:
  bool query(const StorageProtocolRequest& request, std::uint8_t* out, std::string& message) {
    std::memset(out, 0, request.dataLength);
    std::vector<std::uint8_t> buffer = buildStorageProtocolQuery(request);
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, IOCTL_STORAGE_QUERY_PROPERTY, buffer.data(), static_cast<DWORD>(buffer.size()),
                         buffer.data(), static_cast<DWORD>(buffer.size()), &returned, nullptr)) {
      message = systemMessage(GetLastError());
      return false;
    }
    std::span<const std::uint8_t> data;
    const std::size_t got = std::min<std::size_t>(returned, buffer.size());
    if (!storageProtocolAnswerData(std::span<const std::uint8_t>(buffer.data(), got), request.dataLength, data, message))
      return false;
    std::memcpy(out, data.data(), data.size());
    return true;
  }

  HANDLE handle_;
};

std::string physicalDrivePath(int index) { return "\\\\.\\PhysicalDrive" + std::to_string(index); }

class Win32AtaDrive : public AtaDrive {
 public:
  explicit Win32AtaDrive(HANDLE handle) : handle_(handle) {}
  ~Win32AtaDrive() override { CloseHandle(handle_); }
  Win32AtaDrive(const Win32AtaDrive&) = delete;
  Win32AtaDrive& operator=(const Win32AtaDrive&) = delete;

  bool deviceMap(std::uint8_t& map, std::string& message) override {
    GetVersionOutParams out{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle_, kSmartGetVersion, nullptr, 0, &out, sizeof out, &returned, nullptr)) {
      message = systemMessage(GetLastError());
      return false;
    }
    map = out.ideDeviceMap;
    return true;
  }

  bool send(const AtaCommand& command, AtaReply& reply) override {
    reply = AtaReply{};
    const AtaRegisters& r = command.registers;
    SendCmdInParams in{};
    in.bufferSize = command.readsBlock ? 512 : 0;
    in.regs = IdeRegs{r.features, r.sectorCount, r.sectorNumber, r.cylLow, r.cylHigh, r.driveHead, r.command, 0};
    in.driveNumber = static_cast<BYTE>(command.position);

    SendCmdOutBuffer out{};
    const bool identify = r.command == kAtaIdentify || r.command == kAtaIdentifyPacket;
    if (identify) out.bufferSize = 512;
    const DWORD outLength = identify ? 529 : 528;
    const DWORD code = command.readsBlock ? kSmartRcvDriveData : kSmartSendDriveCommand;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(handle_, code, &in, sizeof(SendCmdInParams) - 1, &out, outLength, &returned, nullptr);
    const DWORD error = ok ? 0 : GetLastError();
    reply.driverError = out.status.driverError;
    reply.ideError = out.status.ideError;
    if (!ok) {
      reply.systemMessage = systemMessage(error);
      return false;
    }
    if (command.readsBlock) std::memcpy(reply.block.data(), out.buffer, kAtaBlockSize);
    return true;
  }

 private:
  HANDLE handle_;
};

class Win32AtaDevice : public AtaDevice {
 public:
  Win32AtaDevice() : nineX_(isNineXFamily()) {}

  // The highest PhysicalDrive number that exists, plus one (numbers may have gaps). Opening
  // without access rights needs no administrator.
  int driveCount() override {
    if (nineX_) return 1;
    int count = 0;
    for (int i = 0; i < 32; ++i) {
      const HANDLE h = CreateFileA(physicalDrivePath(i).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        count = i + 1;
      }
    }
    return count;
  }

  std::string driveName(int driveIndex) override {
    if (driveIndex < 0) return {};
    return nineX_ ? std::string("\\\\.\\SMARTVSD") : physicalDrivePath(driveIndex);
  }

  bool sharedController() const override { return nineX_; }

  std::unique_ptr<AtaDrive> openDrive(int driveIndex, std::string& message) override {
    HANDLE h = INVALID_HANDLE_VALUE;
    if (nineX_) {
      h = CreateFileA("\\\\.\\SMARTVSD", 0, 0, nullptr, CREATE_NEW, 0, nullptr);
    } else if (driveIndex >= 0) {
      h = CreateFileA(physicalDrivePath(driveIndex).c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    } else {
      SetLastError(ERROR_FILE_NOT_FOUND);
    }
    if (h == INVALID_HANDLE_VALUE) {
      message = systemMessage(GetLastError());
      return nullptr;
    }
    if (!nineX_ && onNvmeBus(h)) return std::make_unique<Win32NvmeDrive>(h);
    return std::make_unique<Win32AtaDrive>(h);
  }

 private:
  bool nineX_;
};

}  // namespace

std::unique_ptr<AtaDevice> openNativeAtaDevice() { return std::make_unique<Win32AtaDevice>(); }

}  // namespace mrv
