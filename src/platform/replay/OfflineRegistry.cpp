#include "platform/replay/OfflineRegistry.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "base/Text.h"
#include "platform/replay/MemoryRegistry.h"

namespace mrv {

std::string joinRegistryPath(const std::vector<std::string>& parts, std::size_t from) {
  std::string out;
  for (std::size_t i = from; i < parts.size(); ++i) {
    if (!out.empty()) out += '\\';
    out += parts[i];
  }
  return out;
}

namespace {

class EmptyKey : public RegistryKey {
 public:
  std::vector<std::string> subkeyNames() override { return {}; }
  std::size_t subkeyCount() override { return 0; }
  std::vector<std::string> valueNames() override { return {}; }
  bool queryValue(std::string_view, RegValue&) override { return false; }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    return registryPathParts(rel).empty() ? std::make_unique<EmptyKey>() : nullptr;
  }
};

// Names of all layers, the first spelling of each kept, in the order the layers give them.
std::vector<std::string> unionOfNames(const std::vector<std::vector<std::string>>& lists) {
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  for (const auto& list : lists)
    for (const auto& n : list)
      if (seen.insert(toLowerAscii(n)).second) out.push_back(n);
  return out;
}

// Keys of several layers seen as one; the first layer that has a value or subkey wins.
class OverlayKey : public RegistryKey {
 public:
  explicit OverlayKey(std::vector<std::unique_ptr<RegistryKey>> layers) : layers_(std::move(layers)) {}
  std::vector<std::string> subkeyNames() override {
    std::vector<std::vector<std::string>> lists;
    for (auto& l : layers_) lists.push_back(l->subkeyNames());
    std::vector<std::string> names = unionOfNames(lists);
    std::sort(names.begin(), names.end(), registryNameLess);  // one key's list, as the registry gives it
    return names;
  }
  std::size_t subkeyCount() override { return subkeyNames().size(); }
  std::vector<std::string> valueNames() override {
    std::vector<std::vector<std::string>> lists;
    for (auto& l : layers_) lists.push_back(l->valueNames());
    return unionOfNames(lists);
  }
  bool queryValue(std::string_view name, RegValue& out) override {
    for (auto& l : layers_)
      if (l->queryValue(name, out)) return true;
    return false;
  }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    std::vector<std::unique_ptr<RegistryKey>> found;
    for (auto& l : layers_)
      if (auto k = l->openSubkey(rel)) found.push_back(std::move(k));
    if (found.empty()) return nullptr;
    if (found.size() == 1) return std::move(found.front());
    return std::make_unique<OverlayKey>(std::move(found));
  }

 private:
  std::vector<std::unique_ptr<RegistryKey>> layers_;
};

// A key handed out by OfflineRegistry: opening below it goes back through the registry, so that
// derived keys are found from any starting point.
class ViewKey : public RegistryKey {
 public:
  ViewKey(OfflineRegistry* owner, RootKey root, std::string path, std::unique_ptr<RegistryKey> inner)
      : owner_(owner), root_(root), path_(std::move(path)), inner_(std::move(inner)) {}
  std::vector<std::string> subkeyNames() override { return inner_->subkeyNames(); }
  std::size_t subkeyCount() override { return inner_->subkeyCount(); }
  std::vector<std::string> valueNames() override { return inner_->valueNames(); }
  bool queryValue(std::string_view name, RegValue& out) override { return inner_->queryValue(name, out); }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    if (path_.empty()) return owner_->openKey(root_, rel);
    return owner_->openKey(root_, path_ + "\\" + std::string(rel));
  }

 private:
  OfflineRegistry* owner_;
  RootKey root_;
  std::string path_;
  std::unique_ptr<RegistryKey> inner_;
};

bool readDword(RegistryKey& key, std::string_view name, std::uint32_t& out) {
  RegValue v;
  if (!key.queryValue(name, v) || v.type != kRegDword || v.data.size() < 4) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(v.data.data());
  out = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  return true;
}

std::unique_ptr<RegistryKey> rootOrNothing(const std::vector<std::string>& parts) {
  return parts.empty() ? makeEmptyKey() : nullptr;
}

std::vector<std::string> prefixed(std::initializer_list<const char*> head, const std::vector<std::string>& parts) {
  std::vector<std::string> out(head.begin(), head.end());
  out.insert(out.end(), parts.begin(), parts.end());
  return out;
}

bool isUnderCurrentControlSet(std::string_view path) {
  constexpr std::string_view ccs = "System\\CurrentControlSet";
  return path.size() >= ccs.size() && iequalsAscii(path.substr(0, ccs.size()), ccs) &&
         (path.size() == ccs.size() || path[ccs.size()] == '\\');
}

}  // namespace

