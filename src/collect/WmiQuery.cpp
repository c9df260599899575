#include "collect/WmiQuery.h"

#include <cmath>
#include <charconv>
#include <cstdio>
#include <limits>

#include "base/Text.h"

namespace mrv {

const std::array<const char*, 30> kWmiFormFactorNames = {
    "Unknown", "Other", "SIP",  "DIP",    "ZIP",   "SOJ",  "Proprietary", "SIMM", "DIMM", "TSOP",
    "PGA",     "RIMM",  "SODIMM", "SRIMM", "SMD",   "SSMP", "QFP",         "TQFP", "SOIC", "LCC",
    "PLCC",    "BGA",   "FPBGA", "LGA",    "",      "",     "",            "",     "",     "",
};

const std::array<const char*, 30> kWmiMemoryTypeNames = {
    "Unknown", "Other",  "DRAM",   "Synchronous DRAM", "Cache DRAM", "EDO",   "EDRAM", "VRAM", "SRAM", "RAM",
    "ROM",     "Flash",  "EEPROM", "FEPROM",           "EPROM",      "CDRAM", "3DRAM", "SDRAM", "SGRAM", "RDRAM",
    "DDR",     "",       "",       "",                 "",           "",      "",      "",     "",     "",
};

namespace {

const char kNameSpace[] = "root\\CIMV2";
constexpr int kQueryFlags = kWbemFlagReturnImmediately;
constexpr int kEnumFlags = kWbemFlagReturnImmediately | kWbemQueryFlagShallow;

std::string tableName(const std::array<const char*, 30>& names, long long code) {
  return code >= 0 && code < static_cast<long long>(names.size()) ? names[static_cast<std::size_t>(code)] : "";
}

[[noreturn]] void conversionFailure(const std::string& what) { throw MrvError("WMI: cannot convert " + what); }

// A variant converted to a 64-bit integer the way a late-bound read does: numbers as they are,
// reals rounded to even, True as -1, text that is a whole decimal number. Anything else fails.
std::int64_t toInt64(const WmiScalar& v) {
  if (auto p = std::get_if<std::int64_t>(&v)) return *p;
  if (auto p = std::get_if<bool>(&v)) return *p ? -1 : 0;
  if (auto p = std::get_if<double>(&v)) {
    const double r = std::nearbyint(*p);
    if (!(r >= -9.2e18 && r <= 9.2e18)) conversionFailure("a real to an integer");
    return static_cast<std::int64_t>(r);
  }
  const std::string s = trim(std::get<std::string>(v));
  std::int64_t n = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), n);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) conversionFailure("'" + s + "' to an integer");
  return n;
}

std::int32_t toInt32(const WmiScalar& v) {
  const std::int64_t n = toInt64(v);
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
    conversionFailure(std::to_string(n) + " to a 32-bit integer");
  return static_cast<std::int32_t>(n);
}

std::string realText(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", d);
  return buf;
}

double toReal(const WmiScalar& v) {
  if (auto p = std::get_if<double>(&v)) return *p;
  if (auto p = std::get_if<std::string>(&v)) {
    const std::string s = trim(*p);
    double d = 0;
    auto r = std::from_chars(s.data(), s.data() + s.size(), d);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) conversionFailure("'" + s + "' to a real");
    return d;
  }
  return static_cast<double>(toInt64(v));
}

// The text a variant element gives.
std::string scalarText(const WmiScalar& v) {
  if (auto p = std::get_if<std::string>(&v)) return *p;
  if (auto p = std::get_if<std::int64_t>(&v)) return std::to_string(*p);
  if (auto p = std::get_if<bool>(&v)) return *p ? "True" : "False";
  return realText(std::get<double>(v));
}

template <typename F>
std::string joinElements(const WmiValue& value, F elementText) {
  std::string r;
  for (std::size_t i = 0; i < value.items.size(); ++i) {
    if (i) r += "|";
    r += elementText(value.items[i]);
  }
  return r;
}

// The one element of a scalar value read by name; null and arrays do not convert.
const WmiScalar& scalarOf(const WmiProperty& p) {
  if (p.value.isNull) conversionFailure("a null " + p.name);
  if (p.value.isArray || p.value.items.empty()) conversionFailure("the array " + p.name);
  return p.value.items[0];
}

std::string propertyText(const WmiObject& o, std::string_view name) { return scalarText(scalarOf(o.item(name))); }
std::int64_t propertyNumber(const WmiObject& o, std::string_view name) { return toInt64(scalarOf(o.item(name))); }

WmiObjectSet enumerate(WmiService* wmi, std::string_view className) {
  if (!wmi) throw MrvError("WMI: not available");
  return wmi->connectServer("", kNameSpace)->instancesOf(className, kEnumFlags);
}

