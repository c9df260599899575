// This machine's disks. Drive index n is the n-th disk of /sys/block in a stable order: SCSI/SATA
// disks first (sda, sdb, ..., sdaa), then old IDE disks (hda, ...), then virtio, Xen, NVMe and
// MMC disks. NVMe disks are read through NVMe admin commands (NvmeDriveLinux.cpp). ATA commands
// go through SG_IO as ATA PASS-THROUGH (16); a device that does not take SG_IO
// is tried with the old IDE ioctl HDIO_DRIVE_CMD. Every request has a time limit.
#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/SmartCommands.h"
#include "platform/AtaDevice.h"
#include "platform/linux/WmiLinux.h"
#include "platform/linux/AtaDeviceLinux.h"

namespace mrv {
namespace {

constexpr unsigned kCommandTimeoutMs = 15000;  // long enough for a sleeping disk to spin up

// The disks in drive order: the same order WMI's \\.\PHYSICALDRIVE<n> numbers them, so drive n
// of a history row and of the disk model and serial are one disk.
std::vector<std::string> listDisks(std::string& message) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it("/sys/block", ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  if (ec) message = "cannot list /sys/block: " + ec.message();
  return physicalDriveOrder(names, [](const std::string& name) {
    std::ifstream in("/sys/block/" + name + "/removable");
    std::string flag;
    return std::getline(in, flag) && flag == "1";
  });
}

std::string errnoText(int code) { return std::strerror(code); }

std::string hex2(unsigned v) {
  char buf[4];
  std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
  return buf;
}

class LinuxAtaDrive : public AtaDrive {
 public:
  LinuxAtaDrive(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~LinuxAtaDrive() override { ::close(fd_); }
  LinuxAtaDrive(const LinuxAtaDrive&) = delete;
  LinuxAtaDrive& operator=(const LinuxAtaDrive&) = delete;

  // One disk per drive index: position 0, when the disk takes ATA commands by either road.
  bool deviceMap(std::uint8_t& map, std::string& systemMessage) override {
    int version = 0;
    if (::ioctl(fd_, SG_GET_VERSION_NUM, &version) == 0) {
      map = 0x01;
      return true;
    }
    const int sgErrno = errno;
    unsigned char identity[512];
    if (::ioctl(fd_, HDIO_GET_IDENTITY, identity) == 0) {
      useHdio_ = true;
      map = 0x01;
      return true;
    }
    systemMessage = errnoText(sgErrno) + " (" + path_ + " is not an ATA disk: it takes no ATA pass-through)";
    return false;
  }

  bool send(const AtaCommand& command, AtaReply& reply) override {
    reply = AtaReply{};
    if (!useHdio_) {
      const int result = sendSgio(command, reply);
      if (result >= 0) return result == 1;
      useHdio_ = true;  // SG_IO itself is not there: the old IDE road
    }
    return sendHdio(command, reply);
  }

 private:
  // 1 done, 0 failed, -1 SG_IO is not supported by this device.
  int sendSgio(const AtaCommand& command, AtaReply& reply) {
    const AtaRegisters& r = command.registers;
    unsigned char cdb[16] = {};
    cdb[0] = 0x85;  // ATA PASS-THROUGH (16)
    if (command.readsBlock) {
      cdb[1] = 4 << 1;  // PIO data-in
      cdb[2] = 0x0E;    // from the device, length in blocks, taken from the sector count
    } else {
      cdb[1] = 3 << 1;  // non-data
    }
    cdb[4] = r.features;
    cdb[6] = r.sectorCount;
    cdb[8] = r.sectorNumber;
    cdb[10] = r.cylLow;
    cdb[12] = r.cylHigh;
    cdb[13] = r.driveHead;
    cdb[14] = r.command;

    unsigned char sense[32] = {};
    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = sizeof cdb;
    io.cmdp = cdb;
    io.mx_sb_len = sizeof sense;
    io.sbp = sense;
    io.timeout = kCommandTimeoutMs;
    if (command.readsBlock) {
      io.dxfer_direction = SG_DXFER_FROM_DEV;
      io.dxferp = reply.block.data();
      io.dxfer_len = kAtaBlockSize;
    } else {
      io.dxfer_direction = SG_DXFER_NONE;
    }
    if (::ioctl(fd_, SG_IO, &io) != 0) {
      const int e = errno;
      if (e == ENOTTY || e == EINVAL || e == ENOSYS) return -1;
      reply.systemMessage = errnoText(e);
      return 0;
    }
    if (io.host_status == 0x03 /* DID_TIME_OUT */ || (io.driver_status & 0x0F) == 0x06 /* DRIVER_TIMEOUT */) {
      reply.systemMessage = errnoText(ETIMEDOUT);
      return 0;
    }
    if (io.host_status != 0) {
      reply.systemMessage = "the host adapter failed the request (host status " + hex2(io.host_status) + "h)";
      return 0;
    }

    // The ATA registers, when the sense data carries them (descriptor or fixed format).
    bool haveAta = false;
    std::uint8_t ataError = 0, ataStatus = 0, senseKey = 0, asc = 0, ascq = 0;
    const std::size_t senseLength = std::min<std::size_t>(io.sb_len_wr, sizeof sense);
    if (senseLength >= 8) {
      const std::uint8_t code = sense[0] & 0x7F;
      if (code == 0x72 || code == 0x73) {
        senseKey = sense[1] & 0x0F;
        asc = sense[2];
        ascq = sense[3];
        const std::size_t end = std::min<std::size_t>(senseLength, 8u + sense[7]);
        for (std::size_t d = 8; d + 1 < end; d += 2u + sense[d + 1]) {
          if (sense[d] == 0x09 && d + 13 < end) {
            haveAta = true;
            ataError = sense[d + 3];
            ataStatus = sense[d + 13];
            break;
          }
        }
      } else if ((code == 0x70 || code == 0x71) && senseLength >= 14) {
        senseKey = sense[2] & 0x0F;
        asc = sense[12];
        ascq = sense[13];
        if (asc == 0x00 && ascq == 0x1D) {
          haveAta = true;
          ataError = sense[3];
          ataStatus = sense[4];
        }
      }
    }
    reply.ideError = ataError;
    if (haveAta && (ataStatus & 0x21) != 0) {  // ERR or device fault
      reply.driverError = 1;
      reply.systemMessage = "the drive refused the command (ATA status " + hex2(ataStatus) + "h, error " + hex2(ataError) + "h)";
      return 0;
    }
    const std::uint8_t status = io.status & 0x7E;
    if (status == 0 || (status == 0x02 && (senseKey == 0 || senseKey == 1))) {
      if (command.readsBlock && io.resid > 0) {
        reply.systemMessage = "the drive returned " + std::to_string(static_cast<int>(kAtaBlockSize) - io.resid) +
                              " of 512 bytes";
        return 0;
      }
      return 1;
    }
    if (status == 0x02 && senseKey == 0x05) {
      reply.systemMessage = path_ + " does not take ATA pass-through commands (SCSI sense: illegal request, " + hex2(asc) +
                            "h/" + hex2(ascq) + "h)";
      return 0;
    }
    if (status == 0x02) {
      reply.systemMessage = "the command failed (SCSI sense key " + hex2(senseKey) + "h, " + hex2(asc) + "h/" + hex2(ascq) + "h)";
      return 0;
    }
    reply.systemMessage = "the command failed (SCSI status " + hex2(io.status) + "h)";
    return 0;
  }

  bool sendHdio(const AtaCommand& command, AtaReply& reply) {
    const AtaRegisters& r = command.registers;
    unsigned char args[4 + kAtaBlockSize] = {};
    const unsigned char sectors = command.readsBlock ? r.sectorCount : 0;
    args[0] = r.command;
    args[2] = r.features;
    args[3] = sectors;
    // SMART takes the sector number register; the driver loads 4Fh/C2h itself.
    args[1] = (r.command == kAtaSmart) ? r.sectorNumber : sectors;
    if (::ioctl(fd_, HDIO_DRIVE_CMD, args) != 0) {
      const int e = errno;
      reply.systemMessage = errnoText(e);
      if (e == EIO) {
        reply.driverError = 1;
        reply.ideError = args[1];
      }
      return false;
    }
    if (command.readsBlock) std::memcpy(reply.block.data(), args + 4, kAtaBlockSize);
    return true;
  }

  int fd_;
  std::string path_;
  bool useHdio_ = false;
};

class LinuxAtaDevice : public AtaDevice {
 public:
  int driveCount() override {
    std::string ignored;
    return static_cast<int>(listDisks(ignored).size());
  }

