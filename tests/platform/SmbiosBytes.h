#pragma once
// SMBIOS bytes built for tests: entry points, structures and a whole table of a 2006 office PC.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace mrv::testing {

// One structure: header (type, length, handle), the formatted fields after the header, the strings.
inline std::string structure(int type, int handle, std::initializer_list<int> fields, const std::vector<std::string>& strings) {
  std::string s;
  s += static_cast<char>(type);
  s += static_cast<char>(4 + fields.size());
  s += static_cast<char>(handle & 0xFF);
  s += static_cast<char>(handle >> 8);
  for (int f : fields) s += static_cast<char>(f);
  for (const auto& str : strings) s += str + '\0';
  if (strings.empty()) s += '\0';
  s += '\0';
  return s;
}

inline std::string endOfTable() { return structure(127, 0xFEFF, {}, {}); }

inline void putLittle(std::string& s, std::size_t at, std::uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

inline std::string entryPoint2(int major, int minor, std::uint16_t tableLength) {
  std::string e(0x1F, '\0');
  e.replace(0, 4, "_SM_");
  e[5] = 0x1F;
  e[6] = static_cast<char>(major);
  e[7] = static_cast<char>(minor);
  e.replace(0x10, 5, "_DMI_");
  putLittle(e, 0x16, tableLength, 2);
  putLittle(e, 0x18, 0x000F0000, 4);
  e[0x1E] = static_cast<char>((major << 4) | minor);
  return e;
}

inline std::string entryPoint3(int major, int minor, std::uint32_t maxLength) {
  std::string e(0x18, '\0');
  e.replace(0, 5, "_SM3_");
  e[6] = 0x18;
  e[7] = static_cast<char>(major);
  e[8] = static_cast<char>(minor);
  e[0x0A] = 1;
  putLittle(e, 0x0C, maxLength, 4);
  return e;
}

// BIOS, system, board, one populated and one empty processor socket, the L2 cache, a memory array
// of four sockets with two 512 MB DDR-400 DIMMs and one empty socket.
inline std::string officeTables() {
  return structure(0, 0, {1, 2, 0x00, 0xF0, 3, 0x0F, 0x80, 0x98, 0x8B, 0x3F, 0, 0, 0, 0},
                   {"American Megatrends Inc.", "0802", "05/20/2006"}) +
         structure(1, 1, {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6},
                   {"System manufacturer", "P5GZ-MX", "System Version", "System Serial Number"}) +
         structure(2, 2, {1, 2, 3, 4, 0}, {"ASUSTeK Computer INC.", "P5GZ-MX", "1.XX", "MB-1234567890"}) +
         structure(4, 4, {1, 3, 0xB2, 2, 0x43, 0x0F, 0, 0, 0xFF, 0xFB, 0xEB, 0xBF, 3, 0x8D, 0xC8, 0, 0xD8, 0x0E,
                          0xB8, 0x0B, 0x41, 0x15, 0xFF, 0xFF, 7, 0, 0xFF, 0xFF},
                   {"LGA775", "Intel", "Intel(R) Pentium(R) 4 CPU 3.00GHz"}) +
         structure(4, 5, {1, 3, 0xB2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x15, 0xFF, 0xFF,
                          0xFF, 0xFF, 0xFF, 0xFF},
                   {"Socket 2"}) +
         structure(7, 7, {1, 0x01, 0x00, 0x00, 0x04, 0x00, 0x04, 0, 0, 0, 0}, {"L2-Cache"}) +
         structure(16, 0x10, {3, 3, 3, 0x00, 0x00, 0x40, 0x00, 0xFE, 0xFF, 4, 0}, {}) +
         structure(17, 0x11, {0x10, 0, 0xFE, 0xFF, 64, 0, 64, 0, 0x00, 0x02, 0x09, 0, 1, 2, 0x12, 0x80, 0x00, 0x90,
                              0x01, 3, 0, 0, 0},
                   {"DIMM0", "BANK0", "Manufacturer00"}) +
         structure(17, 0x12, {0x10, 0, 0xFE, 0xFF, 64, 0, 64, 0, 0x00, 0x02, 0x09, 0, 1, 2, 0x12, 0x80, 0x00, 0x90,
                              0x01, 0, 0, 0, 0},
                   {"DIMM1", "BANK1"}) +
         structure(17, 0x13, {0x10, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0, 1, 2, 0x02, 0, 0, 0,
                              0, 0, 0, 0, 0},
                   {"DIMM2", "BANK2"}) +
         endOfTable();
}

}  // namespace mrv::testing