constexpr std::int64_t kMinArrayKB = 32000;
constexpr std::int64_t kMinModuleBytes = 32000000;

}  // namespace

std::string WmiFormFactorName(long long code) { return tableName(kWmiFormFactorNames, code); }
std::string WmiMemoryTypeName(long long code) { return tableName(kWmiMemoryTypeNames, code); }

std::string WmiValueText(const WmiProperty& property) {
  const WmiValue& v = property.value;
  if (v.isNull) return "NULL";
  const bool single = !v.isArray;
  if (single && v.items.empty()) return "NULL";
  switch (property.cimType) {
    case kCimSint16:
    case kCimSint32:
    case kCimSint8:
    case kCimUint8:
    case kCimUint16:
    case kCimUint32:
    case kCimSint64:
      return joinElements(v, [](const WmiScalar& e) { return std::to_string(toInt32(e)); });
    case kCimReal32:
    case kCimReal64:
      return joinElements(v, [](const WmiScalar& e) { return realText(toReal(e)); });
    case kCimString:
    case kCimUint64:
    case kCimDatetime:
    case kCimReference:
      return joinElements(v, scalarText);
    case kCimBoolean:
      return joinElements(v, [](const WmiScalar& e) { return std::string(toInt64(e) != 0 ? "True" : "False"); });
    case kCimObject:
      return "<CIM Object>";
    case kCimChar16:
      return "<16-bit character>";
    default:
      return "";
  }
}

int WmiQueryTable(WmiService* wmi, std::string_view server, std::string_view nameSpace, std::string_view queryOrClass,
                  int& instanceCount, WmiTable& table) {
  instanceCount = 0;
  table.clear();
  int result = 0;
  try {
    if (!wmi) throw MrvError("WMI: not available");
    auto connection = wmi->connectServer(server, nameSpace);
    const WmiObjectSet set = startsWith(queryOrClass, "SELECT") ? connection->execQuery(queryOrClass, kQueryFlags)
                                                                 : connection->instancesOf(queryOrClass, kEnumFlags);
    instanceCount = static_cast<int>(set.count());
    if (instanceCount == 0) return 0;
    for (std::size_t k = 1; k <= set.objects.size(); ++k) {
      const auto& properties = set.objects[k - 1].properties;
      result = static_cast<int>(properties.size());
      if (k == 1) {
        table.assign(set.count() + 1, std::vector<std::string>(properties.size() + 1));
        table[0][0] = "Instance";
      }
      table[k][0] = std::to_string(k);
      // Every instance of a class has the first one's properties; a longer one is cut to the table.
      for (std::size_t c = 1; c <= properties.size() && c < table[k].size(); ++c) {
        table[k][c] = WmiValueText(properties[c - 1]);
        if (k == 1) table[0][c] = properties[c - 1].name;
      }
    }
    return result;
  } catch (const std::exception&) {
    return -1;
  }
}

std::string WmiTableLookup(const WmiTable& table, std::string_view property) {
  if (table.size() < 2) return "";
  for (std::size_t c = 1; c < table[0].size(); ++c)
    if (table[0][c] == property) return c < table[1].size() ? table[1][c] : "";
  return "";
}

std::string WmiQueryValue(WmiService* wmi, std::string_view wql, std::string_view property, int& result) {
  std::string text;
  result = 0;
  try {
    if (!wmi) throw MrvError("WMI: not available");
    const WmiObjectSet set = wmi->connectServer("", kNameSpace)->execQuery(wql, kQueryFlags);
    result = static_cast<int>(set.count());
    if (result != 1) return text;
    const WmiProperty& p = set.objects[0].item(property);
    if (p.name != property) return text;
    text = WmiValueText(p);
  } catch (const std::exception&) {
    result = -1;
  }
  return text;
}

namespace {

std::string tableQueryText(WmiService* wmi, std::string_view queryOrClass, std::string_view first,
                           std::string_view separator, std::string_view second, std::string_view third = {}) {
  int count = 0;
  WmiTable table;
  const int result = WmiQueryTable(wmi, "", kNameSpace, queryOrClass, count, table);
  if (count != 1 || result <= 1) return "";
  std::string text = WmiTableLookup(table, first) + std::string(separator) + WmiTableLookup(table, second);
  if (!third.empty()) text += "." + WmiTableLookup(table, third);
  return text;
}

std::string singleValue(WmiService* wmi, const std::string& wql, std::string_view property) {
  int result = 0;
  return WmiQueryValue(wmi, wql, property, result);
}

}  // namespace

