#include "collect/WmiQuery.h"

#include <gtest/gtest.h>

#include "platform/WmiInstancesFile.h"
#include "platform/PlatformServices.h"

using namespace mrv;

namespace {

// A WMI service answering from instances-file text.
std::unique_ptr<WmiService> machine(const std::string& text) {
  std::vector<WmiClass> classes;
  std::string error;
  EXPECT_TRUE(parseWmiInstances(text, classes, error)) << error;
  return std::make_unique<WmiProviderService>(std::make_shared<WmiReplayProvider>(std::move(classes)));
}

WmiProperty prop(int type, WmiValue v) {
  WmiProperty p;
  p.name = "P";
  p.cimType = type;
  p.isArray = v.isArray;
  p.value = std::move(v);
  return p;
}

std::string text(int type, WmiValue v) { return WmiValueText(prop(type, std::move(v))); }

const char kMemoryClass[] =
    "class Win32_PhysicalMemory\n"
    "property Capacity uint64\nproperty CreationClassName string\nproperty DeviceLocator string\n"
    "property FormFactor uint16\nproperty MemoryType uint16\nproperty Speed uint32\nkey Tag string\n"
    "property TotalWidth uint16\n";

std::string module(const std::string& locator, const std::string& capacity, const std::string& speed = "400",
                   const std::string& type = "20") {
  return "instance\nCapacity = \"" + capacity + "\"\nDeviceLocator = \"" + locator +
         "\"\nFormFactor = 8\nMemoryType = " + type + "\nSpeed = " + speed + "\nTotalWidth = 64\n";
}

}  // namespace

TEST(WmiValueText, NullAndEveryCimType) {
  EXPECT_EQ(text(kCimString, WmiValue::null()), "NULL");
  EXPECT_EQ(text(kCimUint32, WmiValue::null()), "NULL");
  for (int t : {kCimSint16, kCimSint32, kCimSint8, kCimUint8, kCimUint16, kCimUint32})
    EXPECT_EQ(text(t, WmiValue::integer(-12)), "-12") << t;
  EXPECT_EQ(text(kCimSint64, WmiValue::text("2147483647")), "2147483647");
  EXPECT_EQ(text(kCimReal32, WmiValue::scalar(1.5)), "1.5");
  EXPECT_EQ(text(kCimReal64, WmiValue::scalar(1.0 / 3)), "0.333333333333333");
  EXPECT_EQ(text(kCimString, WmiValue::text(" as is ")), " as is ");
  EXPECT_EQ(text(kCimUint64, WmiValue::text("18446744073709551615")), "18446744073709551615");
  EXPECT_EQ(text(kCimBoolean, WmiValue::boolean(true)), "True");
  EXPECT_EQ(text(kCimBoolean, WmiValue::boolean(false)), "False");
  EXPECT_EQ(text(kCimObject, WmiValue::text("embedded")), "<CIM Object>");
  EXPECT_EQ(text(kCimDatetime, WmiValue::text("20060520000000.000000+540")), "20060520000000.000000+540");
  EXPECT_EQ(text(kCimReference, WmiValue::text("Win32_Foo.Tag=\"x\"")), "Win32_Foo.Tag=\"x\"");
  EXPECT_EQ(text(kCimChar16, WmiValue::integer(65)), "<16-bit character>");
  EXPECT_EQ(text(9999, WmiValue::text("x")), "");
}

TEST(WmiValueText, ArraysJoinWithBar) {
  EXPECT_EQ(text(kCimUint16, WmiValue::array({std::int64_t{4}, std::int64_t{7}, std::int64_t{9}})), "4|7|9");
  EXPECT_EQ(text(kCimUint16, WmiValue::array({})), "");
  EXPECT_EQ(text(kCimString, WmiValue::array({std::string("a"), std::string(""), std::string("c")})), "a||c");
  EXPECT_EQ(text(kCimString, WmiValue::array({})), "");
  EXPECT_EQ(text(kCimUint64, WmiValue::array({std::string("1"), std::string("2")})), "1|2");
}

TEST(WmiValueText, IntegersOutside32BitsFail) {
  EXPECT_THROW(text(kCimSint64, WmiValue::text("2147483648")), MrvError);
  EXPECT_THROW(text(kCimUint32, WmiValue::integer(4294967295)), MrvError);
  EXPECT_THROW(text(kCimSint32, WmiValue::array({std::int64_t{1}, std::int64_t{5000000000}})), MrvError);
}

