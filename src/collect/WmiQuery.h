#pragma once
// The program's road into WMI: the table query, the single-value query, the rule that turns any
// property value into text, and the canned hardware queries of the inventory record. Every query
// connects afresh to root\CIMV2 on this computer. A null service behaves as a machine without WMI:
// every query fails.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Wmi.h"

namespace mrv {

// Win32_PhysicalMemory.FormFactor and .MemoryType names, indexed by code; a code outside 0..29
// gives "".
extern const std::array<const char*, 30> kWmiFormFactorNames;
extern const std::array<const char*, 30> kWmiMemoryTypeNames;
std::string WmiFormFactorName(long long code);
std::string WmiMemoryTypeName(long long code);

// The text of one property value: "NULL" for null; integers as signed 32-bit decimals; reals with
// up to 15 significant digits; strings, uint64, datetimes and references unchanged; arrays joined
// with "|"; booleans "True"/"False"; "<CIM Object>", "<16-bit character>"; "" for other types.
// A value that does not convert (an integer outside 32 bits) throws MrvError.
std::string WmiValueText(const WmiProperty& property);

// Row 0 is the header ("Instance", then the property names of the first instance); rows 1..N the
// instances ("1", "2", ... then the value texts). Empty: nothing was found.
using WmiTable = std::vector<std::vector<std::string>>;

// Runs a query (text starting with "SELECT", case-sensitively) or enumerates a class (any other
// text). Returns the property count of the last instance, 0 when there is none, or -1 on failure
// (the count and the cells filled so far stay).
int WmiQueryTable(WmiService* wmi, std::string_view server, std::string_view nameSpace, std::string_view queryOrClass,
                  int& instanceCount, WmiTable& table);

// The row-1 text of the property (exact, case-sensitive header match), or "".
std::string WmiTableLookup(const WmiTable& table, std::string_view property);

// The value text of one property of the only instance a query finds; "" unless there is exactly
// one. result: the instance count, or -1 on failure.
std::string WmiQueryValue(WmiService* wmi, std::string_view wql, std::string_view property, int& result);

// The canned queries: one finished text each, "" when nothing suitable is found or on failure.
std::string WmiMotherboard(WmiService* wmi);
std::string WmiBiosVersion(WmiService* wmi);
std::string WmiDiskSerial(WmiService* wmi, int drive);
std::string WmiDiskModel(WmiService* wmi, int drive);
std::string WmiProcessorProperty(WmiService* wmi, std::string_view property);
std::string WmiOsProperty(WmiService* wmi, std::string_view property);
std::string WmiComputerModel(WmiService* wmi);
std::string WmiOpticalDrive(WmiService* wmi);
std::string WmiMemoryCapacity(WmiService* wmi);
std::string WmiMemoryModules(WmiService* wmi);
std::string WmiMemorySpeed(WmiService* wmi);

// The query texts of the disk queries, for drive n.
std::string WmiDiskSerialQuery(int drive);
std::string WmiDiskModelQuery(std::string_view property, int drive);

}  // namespace mrv