std::string WmiMotherboard(WmiService* wmi) {
  return tableQueryText(wmi, "SELECT Manufacturer, Product FROM Win32_BaseBoard", "Manufacturer", " ", "Product");
}

std::string WmiBiosVersion(WmiService* wmi) {
  return tableQueryText(wmi, "Win32_BIOS", "SMBIOSBIOSVersion", " v", "SMBIOSMajorVersion", "SMBIOSMinorVersion");
}

std::string WmiDiskSerialQuery(int drive) {
  return std::string("SELECT SerialNumber FROM Win32_PhysicalMedia WHERE Tag = ") + "\"" +
         "\\\\\\\\.\\\\PHYSICALDRIVE" + std::to_string(drive) + "\"";
}

std::string WmiDiskModelQuery(std::string_view property, int drive) {
  return "SELECT " + std::string(property) + " FROM Win32_DiskDrive WHERE Name = " + "\"" +
         "\\\\\\\\.\\\\PHYSICALDRIVE" + std::to_string(drive) + "\"";
}

std::string WmiDiskSerial(WmiService* wmi, int drive) { return singleValue(wmi, WmiDiskSerialQuery(drive), "SerialNumber"); }

std::string WmiDiskModel(WmiService* wmi, int drive) {
  const std::string model = singleValue(wmi, WmiDiskModelQuery("Model", drive), "Model");
  const std::string manufacturer = singleValue(wmi, WmiDiskModelQuery("Manufacturer", drive), "Manufacturer");
  return manufacturer + "/" + model;
}

std::string WmiProcessorProperty(WmiService* wmi, std::string_view property) {
  return singleValue(wmi, "SELECT " + std::string(property) + " FROM Win32_Processor", property);
}

std::string WmiOsProperty(WmiService* wmi, std::string_view property) {
  return singleValue(wmi, "SELECT " + std::string(property) + " FROM Win32_OperatingSystem", property);
}

std::string WmiComputerModel(WmiService* wmi) {
  try {
    const WmiObjectSet set = enumerate(wmi, "Win32_ComputerSystem");
    if (set.count() != 1) return "";
    const WmiObject& o = set.objects[0];
    const std::string model = trim(propertyText(o, "Model"));
    return model + " / " + propertyText(o, "Manufacturer");
  } catch (const std::exception&) {
    return "";
  }
}

std::string WmiOpticalDrive(WmiService* wmi) {
  try {
    const WmiObjectSet set = enumerate(wmi, "Win32_CDROMDrive");
    if (set.count() != 1) return "";
    return propertyText(set.objects[0], "Name");
  } catch (const std::exception&) {
    return "";
  }
}

// MaxCapacity and Capacity are taken as 64-bit numbers, so arrays of 2 TB and more and modules of
// 2 GB and more are described like smaller ones instead of failing the whole text.
std::string WmiMemoryCapacity(WmiService* wmi) {
  try {
    std::string text;
    for (const WmiObject& array : enumerate(wmi, "Win32_PhysicalMemoryArray").objects) {
      const std::int64_t kb = propertyNumber(array, "MaxCapacity");
      if (kb < kMinArrayKB) continue;
      text = std::to_string(kb / 1024) + "//" + std::to_string(propertyNumber(array, "MemoryDevices"));
    }
    return text;
  } catch (const std::exception&) {
    return "";
  }
}

std::string WmiMemoryModules(WmiService* wmi) {
  try {
    std::string text;
    for (const WmiObject& module : enumerate(wmi, "Win32_PhysicalMemory").objects) {
      const std::int64_t bytes = propertyNumber(module, "Capacity");
      if (bytes < kMinModuleBytes) continue;
      text += propertyText(module, "DeviceLocator") + ":" + WmiFormFactorName(propertyNumber(module, "FormFactor"));
      text += "/" + std::to_string(bytes / 1048576);
      text += "/" + std::to_string(propertyNumber(module, "Speed")) + "/" +
              std::to_string(propertyNumber(module, "TotalWidth"));
      text += "/" + WmiMemoryTypeName(propertyNumber(module, "MemoryType"));
      text += " +";
    }
    if (text.size() >= 2) text.resize(text.size() - 2);
    return text;
  } catch (const std::exception&) {
    return "";
  }
}

std::string WmiMemorySpeed(WmiService* wmi) {
  try {
    std::int64_t speed = 0;
    for (const WmiObject& module : enumerate(wmi, "Win32_PhysicalMemory").objects)
      if (propertyNumber(module, "Capacity") >= kMinModuleBytes) speed = propertyNumber(module, "Speed");
    return std::to_string(speed);
  } catch (const std::exception&) {
    return "";
  }
}

}  // namespace mrv