TEST(WmiQueryTable, EnumeratesAClassIntoHeaderAndRows) {
  auto wmi = machine(
      "class Win32_BIOS\nkey Name string\nproperty SMBIOSMajorVersion uint16\nproperty BIOSVersion string[]\n"
      "instance\nName = \"B\"\nSMBIOSMajorVersion = 2\nBIOSVersion = {\"x\", \"y\"}\n"
      "instance\nName = \"C\"\n");
  int count = 0;
  WmiTable table;
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "Win32_BIOS", count, table), 3);
  EXPECT_EQ(count, 2);
  const WmiTable expected = {{"Instance", "Name", "SMBIOSMajorVersion", "BIOSVersion"},
                             {"1", "B", "2", "x|y"},
                             {"2", "C", "NULL", "NULL"}};
  EXPECT_EQ(table, expected);
  EXPECT_EQ(WmiTableLookup(table, "BIOSVersion"), "x|y");
  EXPECT_EQ(WmiTableLookup(table, "biosversion"), "");  // exact match only
  EXPECT_EQ(WmiTableLookup(WmiTable{}, "Name"), "");
}

TEST(WmiQueryTable, OnlyUpperCaseSelectIsAQuery) {
  auto wmi = machine("class Win32_BIOS\nkey Name string\nproperty Version string\ninstance\nName = \"B\"\n");
  int count = 7;
  WmiTable table;
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "SELECT Version FROM Win32_BIOS", count, table), 2);
  EXPECT_EQ(table[0], (std::vector<std::string>{"Instance", "Name", "Version"}));
  // Lower-case "select" is taken for a class name, which WMI rejects.
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "select * from Win32_BIOS", count, table), -1);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(table.empty());
}

TEST(WmiQueryTable, NothingFoundFailuresAndPartialTables) {
  auto wmi = machine(
      "class Win32_Empty\nkey Name string\n"
      "class Win32_Odd\nkey Name string\nproperty Big sint64\n"
      "instance\nName = \"a\"\nBig = 1\ninstance\nName = \"b\"\nBig = 9999999999\n");
  int count = 0;
  WmiTable table;
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "Win32_Empty", count, table), 0);
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "Win32_Missing", count, table), -1);
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\DEFAULT", "Win32_Odd", count, table), -1);
  // The conversion failure in the second row keeps the count and the first row.
  EXPECT_EQ(WmiQueryTable(wmi.get(), "", "root\\CIMV2", "Win32_Odd", count, table), -1);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[1], (std::vector<std::string>{"1", "a", "1"}));
  EXPECT_EQ(WmiQueryTable(nullptr, "", "root\\CIMV2", "Win32_Odd", count, table), -1);
}

TEST(WmiQueryValue, DemandsExactlyOneInstanceAndTheExactName) {
  auto wmi = machine(
      "class Win32_Processor\nkey DeviceID string\nproperty Name string\nproperty L2CacheSize uint32\n"
      "instance\nDeviceID = \"CPU0\"\nName = \"P4\"\n"
      "instance\nDeviceID = \"CPU1\"\nName = \"P4\"\n"
      "class Win32_OperatingSystem\nkey Name string\nproperty CSDVersion string\nproperty Caption string\n"
      "instance\nName = \"XP\"\nCaption = \"Microsoft Windows XP Professional\"\n");
  int result = 0;
  EXPECT_EQ(WmiQueryValue(wmi.get(), "SELECT Name FROM Win32_Processor", "Name", result), "");
  EXPECT_EQ(result, 2);
  EXPECT_EQ(WmiProcessorProperty(wmi.get(), "Name"), "");  // two sockets
  EXPECT_EQ(WmiQueryValue(wmi.get(), "SELECT CSDVersion FROM Win32_OperatingSystem", "CSDVersion", result), "NULL");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(WmiQueryValue(wmi.get(), "SELECT Caption FROM Win32_OperatingSystem", "caption", result), "");
  EXPECT_EQ(result, 1);
  EXPECT_EQ(WmiQueryValue(wmi.get(), "SELECT Caption FROM Win32_OperatingSystem", "Version", result), "");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(WmiOsProperty(wmi.get(), "Caption"), "Microsoft Windows XP Professional");
  EXPECT_EQ(WmiOsProperty(wmi.get(), "NoSuch"), "");
  EXPECT_EQ(WmiQueryValue(nullptr, "SELECT Caption FROM Win32_OperatingSystem", "Caption", result), "");
  EXPECT_EQ(result, -1);
}

