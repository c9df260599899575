// Hive files read through libhivex. The files are mapped, never copied: a key is looked up when it
// is opened and its values when they are read. The library is loaded when a hive is first opened,
// not when the program starts: most runs read no hive file.
#include <hivex.h>  // types and constants; the functions are looked up in the library

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "base/Text.h"
#include "platform/LibraryFunctions.h"
#include "platform/replay/HiveRegistry.h"
#include "platform/replay/MemoryRegistry.h"

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

// The functions this reader calls, from libhivex.so.0.
struct HivexLibrary {
  decltype(&::hivex_close) hivex_close = nullptr;
  decltype(&::hivex_node_children) hivex_node_children = nullptr;
  decltype(&::hivex_node_name) hivex_node_name = nullptr;
  decltype(&::hivex_node_nr_children) hivex_node_nr_children = nullptr;
  decltype(&::hivex_node_parent) hivex_node_parent = nullptr;
  decltype(&::hivex_node_values) hivex_node_values = nullptr;
  decltype(&::hivex_open) hivex_open = nullptr;
  decltype(&::hivex_root) hivex_root = nullptr;
  decltype(&::hivex_value_key) hivex_value_key = nullptr;
  decltype(&::hivex_value_type) hivex_value_type = nullptr;
  decltype(&::hivex_value_value) hivex_value_value = nullptr;
};

// Null when the library or one of its functions is missing. Loaded once, kept for the process.
const HivexLibrary* loadHivex() {
  static const HivexLibrary* const library =
      LoadLibraryFunctions<HivexLibrary>("libhivex.so.0", [](void* h, HivexLibrary& l) {
        return LookUpFunction(h, "hivex_close", l.hivex_close) &&
               LookUpFunction(h, "hivex_node_children", l.hivex_node_children) &&
               LookUpFunction(h, "hivex_node_name", l.hivex_node_name) &&
               LookUpFunction(h, "hivex_node_nr_children", l.hivex_node_nr_children) &&
               LookUpFunction(h, "hivex_node_parent", l.hivex_node_parent) &&
               LookUpFunction(h, "hivex_node_values", l.hivex_node_values) &&
               LookUpFunction(h, "hivex_open", l.hivex_open) && LookUpFunction(h, "hivex_root", l.hivex_root) &&
               LookUpFunction(h, "hivex_value_key", l.hivex_value_key) &&
               LookUpFunction(h, "hivex_value_type", l.hivex_value_type) &&
               LookUpFunction(h, "hivex_value_value", l.hivex_value_value);
      });
  return library;
}

// The loaded library; only once openHiveFile has found it.
const HivexLibrary& hivex() { return *loadHivex(); }

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

// Windows keeps keys at most 512 levels deep; a deeper path can only come from a damaged hive.
constexpr std::size_t kMaxDepth = 512;

}  // namespace

class HiveFile {
 public:
  HiveFile(hive_h* h, std::string path) : h_(h), path_(std::move(path)) {}
  ~HiveFile() {
    hivex().hivex_close(h_);
    if (lenient_) hivex().hivex_close(lenient_);
  }
  HiveFile(const HiveFile&) = delete;
  HiveFile& operator=(const HiveFile&) = delete;

  hive_h* handle() const { return h_; }
  // Handles are offsets into the file, so a node or value of one handle is the same in the other.
  hive_h* lenient() {
    if (!lenientTried_) {
      lenientTried_ = true;
      lenient_ = hivex().hivex_open(path_.c_str(), HIVEX_OPEN_UNSAFE);
    }
    return lenient_;
  }
  hive_node_h root() const { return hivex().hivex_root(h_); }

  // The subkey index of a node. Indexes of recently listed keys are kept, so a walk that reopens
  // each key from the root finds every level without reading the names of its siblings again.
  // A subkey whose own parent field names another key is left out: in a sound hive every key has
  // one parent, so such an entry can only be a loop or a shared cell of a damaged hive.
  std::shared_ptr<const ChildIndex> children(hive_node_h node) {
    if (auto it = recent_.find(node); it != recent_.end()) return it->second;
    if (auto it = older_.find(node); it != older_.end()) return remember(node, it->second);
    auto index = std::make_shared<ChildIndex>();
    readChildren(node, index->names, index->nodes);
    index->sort();
    return remember(node, std::move(index));
  }

  // The subkeys of a node, names and handles in the hive's order, read afresh (a walk by handle
  // reads each key's list once, so there is nothing to remember).
  void readChildren(hive_node_h node, std::vector<std::string>& names, std::vector<hive_node_h>& nodes) {
    hive_node_h* kids = hivex().hivex_node_children(h_, node);
    if (!kids && lenient()) kids = hivex().hivex_node_children(lenient_, node);
    if (!kids) return;
    for (hive_node_h* k = kids; *k; ++k) {
      if (hivex().hivex_node_parent(h_, *k) != node) continue;
      char* name = hivex().hivex_node_name(h_, *k);
      if (!name) continue;  // a damaged name cell: that subkey cannot be reached
      names.emplace_back(name);
      nodes.push_back(*k);
      std::free(name);
    }
    std::free(kids);
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
    if (hivex().hivex_node_nr_children(h_, node) > 0) {
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
  std::size_t subkeyCount() override { return hivex().hivex_node_nr_children(file_->handle(), node_); }
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
      char* data = hivex().hivex_value_value(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len);
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
  std::vector<OpenedSubkey> openSubkeys() override {
    std::vector<std::string> names;
    std::vector<hive_node_h> nodes;
    file_->readChildren(node_, names, nodes);
    std::vector<OpenedSubkey> out(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) out[i] = {std::move(names[i]), std::make_unique<HiveKey>(file_, nodes[i])};
    return out;
  }
  // The type is read from the value's own cell, the data only for the types asked for, the name
  // not at all.
  void readValues(std::initializer_list<std::uint32_t> wanted, const ValueVisitor& visit) override {
    hive_value_h* vals = hivex().hivex_node_values(file_->handle(), node_);
    if (!vals && file_->lenient()) vals = hivex().hivex_node_values(file_->lenient(), node_);
    if (!vals) return;
    RegValue v;
    for (hive_value_h* h = vals; *h; ++h) {
      const hive_value_h handle = *h;
      std::uint32_t type = 0;
      std::size_t len = 0;
      if (hivex().hivex_value_type(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len) != 0) continue;
      bool take = false;
      for (std::uint32_t t : wanted) take = take || t == type;
      if (!take) continue;
      char* data = hivex().hivex_value_value(file_->handle(), handle, reinterpret_cast<hive_type*>(&type), &len);
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
    hive_value_h* vals = hivex().hivex_node_values(file_->handle(), node_);
    if (!vals && file_->lenient()) vals = hivex().hivex_node_values(file_->lenient(), node_);
    if (!vals) return;
    for (hive_value_h* v = vals; *v; ++v) {
      char* name = hivex().hivex_value_key(file_->handle(), *v);
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

}  // namespace

std::shared_ptr<HiveFile> openHiveFile(const std::string& path, std::string& message) {
  std::string problem = hiveFileProblem(path);
  if (problem.empty() && !loadHivex()) problem = "the hive library (libhivex.so.0) cannot be loaded";
  if (problem.empty()) {
    if (hive_h* h = hivex().hivex_open(path.c_str(), 0)) return std::make_shared<HiveFile>(h, path);
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

}  // namespace mrv
