#pragma once
// Builds version resources and PE images holding them, byte by byte, for the version tests.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Text.h"

namespace mrv::test {

inline void put16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void put32(std::string& s, std::size_t at, std::uint32_t v) {
  put16(s, at, v & 0xFFFF);
  put16(s, at + 2, v >> 16);
}
inline void pad4(std::string& s) {
  while (s.size() % 4) s += '\0';
}

// One VS_VERSIONINFO node: header, key, value and children, each 32-bit aligned.
inline std::string node(std::string_view key, const std::string& value, bool text, const std::vector<std::string>& kids = {}) {
  std::string n(6, '\0');
  n += utf8ToUtf16le(key) + std::string(2, '\0');
  pad4(n);
  n += value;
  for (const auto& k : kids) {
    pad4(n);
    n += k;
  }
  put16(n, 0, static_cast<std::uint32_t>(n.size()));
  put16(n, 2, static_cast<std::uint32_t>(text ? value.size() / 2 : value.size()));
  put16(n, 4, text ? 1 : 0);
  return n;
}
inline std::string str(std::string_view key, std::string_view value) {
  return node(key, utf8ToUtf16le(value) + std::string(2, '\0'), true);
}

inline std::string versionBlock(bool withTranslation, const std::vector<std::string>& strings) {
  std::vector<std::string> kids{node("StringFileInfo", "", true, {node("041104B0", "", true, strings)})};
  if (withTranslation) {
    std::string t(4, '\0');
    put32(t, 0, 0x04B00411);
    kids.push_back(node("VarFileInfo", "", true, {node("Translation", t, false)}));
  }
  return node("VS_VERSION_INFO", std::string(52, '\x01'), false, kids);
}

// A PE32 image with one .rsrc section holding the block as its RT_VERSION resource.
inline std::string peImage(const std::string& block) {
  std::string img(0x200, '\0');
  img[0] = 'M';
  img[1] = 'Z';
  put32(img, 0x3C, 0x40);
  img.replace(0x40, 4, std::string("PE\0\0", 4));
  put16(img, 0x44, 0x14C);
  put16(img, 0x46, 1);    // sections
  put16(img, 0x54, 224);  // optional header size
  const std::size_t opt = 0x58;
  put16(img, opt, 0x10B);
  put32(img, opt + 92, 16);
  std::string rsrc(0x60, '\0');
  put16(rsrc, 14, 1);
  put32(rsrc, 16, 16);
  put32(rsrc, 20, 0x80000018);
  put16(rsrc, 0x18 + 14, 1);
  put32(rsrc, 0x18 + 16, 1);
  put32(rsrc, 0x18 + 20, 0x80000030);
  put16(rsrc, 0x30 + 14, 1);
  put32(rsrc, 0x30 + 16, 0x411);
  put32(rsrc, 0x30 + 20, 0x48);
  put32(rsrc, 0x48, 0x1060);
  put32(rsrc, 0x4C, static_cast<std::uint32_t>(block.size()));
  rsrc += block;
  put32(img, opt + 96 + 16, 0x1000);
  put32(img, opt + 96 + 20, static_cast<std::uint32_t>(rsrc.size()));
  const std::size_t sec = opt + 224;
  img.replace(sec, 5, ".rsrc");
  put32(img, sec + 8, static_cast<std::uint32_t>(rsrc.size()));
  put32(img, sec + 12, 0x1000);
  put32(img, sec + 16, static_cast<std::uint32_t>(rsrc.size()));
  put32(img, sec + 20, 0x200);
  return img + rsrc;
}

}  // namespace mrv::test
