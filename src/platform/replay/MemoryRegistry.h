#pragma once
// A registry held in memory: what a .reg export loads into, and what tests build by hand. Its keys
// list their subkeys sorted, case ignored, as the registry does, whatever order they were added in.
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/RegistryStore.h"

namespace mrv {

class MemoryRegistry : public RegistryStore {
 public:
  struct Node {
    std::string name;
    std::vector<std::pair<std::string, RegValue>> values;  // in insertion order
    std::vector<std::unique_ptr<Node>> children;           // in insertion order (listed sorted)
    Node* child(std::string_view name) const;
    Node* ensureChild(std::string_view name);
    const RegValue* value(std::string_view name) const;
    RegValue* value(std::string_view name);
    void addValue(std::string_view name, RegValue v);
    bool removeValue(std::string_view name);
    bool removeChild(std::string_view name);

   private:
    // Names folded to lower case → entry, so a key with tens of thousands of subkeys or values
    // (a real SOFTWARE\Classes has) loads and looks up in linear time.
    std::unordered_map<std::string, Node*> childIndex_;
    std::unordered_map<std::string, std::size_t> valueIndex_;
  };

  MemoryRegistry();
  // Creates the key and every missing key above it; returns it.
  Node* createKey(RootKey root, std::string_view path);
  // Removes a key with everything below it; false when it did not exist.
  bool deleteKey(RootKey root, std::string_view path);
  void setValue(RootKey root, std::string_view path, std::string_view name, RegValue value);
  bool deleteValue(RootKey root, std::string_view path, std::string_view name);
  Node* find(RootKey root, std::string_view path) const;

  // Convenience for tests: REG_SZ / REG_EXPAND_SZ / REG_DWORD / REG_QWORD / REG_MULTI_SZ.
  void setString(RootKey root, std::string_view path, std::string_view name, std::string_view text,
                 std::uint32_t type = kRegSz);
  void setDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t v);
  void setQword(RootKey root, std::string_view path, std::string_view name, std::uint64_t v);
  void setMultiString(RootKey root, std::string_view path, std::string_view name,
                      const std::vector<std::string>& items);

  std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) override;

 private:
  std::map<RootKey, std::unique_ptr<Node>> roots_;
};

// The order in which the registry lists a key's subkeys: names compared in upper case, as Windows
// sorts them in its hives.
bool registryNameLess(std::string_view a, std::string_view b);

// Splits a registry path at backslashes, dropping empty parts ("\A\\B\" → A, B).
std::vector<std::string> registryPathParts(std::string_view path);

}  // namespace mrv
