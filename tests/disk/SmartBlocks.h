#pragma once
// Builders for the IDENTIFY, attribute and threshold blocks used by the disk tests.
#include <cstdint>
#include <string_view>

#include "platform/AtaDevice.h"

namespace mrv::test {

struct AttrRow {
  int id;
  unsigned flags;
  int current;
  int worst;
  std::uint64_t raw;
  int threshold;
};
constexpr unsigned kPreFail = 0x01;

// Puts `text` into the field as the drive stores it: each pair of characters swapped, blank padded.
inline void putIdentityText(AtaBlock& b, std::size_t at, std::size_t length, std::string_view text) {
  for (std::size_t i = 0; i < length; ++i) b[at + (i ^ 1)] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
}

inline AtaBlock identifyBlock(std::string_view serial, std::string_view model, std::uint32_t sectors) {
  AtaBlock b{};
  putIdentityText(b, 20, 20, serial);
  putIdentityText(b, 54, 40, model);
  for (int k = 0; k < 4; ++k) b[120 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(sectors >> (8 * k));
  return b;
}

inline void putAttribute(AtaBlock& data, AtaBlock& thresholds, int slot, const AttrRow& a) {
  const std::size_t at = 2 + static_cast<std::size_t>(slot) * 12;
  data[at] = static_cast<std::uint8_t>(a.id);
  data[at + 1] = static_cast<std::uint8_t>(a.flags & 0xFF);
  data[at + 2] = static_cast<std::uint8_t>(a.flags >> 8);
  data[at + 3] = static_cast<std::uint8_t>(a.current);
  data[at + 4] = static_cast<std::uint8_t>(a.worst);
  for (int k = 0; k < 6; ++k) data[at + 5 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(a.raw >> (8 * k));
  thresholds[at] = static_cast<std::uint8_t>(a.id);
  thresholds[at + 1] = static_cast<std::uint8_t>(a.threshold);
}

struct Tables {
  AtaBlock data{};
  AtaBlock thresholds{};
};

inline Tables tables(std::initializer_list<AttrRow> rows) {
  Tables t;
  t.data[0] = t.thresholds[0] = 0x10;  // revision
  int slot = 0;
  for (const AttrRow& a : rows) putAttribute(t.data, t.thresholds, slot++, a);
  return t;
}

// A temperature raw value from its bytes 0, 2 and 4.
inline std::uint64_t temperatureRaw(int now, int low, int high) {
  return static_cast<std::uint64_t>(now) | static_cast<std::uint64_t>(low) << 16 | static_cast<std::uint64_t>(high) << 32;
}

}  // namespace mrv::test