TEST(WmiCannedQueries, OfficePc2006) {
  std::string message;
  Sources sources;
  sources.wmi = MERVANA_SOURCE_DIR "/tests/data/wmi/office-pc-2006.txt";
  auto wmi = openWmiService(sources, message);
  ASSERT_TRUE(wmi) << message;
  EXPECT_EQ(WmiMotherboard(wmi.get()), "ASUSTeK Computer INC.  P5GZ-MX");
  EXPECT_EQ(WmiBiosVersion(wmi.get()), "0802 v2.3");
  EXPECT_EQ(WmiDiskModel(wmi.get(), 0), "(Standard disk drives)/ST380815AS");
  EXPECT_EQ(WmiDiskSerial(wmi.get(), 0), "            5QZ1ABCD");
  EXPECT_EQ(WmiDiskSerial(wmi.get(), 1), "");
  EXPECT_EQ(WmiProcessorProperty(wmi.get(), "Name"), "              Intel(R) Pentium(R) 4 CPU 3.00GHz");
  EXPECT_EQ(WmiProcessorProperty(wmi.get(), "L2CacheSize"), "1024");
  EXPECT_EQ(WmiProcessorProperty(wmi.get(), "ProcessorId"), "BFEBFBFF00000F43");
  EXPECT_EQ(WmiOsProperty(wmi.get(), "Caption"), "Microsoft Windows XP Professional");
  EXPECT_EQ(WmiOsProperty(wmi.get(), "CSDVersion"), "Service Pack 2");
  EXPECT_EQ(WmiComputerModel(wmi.get()), "P5GZ-MX / System manufacturer");
  EXPECT_EQ(WmiOpticalDrive(wmi.get()), "HL-DT-ST DVD-ROM GDR8164B");
  EXPECT_EQ(WmiMemoryCapacity(wmi.get()), "4096//2");
  EXPECT_EQ(WmiMemoryModules(wmi.get()), "DIMM0:DIMM/512/400/64/DDR +DIMM1:DIMM/512/400/64/DDR");
  EXPECT_EQ(WmiMemorySpeed(wmi.get()), "400");
}

TEST(WmiCannedQueries, WithoutWmiEverythingIsEmpty) {
  EXPECT_EQ(WmiMotherboard(nullptr), "");
  EXPECT_EQ(WmiBiosVersion(nullptr), "");
  EXPECT_EQ(WmiComputerModel(nullptr), "");
  EXPECT_EQ(WmiOpticalDrive(nullptr), "");
  EXPECT_EQ(WmiMemoryCapacity(nullptr), "");
  EXPECT_EQ(WmiMemoryModules(nullptr), "");
  EXPECT_EQ(WmiMemorySpeed(nullptr), "");
  EXPECT_EQ(WmiDiskSerial(nullptr, 0), "");
  EXPECT_EQ(WmiDiskModel(nullptr, 0), "/");  // the two halves and the slash between them
}

TEST(WmiCannedQueries, DiskQueriesNameTheDriveWithWqlEscapes) {
  EXPECT_EQ(WmiDiskSerialQuery(12), "SELECT SerialNumber FROM Win32_PhysicalMedia WHERE Tag = \"\\\\\\\\.\\\\PHYSICALDRIVE12\"");
  EXPECT_EQ(WmiDiskModelQuery("Model", 0), "SELECT Model FROM Win32_DiskDrive WHERE Name = \"\\\\\\\\.\\\\PHYSICALDRIVE0\"");
}

TEST(WmiCannedQueries, MotherboardAndBiosNeedOneInstance) {
  auto wmi = machine(
      "class Win32_BaseBoard\nproperty Manufacturer string\nproperty Product string\nkey Tag string\n"
      "instance\nManufacturer = \"A\"\nProduct = \"B\"\nTag = \"1\"\ninstance\nTag = \"2\"\n"
      "class Win32_BIOS\nkey Name string\n");
  EXPECT_EQ(WmiMotherboard(wmi.get()), "");
  EXPECT_EQ(WmiBiosVersion(wmi.get()), "");
}

