#include "platform/replay/HiveRegistry.h"

#include <hivex.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "base/Text.h"
#include "platform/WindowsInstallation.h"
#include "platform/replay/MemoryRegistry.h"
#include "platform/replay/OfflineRegistry.h"

namespace fs = std::filesystem;

namespace mrv {

namespace {

int compareIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The subkeys of one key: names in the hive's order, and their positions sorted by name for
// look-ups in any letter case.
struct ChildIndex {
  std::vector<std::string> names;
  std::vector<hive_node_h> nodes;
  std::vector<std::uint32_t> sorted;

  void sort() {
    sorted.resize(names.size());
    for (std::uint32_t i = 0; i < sorted.size(); ++i) sorted[i] = i;
    std::sort(sorted.begin(), sorted.end(),
              [&](std::uint32_t a, std::uint32_t b) { return compareIgnoringCase(names[a], names[b]) < 0; });
  }
  hive_node_h find(std::string_view name) const {
    auto it = std::lower_bound(sorted.begin(), sorted.end(), name, [&](std::uint32_t i, std::string_view n) {
      return compareIgnoringCase(names[i], n) < 0;
    });
    return it != sorted.end() && compareIgnoringCase(names[*it], name) == 0 ? nodes[*it] : 0;
  }
};

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kBaseBlock = 0x1000;
// Windows keeps keys at most 512 levels deep; a deeper path can only come from a damaged hive.
constexpr std::size_t kMaxDepth = 512;

}  // namespace

class HiveFile {
 public:
  HiveFile(hive_h* h, std::string path) : h_(h), path_(std::move(path)) {}
  ~HiveFile() {
    hivex_close(h_);
    if (lenient_) hivex_close(lenient_);
  }
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  hive_h* handle() const { return h_; }
  // Handles are offsets into the file, so a node or value of one handle is the same in the other.
  hive_h* lenient() {
    if (!lenientTried_) {
      lenientTried_ = true;
      lenient_ = hivex_open(path_.c_str(), HIVEX_OPEN_UNSAFE);
    }
    return lenient_;
  }
  hive_node_h root() const { return hivex_root(h_); }

  // The subkey index of a node. Indexes of recently listed keys are kept, so a walk that reopens
  // each key from the root finds every level without reading the names of its siblings again.
  // A subkey whose own parent field names another key is left out: in a sound hive every key has
  // one parent, so such an entry can only be a loop or a shared cell of a damaged hive.
  std::shared_ptr<const ChildIndex> children(hive_node_h node) {
    if (auto it = recent_.find(node); it != recent_.end()) return it->second;
    if (auto it = older_.find(node); it != older_.end()) return remember(node, it->second);
    auto index = std::make_shared<ChildIndex>();
    hive_node_h* kids = hivex_node_children(h_, node);
    if (!kids && lenient()) kids = hivex_node_children(lenient_, node);
    if (kids) {
      for (hive_node_h* k = kids; *k; ++k) {
        if (hivex_node_parent(h_, *k) != node) continue;
        char* name = hivex_node_name(h_, *k);
        if (!name) continue;  // a damaged name cell: that subkey cannot be reached
        index->names.emplace_back(name);
        index->nodes.push_back(*k);
        std::free(name);
      }
      std::free(kids);
    }
    index->sort();
    return remember(node, std::move(index));
  }

  // Follows a "\"-separated path from `from`; 0 when a part is missing. Paths from the root are
  // remembered as spelled, so reopening a key, or opening a subkey of a key opened before, costs one
  // or two look-ups.
  hive_node_h resolve(hive_node_h from, std::string_view path) {
    if (from != root()) return walk(from, path);
    path = trimmedPath(path);
    if (path.empty()) return from;
    if (auto hit = paths_.find(path); hit != paths_.end()) return hit->second;
    hive_node_h node = 0;
    const auto cut = path.rfind('\\');
    auto parent = cut == std::string_view::npos ? paths_.end() : paths_.find(path.substr(0, cut));
    if (parent != paths_.end()) {
      node = children(parent->second)->find(path.substr(cut + 1));
      if (!node) return 0;
    } else {
      node = walk(from, path);
      if (!node) return 0;
    }
    // only keys with subkeys are remembered: they are the ones whose subkeys get opened next
    if (hivex_node_nr_children(h_, node) > 0) {
      if (paths_.size() >= kPathCacheSize) paths_.clear();
      paths_.emplace(std::string(path), node);
    }
    return node;
  }

 private:
  static constexpr std::size_t kIndexCacheSize = 64;
  static constexpr std::size_t kPathCacheSize = 8192;
  struct PathHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };

  // Two generations: a full young one becomes the old one, and what is used again moves back.
  std::shared_ptr<const ChildIndex> remember(hive_node_h node, std::shared_ptr<const ChildIndex> index) {
    if (recent_.size() >= kIndexCacheSize) {
      older_.swap(recent_);
      recent_.clear();
    }
    recent_.emplace(node, index);
    return index;
  }

