#pragma once
// The Windows registry as the program reads it: read-only, typed values under keys. One call here
// per registry API call (RegOpenKeyEx with KEY_READ, RegEnumKeyEx, RegEnumValue, RegQueryValueEx,
// RegQueryInfoKey), so the Windows implementation is a thin wrapper and the file-backed ones
// (hive files, .reg exports) behave the same. Names are UTF-8 and matched case-insensitively.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

enum class RootKey { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// Value types as Windows numbers them; other numbers are kept as they come.
enum RegType : std::uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// A value as RegQueryValueExW gives it: strings are UTF-16LE with their terminators.
struct RegValue {
  std::uint32_t type = kRegNone;
  std::string data;  // raw bytes
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // Subkey names in the store's order (RegEnumKeyEx).
  virtual std::vector<std::string> subkeyNames() = 0;
  // Number of subkeys (RegQueryInfoKey), cheaper than listing them.
  virtual std::size_t subkeyCount() = 0;
  // Value names in the store's order (RegEnumValue); the default value is "".
  virtual std::vector<std::string> valueNames() = 0;
  // RegQueryValueEx; name "" is the default value. False when it does not exist.
  virtual bool queryValue(std::string_view name, RegValue& out) = 0;
  // RegOpenKeyEx relative to this key (one or more levels, "\"-separated); null when missing or denied.
  virtual std::unique_ptr<RegistryKey> openSubkey(std::string_view relativePath) = 0;

  // Every subkey with its name, in the order of subkeyNames(), each opened as openSubkey(name)
  // opens it (null when that fails). A store that holds its keys by handle overrides this, so that
  // a walk over a whole tree looks up no key by name.
  struct OpenedSubkey {
    std::string name;
    std::unique_ptr<RegistryKey> key;
  };
  virtual std::vector<OpenedSubkey> openSubkeys() {
    std::vector<OpenedSubkey> out;
    for (auto& name : subkeyNames()) {
      auto key = openSubkey(name);
      out.push_back({std::move(name), std::move(key)});
    }
    return out;
  }

  // The data of the values of the types `wanted`, in the store's order, until `visit` returns
  // false; their names are not read. Values of other types are passed over; a store that knows a
  // value's type before its data overrides this so that they cost no read.
  using ValueVisitor = std::function<bool(const RegValue& value)>;
  virtual void readValues(std::initializer_list<std::uint32_t> wanted, const ValueVisitor& visit) {
    RegValue v;
    for (const auto& name : valueNames()) {
      if (!queryValue(name, v)) continue;
      bool take = false;
      for (std::uint32_t t : wanted) take = take || t == v.type;
      if (take && !visit(v)) return;
    }
  }
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;
  // RegOpenKeyEx(root, path, KEY_READ). The path has no leading backslash; "" opens the root
  // itself. Null when the key is missing or cannot be read.
  virtual std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) = 0;
};

// The registry of the machine running the program: the registry API on Windows; null elsewhere
// (every key is missing) (linux/ or win32/).
std::unique_ptr<RegistryStore> openNativeRegistry();

}  // namespace mrv
