#pragma once
// The registry reader every collector shares: a root key and at most one open key, opened
// read-only. A missing key or value reads as empty text; reading a value that is not text as text
// raises MrvError, and so does reading an integer that is missing or not an integer.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RegistryStore.h"

namespace mrv {

class TRegistryEx {
 public:
  // store may be null: then every key is missing.
  explicit TRegistryEx(RegistryStore* store);

  void setRootKey(RootKey root);  // also closes the open key
  RootKey rootKey() const { return root_; }

  // Opens a key read-only. A path starting with "\" is taken from the root; otherwise it is relative
  // to the open key (or the root when none is open). Closes the previous key first; false (and no
  // key open) when the key cannot be opened.
  bool openKeyReadOnly(std::string_view path);
  void closeKey();
  bool hasOpenKey() const { return key_ != nullptr; }
  // Path of the open key from its root, without a leading backslash.
  const std::string& currentPath() const { return path_; }

  bool valueExists(std::string_view name);
  // The value's Windows type, or nothing when it does not exist.
  std::optional<std::uint32_t> dataType(std::string_view name);
  // REG_SZ / REG_EXPAND_SZ as text; missing value or no open key: "". Any other type raises.
  std::string readString(std::string_view name);
  // REG_DWORD; missing or another type raises.
  std::int32_t readInteger(std::string_view name);
  // Raw bytes of any value; missing raises.
  std::string readBinaryData(std::string_view name);
  // The strings of a REG_MULTI_SZ value in stored order; nothing when missing or another type.
  std::optional<std::vector<std::string>> readMultiString(std::string_view name);

  std::vector<std::string> valueNames();
  std::vector<std::string> keyNames();
  bool hasSubKeys();
  // The open key itself (null when none), for walks that open children directly.
  RegistryKey* openKey() const { return key_.get(); }
  RegistryStore* store() const { return store_; }

 private:
  bool query(std::string_view name, RegValue& v);

  RegistryStore* store_;
  RootKey root_ = RootKey::CurrentUser;
  std::unique_ptr<RegistryKey> key_;
  std::string path_;
};

// Decodes a REG_MULTI_SZ block (UTF-16LE strings each ended by NUL, list ended by an empty string).
std::vector<std::string> decodeMultiString(const std::string& data);

}  // namespace mrv