  static std::string_view trimmedPath(std::string_view path) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
  }

  hive_node_h walk(hive_node_h from, std::string_view path) {
    hive_node_h node = from;
    const auto parts = registryPathParts(path);
    if (parts.size() > kMaxDepth) return 0;
    for (const auto& part : parts) {
      node = children(node)->find(part);
      if (!node) return 0;
    }
    return node;
  }

  hive_h* h_;
  std::string path_;
  // The same file opened with libhivex's heuristics for damaged hives. libhivex refuses a whole list
  // of subkeys or values when one entry is damaged; this handle skips the damaged entry instead, so
  // its sound neighbours stay readable. Opened on the first such list.
  hive_h* lenient_ = nullptr;
  bool lenientTried_ = false;
  std::unordered_map<std::string, hive_node_h, PathHash, std::equal_to<>> paths_;  // from the root, as spelled
  std::unordered_map<hive_node_h, std::shared_ptr<const ChildIndex>> recent_, older_;
};

namespace {

class HiveKey : public RegistryKey {
 public:
  HiveKey(std::shared_ptr<HiveFile> file, hive_node_h node) : file_(std::move(file)), node_(node) {}

  std::vector<std::string> subkeyNames() override { return file_->children(node_)->names; }
  std::size_t subkeyCount() override { return hivex_node_nr_children(file_->handle(), node_); }
  std::vector<std::string> valueNames() override {
    loadValues();
    std::vector<std::string> out;
    out.reserve(values_.size());
    for (const auto& v : values_) out.push_back(v.first);
    return out;
  }
  bool queryValue(std::string_view name, RegValue& out) override {
    loadValues();
    for (const auto& [n, handle] : values_) {
      if (n.size() != name.size() || !iequalsAscii(n, name)) continue;
      // libhivex reports any type number the hive holds, also ones its enum does not name, so the
      // number is received in a plain integer of the enum's size
      static_assert(sizeof(hive_type) == sizeof(std::uint32_t));
      std::uint32_t type = 0;
      std::size_t len = 0;
      char* data = hivex_value_value(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len);
      if (!data) return false;  // a damaged data cell reads as a missing value
      out.type = type;
      out.data.assign(data, len);
      std::free(data);
      return true;
    }
    return false;
  }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    const hive_node_h n = file_->resolve(node_, rel);
    return n ? std::make_unique<HiveKey>(file_, n) : nullptr;
  }
  // The type is read from the value's own cell, the data only for the types asked for, the name
  // not at all.
  void readValues(std::initializer_list<std::uint32_t> wanted, const ValueVisitor& visit) override {
    hive_value_h* vals = hivex_node_values(file_->handle(), node_);
    if (!vals && file_->lenient()) vals = hivex_node_values(file_->lenient(), node_);
    if (!vals) return;
    RegValue v;
    for (hive_value_h* h = vals; *h; ++h) {
      const hive_value_h handle = *h;
      std::uint32_t type = 0;
      std::size_t len = 0;
      if (hivex_value_type(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len) != 0) continue;
      bool take = false;
      for (std::uint32_t t : wanted) take = take || t == type;
      if (!take) continue;
      char* data = hivex_value_value(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len);
      if (!data) continue;  // a damaged data cell reads as a missing value
      v.type = type;
      v.data.assign(data, len);
      std::free(data);
      if (!visit(v)) break;
    }
    std::free(vals);
  }

 private:
  void loadValues() {
    if (valuesLoaded_) return;
    valuesLoaded_ = true;
    hive_value_h* vals = hivex_node_values(file_->handle(), node_);
    if (!vals && file_->lenient()) vals = hivex_node_values(file_->lenient(), node_);
    if (!vals) return;
    for (hive_value_h* v = vals; *v; ++v) {
      char* name = hivex_value_key(file_->handle(), *v);
      if (!name) continue;
      values_.emplace_back(name, *v);
      std::free(name);
    }
    std::free(vals);
  }

  std::shared_ptr<HiveFile> file_;
  hive_node_h node_;
  bool valuesLoaded_ = false;
  std::vector<std::pair<std::string, hive_value_h>> values_;
};

// HKEY_LOCAL_MACHINE itself: its subkeys are the mounted hives.
class MachineRootKey : public RegistryKey {
 public:
  MachineRootKey(HiveRegistry* owner, std::vector<std::string> names) : owner_(owner), names_(std::move(names)) {}
  std::vector<std::string> subkeyNames() override { return names_; }
  std::size_t subkeyCount() override { return names_.size(); }
  std::vector<std::string> valueNames() override { return {}; }
  bool queryValue(std::string_view, RegValue&) override { return false; }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    return owner_->openKey(RootKey::LocalMachine, rel);
  }

 private:
  HiveRegistry* owner_;
  std::vector<std::string> names_;
};

