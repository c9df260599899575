#include "platform/linux/WmiLinux.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "base/Text.h"
#include "platform/linux/Smbios.h"
#include "platform/WmiInstancesFile.h"

namespace mrv {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return ss.str();
}

// The first line of a small sysfs or procfs file, blanks trimmed; "" when it cannot be read.
std::string readLine(const std::string& path) {
  const auto text = readFile(path);
  if (!text) return "";
  return trim(text->substr(0, text->find('\n')));
}

std::vector<std::string> listDir(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

WmiValue textOrNull(const std::string& s) { return s.empty() ? WmiValue::null() : WmiValue::text(s); }
template <typename T>
WmiValue numberOrNull(const std::optional<T>& n) {
  return n ? WmiValue::integer(static_cast<std::int64_t>(*n)) : WmiValue::null();
}
WmiValue uint64Text(std::uint64_t n) { return WmiValue::text(std::to_string(n)); }
WmiValue textArray(const std::vector<std::string>& items) {
  std::vector<WmiScalar> v(items.begin(), items.end());
  return WmiValue::array(std::move(v));
}

struct Prop {
  const char* name;
  int type;
  bool isArray = false;
  bool isKey = false;
};

WmiClass makeClass(const char* name, std::initializer_list<Prop> props) {
  WmiClass c;
  c.name = name;
  for (const Prop& p : props) c.properties.push_back({p.name, p.type, p.isArray, p.isKey});
  sortWmiProperties(c.properties);
  return c;
}

constexpr bool kKey = true;

// A DMTF datetime (yyyymmddHHMMSS.mmmmmm+UUU) of a local time.
std::string dmtfTime(std::time_t t) {
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return "";
  const long offset = tm.tm_gmtoff / 60;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d.000000%c%03ld", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, offset < 0 ? '-' : '+', std::labs(offset) % 1000);
  return buf;
}

// SMBIOS dates are mm/dd/yyyy (or mm/dd/yy before 2.3).
WmiValue biosDate(const std::string& date) {
  const auto parts = split(date, '/');
  int m = 0, d = 0, y = 0;
  if (parts.size() != 3 || !parseInt(parts[0], m) || !parseInt(parts[1], d) || !parseInt(parts[2], y)) return WmiValue::null();
  if (parts[2].size() == 2) y += y < 80 ? 2000 : 1900;
  if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1900 || y > 9999) return WmiValue::null();
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d000000.000000+000", y, m, d);
  return WmiValue::text(buf);
}

std::string machineType() {
  utsname u{};
  return uname(&u) == 0 ? u.machine : "";
}

bool is64Bit(const std::string& machine) {
  return machine == "x86_64" || machine == "aarch64" || machine == "ppc64" || machine == "ppc64le" ||
         machine == "riscv64" || machine == "s390x" || machine == "ia64";
}

// Win32_Processor.Architecture.
std::optional<int> architectureCode(const std::string& m) {
  if (m == "x86_64") return 9;
  if (m.size() == 4 && m[0] == 'i' && m.substr(2) == "86") return 0;
  if (m == "aarch64") return 12;
  if (startsWith(m, "arm")) return 5;
  if (startsWith(m, "ppc")) return 3;
  if (startsWith(m, "mips")) return 1;
  if (m == "ia64") return 6;
  return std::nullopt;
}

// key: value lines of /proc/cpuinfo, one map per logical processor.
std::vector<std::map<std::string, std::string>> cpuinfoBlocks(const std::string& text) {
  std::vector<std::map<std::string, std::string>> blocks(1);
  for (const auto& line : splitLines(text)) {
    if (trim(line).empty()) {
      if (!blocks.back().empty()) blocks.emplace_back();
      continue;
    }
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    blocks.back()[trim(line.substr(0, colon))] = trim(line.substr(colon + 1));
  }
  if (blocks.back().empty()) blocks.pop_back();
  return blocks;
}

std::optional<long long> number(const std::map<std::string, std::string>& m, const std::string& key) {
  const auto it = m.find(key);
  if (it == m.end()) return std::nullopt;
  try {
    std::size_t used = 0;
    const double d = std::stod(it->second, &used);
    if (used == 0) return std::nullopt;
    return std::llround(d);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string value(const std::map<std::string, std::string>& m, const std::string& key) {
  const auto it = m.find(key);
  return it == m.end() ? "" : it->second;
}

// A sysfs size such as "2048K" in kilobytes.
std::optional<long long> sizeKB(const std::string& s) {
  int n = 0;
  if (endsWith(s, "K") && parseInt(s.substr(0, s.size() - 1), n)) return n;
  if (endsWith(s, "M") && parseInt(s.substr(0, s.size() - 1), n)) return static_cast<long long>(n) * 1024;
  return std::nullopt;
}

std::string hex16(std::uint32_t high, std::uint32_t low) {
  char buf[20];
  std::snprintf(buf, sizeof buf, "%08X%08X", high, low);
  return buf;
}

// ProcessorId as Windows forms it: CPUID 1 EDX, then EAX.
std::string cpuidProcessorId() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid(1, &a, &b, &c, &d)) return hex16(d, a);
#endif
  return "";
}

std::string dotted(std::uint32_t networkOrder) {
  in_addr a{};
  a.s_addr = networkOrder;
  char buf[INET_ADDRSTRLEN] = {};
  return inet_ntop(AF_INET, &a, buf, sizeof buf) ? buf : "";
}