TEST(WmiCannedQueries, ComputerModelAndOpticalDriveByName) {
  const std::string cs = "class Win32_ComputerSystem\nproperty Manufacturer string\nproperty Model string\nkey Name string\n";
  EXPECT_EQ(WmiComputerModel(machine(cs + "instance\nManufacturer = \" Dell Inc. \"\nModel = \" OptiPlex GX520 \"\n").get()),
            "OptiPlex GX520 /  Dell Inc. ");
  EXPECT_EQ(WmiComputerModel(machine(cs + "instance\nModel = \"OptiPlex\"\n").get()), "");  // null Manufacturer
  const std::string cd = "class Win32_CDROMDrive\nkey DeviceID string\nproperty Name string\n";
  EXPECT_EQ(WmiOpticalDrive(machine(cd + "instance\nDeviceID = \"1\"\nName = \"DVD\"\n").get()), "DVD");
  EXPECT_EQ(WmiOpticalDrive(machine(cd + "instance\nDeviceID = \"1\"\nName = \"DVD\"\ninstance\nDeviceID = \"2\"\nName = \"CD\"\n").get()), "");
  EXPECT_EQ(WmiOpticalDrive(machine(cd).get()), "");
}

TEST(WmiCannedQueries, MemoryArrayThresholdAndLastArrayWins) {
  const std::string head =
      "class Win32_PhysicalMemoryArray\nproperty MaxCapacity uint32\nproperty MemoryDevices uint16\nkey Tag string\n";
  auto array = [](const std::string& kb, const std::string& slots) {
    return "instance\nMaxCapacity = " + kb + "\nMemoryDevices = " + slots + "\n";
  };
  EXPECT_EQ(WmiMemoryCapacity(machine(head + array("31999", "2")).get()), "");
  EXPECT_EQ(WmiMemoryCapacity(machine(head + array("32000", "2")).get()), "31//2");
  EXPECT_EQ(WmiMemoryCapacity(machine(head + array("2097152", "4") + array("16", "1")).get()), "2048//4");
  EXPECT_EQ(WmiMemoryCapacity(machine(head + array("2097152", "4") + array("4194304", "2")).get()), "4096//2");
  EXPECT_EQ(WmiMemoryCapacity(machine(head + array("2097152", "NULL")).get()), "");
  EXPECT_EQ(WmiMemoryCapacity(machine(head).get()), "");
}

TEST(WmiCannedQueries, MemoryModuleThresholdsAndNames) {
  // 31,999,999 bytes is left out; exactly 32,000,000 counts (30 whole megabytes).
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "31999999") + module("B", "32000000", "133")).get()),
            "B:DIMM/30/133/64/DDR");
  EXPECT_EQ(WmiMemorySpeed(machine(kMemoryClass + module("A", "31999999", "66") + module("B", "32000000", "133")).get()),
            "133");
  EXPECT_EQ(WmiMemorySpeed(machine(kMemoryClass + module("A", "31999999", "66")).get()), "0");
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "31999999")).get()), "");
  // DDR3 (24) has no name in the table.
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("DIMM0", "1073741824", "1333", "24")).get()),
            "DIMM0:DIMM/1024/1333/64/");
  EXPECT_EQ(WmiMemoryTypeName(24), "");
  EXPECT_EQ(WmiMemoryTypeName(30), "");
  EXPECT_EQ(WmiMemoryTypeName(-1), "");
  EXPECT_EQ(WmiFormFactorName(23), "LGA");
  EXPECT_EQ(WmiFormFactorName(24), "");
  EXPECT_EQ(WmiFormFactorName(12), "SODIMM");
  EXPECT_EQ(WmiMemoryTypeName(3), "Synchronous DRAM");
}

TEST(WmiCannedQueries, ModulesOf2GBAndMoreAreDescribed) {
  // Capacity is a uint64 delivered as text; it is taken as a 64-bit number so large modules count.
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("DIMM0", "2147483648", "800", "21") +
                                     module("DIMM1", "4294967296", "800", "21")).get()),
            "DIMM0:DIMM/2048/800/64/ +DIMM1:DIMM/4096/800/64/");
  EXPECT_EQ(WmiMemorySpeed(machine(kMemoryClass + module("DIMM0", "2147483648", "800")).get()), "800");
}

TEST(WmiCannedQueries, ANullInAQualifyingModuleEmptiesTheText) {
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "536870912") + module("B", "536870912", "NULL")).get()), "");
  EXPECT_EQ(WmiMemorySpeed(machine(kMemoryClass + module("A", "536870912") + module("B", "536870912", "NULL")).get()), "");
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "NULL")).get()), "");
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "lots")).get()), "");
  // A module below the threshold is not read any further.
  EXPECT_EQ(WmiMemoryModules(machine(kMemoryClass + module("A", "1048576", "NULL") + module("B", "536870912")).get()),
            "B:DIMM/512/400/64/DDR");
}
