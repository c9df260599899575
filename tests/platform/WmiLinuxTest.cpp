// The Linux providers (SMBIOS tables, /proc and /sys) are built only on Linux.
#ifdef __linux__
#include "platform/linux/WmiLinux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "collect/WmiQuery.h"
#include "platform/SmbiosBytes.h"

using namespace mrv;
using namespace mrv::testing;
namespace fs = std::filesystem;

namespace {

// A folder standing in for the machine's root.
class FakeRoot {
 public:
  FakeRoot() {
    dir_ = fs::temp_directory_path() / ("mervana-wmi-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                        "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~FakeRoot() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void write(const std::string& path, const std::string& content) const {
    const fs::path p = dir_ / path.substr(1);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
  }
  std::string path() const { return dir_.string(); }

 private:
  fs::path dir_;
};

struct Fixture {
  FakeRoot root;
  std::shared_ptr<LinuxWmiProvider> provider = std::make_shared<LinuxWmiProvider>(root.path());
  WmiProviderService service{provider};
  WmiService* wmi() { return &service; }
  WmiObjectSet all(const char* className) { return wmiInstancesOf(*provider, className); }
};

std::string str(const WmiObject& o, const char* name) {
  const WmiProperty& p = o.item(name);
  return p.value.isNull ? "NULL" : WmiValueText(p);
}

}  // namespace

TEST(WmiLinux, SmbiosTablesOf2xAnd3xMachines) {
  for (bool v3 : {false, true}) {
    Fixture f;
    f.root.write("/sys/firmware/dmi/tables/smbios_entry_point", v3 ? entryPoint3(3, 2, 0x4000) : entryPoint2(2, 3, 0x400));
    f.root.write("/sys/firmware/dmi/tables/DMI", officeTables());
    f.root.write("/proc/sys/kernel/hostname", "soumu-pc07\n");
    EXPECT_EQ(WmiBiosVersion(f.wmi()), v3 ? "0802 v3.2" : "0802 v2.3");
    EXPECT_EQ(WmiMotherboard(f.wmi()), "ASUSTeK Computer INC. P5GZ-MX");
    EXPECT_EQ(WmiComputerModel(f.wmi()), "P5GZ-MX / System manufacturer");
    EXPECT_EQ(WmiMemoryCapacity(f.wmi()), "4096//4");
    EXPECT_EQ(WmiMemoryModules(f.wmi()), "DIMM0:DIMM/512/400/64/DDR +DIMM1:DIMM/512/400/64/DDR");
    EXPECT_EQ(WmiMemorySpeed(f.wmi()), "400");
    EXPECT_EQ(WmiProcessorProperty(f.wmi(), "ProcessorId"), "BFEBFBFF00000F43");
    EXPECT_EQ(WmiProcessorProperty(f.wmi(), "L2CacheSize"), "1024");
    EXPECT_EQ(WmiProcessorProperty(f.wmi(), "Name"), "Intel(R) Pentium(R) 4 CPU 3.00GHz");  // no cpuinfo here
    const auto bios = f.all("Win32_BIOS");
    ASSERT_EQ(bios.count(), 1u);
    EXPECT_EQ(str(bios.objects[0], "ReleaseDate"), "20060520000000.000000+000");
    EXPECT_EQ(str(bios.objects[0], "Manufacturer"), "American Megatrends Inc.");
    EXPECT_EQ(str(bios.objects[0], "SerialNumber"), "System Serial Number");
    const auto memory = f.all("Win32_PhysicalMemory");
    ASSERT_EQ(memory.count(), 2u);  // the empty socket is not a module
    EXPECT_EQ(str(memory.objects[0], "Manufacturer"), "Manufacturer00");
    EXPECT_EQ(str(memory.objects[1], "Manufacturer"), "NULL");
    EXPECT_EQ(str(memory.objects[1], "BankLabel"), "BANK1");
    EXPECT_EQ(str(f.all("Win32_ComputerSystem").objects.at(0), "NumberOfProcessors"), "1");
  }
}

TEST(WmiLinux, NoSmbiosMeansNoInstancesOfItsClasses) {
  Fixture f;
  for (const char* c : {"Win32_BIOS", "Win32_BaseBoard", "Win32_ComputerSystem", "Win32_PhysicalMemoryArray",
                        "Win32_PhysicalMemory", "Win32_Processor"})
    EXPECT_EQ(f.all(c).count(), 0u) << c;
  EXPECT_EQ(WmiBiosVersion(f.wmi()), "");
  EXPECT_EQ(WmiMotherboard(f.wmi()), "");
  EXPECT_EQ(WmiComputerModel(f.wmi()), "");
  EXPECT_EQ(WmiMemoryModules(f.wmi()), "");
  EXPECT_EQ(WmiMemorySpeed(f.wmi()), "0");
  EXPECT_EQ(WmiOpticalDrive(f.wmi()), "");
  // A damaged table is the same as none.
  f.root.write("/sys/firmware/dmi/tables/smbios_entry_point", "_SM_");
  f.root.write("/sys/firmware/dmi/tables/DMI", officeTables());
  EXPECT_EQ(f.all("Win32_BIOS").count(), 0u);
}

TEST(WmiLinux, DmiIdAndCpuinfoFallBacks) {
  Fixture f;
  f.root.write("/sys/class/dmi/id/bios_vendor", "Phoenix Technologies LTD\n");
  f.root.write("/sys/class/dmi/id/bios_version", "6.00\n");
  f.root.write("/sys/class/dmi/id/bios_date", "07/22/2020\n");
  f.root.write("/sys/class/dmi/id/sys_vendor", "VMware, Inc.\n");
  f.root.write("/sys/class/dmi/id/product_name", "VMware Virtual Platform\n");
  f.root.write("/sys/class/dmi/id/board_vendor", "Intel Corporation\n");
  f.root.write("/sys/class/dmi/id/board_name", "440BX Desktop Reference Platform\n");
  f.root.write("/proc/cpuinfo",
               "processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 15\nmodel name\t: Intel(R) Core(TM)2 CPU\n"
               "stepping\t: 6\ncpu MHz\t\t: 2394.001\nphysical id\t: 0\ncpu cores\t: 2\n\n"
               "processor\t: 1\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) Core(TM)2 CPU\nphysical id\t: 0\n\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index0/level", "1\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index0/type", "Data\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index0/size", "32K\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index2/level", "2\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index2/type", "Unified\n");
  f.root.write("/sys/devices/system/cpu/cpu0/cache/index2/size", "4096K\n");

  EXPECT_EQ(WmiComputerModel(f.wmi()), "VMware Virtual Platform / VMware, Inc.");
  EXPECT_EQ(WmiMotherboard(f.wmi()), "Intel Corporation 440BX Desktop Reference Platform");
  EXPECT_EQ(WmiBiosVersion(f.wmi()), "6.00 vNULL.NULL");  // the SMBIOS version is in the tables only
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "Name"), "Intel(R) Core(TM)2 CPU");
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "L2CacheSize"), "4096");
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "CurrentClockSpeed"), "2394");
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "NumberOfLogicalProcessors"), "2");
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "MaxClockSpeed"), "NULL");
  EXPECT_EQ(f.all("Win32_PhysicalMemory").count(), 0u);

  // Two packages: two instances, so the single-value query gives "".
  f.root.write("/proc/cpuinfo", "processor\t: 0\nmodel name\t: A\nphysical id\t: 0\n\nprocessor\t: 1\nmodel name\t: A\nphysical id\t: 1\n");
  EXPECT_EQ(f.all("Win32_Processor").count(), 2u);
  EXPECT_EQ(WmiProcessorProperty(f.wmi(), "Name"), "");
}