std::vector<Ipv4Address> systemIpv4Addresses() {
  std::vector<Ipv4Address> out;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return out;
  for (ifaddrs* i = list; i; i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !i->ifa_name) continue;
    Ipv4Address a;
    a.interfaceName = i->ifa_name;
    a.address = dotted(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    if (i->ifa_netmask) a.mask = dotted(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
    out.push_back(std::move(a));
  }
  freeifaddrs(list);
  return out;
}

int familyRank(const std::string& name) {
  static const char* const families[] = {"sd", "hd", "vd", "xvd", "nvme", "mmcblk"};
  for (int i = 0; i < 6; ++i)
    if (startsWith(name, families[i])) return i;
  return 6;
}

// nvme<controller>c<path>n<namespace>: one path of a namespace under the kernel's NVMe multipathing.
// It is hidden (no device file); the disk is its namespace device, nvme<subsystem>n<namespace>.
bool nvmePathDevice(const std::string& n) {
  if (!startsWith(n, "nvme")) return false;
  std::size_t i = 4;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < n.size() && n[i] >= '0' && n[i] <= '9') ++i;
    return i > from;
  };
  return digits() && i < n.size() && n[i++] == 'c' && digits() && i < n.size() && n[i++] == 'n' && digits() &&
         i == n.size();
}

bool virtualBlockDevice(const std::string& n) {
  static const char* const prefixes[] = {"loop", "ram", "zram", "dm-", "md", "nbd", "sr", "fd"};
  return nvmePathDevice(n) ||
         std::any_of(std::begin(prefixes), std::end(prefixes), [&](const char* p) { return startsWith(n, p); });
}

class Machine {
 public:
  Machine(std::string root, const std::function<std::vector<Ipv4Address>()>& addresses)
      : root_(std::move(root)), addresses_(addresses) {}

  std::string path(const std::string& p) const { return root_ + p; }

  std::optional<smbios::Tables> smbiosTables() const {
    const auto entry = readFile(path("/sys/firmware/dmi/tables/smbios_entry_point"));
    const auto table = readFile(path("/sys/firmware/dmi/tables/DMI"));
    if (!entry || !table) return std::nullopt;
    const auto ep = smbios::parseEntryPoint(*entry);
    if (!ep) return std::nullopt;
    std::string_view bytes(*table);
    if (ep->tableLength > 0 && ep->tableLength < bytes.size()) bytes = bytes.substr(0, ep->tableLength);
    return smbios::decode(*ep, smbios::parseTable(bytes));
  }

  std::string dmiId(const std::string& name) const { return readLine(path("/sys/class/dmi/id/" + name)); }
  bool hasDmiId() const { return exists(path("/sys/class/dmi/id")); }
  std::string hostName() const { return readLine(path("/proc/sys/kernel/hostname")); }
  std::string cpuinfo() const { return readFile(path("/proc/cpuinfo")).value_or(""); }