std::string normalRegistryPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  if (path.find("\\\\") == std::string_view::npos) return std::string(path);
  return joinRegistryPath(registryPathParts(path));
}

std::unique_ptr<RegistryKey> makeEmptyKey() { return std::make_unique<EmptyKey>(); }

OfflineRegistry::OfflineRegistry(std::unique_ptr<RegistryStore> machine, std::unique_ptr<RegistryStore> user,
                                 std::vector<std::string>& messages)
    : machine_(std::move(machine)), user_(std::move(user)) {
  if (!machine_ || machine_->openKey(RootKey::LocalMachine, "System\\CurrentControlSet")) return;
  auto select = machine_->openKey(RootKey::LocalMachine, "System\\Select");
  if (!select) return;  // no control sets to choose from
  std::uint32_t current = 0;
  if (!readDword(*select, "Current", current)) {
    messages.push_back(
        "HKEY_LOCAL_MACHINE\\System\\Select has no valid Current value; CurrentControlSet is missing.");
    return;
  }
  char name[32];
  std::snprintf(name, sizeof name, "ControlSet%03u", current);
  if (machine_->openKey(RootKey::LocalMachine, std::string("System\\") + name)) {
    controlSet_ = name;
  } else {
    messages.push_back("HKEY_LOCAL_MACHINE\\System\\Select\\Current names control set " + std::to_string(current) +
                       ", but " + name + " is not in the registry; CurrentControlSet is missing.");
  }
}

std::unique_ptr<RegistryKey> OfflineRegistry::openLayer(RootKey root, const std::vector<std::string>& parts) {
  switch (root) {
    case RootKey::LocalMachine: {
      if (!machine_) return rootOrNothing(parts);
      if (parts.size() >= 2 && !controlSet_.empty() && iequalsAscii(parts[0], "System") &&
          iequalsAscii(parts[1], "CurrentControlSet")) {
        std::vector<std::string> mapped = parts;
        mapped[1] = controlSet_;
        return machine_->openKey(root, joinRegistryPath(mapped));
      }
      return machine_->openKey(root, joinRegistryPath(parts));
    }
    case RootKey::CurrentUser: {
      RegistryStore* store = user_ ? user_.get() : machine_.get();
      if (!store) return rootOrNothing(parts);
      return store->openKey(root, joinRegistryPath(parts));
    }
    case RootKey::Users:
      if (!machine_) return rootOrNothing(parts);
      return machine_->openKey(root, joinRegistryPath(parts));
    case RootKey::ClassesRoot:
    case RootKey::CurrentConfig: {
      std::vector<std::unique_ptr<RegistryKey>> layers;
      auto add = [&](std::unique_ptr<RegistryKey> k) {
        if (k) layers.push_back(std::move(k));
      };
      if (root == RootKey::ClassesRoot) {
        add(openLayer(RootKey::CurrentUser, prefixed({"Software", "Classes"}, parts)));
        if (machine_) add(machine_->openKey(root, joinRegistryPath(parts)));
        add(openLayer(RootKey::LocalMachine, prefixed({"Software", "Classes"}, parts)));
      } else {
        if (machine_) add(machine_->openKey(root, joinRegistryPath(parts)));
        add(openLayer(RootKey::LocalMachine,
                      prefixed({"System", "CurrentControlSet", "Hardware Profiles", "Current"}, parts)));
      }
      if (layers.empty()) return rootOrNothing(parts);
      if (layers.size() == 1) return std::move(layers.front());
      return std::make_unique<OverlayKey>(std::move(layers));
    }
  }
  return nullptr;
}

std::unique_ptr<RegistryKey> OfflineRegistry::openKey(RootKey root, std::string_view path) {
  std::string normal = normalRegistryPath(path);
  std::unique_ptr<RegistryKey> inner;
  if (root == RootKey::LocalMachine && machine_ && !isUnderCurrentControlSet(normal)) {
    inner = machine_->openKey(root, normal);  // the common case, without taking the path apart
  } else {
    inner = openLayer(root, registryPathParts(normal));
  }
  if (!inner) return nullptr;
  // Only from HKLM and HKLM\System can a relative path lead into a derived key (CurrentControlSet);
  // every other key opens its subkeys itself.
  if (root != RootKey::LocalMachine || !(normal.empty() || iequalsAscii(normal, "System"))) return inner;
  return std::make_unique<ViewKey>(this, root, std::move(normal), std::move(inner));
}

}  // namespace mrv
