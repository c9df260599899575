// An NVMe drive through the kernel's admin pass-through (NVME_IOCTL_ADMIN_CMD) on its namespace's
// block device (/dev/nvme0n1) or on the controller's character device (/dev/nvme0). The kernel
// takes admin commands from a process with CAP_SYS_ADMIN only (a newer one also from one that may
// write the device); others get EACCES, which becomes the failure text.
#include <linux/nvme_ioctl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/linux/AtaDeviceLinux.h"

namespace mrv {
namespace {

constexpr unsigned kAdminTimeoutMs = 15000;

std::string hex4(unsigned v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04X", v & 0xFFFF);
  return buf;
}

class LinuxNvmeDrive : public AtaDrive, public NvmeDrive {
 public:
  LinuxNvmeDrive(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
    // A namespace's block device tells its namespace; the controller's device has none, and its
    // first namespace is taken.
    const int id = ::ioctl(fd_, NVME_IOCTL_ID);
    nsid_ = id > 0 ? static_cast<std::uint32_t>(id) : 1u;
  }
  ~LinuxNvmeDrive() override { ::close(fd_); }
  LinuxNvmeDrive(const LinuxNvmeDrive&) = delete;
  LinuxNvmeDrive& operator=(const LinuxNvmeDrive&) = delete;

  NvmeDrive* nvme() override { return this; }

  bool deviceMap(std::uint8_t&, std::string& systemMessage) override {
    systemMessage = path_ + " is an NVMe drive: it takes no ATA commands";
    return false;
  }
  bool send(const AtaCommand&, AtaReply& reply) override {
    reply = AtaReply{};
    reply.systemMessage = path_ + " is an NVMe drive: it takes no ATA commands";
    return false;
  }

  bool identifyController(NvmeIdentifyBlock& block, std::string& message) override {
    return admin(kNvmeAdminIdentify, 0, kNvmeIdentifyController, block.data(), block.size(), message);
  }
  bool identifyNamespace(NvmeIdentifyBlock& block, std::string& message) override {
    return admin(kNvmeAdminIdentify, nsid_, kNvmeIdentifyNamespace, block.data(), block.size(), message);
  }
  bool healthLog(NvmeHealthLog& block, std::string& message) override {
    // CDW10: the number of dwords less one in bits 31:16, the log identifier in bits 7:0.
    const std::uint32_t cdw10 = static_cast<std::uint32_t>(kNvmeHealthLogSize / 4 - 1) << 16 | kNvmeLogHealth;
    return admin(kNvmeAdminGetLogPage, kNvmeAllNamespaces, cdw10, block.data(), block.size(), message);
  }

 private:
  bool admin(std::uint8_t opcode, std::uint32_t nsid, std::uint32_t cdw10, std::uint8_t* data, std::size_t size,
             std::string& message) {
    std::memset(data, 0, size);
    nvme_admin_cmd cmd{};
    cmd.opcode = opcode;
    cmd.nsid = nsid;
    cmd.addr = reinterpret_cast<std::uintptr_t>(data);
    cmd.data_len = static_cast<std::uint32_t>(size);
    cmd.cdw10 = cdw10;
    cmd.timeout_ms = kAdminTimeoutMs;
    const int result = ::ioctl(fd_, NVME_IOCTL_ADMIN_CMD, &cmd);
    if (result < 0) {
      message = std::string(std::strerror(errno)) + " (" + path_ + ")";
      return false;
    }
    if (result > 0) {  // the drive's status field: status code type and status code
      message = "the drive refused the command (NVMe status " + hex4(static_cast<unsigned>(result)) + "h, " + path_ + ")";
      return false;
    }
    return true;
  }

  int fd_;
  std::string path_;
  std::uint32_t nsid_ = 1;
};

}  // namespace

std::unique_ptr<AtaDrive> adoptLinuxNvmeDrive(int fd, const std::string& path) {
  return std::make_unique<LinuxNvmeDrive>(fd, path);
}

}  // namespace mrv
