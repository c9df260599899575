#pragma once
// Little-endian fields of registry hive and value data, for tests.
#include <cstdint>
#include <cstring>
#include <string>

namespace mrv::testing {

namespace hivebytes {
inline void put16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void put32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline std::uint32_t get32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
  return v;
}
// XOR of the first 127 double words of the base block, stored at 0x1FC.
inline void fixHeaderChecksum(std::string& b) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= get32(b, i);
  put32(b, 0x1FC, sum);
}
}  // namespace hivebytes

}  // namespace mrv::testing
