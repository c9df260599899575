#include "platform/PeVersionInfo.h"

#include <cstdio>
#include <vector>

#include "base/Text.h"

namespace mrv {

namespace {

std::uint32_t u16(std::string_view d, std::size_t at) {
  if (at + 2 > d.size()) return 0;
  return static_cast<unsigned char>(d[at]) | (static_cast<unsigned char>(d[at + 1]) << 8);
}
std::uint32_t u32(std::string_view d, std::size_t at) {
  if (at + 4 > d.size()) return 0;
  return u16(d, at) | (u16(d, at + 2) << 16);
}

struct Section {
  std::uint32_t va, size, raw, rawSize;
};

class PeImage {
 public:
  explicit PeImage(std::string_view d) : d_(d) {}

  bool parse() {
    if (d_.size() < 0x40 || d_.substr(0, 2) != "MZ") return false;
    const std::size_t pe = u32(d_, 0x3C);
    if (pe > d_.size() || d_.size() - pe < 24 || d_.substr(pe, 4) != std::string_view("PE\0\0", 4)) return false;
    const std::uint32_t sections = u16(d_, pe + 6);
    const std::uint32_t optSize = u16(d_, pe + 20);
    const std::size_t opt = pe + 24;
    const std::uint32_t magic = u16(d_, opt);
    std::size_t dirs, countAt;
    if (magic == 0x10B) countAt = opt + 92, dirs = opt + 96;
    else if (magic == 0x20B) countAt = opt + 108, dirs = opt + 112;
    else return false;
    if (u32(d_, countAt) <= 2 || dirs + 24 > opt + optSize) return false;
    resourceRva_ = u32(d_, dirs + 16);
    if (resourceRva_ == 0) return false;
    const std::size_t table = opt + optSize;
    for (std::uint32_t i = 0; i < sections && i < 96; ++i) {
      const std::size_t s = table + 40u * i;
      if (s + 40 > d_.size()) break;
      sections_.push_back({u32(d_, s + 12), u32(d_, s + 8), u32(d_, s + 20), u32(d_, s + 16)});
    }
    return true;
  }

  // File offset of an RVA, or nothing when no section holds it within the file.
  std::optional<std::size_t> offsetOf(std::uint64_t rva) const {
    for (const auto& s : sections_) {
      const std::uint64_t span = s.size > s.rawSize ? s.size : s.rawSize;
      if (rva < s.va || rva >= s.va + span) continue;
      const std::uint64_t within = rva - s.va;
      if (within >= s.rawSize) return std::nullopt;
      const std::uint64_t off = s.raw + within;
      if (off >= d_.size()) return std::nullopt;
      return static_cast<std::size_t>(off);
    }
    return std::nullopt;
  }

  // The entry of a resource directory (at `dirOffset` from the resource section's start) with the
  // given id, or its first entry when id is empty. The entry's OffsetToData.
  std::optional<std::uint32_t> entry(std::uint32_t dirOffset, std::optional<std::uint32_t> id) const {
    auto base = offsetOf(static_cast<std::uint64_t>(resourceRva_) + dirOffset);
    if (!base) return std::nullopt;
    const std::uint32_t count = u16(d_, *base + 12) + u16(d_, *base + 14);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t e = *base + 16 + 8u * i;
      if (e + 8 > d_.size()) return std::nullopt;
      const std::uint32_t name = u32(d_, e);
      if (!id || ((name & 0x80000000u) == 0 && name == *id)) return u32(d_, e + 4);
    }
    return std::nullopt;
  }

