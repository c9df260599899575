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

bool registryNameLess(std::string_view a, std::string_view b) {
  const auto upper = [](char c) {
    return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  };
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (upper(a[i]) != upper(b[i])) return upper(a[i]) < upper(b[i]);
  return a.size() < b.size();
}

MemoryRegistry::Node* MemoryRegistry::Node::child(std::string_view n) const {
  auto it = childIndex_.find(toLowerAscii(n));
  return it == childIndex_.end() ? nullptr : it->second;
}

MemoryRegistry::Node* MemoryRegistry::Node::ensureChild(std::string_view n) {
  std::string folded = toLowerAscii(n);
  auto it = childIndex_.find(folded);
  if (it != childIndex_.end()) return it->second;
  children.push_back(std::make_unique<Node>());
  children.back()->name = std::string(n);
  childIndex_.emplace(std::move(folded), children.back().get());
  return children.back().get();
}

bool MemoryRegistry::Node::removeChild(std::string_view n) {
  auto it = childIndex_.find(toLowerAscii(n));
  if (it == childIndex_.end()) return false;
  const Node* target = it->second;
  childIndex_.erase(it);
  std::erase_if(children, [target](const auto& c) { return c.get() == target; });
  return true;
}

const RegValue* MemoryRegistry::Node::value(std::string_view n) const {
  auto it = valueIndex_.find(toLowerAscii(n));
  return it == valueIndex_.end() ? nullptr : &values[it->second].second;
}

RegValue* MemoryRegistry::Node::value(std::string_view n) {
  auto it = valueIndex_.find(toLowerAscii(n));
  return it == valueIndex_.end() ? nullptr : &values[it->second].second;
}

void MemoryRegistry::Node::addValue(std::string_view n, RegValue v) {
  if (RegValue* existing = value(n)) {
    *existing = std::move(v);
    return;
  }
  valueIndex_.emplace(toLowerAscii(n), values.size());
  values.emplace_back(std::string(n), std::move(v));
}

bool MemoryRegistry::Node::removeValue(std::string_view n) {
  auto it = valueIndex_.find(toLowerAscii(n));
  if (it == valueIndex_.end()) return false;
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(it->second));
  // positions after the removed value move down by one (removals are rare: .reg "-" lines)
  valueIndex_.clear();
  for (std::size_t i = 0; i < values.size(); ++i) valueIndex_.emplace(toLowerAscii(values[i].first), i);
  return true;
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
  return parent->removeChild(last);
}

void MemoryRegistry::setValue(RootKey root, std::string_view path, std::string_view name, RegValue value) {
  createKey(root, path)->addValue(name, std::move(value));
}

bool MemoryRegistry::deleteValue(RootKey root, std::string_view path, std::string_view name) {
  Node* n = find(root, path);
  if (!n) return false;
  return n->removeValue(name);
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
    std::sort(out.begin(), out.end(), registryNameLess);  // as the registry lists them, not as loaded
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