TEST(WmiLinux, DriveOrder) {
  const auto removable = [](const std::string& n) { return n == "sdc"; };
  EXPECT_EQ(physicalDriveOrder({"vda", "sdaa", "nvme0n1", "sdb", "loop0", "sr0", "sdc", "sda", "zram0", "dm-0",
                                "hda", "mmcblk0", "md127", "nvme1n1", "xvda"},
                               removable),
            (std::vector<std::string>{"sda", "sdb", "sdaa", "hda", "vda", "xvda", "nvme0n1", "nvme1n1", "mmcblk0"}));
  EXPECT_TRUE(physicalDriveOrder({}, nullptr).empty());
  // an NVMe namespace under multipathing also shows its hidden path devices, which are no disks
  EXPECT_EQ(physicalDriveOrder({"nvme0c0n1", "nvme0n1", "nvme1c1n1", "nvme1n1", "nvme10n2", "nvme0c"}, nullptr),
            (std::vector<std::string>{"nvme0c", "nvme0n1", "nvme1n1", "nvme10n2"}));
}

TEST(WmiLinux, DisksAndOpticalDrives) {
  Fixture f;
  f.root.write("/sys/block/sdb/device/model", "WDC WD800JD-60LS\n");
  f.root.write("/sys/block/sdb/device/vendor", "ATA     \n");
  f.root.write("/sys/block/sdb/removable", "0\n");
  f.root.write("/sys/block/sdb/size", "156301488\n");
  std::string vpd = std::string("\0\x80\0\x0d", 4) + "  WD-WMAM9AB1";
  f.root.write("/sys/block/sdb/device/vpd_pg80", vpd);
  f.root.write("/sys/block/sda/device/model", "ST380815AS\n");
  f.root.write("/sys/block/sda/removable", "0\n");
  f.root.write("/sys/block/vda/device/vendor", "0x1af4\n");
  f.root.write("/sys/block/vda/serial", "disk-serial");
  f.root.write("/sys/block/sdc/removable", "1\n");
  f.root.write("/sys/block/sr0/device/vendor", "HL-DT-ST\n");
  f.root.write("/sys/block/sr0/device/model", "DVD-ROM GDR8164B\n");

  EXPECT_EQ(WmiDiskModel(f.wmi(), 0), "NULL/ST380815AS");
  EXPECT_EQ(WmiDiskModel(f.wmi(), 1), "ATA/WDC WD800JD-60LS");
  EXPECT_EQ(WmiDiskSerial(f.wmi(), 1), "WD-WMAM9AB1");
  EXPECT_EQ(WmiDiskModel(f.wmi(), 2), "NULL/NULL");  // virtio: no model, and its vendor is an id
  EXPECT_EQ(WmiDiskSerial(f.wmi(), 2), "disk-serial");
  EXPECT_EQ(WmiDiskSerial(f.wmi(), 3), "");
  const auto disks = f.all("Win32_DiskDrive");
  ASSERT_EQ(disks.count(), 3u);
  EXPECT_EQ(str(disks.objects[1], "Size"), "80026361856");
  EXPECT_EQ(str(disks.objects[1], "DeviceID"), "\\\\.\\PHYSICALDRIVE1");
  EXPECT_EQ(WmiOpticalDrive(f.wmi()), "HL-DT-ST DVD-ROM GDR8164B");
}

