#include "platform/linux/Smbios.h"

#include <array>

#include "base/Text.h"

namespace mrv::smbios {

namespace {

std::uint64_t little(std::string_view b, std::size_t offset, std::size_t size) {
  std::uint64_t v = 0;
  for (std::size_t i = size; i-- > 0;) v = (v << 8) | static_cast<unsigned char>(b[offset + i]);
  return v;
}

bool fits(std::string_view b, std::size_t offset, std::size_t size) { return offset <= b.size() && size <= b.size() - offset; }

}  // namespace

std::optional<EntryPoint> parseEntryPoint(std::string_view b) {
  EntryPoint e;
  if (b.substr(0, 5) == "_SM3_" && fits(b, 0, 0x18)) {
    e.major = static_cast<unsigned char>(b[7]);
    e.minor = static_cast<unsigned char>(b[8]);
    e.tableLength = little(b, 0x0C, 4);
    return e;
  }
  if (b.substr(0, 4) == "_SM_" && fits(b, 0, 0x1E)) {
    e.major = static_cast<unsigned char>(b[6]);
    e.minor = static_cast<unsigned char>(b[7]);
    e.tableLength = little(b, 0x16, 2);
    return e;
  }
  if (b.substr(0, 5) == "_DMI_" && fits(b, 0, 0x0F)) {  // legacy DMI 2.0 entry point
    const auto bcd = static_cast<unsigned char>(b[0x0E]);
    e.major = bcd >> 4;
    e.minor = bcd & 0x0F;
    e.tableLength = little(b, 6, 2);
    return e;
  }
  return std::nullopt;
}

std::optional<std::uint8_t> Structure::byteAt(std::size_t offset) const {
  if (!fits(formatted, offset, 1)) return std::nullopt;
  return static_cast<std::uint8_t>(formatted[offset]);
}
std::optional<std::uint16_t> Structure::wordAt(std::size_t offset) const {
  if (!fits(formatted, offset, 2)) return std::nullopt;
  return static_cast<std::uint16_t>(little(formatted, offset, 2));
}
std::optional<std::uint32_t> Structure::dwordAt(std::size_t offset) const {
  if (!fits(formatted, offset, 4)) return std::nullopt;
  return static_cast<std::uint32_t>(little(formatted, offset, 4));
}
std::optional<std::uint64_t> Structure::qwordAt(std::size_t offset) const {
  if (!fits(formatted, offset, 8)) return std::nullopt;
  return little(formatted, offset, 8);
}

std::string Structure::stringAt(std::size_t offset) const {
  const auto n = byteAt(offset);
  if (!n || *n == 0 || *n > strings.size()) return "";
  return trim(strings[*n - 1]);
}

std::vector<Structure> parseTable(std::string_view b) {
  std::vector<Structure> out;
  std::size_t pos = 0;
  while (fits(b, pos, 4)) {
    const auto type = static_cast<unsigned char>(b[pos]);
    const auto length = static_cast<unsigned char>(b[pos + 1]);
    if (length < 4 || !fits(b, pos, length)) break;
    // The string area ends with two NULs (an empty one is just those two).
    std::size_t end = pos + length;
    while (end + 1 < b.size() && !(b[end] == '\0' && b[end + 1] == '\0')) ++end;
    if (end + 1 >= b.size()) break;
    Structure s;
    s.type = type;
    s.handle = static_cast<int>(little(b, pos + 2, 2));
    s.formatted = std::string(b.substr(pos, length));
    if (end > pos + length) s.strings = split(b.substr(pos + length, end - pos - length), '\0');
    out.push_back(std::move(s));
    pos = end + 2;
    if (type == 127) break;
  }
  return out;
}

namespace {

std::optional<int> knownWord(const Structure& s, std::size_t offset, std::uint16_t unknown) {
  const auto w = s.wordAt(offset);
  if (!w || *w == unknown) return std::nullopt;
  return *w;
}

std::optional<int> speedWord(const Structure& s, std::size_t offset) {
  const auto w = s.wordAt(offset);
  if (!w || *w == 0 || *w == 0xFFFF) return std::nullopt;
  return *w;
}

Processor processor(const Structure& s) {
  Processor p;
  p.socket = s.stringAt(0x04);
  p.family = s.byteAt(0x06).value_or(0);
  if (p.family == 0xFE) p.family = s.wordAt(0x28).value_or(0xFE);
  p.manufacturer = s.stringAt(0x07);
  p.id = s.qwordAt(0x08);
  p.version = s.stringAt(0x10);
  p.externalClockMHz = speedWord(s, 0x12);
  p.maxSpeedMHz = speedWord(s, 0x14);
  p.currentSpeedMHz = speedWord(s, 0x16);
  p.populated = (s.byteAt(0x18).value_or(0) & 0x40) != 0;
  p.l2CacheHandle = s.wordAt(0x1C).value_or(0xFFFF);
  p.l3CacheHandle = s.wordAt(0x1E).value_or(0xFFFF);
  if (auto c = s.byteAt(0x23); c && *c != 0) p.coreCount = *c == 0xFF ? s.wordAt(0x2A).value_or(0xFF) : *c;
  if (auto t = s.byteAt(0x25); t && *t != 0) p.threadCount = *t == 0xFF ? s.wordAt(0x2E).value_or(0xFF) : *t;
  return p;
}

Cache cache(const Structure& s) {
  Cache c;
  c.handle = s.handle;
  c.level = (s.wordAt(0x05).value_or(0) & 7) + 1;
  auto sizeKB = [](std::uint64_t v, int granularityBit) -> std::uint64_t {
    const std::uint64_t mask = (std::uint64_t{1} << granularityBit) - 1;
    return (v >> granularityBit) & 1 ? (v & mask) * 64 : (v & mask);
  };
  if (auto w = s.wordAt(0x09)) {
    if (*w == 0xFFFF) {
      if (auto d = s.dwordAt(0x17)) c.installedKB = sizeKB(*d, 31);
    } else {
      c.installedKB = sizeKB(*w, 15);
    }
  }
  return c;
}

MemoryArray memoryArray(const Structure& s) {
  MemoryArray a;
  a.handle = s.handle;
  a.location = s.byteAt(0x04).value_or(0);
  a.use = s.byteAt(0x05).value_or(0);
  a.errorCorrection = s.byteAt(0x06).value_or(0);
  if (auto kb = s.dwordAt(0x07)) {
    if (*kb == 0x80000000u) {
      if (auto bytes = s.qwordAt(0x0F)) a.maxCapacityKB = *bytes / 1024;
    } else {
      a.maxCapacityKB = *kb;
    }
  }
  a.deviceCount = s.wordAt(0x0D).value_or(0);
  return a;
}

MemoryDevice memoryDevice(const Structure& s) {
  MemoryDevice d;
  d.arrayHandle = s.wordAt(0x04).value_or(0xFFFF);
  d.totalWidth = knownWord(s, 0x08, 0xFFFF);
  d.dataWidth = knownWord(s, 0x0A, 0xFFFF);
  if (auto size = s.wordAt(0x0C)) {
    if (*size == 0x7FFF) {
      if (auto mb = s.dwordAt(0x1C)) d.sizeBytes = std::uint64_t{*mb & 0x7FFFFFFFu} * 1048576;
    } else if (*size != 0xFFFF) {
      d.sizeBytes = *size & 0x8000 ? std::uint64_t{*size & 0x7FFFu} * 1024 : std::uint64_t{*size} * 1048576;
    }
  }
  d.formFactor = s.byteAt(0x0E).value_or(0);
  d.deviceLocator = s.stringAt(0x10);
  d.bankLocator = s.stringAt(0x11);
  d.memoryType = s.byteAt(0x12).value_or(0);
  d.speedMTs = speedWord(s, 0x15);
  d.manufacturer = s.stringAt(0x17);
  d.serialNumber = s.stringAt(0x18);
  d.partNumber = s.stringAt(0x1A);
  d.configuredSpeedMTs = speedWord(s, 0x20);
  return d;
}

}  // namespace

Tables decode(const EntryPoint& entry, const std::vector<Structure>& structures) {
  Tables t;
  t.major = entry.major;
  t.minor = entry.minor;
  for (const Structure& s : structures) {
    switch (s.type) {
      case 0:
        t.bios.push_back({s.stringAt(0x04), s.stringAt(0x05), s.stringAt(0x08)});
        break;
      case 1:
        t.systems.push_back({s.stringAt(0x04), s.stringAt(0x05), s.stringAt(0x06), s.stringAt(0x07)});
        break;
      case 2:
        t.boards.push_back({s.stringAt(0x04), s.stringAt(0x05), s.stringAt(0x06), s.stringAt(0x07)});
        break;
      case 4:
        t.processors.push_back(processor(s));
        break;
      case 7:
        t.caches.push_back(cache(s));
        break;
      case 16:
        t.arrays.push_back(memoryArray(s));
        break;
      case 17:
        t.devices.push_back(memoryDevice(s));
        break;
      default:
        break;
    }
  }
  return t;
}

int wmiFormFactor(int code) {
  // SMBIOS 1 Other, 2 Unknown, 3 SIMM, 4 SIP, 5 Chip, 6 DIP, 7 ZIP, 8 Proprietary Card, 9 DIMM,
  // 10 TSOP, 11 Row of chips, 12 RIMM, 13 SODIMM, 14 SRIMM, 15 FB-DIMM, 16 Die.
  static const std::array<int, 17> wmi = {0, 1, 0, 7, 2, 1, 3, 4, 6, 8, 9, 1, 11, 12, 13, 8, 1};
  return code >= 0 && code < static_cast<int>(wmi.size()) ? wmi[static_cast<std::size_t>(code)] : 0;
}

int wmiMemoryType(int code) {
  // SMBIOS 1 Other, 2 Unknown, 3 DRAM, 4 EDRAM, 5 VRAM, 6 SRAM, 7 RAM, 8 ROM, 9 Flash, 10 EEPROM,
  // 11 FEPROM, 12 EPROM, 13 CDRAM, 14 3DRAM, 15 SDRAM, 16 SGRAM, 17 RDRAM, 18 DDR, 19 DDR2,
  // 20 DDR2 FB-DIMM, 24 DDR3, 25 FBD2. Later types have no WMI code: Unknown (0), as Windows does.
  static const std::array<int, 26> wmi = {0,  1,  0,  2,  6,  7,  8,  9,  10, 11, 12, 13, 14,
                                          15, 16, 17, 18, 19, 20, 21, 22, 0,  0,  0,  24, 25};
  return code >= 0 && code < static_cast<int>(wmi.size()) ? wmi[static_cast<std::size_t>(code)] : 0;
}

}  // namespace mrv::smbios
