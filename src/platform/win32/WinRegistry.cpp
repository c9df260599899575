// The running machine's registry through the registry API, read-only: one API call per store call.
// Names cross as UTF-8 here and UTF-16 in the API; value data is returned as RegQueryValueExW gives
// it (strings as UTF-16LE bytes).
#include "platform/RegistryStore.h"
#include "platform/win32/WinRegistry.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace mrv {

namespace {

std::wstring widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}

std::string narrow(const wchar_t* w, std::size_t len) {
  if (len == 0) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(len), s.data(), n, nullptr, nullptr);
  return s;
}

// RegOpenKeyEx takes no leading backslash.
std::wstring subkeyPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  return widen(path);
}

HKEY rootHandle(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot: return HKEY_CLASSES_ROOT;
    case RootKey::CurrentUser: return HKEY_CURRENT_USER;
    case RootKey::LocalMachine: return HKEY_LOCAL_MACHINE;
    case RootKey::Users: return HKEY_USERS;
    case RootKey::CurrentConfig: return HKEY_CURRENT_CONFIG;
  }
  return HKEY_CURRENT_USER;
}

// Longest key name is 255 characters, longest value name 16383.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;

class WinKey : public RegistryKey {
 public:
  explicit WinKey(HKEY h) : h_(h) {}
  ~WinKey() override { RegCloseKey(h_); }
  WinKey(const WinKey&) = delete;
  WinKey& operator=(const WinKey&) = delete;

  std::vector<std::string> subkeyNames() override {
    std::vector<std::string> out;
    std::vector<wchar_t> buf(kMaxKeyName);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      const LONG rc = RegEnumKeyExW(h_, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS, or the key went away meanwhile
      out.push_back(narrow(buf.data(), len));
    }
    return out;
  }

  std::size_t subkeyCount() override {
    DWORD count = 0;
    if (RegQueryInfoKeyW(h_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS)
      return 0;
    return count;
  }

  std::vector<std::string> valueNames() override {
    std::vector<std::string> out;
    std::vector<wchar_t> buf(kMaxValueName);
    for (DWORD i = 0;; ++i) {
      DWORD len = static_cast<DWORD>(buf.size());
      const LONG rc = RegEnumValueW(h_, i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
      if (rc != ERROR_SUCCESS) break;
      out.push_back(narrow(buf.data(), len));
    }
    return out;
  }

  bool queryValue(std::string_view name, RegValue& out) override {
    const std::wstring w = widen(name);
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(h_, w.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    // the value may grow between the two calls; try again a few times with the size it reports
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::string data(size, '\0');
      DWORD got = size;
      const LONG rc = RegQueryValueExW(h_, w.c_str(), nullptr, &type,
                                       size ? reinterpret_cast<BYTE*>(data.data()) : nullptr, &got);
      if (rc == ERROR_MORE_DATA) {
        size = got;
        continue;
      }
      if (rc != ERROR_SUCCESS) return false;
      data.resize(got);
      out.type = type;
      out.data = std::move(data);
      return true;
    }
    return false;
  }

  std::unique_ptr<RegistryKey> openSubkey(std::string_view relativePath) override {
    HKEY sub = nullptr;
    const std::wstring w = subkeyPath(relativePath);
    if (RegOpenKeyExW(h_, w.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<WinKey>(sub);
  }

 private:
  HKEY h_;
};

class WinRegistry : public RegistryStore {
 public:
  std::unique_ptr<RegistryKey> openKey(RootKey root, std::string_view path) override {
    HKEY h = nullptr;
    const std::wstring w = subkeyPath(path);
    // an empty path opens a new handle to the root itself
    if (RegOpenKeyExW(rootHandle(root), w.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return nullptr;
    return std::make_unique<WinKey>(h);
  }
};

}  // namespace

std::unique_ptr<RegistryStore> openNativeRegistry() { return std::make_unique<WinRegistry>(); }

std::unique_ptr<RegistryKey> adoptRegistryKey(HKEY key) { return std::make_unique<WinKey>(key); }

}  // namespace mrv
