#include "platform/replay/MemoryRegistry.h"

#include <algorithm>

#include "base/Text.h"

namespace mrv {

std::vector<std::string> registryPathParts(std::string_view path) {
  std::vector<std::string> parts;
  for (auto& p : split(path, '\\'))
    if (!p.empty()) parts.push_back(std::move(p));
  return parts;
}

MemoryRegistry::Node* MemoryRegistry::Node::child(std::string_view n) const {
  for (const auto& c : children)
    if (iequalsAscii(c->name, n)) return c.get();
  return nullptr;
}

MemoryRegistry::Node* MemoryRegistry::Node::ensureChild(std::string_view n) {
  if (Node* c = child(n)) return c;
  children.push_back(std::make_unique<Node>());
  children.back()->name = std::string(n);
  return children.back().get();
}

const RegValue* MemoryRegistry::Node::value(std::string_view n) const {
  for (const auto& [name, v] : values)
    if (iequalsAscii(name, n)) return &v;
  return nullptr;
}

MemoryRegistry::MemoryRegistry() {
  for (RootKey r : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                    RootKey::CurrentConfig})
    roots_[r] = std::make_unique<Node>();
}

MemoryRegistry::Node* MemoryRegistry::find(RootKey root, std::string_view path) const {
  Node* n = roots_.at(root).get();
  for (const auto& part : registryPathParts(path)) {
    n = n->child(part);
    if (!n) return nullptr;
  }
  return n;
}

MemoryRegistry::Node* MemoryRegistry::createKey(RootKey root, std::string_view path) {
  Node* n = roots_.at(root).get();
  for (const auto& part : registryPathParts(path)) n = n->ensureChild(part);
  return n;
}

bool MemoryRegistry::deleteKey(RootKey root, std::string_view path) {
  auto parts = registryPathParts(path);
  if (parts.empty()) return false;
  const std::string last = parts.back();
  parts.pop_back();
  Node* parent = roots_.at(root).get();
  for (const auto& p : parts) {
    parent = parent->child(p);
    if (!parent) return false;
  }
  auto& ch = parent->children;
  auto it = std::find_if(ch.begin(), ch.end(), [&](const auto& c) { return iequalsAscii(c->name, last); });
  if (it == ch.end()) return false;
  ch.erase(it);
  return true;
}

void MemoryRegistry::setValue(RootKey root, std::string_view path, std::string_view name, RegValue value) {
  Node* n = createKey(root, path);
  for (auto& [existing, v] : n->values)
    if (iequalsAscii(existing, name)) {
      v = std::move(value);
      return;
    }
  n->values.emplace_back(std::string(name), std::move(value));
}

bool MemoryRegistry::deleteValue(RootKey root, std::string_view path, std::string_view name) {
  Node* n = find(root, path);
  if (!n) return false;
  auto it = std::find_if(n->values.begin(), n->values.end(),
                         [&](const auto& nv) { return iequalsAscii(nv.first, name); });
  if (it == n->values.end()) return false;
  n->values.erase(it);
  return true;
}

void MemoryRegistry::setString(RootKey root, std::string_view path, std::string_view name, std::string_view text,
                               std::uint32_t type) {
  RegValue v;
  v.type = type;
  v.data = utf8ToUtf16le(text) + std::string(2, '\0');
  setValue(root, path, name, std::move(v));
}

void MemoryRegistry::setDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t x) {
  RegValue v;
  v.type = kRegDword;
  for (int i = 0; i < 4; ++i) v.data += static_cast<char>((x >> (8 * i)) & 0xFF);
  setValue(root, path, name, std::move(v));
}

void MemoryRegistry::setQword(RootKey root, std::string_view path, std::string_view name, std::uint64_t x) {
  RegValue v;
  v.type = kRegQword;
  for (int i = 0; i < 8; ++i) v.data += static_cast<char>((x >> (8 * i)) & 0xFF);
  setValue(root, path, name, std::move(v));
}

void MemoryRegistry::setMultiString(RootKey root, std::string_view path, std::string_view name,
                                    const std::vector<std::string>& items) {
  RegValue v;
  v.type = kRegMultiSz;
  for (const auto& s : items) v.data += utf8ToUtf16le(s) + std::string(2, '\0');
  v.data += std::string(2, '\0');
  setValue(root, path, name, std::move(v));
}

namespace {
class MemoryKey : public RegistryKey {
 public:
  explicit MemoryKey(const MemoryRegistry::Node* n) : n_(n) {}
  std::vector<std::string> subkeyNames() override {
    std::vector<std::string> out;
    for (const auto& c : n_->children) out.push_back(c->name);
    return out;
  }
  std::size_t subkeyCount() override { return n_->children.size(); }
  std::vector<std::string> valueNames() override {
    std::vector<std::string> out;
    for (const auto& [name, v] : n_->values) out.push_back(name);
    return out;
  }
  bool queryValue(std::string_view name, RegValue& out) override {
    const RegValue* v = n_->value(name);
    if (!v) return false;
    out = *v;
    return true;
  }
  std::unique_ptr<RegistryKey> openSubkey(std::string_view rel) override {
    const MemoryRegistry::Node* n = n_;
    for (const auto& part : registryPathParts(rel)) {
      n = n->child(part);
      if (!n) return nullptr;
    }
    return std::make_unique<MemoryKey>(n);
  }

 private:
  const MemoryRegistry::Node* n_;
};
}  // namespace

std::unique_ptr<RegistryKey> MemoryRegistry::openKey(RootKey root, std::string_view path) {
  const Node* n = find(root, path);
  return n ? std::make_unique<MemoryKey>(n) : nullptr;
}

}  // namespace mrv