  std::optional<long long> meminfoKB(const std::string& key) const {
    for (const auto& line : splitLines(readFile(path("/proc/meminfo")).value_or(""))) {
      if (!startsWith(line, key + ":")) continue;
      int n = 0;
      auto words = split(trim(line.substr(key.size() + 1)), ' ');
      if (!words.empty() && parseInt(words[0], n)) return n;
      try {
        return std::stoll(words.at(0));
      } catch (const std::exception&) {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  std::vector<Ipv4Address> addresses() const { return addresses_ ? addresses_() : std::vector<Ipv4Address>{}; }

 private:
  std::string root_;
  const std::function<std::vector<Ipv4Address>()>& addresses_;
};

// --- SMBIOS classes ---------------------------------------------------------------------------

WmiClass biosClass(const Machine& m) {
  WmiClass c = makeClass("Win32_BIOS", {{"BIOSVersion", kCimString, true},
                                        {"Caption", kCimString},
                                        {"Description", kCimString},
                                        {"Manufacturer", kCimString},
                                        {"Name", kCimString, false, kKey},
                                        {"PrimaryBIOS", kCimBoolean},
                                        {"ReleaseDate", kCimDatetime},
                                        {"SerialNumber", kCimString},
                                        {"SMBIOSBIOSVersion", kCimString},
                                        {"SMBIOSMajorVersion", kCimUint16},
                                        {"SMBIOSMinorVersion", kCimUint16},
                                        {"SMBIOSPresent", kCimBoolean},
                                        {"SoftwareElementID", kCimString, false, kKey},
                                        {"SoftwareElementState", kCimUint16, false, kKey},
                                        {"TargetOperatingSystem", kCimUint16, false, kKey},
                                        {"Version", kCimString, false, kKey}});
  auto add = [&](const std::string& vendor, const std::string& version, const std::string& date,
                 const std::string& serial, std::optional<int> major, std::optional<int> minor) {
    c.addInstance({{"BIOSVersion", version.empty() ? WmiValue::null() : textArray({version})},
                   {"Caption", textOrNull(version)},
                   {"Description", textOrNull(version)},
                   {"Manufacturer", textOrNull(vendor)},
                   {"Name", textOrNull(version)},
                   {"PrimaryBIOS", WmiValue::boolean(true)},
                   {"ReleaseDate", biosDate(date)},
                   {"SerialNumber", textOrNull(serial)},
                   {"SMBIOSBIOSVersion", textOrNull(version)},
                   {"SMBIOSMajorVersion", numberOrNull(major)},
                   {"SMBIOSMinorVersion", numberOrNull(minor)},
                   {"SMBIOSPresent", major ? WmiValue::boolean(true) : WmiValue::null()},
                   {"SoftwareElementID", textOrNull(version)},
                   {"SoftwareElementState", WmiValue::integer(3)},  // running
                   {"TargetOperatingSystem", WmiValue::integer(0)}});
  };
  if (const auto t = m.smbiosTables()) {
    const std::string serial = t->systems.empty() ? "" : t->systems[0].serialNumber;
    for (const auto& b : t->bios) add(b.vendor, b.version, b.releaseDate, serial, t->major, t->minor);
  } else if (m.hasDmiId() && !(m.dmiId("bios_vendor").empty() && m.dmiId("bios_version").empty())) {
    add(m.dmiId("bios_vendor"), m.dmiId("bios_version"), m.dmiId("bios_date"), m.dmiId("product_serial"),
        std::nullopt, std::nullopt);
  }
  return c;
}

WmiClass baseBoardClass(const Machine& m) {
  WmiClass c = makeClass("Win32_BaseBoard", {{"Caption", kCimString},
                                             {"Description", kCimString},
                                             {"Manufacturer", kCimString},
                                             {"Name", kCimString},
                                             {"Product", kCimString},
                                             {"SerialNumber", kCimString},
                                             {"Tag", kCimString, false, kKey},
                                             {"Version", kCimString}});
  auto add = [&](const smbios::BaseBoard& b) {
    const std::string tag = c.instances.empty() ? "Base Board" : "Base Board " + std::to_string(c.instances.size());
    c.addInstance({{"Caption", WmiValue::text("Base Board")},
                   {"Description", WmiValue::text("Base Board")},
                   {"Manufacturer", textOrNull(b.manufacturer)},
                   {"Name", WmiValue::text("Base Board")},
                   {"Product", textOrNull(b.product)},
                   {"SerialNumber", textOrNull(b.serialNumber)},
                   {"Tag", WmiValue::text(tag)},
                   {"Version", textOrNull(b.version)}});
  };
  if (const auto t = m.smbiosTables()) {
    for (const auto& b : t->boards) add(b);
  } else if (m.hasDmiId() && !(m.dmiId("board_vendor").empty() && m.dmiId("board_name").empty())) {
    add({m.dmiId("board_vendor"), m.dmiId("board_name"), m.dmiId("board_version"), m.dmiId("board_serial")});
  }
  return c;
}

struct CpuPackage {
  std::map<std::string, std::string> first;  // the first logical processor's fields
  int logical = 0;
  int firstCpu = 0;  // its processor number
};

std::vector<CpuPackage> cpuPackages(const Machine& m) {
  std::map<long long, CpuPackage> byId;
  for (const auto& block : cpuinfoBlocks(m.cpuinfo())) {
    if (block.find("processor") == block.end()) continue;
    const long long id = number(block, "physical id").value_or(0);
    CpuPackage& p = byId[id];
    if (p.logical++ == 0) {
      p.first = block;
      p.firstCpu = static_cast<int>(number(block, "processor").value_or(0));
    }
  }
  std::vector<CpuPackage> out;
  for (auto& [id, p] : byId) out.push_back(std::move(p));
  return out;
}

std::optional<long long> sysfsCacheKB(const Machine& m, int cpu, int level) {
  const std::string dir = m.path("/sys/devices/system/cpu/cpu" + std::to_string(cpu) + "/cache/");
  for (const auto& index : listDir(dir)) {
    if (!startsWith(index, "index")) continue;
    const std::string type = readLine(dir + index + "/type");
    if (readLine(dir + index + "/level") == std::to_string(level) && type != "Instruction")
      return sizeKB(readLine(dir + index + "/size"));
  }
  return std::nullopt;
}

WmiClass computerSystemClass(const Machine& m, std::size_t processorCount) {
  WmiClass c = makeClass("Win32_ComputerSystem", {{"Caption", kCimString},
                                                  {"Manufacturer", kCimString},
                                                  {"Model", kCimString},
                                                  {"Name", kCimString, false, kKey},
                                                  {"NumberOfProcessors", kCimUint32},
                                                  {"SystemType", kCimString},
                                                  {"TotalPhysicalMemory", kCimUint64}});
  std::string manufacturer, model;
  if (const auto t = m.smbiosTables()) {
    if (t->systems.empty()) return c;
    manufacturer = t->systems[0].manufacturer;
    model = t->systems[0].productName;
  } else if (m.hasDmiId() && !(m.dmiId("sys_vendor").empty() && m.dmiId("product_name").empty())) {
    manufacturer = m.dmiId("sys_vendor");
    model = m.dmiId("product_name");
  } else {
    return c;
  }
  const std::string machine = machineType();
  std::string systemType;
  if (machine == "x86_64") systemType = "x64-based PC";
  else if (architectureCode(machine) == 0) systemType = "X86-based PC";
  else if (machine == "aarch64") systemType = "ARM64-based PC";
  const auto memKB = m.meminfoKB("MemTotal");
  c.addInstance({{"Caption", textOrNull(m.hostName())},
                 {"Manufacturer", textOrNull(manufacturer)},
                 {"Model", textOrNull(model)},
                 {"Name", textOrNull(m.hostName())},
                 {"NumberOfProcessors", processorCount ? WmiValue::integer(static_cast<std::int64_t>(processorCount)) : WmiValue::null()},
                 {"SystemType", textOrNull(systemType)},
                 {"TotalPhysicalMemory", memKB ? uint64Text(static_cast<std::uint64_t>(*memKB) * 1024) : WmiValue::null()}});
  return c;
}

WmiClass memoryArrayClass(const Machine& m) {
  WmiClass c = makeClass("Win32_PhysicalMemoryArray", {{"Caption", kCimString},
                                                       {"CreationClassName", kCimString},
                                                       {"Description", kCimString},
                                                       {"Location", kCimUint16},
                                                       {"MaxCapacity", kCimUint32},
                                                       {"MaxCapacityEx", kCimUint64},
                                                       {"MemoryDevices", kCimUint16},
                                                       {"MemoryErrorCorrection", kCimUint16},
                                                       {"Name", kCimString},
                                                       {"Tag", kCimString, false, kKey},
                                                       {"Use", kCimUint16}});
  const auto t = m.smbiosTables();
  if (!t) return c;
  for (const auto& a : t->arrays) {
    WmiValue max, maxEx;
    if (a.maxCapacityKB) {
      maxEx = uint64Text(*a.maxCapacityKB);
      if (*a.maxCapacityKB <= 0xFFFFFFFFu) max = WmiValue::integer(static_cast<std::int64_t>(*a.maxCapacityKB));
    }
    c.addInstance({{"Caption", WmiValue::text("Physical Memory Array")},
                   {"CreationClassName", WmiValue::text("Win32_PhysicalMemoryArray")},
                   {"Description", WmiValue::text("Physical Memory Array")},
                   {"Location", WmiValue::integer(a.location)},
                   {"MaxCapacity", max},
                   {"MaxCapacityEx", maxEx},
                   {"MemoryDevices", WmiValue::integer(a.deviceCount)},
                   {"MemoryErrorCorrection", WmiValue::integer(a.errorCorrection)},
                   {"Name", WmiValue::text("Physical Memory Array")},
                   {"Tag", WmiValue::text("Physical Memory Array " + std::to_string(c.instances.size()))},
                   {"Use", WmiValue::integer(a.use)}});
  }
  return c;
}

WmiClass physicalMemoryClass(const Machine& m) {
  WmiClass c = makeClass("Win32_PhysicalMemory", {{"BankLabel", kCimString},
                                                  {"Capacity", kCimUint64},
                                                  {"Caption", kCimString},
                                                  {"ConfiguredClockSpeed", kCimUint32},
                                                  {"CreationClassName", kCimString},
                                                  {"DataWidth", kCimUint16},
                                                  {"Description", kCimString},
                                                  {"DeviceLocator", kCimString},
                                                  {"FormFactor", kCimUint16},
                                                  {"Manufacturer", kCimString},
                                                  {"MemoryType", kCimUint16},
                                                  {"Name", kCimString},
                                                  {"PartNumber", kCimString},
                                                  {"SerialNumber", kCimString},
                                                  {"SMBIOSMemoryType", kCimUint32},
                                                  {"Speed", kCimUint32},
                                                  {"Tag", kCimString, false, kKey},
                                                  {"TotalWidth", kCimUint16}});
  const auto t = m.smbiosTables();
  if (!t) return c;
  for (const auto& d : t->devices) {
    if (d.sizeBytes && *d.sizeBytes == 0) continue;  // empty socket
    c.addInstance({{"BankLabel", textOrNull(d.bankLocator)},
                   {"Capacity", d.sizeBytes ? uint64Text(*d.sizeBytes) : WmiValue::null()},
                   {"Caption", WmiValue::text("Physical Memory")},
                   {"ConfiguredClockSpeed", numberOrNull(d.configuredSpeedMTs)},
                   {"CreationClassName", WmiValue::text("Win32_PhysicalMemory")},
                   {"DataWidth", numberOrNull(d.dataWidth)},
                   {"Description", WmiValue::text("Physical Memory")},
                   {"DeviceLocator", textOrNull(d.deviceLocator)},
                   {"FormFactor", WmiValue::integer(smbios::wmiFormFactor(d.formFactor))},
                   {"Manufacturer", textOrNull(d.manufacturer)},
                   {"MemoryType", WmiValue::integer(smbios::wmiMemoryType(d.memoryType))},
                   {"Name", WmiValue::text("Physical Memory")},
                   {"PartNumber", textOrNull(d.partNumber)},
                   {"SerialNumber", textOrNull(d.serialNumber)},
                   {"SMBIOSMemoryType", WmiValue::integer(d.memoryType)},
                   {"Speed", numberOrNull(d.speedMTs)},
                   {"Tag", WmiValue::text("Physical Memory " + std::to_string(c.instances.size()))},
                   {"TotalWidth", numberOrNull(d.totalWidth)}});
  }
  return c;
}

WmiClass processorClass(const Machine& m) {
  WmiClass c = makeClass("Win32_Processor", {{"AddressWidth", kCimUint16},
                                             {"Architecture", kCimUint16},
                                             {"Caption", kCimString},
                                             {"CurrentClockSpeed", kCimUint32},
                                             {"DataWidth", kCimUint16},
                                             {"Description", kCimString},
                                             {"DeviceID", kCimString, false, kKey},
                                             {"ExtClock", kCimUint32},
                                             {"Family", kCimUint16},
                                             {"L2CacheSize", kCimUint32},
                                             {"L3CacheSize", kCimUint32},
                                             {"Manufacturer", kCimString},
                                             {"MaxClockSpeed", kCimUint32},
                                             {"Name", kCimString},
                                             {"NumberOfCores", kCimUint32},
                                             {"NumberOfLogicalProcessors", kCimUint32},
                                             {"ProcessorId", kCimString},
                                             {"ProcessorType", kCimUint16},
                                             {"SocketDesignation", kCimString}});
  const std::string machine = machineType();
  const int width = is64Bit(machine) ? 64 : 32;
  const std::vector<CpuPackage> packages = cpuPackages(m);
  const std::optional<smbios::Tables> t = m.smbiosTables();

  std::vector<smbios::Processor> sockets;
  if (t)
    for (const auto& p : t->processors)
      if (p.populated) sockets.push_back(p);
  const std::size_t count = sockets.empty() ? packages.size() : sockets.size();

  for (std::size_t i = 0; i < count; ++i) {
    const CpuPackage* pkg = i < packages.size() ? &packages[i] : nullptr;
    const smbios::Processor* s = i < sockets.size() ? &sockets[i] : nullptr;
    std::map<std::string, std::string> none;
    const auto& info = pkg ? pkg->first : none;

    std::string caption;
    if (!value(info, "cpu family").empty()) {
      const std::string vendor = value(info, "vendor_id");
      const std::string arch = machine == "x86_64" ? (vendor == "AuthenticAMD" ? "AMD64" : "Intel64") : machine == "" ? "" : "x86";
      caption = arch + " Family " + value(info, "cpu family") + " Model " + value(info, "model") + " Stepping " +
                value(info, "stepping");
    }
    std::string name = value(info, "model name");
    if (name.empty() && s) name = s->version;
    std::string id;
    if (s && s->id) id = hex16(static_cast<std::uint32_t>(*s->id >> 32), static_cast<std::uint32_t>(*s->id));
    else if (pkg && !value(info, "vendor_id").empty()) id = cpuidProcessorId();

    std::optional<long long> l2, l3;
    if (s && t) {
      for (const auto& cache : t->caches) {
        if (cache.handle == s->l2CacheHandle && cache.installedKB) l2 = static_cast<long long>(*cache.installedKB);
        if (cache.handle == s->l3CacheHandle && cache.installedKB) l3 = static_cast<long long>(*cache.installedKB);
      }
    }
    if (!l2 && pkg) l2 = sysfsCacheKB(m, pkg->firstCpu, 2);
    if (!l3 && pkg) l3 = sysfsCacheKB(m, pkg->firstCpu, 3);

    std::optional<long long> current, maximum, logical;
    if (s && s->currentSpeedMHz) current = *s->currentSpeedMHz;
    if (!current) current = number(info, "cpu MHz");
    if (s && s->maxSpeedMHz) maximum = *s->maxSpeedMHz;
    if (!maximum && pkg) {
      const std::string khz = readLine(m.path("/sys/devices/system/cpu/cpu" + std::to_string(pkg->firstCpu) +
                                              "/cpufreq/cpuinfo_max_freq"));
      int n = 0;
      if (parseInt(khz, n)) maximum = (n + 500) / 1000;
    }
    std::optional<long long> cores = number(info, "cpu cores");
    if (!cores && s && s->coreCount) cores = *s->coreCount;
    if (pkg) logical = pkg->logical;
    if (!logical && s && s->threadCount) logical = *s->threadCount;

    c.addInstance({{"AddressWidth", WmiValue::integer(width)},
                   {"Architecture", numberOrNull(architectureCode(machine))},
                   {"Caption", textOrNull(caption)},
                   {"CurrentClockSpeed", numberOrNull(current)},
                   {"DataWidth", WmiValue::integer(width)},
                   {"Description", textOrNull(caption)},
                   {"DeviceID", WmiValue::text("CPU" + std::to_string(i))},
                   {"ExtClock", s ? numberOrNull(s->externalClockMHz) : WmiValue::null()},
                   {"Family", s ? WmiValue::integer(s->family) : WmiValue::null()},
                   {"L2CacheSize", numberOrNull(l2)},
                   {"L3CacheSize", numberOrNull(l3)},
                   {"Manufacturer", textOrNull(!value(info, "vendor_id").empty() ? value(info, "vendor_id") : s ? s->manufacturer : "")},
                   {"MaxClockSpeed", numberOrNull(maximum)},
                   {"Name", textOrNull(name)},
                   {"NumberOfCores", numberOrNull(cores)},
                   {"NumberOfLogicalProcessors", numberOrNull(logical)},
                   {"ProcessorId", textOrNull(id)},
                   {"ProcessorType", WmiValue::integer(3)},  // central processor
                   {"SocketDesignation", textOrNull(s ? s->socket : "")}});
  }
  return c;
}

// --- operating system, disks, optical drives, adapters ----------------------------------------

std::map<std::string, std::string> osRelease(const Machine& m) {
  auto text = readFile(m.path("/etc/os-release"));
  if (!text || trim(*text).empty()) text = readFile(m.path("/usr/lib/os-release"));
  std::map<std::string, std::string> fields;
  for (const auto& line : splitLines(text.value_or(""))) {
    const auto eq = line.find('=');
    if (eq == std::string::npos || trim(line).empty() || trim(line)[0] == '#') continue;
    std::string v = trim(line.substr(eq + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      std::string unq;
      for (std::size_t i = 1; i + 1 < v.size(); ++i) {
        if (v[i] == '\\' && i + 2 < v.size()) ++i;
        unq += v[i];
      }
      v = unq;
    }
    fields[trim(line.substr(0, eq))] = v;
  }
  return fields;
}

WmiClass operatingSystemClass(const Machine& m) {
  WmiClass c = makeClass("Win32_OperatingSystem", {{"Caption", kCimString},
                                                   {"CSDVersion", kCimString},
                                                   {"CSName", kCimString},
                                                   {"FreePhysicalMemory", kCimUint64},
                                                   {"LastBootUpTime", kCimDatetime},
                                                   {"Name", kCimString, false, kKey},
                                                   {"OSArchitecture", kCimString},
                                                   {"OSType", kCimUint16},
                                                   {"TotalVisibleMemorySize", kCimUint64},
                                                   {"Version", kCimString}});
  const auto os = osRelease(m);
  std::string caption = os.count("PRETTY_NAME") ? os.at("PRETTY_NAME") : "";
  if (caption.empty() && os.count("NAME")) caption = trim(os.at("NAME") + " " + (os.count("VERSION") ? os.at("VERSION") : ""));
  if (caption.empty()) caption = "Linux";
  std::optional<long long> boot;
  for (const auto& line : splitLines(readFile(m.path("/proc/stat")).value_or("")))
    if (startsWith(line, "btime ")) {
      try {
        boot = std::stoll(line.substr(6));
      } catch (const std::exception&) {
      }
    }
  const auto total = m.meminfoKB("MemTotal");
  const auto available = m.meminfoKB("MemAvailable");
  const std::string machine = machineType();
  c.addInstance({{"Caption", WmiValue::text(caption)},
                 {"CSDVersion", WmiValue::null()},
                 {"CSName", textOrNull(m.hostName())},
                 {"FreePhysicalMemory", available ? uint64Text(static_cast<std::uint64_t>(*available)) : WmiValue::null()},
                 {"LastBootUpTime", boot ? textOrNull(dmtfTime(static_cast<std::time_t>(*boot))) : WmiValue::null()},
                 {"Name", WmiValue::text(caption)},
                 {"OSArchitecture", machine.empty() ? WmiValue::null() : WmiValue::text(is64Bit(machine) ? "64-bit" : "32-bit")},
                 {"OSType", WmiValue::integer(36)},  // LINUX in CIM's list
                 {"TotalVisibleMemorySize", total ? uint64Text(static_cast<std::uint64_t>(*total)) : WmiValue::null()},
                 {"Version", textOrNull(readLine(m.path("/proc/sys/kernel/osrelease")))}});
  return c;
}

// A name the kernel gives, or "" for an id such as virtio's "0x1af4".
std::string nameOnly(const std::string& s) { return startsWith(s, "0x") ? "" : s; }

struct Disk {
  std::string device;
  std::string model, vendor, serial, interfaceType;
  std::optional<std::uint64_t> bytes;
};

std::string vpdSerial(const std::string& path) {
  const auto bytes = readFile(path);
  if (!bytes || bytes->size() < 4) return "";
  const std::size_t length = (static_cast<unsigned char>((*bytes)[2]) << 8) | static_cast<unsigned char>((*bytes)[3]);
  return trim(bytes->substr(4, length));
}

std::vector<Disk> disks(const Machine& m) {
  const std::string block = m.path("/sys/block/");
  std::vector<Disk> out;
  const auto order = physicalDriveOrder(listDir(block), [&](const std::string& name) {
    return readLine(block + name + "/removable") == "1";
  });
  for (const auto& name : order) {
    const std::string dev = block + name + "/device/";
    Disk d;
    d.device = name;
    d.model = readLine(dev + "model");
    d.vendor = nameOnly(readLine(dev + "vendor"));
    d.serial = readLine(dev + "serial");
    if (d.serial.empty()) d.serial = readLine(block + name + "/serial");
    if (d.serial.empty()) d.serial = vpdSerial(dev + "vpd_pg80");
    std::error_code ec;
    const std::string target = fs::canonical(block + name, ec).string();
    d.interfaceType = contains(target, "/usb") ? "USB" : contains(target, "/ata") ? "IDE" : "SCSI";
    const std::string size = readLine(block + name + "/size");
    try {
      if (!size.empty()) d.bytes = std::stoull(size) * 512;
    } catch (const std::exception&) {
    }
    out.push_back(std::move(d));
  }
  return out;
}

std::string physicalDriveName(std::size_t n) { return "\\\\.\\PHYSICALDRIVE" + std::to_string(n); }

WmiClass diskDriveClass(const Machine& m) {
  WmiClass c = makeClass("Win32_DiskDrive", {{"Caption", kCimString},
                                             {"DeviceID", kCimString, false, kKey},
                                             {"Index", kCimUint32},
                                             {"InterfaceType", kCimString},
                                             {"Manufacturer", kCimString},
                                             {"MediaType", kCimString},
                                             {"Model", kCimString},
                                             {"Name", kCimString},
                                             {"SerialNumber", kCimString},
                                             {"Size", kCimUint64}});
  const auto list = disks(m);
  for (std::size_t n = 0; n < list.size(); ++n) {
    const Disk& d = list[n];
    c.addInstance({{"Caption", textOrNull(d.model)},
                   {"DeviceID", WmiValue::text(physicalDriveName(n))},
                   {"Index", WmiValue::integer(static_cast<std::int64_t>(n))},
                   {"InterfaceType", WmiValue::text(d.interfaceType)},
                   {"Manufacturer", textOrNull(d.vendor)},
                   {"MediaType", WmiValue::text("Fixed hard disk media")},
                   {"Model", textOrNull(d.model)},
                   {"Name", WmiValue::text(physicalDriveName(n))},
                   {"SerialNumber", textOrNull(d.serial)},
                   {"Size", d.bytes ? uint64Text(*d.bytes) : WmiValue::null()}});
  }
  return c;
}

WmiClass physicalMediaClass(const Machine& m) {
  WmiClass c = makeClass("Win32_PhysicalMedia", {{"Caption", kCimString},
                                                 {"CreationClassName", kCimString},
                                                 {"Name", kCimString},
                                                 {"SerialNumber", kCimString},
                                                 {"Tag", kCimString, false, kKey}});
  const auto list = disks(m);
  for (std::size_t n = 0; n < list.size(); ++n)
    c.addInstance({{"Caption", WmiValue::text("Physical Media")},
                   {"CreationClassName", WmiValue::text("Win32_PhysicalMedia")},
                   {"Name", WmiValue::text("Physical Media")},
                   {"SerialNumber", textOrNull(list[n].serial)},
                   {"Tag", WmiValue::text(physicalDriveName(n))}});
  return c;
}

WmiClass cdromClass(const Machine& m) {
  WmiClass c = makeClass("Win32_CDROMDrive", {{"Caption", kCimString},
                                              {"CreationClassName", kCimString},
                                              {"DeviceID", kCimString, false, kKey},
                                              {"Manufacturer", kCimString},
                                              {"Name", kCimString},
                                              {"SystemCreationClassName", kCimString},
                                              {"SystemName", kCimString}});
  const std::string block = m.path("/sys/block/");
  for (const auto& name : listDir(block)) {
    if (!startsWith(name, "sr")) continue;
    const std::string vendor = nameOnly(readLine(block + name + "/device/vendor"));
    const std::string title = trim(vendor + " " + readLine(block + name + "/device/model"));
    c.addInstance({{"Caption", textOrNull(title)},
                   {"CreationClassName", WmiValue::text("Win32_CDROMDrive")},
                   {"DeviceID", WmiValue::text("/dev/" + name)},
                   {"Manufacturer", textOrNull(vendor)},
                   {"Name", textOrNull(title)},
                   {"SystemCreationClassName", WmiValue::text("Win32_ComputerSystem")},
                   {"SystemName", textOrNull(m.hostName())}});
  }
  return c;
}

// Default gateways per interface from /proc/net/route (addresses in network byte order, hex).
std::map<std::string, std::vector<std::string>> gateways(const Machine& m) {
  std::map<std::string, std::vector<std::string>> out;
  const auto lines = splitLines(readFile(m.path("/proc/net/route")).value_or(""));
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::istringstream in(lines[i]);
    std::string iface, dest, gw, flags;
    if (!(in >> iface >> dest >> gw >> flags)) continue;
    try {
      const unsigned long d = std::stoul(dest, nullptr, 16), g = std::stoul(gw, nullptr, 16);
      const unsigned long f = std::stoul(flags, nullptr, 16);
      if (d == 0 && g != 0 && (f & 0x1) && (f & 0x2)) out[iface].push_back(dotted(static_cast<std::uint32_t>(g)));
    } catch (const std::exception&) {
    }
  }
  return out;
}

std::vector<std::string> dnsServers(const Machine& m) {
  std::vector<std::string> out;
  for (const auto& line : splitLines(readFile(m.path("/etc/resolv.conf")).value_or(""))) {
    std::istringstream in(line);
    std::string word, address;
    in_addr a{};
    if (in >> word >> address && word == "nameserver" && inet_pton(AF_INET, address.c_str(), &a) == 1)
      out.push_back(address);
  }
  return out;
}

// True when a DHCP client has a lease for the interface, with the server's address if recorded.
bool dhcpLease(const Machine& m, const std::string& iface, const std::string& ifindex, std::string& server) {
  const auto networkd = readFile(m.path("/run/systemd/netif/leases/" + ifindex));
  if (networkd) {
    for (const auto& line : splitLines(*networkd))
      if (startsWith(line, "SERVER_ADDRESS=")) server = line.substr(15);
    return true;
  }
  for (const auto& name : listDir(m.path("/var/lib/NetworkManager")))
    if (endsWith(name, "-" + iface + ".lease")) return true;
  for (const char* dir : {"/var/lib/dhcpcd", "/var/lib/dhcpcd5", "/run/dhcpcd"})
    for (const auto& name : listDir(m.path(dir)))
      if (startsWith(name, iface + ".lease") || startsWith(name, iface + "-")) return true;
  for (const char* dir : {"/var/lib/dhcp", "/var/lib/dhclient"})
    for (const auto& name : listDir(m.path(dir))) {
      if (!endsWith(name, ".leases")) continue;
      if (contains(readFile(m.path(dir) + "/" + name).value_or(""), "interface \"" + iface + "\"")) return true;
    }
  return false;
}

WmiClass adapterConfigurationClass(const Machine& m) {
  WmiClass c = makeClass("Win32_NetworkAdapterConfiguration", {{"Caption", kCimString},
                                                               {"DefaultIPGateway", kCimString, true},
                                                               {"Description", kCimString},
                                                               {"DHCPEnabled", kCimBoolean},
                                                               {"DHCPServer", kCimString},
                                                               {"DNSHostName", kCimString},
                                                               {"DNSServerSearchOrder", kCimString, true},
                                                               {"Index", kCimUint32, false, kKey},
                                                               {"InterfaceIndex", kCimUint32},
                                                               {"IPAddress", kCimString, true},
                                                               {"IPEnabled", kCimBoolean},
                                                               {"IPSubnet", kCimString, true},
                                                               {"MACAddress", kCimString},
                                                               {"ServiceName", kCimString},
                                                               {"WINSPrimaryServer", kCimString},
                                                               {"WINSSecondaryServer", kCimString}});
  const std::string net = m.path("/sys/class/net/");
  const auto addresses = m.addresses();
  const auto routes = gateways(m);
  const auto dns = dnsServers(m);
  struct Row {
    int index;
    std::string name;
  };
  std::vector<Row> rows;
  for (const auto& name : listDir(net)) {
    if (readLine(net + name + "/type") == "772") continue;  // loopback
    int index = 0;
    if (!parseInt(readLine(net + name + "/ifindex"), index)) continue;
    rows.push_back({index, name});
  }
  std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.index < b.index; });

  for (const Row& r : rows) {
    std::vector<std::string> ips, masks;
    for (const auto& a : addresses)
      if (a.interfaceName == r.name || startsWith(a.interfaceName, r.name + ":")) {
        ips.push_back(a.address);
        masks.push_back(a.mask);
      }
    const bool ipEnabled = !ips.empty();
    std::string mac = toUpperAscii(readLine(net + r.name + "/address"));
    if (mac == "00:00:00:00:00:00") mac.clear();
    std::error_code ec;
    const std::string driver = fs::read_symlink(net + r.name + "/device/driver", ec).filename().string();
    std::string server;
    const bool dhcp = dhcpLease(m, r.name, std::to_string(r.index), server);
    char caption[32];
    std::snprintf(caption, sizeof caption, "[%08d] ", r.index);
    const auto gw = routes.find(r.name);
    c.addInstance({{"Caption", WmiValue::text(caption + r.name)},
                   {"DefaultIPGateway", ipEnabled && gw != routes.end() ? textArray(gw->second) : WmiValue::null()},
                   {"Description", WmiValue::text(r.name)},
                   {"DHCPEnabled", WmiValue::boolean(dhcp)},
                   {"DHCPServer", dhcp ? textOrNull(server) : WmiValue::null()},
                   {"DNSHostName", ipEnabled ? textOrNull(m.hostName()) : WmiValue::null()},
                   {"DNSServerSearchOrder", ipEnabled && !dns.empty() ? textArray(dns) : WmiValue::null()},
                   {"Index", WmiValue::integer(r.index)},
                   {"InterfaceIndex", WmiValue::integer(r.index)},
                   {"IPAddress", ipEnabled ? textArray(ips) : WmiValue::null()},
                   {"IPEnabled", WmiValue::boolean(ipEnabled)},
                   {"IPSubnet", ipEnabled ? textArray(masks) : WmiValue::null()},
                   {"MACAddress", textOrNull(mac)},
                   {"ServiceName", textOrNull(ec ? "" : driver)}});
  }
  return c;
}

using ClassBuilder = WmiClass (*)(const Machine&);

WmiClass computerSystemOf(const Machine& m) {
  const auto t = m.smbiosTables();
  std::size_t processors = 0;
  if (t)
    for (const auto& p : t->processors) processors += p.populated ? 1 : 0;
  if (processors == 0) processors = cpuPackages(m).size();
  return computerSystemClass(m, processors);
}

const std::vector<std::pair<const char*, ClassBuilder>>& builders() {
  static const std::vector<std::pair<const char*, ClassBuilder>> list = {
      {"Win32_BIOS", biosClass},
      {"Win32_BaseBoard", baseBoardClass},
      {"Win32_ComputerSystem", computerSystemOf},
      {"Win32_PhysicalMemoryArray", memoryArrayClass},
      {"Win32_PhysicalMemory", physicalMemoryClass},
      {"Win32_Processor", processorClass},
      {"Win32_OperatingSystem", operatingSystemClass},
      {"Win32_DiskDrive", diskDriveClass},
      {"Win32_PhysicalMedia", physicalMediaClass},
      {"Win32_CDROMDrive", cdromClass},
      {"Win32_NetworkAdapterConfiguration", adapterConfigurationClass},
  };
  return list;
}

}  // namespace

