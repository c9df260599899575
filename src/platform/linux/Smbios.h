#pragma once
// SMBIOS (DMI) tables from their bytes: the entry point (2.x "_SM_" or 3.x "_SM3_") and the
// structure table as /sys/firmware/dmi/tables exposes them. Pure byte parsing: no file access, and
// bytes of any length or content are safe (a truncated or damaged table just ends the walk).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrv::smbios {

struct EntryPoint {
  int major = 0;
  int minor = 0;
  std::uint64_t tableLength = 0;  // 3.x: the maximum size
};

// Parses smbios_entry_point; nothing when it is neither a 2.x nor a 3.x entry point.
std::optional<EntryPoint> parseEntryPoint(std::string_view bytes);

struct Structure {
  int type = 0;
  int handle = 0;
  std::string formatted;             // the formatted area, header included
  std::vector<std::string> strings;  // string 1 is strings[0]

  // The byte/word/dword/qword at an offset of the formatted area; nothing when it lies beyond it.
  std::optional<std::uint8_t> byteAt(std::size_t offset) const;
  std::optional<std::uint16_t> wordAt(std::size_t offset) const;
  std::optional<std::uint32_t> dwordAt(std::size_t offset) const;
  std::optional<std::uint64_t> qwordAt(std::size_t offset) const;
  // The string a byte at the offset refers to, blanks trimmed; "" for string 0, a missing offset
  // or a number beyond the strings.
  std::string stringAt(std::size_t offset) const;
};

// Walks the structure table until type 127, the end of the bytes or a structure that does not fit.
std::vector<Structure> parseTable(std::string_view bytes);

// Decoded structures, with the fields the WMI classes use. Absent fields stay empty / unset.
struct Bios {  // type 0
  std::string vendor, version, releaseDate;
};
struct SystemInfo {  // type 1
  std::string manufacturer, productName, version, serialNumber;
};
struct BaseBoard {  // type 2
  std::string manufacturer, product, version, serialNumber;
};
struct Processor {  // type 4
  std::string socket, manufacturer, version;
  int family = 0;
  std::optional<std::uint64_t> id;  // CPUID 1 EAX (low dword) and EDX (high dword)
  std::optional<int> externalClockMHz, maxSpeedMHz, currentSpeedMHz;
  bool populated = false;
  int l2CacheHandle = 0xFFFF, l3CacheHandle = 0xFFFF;
  std::optional<int> coreCount, threadCount;
};
struct Cache {  // type 7
  int handle = 0;
  int level = 0;
  std::optional<std::uint64_t> installedKB;
};
struct MemoryArray {  // type 16
  int handle = 0;
  int location = 0, use = 0, errorCorrection = 0;
  std::optional<std::uint64_t> maxCapacityKB;
  int deviceCount = 0;
};
struct MemoryDevice {  // type 17
  int arrayHandle = 0;
  std::optional<int> totalWidth, dataWidth;
  std::optional<std::uint64_t> sizeBytes;  // unset: unknown; 0: no module installed
  int formFactor = 0;
  std::string deviceLocator, bankLocator;
  int memoryType = 0;
  std::optional<int> speedMTs, configuredSpeedMTs;
  std::string manufacturer, serialNumber, partNumber;
};

struct Tables {
  int major = 0, minor = 0;  // the SMBIOS version
  std::vector<Bios> bios;
  std::vector<SystemInfo> systems;
  std::vector<BaseBoard> boards;
  std::vector<Processor> processors;
  std::vector<Cache> caches;
  std::vector<MemoryArray> arrays;
  std::vector<MemoryDevice> devices;
};

Tables decode(const EntryPoint& entry, const std::vector<Structure>& structures);

// SMBIOS codes turned into the codes Win32_PhysicalMemory reports: form factor and memory type.
int wmiFormFactor(int smbiosFormFactor);
int wmiMemoryType(int smbiosMemoryType);

}  // namespace mrv::smbios