TEST(WmiLinux, OperatingSystem) {
  Fixture f;
  f.root.write("/etc/os-release", "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
  f.root.write("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
  f.root.write("/proc/meminfo", "MemTotal:        2048000 kB\nMemAvailable:    1024000 kB\n");
  EXPECT_EQ(WmiOsProperty(f.wmi(), "Caption"), "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(WmiOsProperty(f.wmi(), "CSDVersion"), "NULL");
  EXPECT_EQ(WmiOsProperty(f.wmi(), "Version"), "6.1.0-18-amd64");
  EXPECT_EQ(WmiOsProperty(f.wmi(), "TotalVisibleMemorySize"), "2048000");
  f.root.write("/etc/os-release", "");
  f.root.write("/usr/lib/os-release", "NAME=Fedora\nVERSION='39 (Workstation)'\n");
  EXPECT_EQ(WmiOsProperty(f.wmi(), "Caption"), "Fedora 39 (Workstation)");
}

TEST(WmiLinux, NetworkAdapterConfiguration) {
  Fixture f;
  f.root.write("/sys/class/net/lo/type", "772\n");
  f.root.write("/sys/class/net/lo/ifindex", "1\n");
  f.root.write("/sys/class/net/eth0/type", "1\n");
  f.root.write("/sys/class/net/eth0/ifindex", "2\n");
  f.root.write("/sys/class/net/eth0/address", "00:11:2f:4a:5b:6c\n");
  f.root.write("/sys/class/net/wlan0/type", "1\n");
  f.root.write("/sys/class/net/wlan0/ifindex", "3\n");
  f.root.write("/sys/class/net/wlan0/address", "00:aa:bb:cc:dd:ee\n");
  f.root.write("/proc/net/route",
               "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
               "eth0\t00000000\t0100A8C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
               "eth0\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n");
  f.root.write("/etc/resolv.conf", "# generated\nsearch example\nnameserver 192.168.0.1\nnameserver ::1\nnameserver 192.168.0.2\n");
  f.root.write("/run/systemd/netif/leases/2", "ADDRESS=192.168.0.23\nSERVER_ADDRESS=192.168.0.1\n");
  f.provider->ipv4Addresses = [] {
    return std::vector<Ipv4Address>{{"lo", "127.0.0.1", "255.0.0.0"}, {"eth0", "192.168.0.23", "255.255.255.0"}};
  };
  const auto set = f.all("Win32_NetworkAdapterConfiguration");
  ASSERT_EQ(set.count(), 2u);
  const WmiObject& eth = set.objects[0];
  EXPECT_EQ(str(eth, "Description"), "eth0");
  EXPECT_EQ(str(eth, "IPEnabled"), "True");
  EXPECT_EQ(str(eth, "IPAddress"), "192.168.0.23");
  EXPECT_EQ(str(eth, "IPSubnet"), "255.255.255.0");
  EXPECT_EQ(str(eth, "DefaultIPGateway"), "192.168.0.1");
  EXPECT_EQ(str(eth, "DNSServerSearchOrder"), "192.168.0.1|192.168.0.2");
  EXPECT_EQ(str(eth, "MACAddress"), "00:11:2F:4A:5B:6C");
  EXPECT_EQ(str(eth, "DHCPEnabled"), "True");
  EXPECT_EQ(str(eth, "DHCPServer"), "192.168.0.1");
  const WmiObject& wlan = set.objects[1];
  EXPECT_EQ(str(wlan, "IPEnabled"), "False");
  EXPECT_EQ(str(wlan, "IPAddress"), "NULL");
  EXPECT_EQ(str(wlan, "DHCPEnabled"), "False");
  // The query the adapter step asks.
  EXPECT_EQ(wmiExecQuery(*f.provider, "Select * From Win32_NetworkAdapterConfiguration").count(), 2u);
}

#endif  // __linux__