std::vector<std::string> physicalDriveOrder(const std::vector<std::string>& blockNames,
                                            const std::function<bool(const std::string&)>& isRemovable) {
  std::vector<std::string> disks;
  for (const auto& n : blockNames)
    if (!n.empty() && !virtualBlockDevice(n) && !(isRemovable && isRemovable(n))) disks.push_back(n);
  std::sort(disks.begin(), disks.end(), [](const std::string& a, const std::string& b) {
    const int ra = familyRank(a), rb = familyRank(b);
    if (ra != rb) return ra < rb;
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
  });
  return disks;
}

LinuxWmiProvider::LinuxWmiProvider(std::string root) : ipv4Addresses(systemIpv4Addresses), root_(std::move(root)) {}

bool LinuxWmiProvider::loadClass(std::string_view name, WmiClass& out) {
  for (const auto& [className, build] : builders())
    if (iequalsAscii(className, name)) {
      out = build(Machine(root_, ipv4Addresses));
      return true;
    }
  return false;
}

std::vector<std::string> LinuxWmiProvider::classNames() {
  std::vector<std::string> names;
  for (const auto& b : builders()) names.push_back(b.first);
  return names;
}

std::unique_ptr<WmiService> openNativeWmiService() {
  return std::make_unique<WmiProviderService>(std::make_shared<LinuxWmiProvider>());
}

}  // namespace mrv