std::string hiveProblem(const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (ec || !fs::exists(st)) return "the file does not exist";
  if (fs::is_directory(st)) return "it is a folder, not a hive file";
  const auto size = fs::file_size(path, ec);
  if (ec) return "its size cannot be read";
  if (size == 0) return "the file is empty";
  std::ifstream f(path, std::ios::binary);
  std::string head(kBaseBlock, '\0');
  f.read(head.data(), static_cast<std::streamsize>(head.size()));
  const auto got = static_cast<std::size_t>(f.gcount());
  if (got < 4 && !f.eof()) return "the file cannot be read";
  if (got < 4 || head.compare(0, 4, "regf") != 0) return "it is not a registry hive file";
  if (got < kBaseBlock) return "the file is truncated (" + std::to_string(size) + " bytes)";
  const auto* p = reinterpret_cast<const unsigned char*>(head.data());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= le32(p + i);
  if (sum != le32(p + 0x1FC)) return "its header is damaged (bad checksum)";
  if (le32(p + 0x14) != 1) return "its format version " + std::to_string(le32(p + 0x14)) + " is not supported";
  const std::uint64_t needed = kBaseBlock + static_cast<std::uint64_t>(le32(p + 0x28));
  if (needed > size || size < 2 * kBaseBlock)
    return "the file is truncated (" + std::to_string(size) + " of " + std::to_string(needed) + " bytes)";
  return {};
}

}  // namespace

bool looksLikeHiveFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  char magic[4] = {};
  return f.read(magic, 4) && std::memcmp(magic, "regf", 4) == 0;
}

std::shared_ptr<HiveFile> openHiveFile(const std::string& path, std::string& message) {
  std::string problem = hiveProblem(path);
  if (problem.empty()) {
    if (hive_h* h = hivex_open(path.c_str(), 0)) return std::make_shared<HiveFile>(h, path);
    const int err = errno;
    problem = "the hive is damaged (" + std::string(std::strerror(err)) + ")";
  }
  message = "Registry hive " + path + ": " + problem + "; its keys are left out.";
  return nullptr;
}

std::unique_ptr<RegistryKey> openHiveKey(const std::shared_ptr<HiveFile>& hive, std::string_view path) {
  if (!hive) return nullptr;
  const hive_node_h n = hive->resolve(hive->root(), path);
  return n ? std::make_unique<HiveKey>(hive, n) : nullptr;
}

HiveRegistry::HiveRegistry(const std::string& softwareHive, const std::string& systemHive,
                           const std::string& userHive, std::vector<std::string>& messages) {
  auto mount = [&](const std::string& path, std::shared_ptr<HiveFile>& into) {
    if (path.empty()) return;
    std::string message;
    into = openHiveFile(path, message);
    if (!into) messages.push_back(message);
  };
  mount(softwareHive, software_);
  mount(systemHive, system_);
  mount(userHive, user_);
  // Windows keeps the user's HKCU\Software\Classes in UsrClass.dat of the same profile
  if (user_) {
    const std::string profile = fs::path(userHive).parent_path().string();
    mount(findPathIgnoringCase(profile.empty() ? "." : profile, "AppData\\Local\\Microsoft\\Windows\\UsrClass.dat"),
          userClasses_);
  }
}

HiveRegistry::~HiveRegistry() = default;

std::unique_ptr<RegistryKey> HiveRegistry::openKey(RootKey root, std::string_view path) {
  std::string doubled;
  std::string_view normal = path;
  while (!normal.empty() && normal.front() == '\\') normal.remove_prefix(1);
  while (!normal.empty() && normal.back() == '\\') normal.remove_suffix(1);
  if (normal.find("\\\\") != std::string_view::npos) normal = doubled = normalRegistryPath(normal);
  if (root == RootKey::LocalMachine) {
    if (normal.empty()) {
      std::vector<std::string> names;
      if (software_) names.emplace_back("SOFTWARE");
      if (system_) names.emplace_back("SYSTEM");
      return std::make_unique<MachineRootKey>(this, std::move(names));
    }
    const auto cut = normal.find('\\');
    const std::string_view hive = normal.substr(0, cut);
    const std::string_view rest = cut == std::string_view::npos ? std::string_view() : normal.substr(cut + 1);
    if (iequalsAscii(hive, "SOFTWARE")) return openHiveKey(software_, rest);
    if (iequalsAscii(hive, "SYSTEM")) return openHiveKey(system_, rest);
    return nullptr;
  }
  if (root == RootKey::CurrentUser && user_) {
    constexpr std::string_view classes = "Software\\Classes";
    if (userClasses_ && normal.size() >= classes.size() && iequalsAscii(normal.substr(0, classes.size()), classes) &&
        (normal.size() == classes.size() || normal[classes.size()] == '\\'))
      return openHiveKey(userClasses_, normal.substr(std::min(normal.size(), classes.size() + 1)));
    return openHiveKey(user_, normal);
  }
  return normal.empty() ? makeEmptyKey() : nullptr;
}

std::unique_ptr<RegistryStore> openHiveRegistry(const std::string& softwareHive, const std::string& systemHive,
                                                const std::string& userHive, std::vector<std::string>& messages) {
  auto hives = std::make_unique<HiveRegistry>(softwareHive, systemHive, userHive, messages);
  return std::make_unique<OfflineRegistry>(std::move(hives), nullptr, messages);
}

}  // namespace mrv