  std::optional<std::string> versionBlock() const {
    constexpr std::uint32_t kDir = 0x80000000u, kRtVersion = 16;
    auto type = entry(0, kRtVersion);
    if (!type || !(*type & kDir)) return std::nullopt;
    auto name = entry(*type & ~kDir, std::nullopt);
    if (!name || !(*name & kDir)) return std::nullopt;
    auto lang = entry(*name & ~kDir, std::nullopt);
    if (!lang || (*lang & kDir)) return std::nullopt;
    auto dataEntry = offsetOf(static_cast<std::uint64_t>(resourceRva_) + *lang);
    if (!dataEntry || *dataEntry + 8 > d_.size()) return std::nullopt;
    auto data = offsetOf(u32(d_, *dataEntry));
    const std::uint32_t size = u32(d_, *dataEntry + 4);
    if (!data || size == 0) return std::nullopt;
    return std::string(d_.substr(*data, size));  // substr stops at the end of the file
  }

 private:
  std::string_view d_;
  std::uint32_t resourceRva_ = 0;
  std::vector<Section> sections_;
};

std::size_t align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// One node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, szKey, padding, Value,
// padding, Children. Offsets count from the start of the block.
struct Node {
  std::size_t begin = 0, end = 0;
  std::string key;
  std::size_t value = 0;        // offset of the value
  std::uint32_t valueLength = 0;  // as stored (characters for text, bytes otherwise)
  bool text = false;
  std::size_t children = 0;

  bool read(std::string_view b, std::size_t at, std::size_t limit) {
    if (at + 6 > limit) return false;
    const std::uint32_t length = u16(b, at);
    if (length < 6) return false;
    begin = at;
    end = at + length > limit ? limit : at + length;
    valueLength = u16(b, at + 2);
    text = u16(b, at + 4) == 1;
    std::size_t p = at + 6;
    while (p + 2 <= end && u16(b, p) != 0) p += 2;
    key = utf16leToUtf8(reinterpret_cast<const unsigned char*>(b.data()) + at + 6, p - (at + 6));
    p = align4(p + 2);
    value = p > end ? end : p;
    const std::size_t bytes = text ? valueLength * 2u : valueLength;
    children = align4(value + bytes);
    if (children > end) children = end;
    return true;
  }

  std::vector<Node> kids(std::string_view b) const {
    std::vector<Node> out;
    for (std::size_t p = children; p < end;) {
      Node n;
      if (!n.read(b, p, end)) break;
      out.push_back(n);
      p = align4(n.end);
    }
    return out;
  }

  std::optional<Node> child(std::string_view b, std::string_view name) const {
    for (const auto& k : kids(b))
      if (iequalsAscii(k.key, name)) return k;
    return std::nullopt;
  }
};

std::optional<Node> root(std::string_view block) {
  Node n;
  if (!n.read(block, 0, block.size())) return std::nullopt;
  return n;
}

}  // namespace

std::optional<std::string> peVersionInfoBlock(std::string_view image) {
  PeImage pe(image);
  if (!pe.parse()) return std::nullopt;
  return pe.versionBlock();
}

std::optional<std::uint32_t> versionTranslation(std::string_view block) {
  auto r = root(block);
  if (!r) return std::nullopt;
  auto var = r->child(block, "VarFileInfo");
  if (!var) return std::nullopt;
  auto translation = var->child(block, "Translation");
  if (!translation || translation->value + 4 > translation->end) return std::nullopt;
  return u32(block, translation->value);
}

std::optional<std::string> versionString(std::string_view block, std::string_view table, std::string_view name) {
  auto r = root(block);
  if (!r) return std::nullopt;
  auto info = r->child(block, "StringFileInfo");
  if (!info) return std::nullopt;
  auto strings = info->child(block, table);
  if (!strings) return std::nullopt;
  auto s = strings->child(block, name);
  if (!s) return std::nullopt;
  if (s->valueLength == 0 || s->value >= s->end) return std::string();
  return utf16leToUtf8(reinterpret_cast<const unsigned char*>(block.data()) + s->value, s->end - s->value);
}

std::string versionTranslationKey(std::uint32_t translation) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(translation));
  return std::string(hex + 4, 4) + std::string(hex, 4);
}

}  // namespace mrv