  std::string driveName(int driveIndex) override {
    std::string ignored;
    const std::vector<std::string> disks = listDisks(ignored);
    if (driveIndex < 0 || driveIndex >= static_cast<int>(disks.size())) return {};
    return "/dev/" + disks[static_cast<std::size_t>(driveIndex)];
  }

  std::unique_ptr<AtaDrive> openDrive(int driveIndex, std::string& systemMessage) override {
    std::string listMessage;
    const std::vector<std::string> disks = listDisks(listMessage);
    if (driveIndex < 0 || driveIndex >= static_cast<int>(disks.size())) {
      std::string known;
      for (const std::string& d : disks) known += (known.empty() ? "" : ", ") + d;
      systemMessage = errnoText(ENODEV) + " (drive index " + std::to_string(driveIndex) + "; disks found: " +
                      (known.empty() ? "none" : known) + ")";
      if (!listMessage.empty()) systemMessage += "; " + listMessage;
      return nullptr;
    }
    return openLinuxAtaDrive("/dev/" + disks[static_cast<std::size_t>(driveIndex)], systemMessage);
  }
};

}  // namespace

std::unique_ptr<AtaDrive> openLinuxAtaDrive(const std::string& path, std::string& systemMessage) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    systemMessage = errnoText(errno) + " (" + path + ")";
    return nullptr;
  }
  if (std::filesystem::path(path).filename().string().starts_with("nvme")) return adoptLinuxNvmeDrive(fd, path);
  return std::make_unique<LinuxAtaDrive>(fd, path);
}

std::unique_ptr<AtaDevice> openNativeAtaDevice() { return std::make_unique<LinuxAtaDevice>(); }

}  // namespace mrv
