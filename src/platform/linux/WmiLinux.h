#pragma once
// The WMI classes the program asks, answered from the Linux machine itself:
//
//   Win32_BIOS, Win32_BaseBoard, Win32_ComputerSystem, Win32_PhysicalMemoryArray,
//   Win32_PhysicalMemory, Win32_Processor   from the SMBIOS tables (/sys/firmware/dmi/tables, which
//       only root may read), else from /sys/class/dmi/id (BIOS, board, system) and /proc/cpuinfo
//       with /sys/devices/system/cpu (processor). A machine without either has no instances.
//   Win32_OperatingSystem               os-release, uname, /proc/meminfo, /proc/stat
//   Win32_DiskDrive, Win32_PhysicalMedia  the fixed disks of /sys/block, numbered in drive order
//   Win32_CDROMDrive                    the sr* devices of /sys/block
//   Win32_NetworkAdapterConfiguration   every interface but the loopback: IPv4 addresses
//       (getifaddrs), gateway (/proc/net/route), DNS servers (/etc/resolv.conf), MAC, and DHCP when a
//       lease of systemd-networkd, NetworkManager, dhclient or dhcpcd names the interface.
//
// Drive order (\\.\PHYSICALDRIVE<n>), shared with the S.M.A.R.T. side: the whole disks of /sys/block
// that are not removable and not virtual (loop, ram, zram, dm-, md, nbd, sr, fd excluded, and the
// hidden path devices nvmeXcYnZ of NVMe multipathing, which have no device file), sd*
// first, then hd*, vd*, xvd*, nvme*, mmcblk*, then any other; within a family by name length, then
// name (sda..sdz, sdaa, ...). So /dev/sda is drive 0, /dev/sdb drive 1.
//
// Values are never made up: what the machine does not record is null.
#include <functional>
#include <string>
#include <vector>

#include "platform/WmiRepository.h"

namespace mrv {

// The block device names (as in /sys/block) that are fixed disks, in drive order. A name for which
// isRemovable answers true is left out.
std::vector<std::string> physicalDriveOrder(const std::vector<std::string>& blockNames,
                                            const std::function<bool(const std::string&)>& isRemovable);

struct Ipv4Address {
  std::string interfaceName;
  std::string address;  // dotted
  std::string mask;     // dotted
};

class LinuxWmiProvider : public WmiClassProvider {
 public:
  // root: prefix of every file read ("" for the machine itself; tests pass a folder of fake files).
  explicit LinuxWmiProvider(std::string root = "");
  bool loadClass(std::string_view name, WmiClass& out) override;
  std::vector<std::string> classNames() override;

  // The IPv4 addresses of the interfaces; getifaddrs unless replaced.
  std::function<std::vector<Ipv4Address>()> ipv4Addresses;

 private:
  std::string root_;
};

}  // namespace mrv
