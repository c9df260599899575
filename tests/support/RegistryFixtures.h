#pragma once
// One registry content, written either as a .reg export or as the hive files of an offline Windows
// installation, so that the same test runs against both file-backed stores.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/Text.h"
#include "base/Utf8Path.h"
#include "platform/RegistryStore.h"
#include "support/HiveBytes.h"
#include "support/TempFolder.h"
#ifdef MERVANA_HIVEX
#include "support/HiveBuilder.h"
#endif
#include "platform/PlatformServices.h"

namespace mrv::testing {

struct RegEntry {
  RootKey root;        // LocalMachine (paths start with Software\ or System\) or CurrentUser
  std::string path;    // below the root
  std::string name;    // empty with type kRegNone and no data: the key alone
  std::uint32_t type = kRegNone;
  std::string data;
  bool keyOnly = false;
};

inline std::string sz(std::string_view utf8) { return utf8ToUtf16le(utf8) + std::string(2, '\0'); }
inline std::string dw(std::uint32_t v) {
  std::string d(4, '\0');
  hivebytes::put32(d, 0, v);
  return d;
}
inline RegEntry strValue(RootKey r, std::string p, std::string n, std::string_view text, std::uint32_t t = kRegSz) {
  return {r, std::move(p), std::move(n), t, sz(text)};
}
inline RegEntry dwordValue(RootKey r, std::string p, std::string n, std::uint32_t v) {
  return {r, std::move(p), std::move(n), kRegDword, dw(v)};
}
inline RegEntry keyOnly(RootKey r, std::string p) { return {r, std::move(p), "", kRegNone, "", true}; }

// The temporary folder (support/TempFolder.h) named by a UTF-8 text, as the program's paths are.
class TempDir {
 public:
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  mrv::test::TempFolder folder_;
  std::string path_ = folder_.path.empty() ? std::string() : mrv::utf8FromPath(folder_.path.generic_u8string());
};

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string rootName(RootKey r) {
  switch (r) {
    case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
    case RootKey::CurrentUser: return "HKEY_CURRENT_USER";
    case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
    case RootKey::Users: return "HKEY_USERS";
    case RootKey::CurrentConfig: return "HKEY_CURRENT_CONFIG";
  }
  return {};
}

inline std::string regQuoted(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// The entries as regedit exports them (version 5, UTF-16LE with a byte order mark).
inline std::string regExportBytes(const std::vector<RegEntry>& entries) {
  std::map<std::string, std::vector<const RegEntry*>> keys;  // key line → values, in first-seen order
  std::vector<std::string> order;
  for (const auto& e : entries) {
    const std::string line = "[" + rootName(e.root) + "\\" + e.path + "]";
    if (!keys.count(line)) order.push_back(line);
    auto& vs = keys[line];
    if (!e.keyOnly) vs.push_back(&e);
  }
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (const auto& line : order) {
    text += line + "\r\n";
    for (const RegEntry* e : keys[line]) {
      text += e->name.empty() ? std::string("@") : regQuoted(e->name);
      text += "=";
      if (e->type == kRegSz) {
        text += regQuoted(utf16leToUtf8(reinterpret_cast<const unsigned char*>(e->data.data()), e->data.size()));
      } else if (e->type == kRegDword) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", hivebytes::get32(e->data, 0));
        text += buf;
      } else {
        char buf[16];
        std::snprintf(buf, sizeof buf, "hex(%x):", e->type);
        text += e->type == kRegBinary ? std::string("hex:") : std::string(buf);
        for (std::size_t i = 0; i < e->data.size(); ++i) {
          std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", static_cast<unsigned char>(e->data[i]));
          text += buf;
        }
      }
      text += "\r\n";
    }
    text += "\r\n";
  }
  return "\xFF\xFE" + utf8ToUtf16le(text);
}

#ifdef MERVANA_HIVEX
// The entries as hive files below `root`: Windows/System32/config/{SOFTWARE,SYSTEM} and, when
// HKEY_CURRENT_USER is used, NTUSER.DAT beside them. Returns the NTUSER.DAT path ("" when none).
inline std::string writeInstallation(const std::vector<RegEntry>& entries, const std::string& root) {
  const std::string config = root + "/Windows/System32/config";
  std::filesystem::create_directories(config);
  struct Hive {
    std::vector<std::string> keyOrder;
    std::map<std::string, std::vector<HiveWriter::Value>> values;
  };
  std::map<std::string, Hive> hives;  // file → content
  std::string user;
  for (const auto& e : entries) {
    std::string file, path = e.path;
    if (e.root == RootKey::CurrentUser) {
      file = user = root + "/NTUSER.DAT";
    } else {
      const auto cut = path.find('\\');
      const std::string top = toUpperAscii(path.substr(0, cut));
      path = cut == std::string::npos ? "" : path.substr(cut + 1);
      file = config + "/" + top;
    }
    Hive& h = hives[file];
    if (!h.values.count(path)) h.keyOrder.push_back(path);
    auto& vs = h.values[path];
    if (!e.keyOnly) vs.push_back({e.name, e.type, e.data});
  }
  for (auto& [file, h] : hives) {
    HiveWriter w(file);
    for (const auto& path : h.keyOrder) {
      if (path.empty() && h.values[path].empty()) continue;
      if (h.values[path].empty())
        w.key(path);
      else if (path.empty())
        throw std::runtime_error("values on a hive's root are not used by these tests");
      else
        w.setValues(path, h.values[path]);
    }
    w.commit();
  }
  return user;
}
#endif

enum class Backend { RegExport, Hives };

// The backends a registry test runs on: hive files need libhivex to be written.
#ifdef MERVANA_HIVEX
#define MERVANA_REGISTRY_BACKENDS ::testing::Values(Backend::RegExport, Backend::Hives)
#else
#define MERVANA_REGISTRY_BACKENDS ::testing::Values(Backend::RegExport)
#endif

inline const char* backendName(Backend b) { return b == Backend::RegExport ? "RegExport" : "Hives"; }

// Writes the entries in `dir` for the backend and opens them as the program does.
inline std::unique_ptr<RegistryStore> openFixture(Backend b, const std::vector<RegEntry>& entries, const TempDir& dir,
                                                  std::vector<std::string>& messages) {
  Sources sources;
  if (b == Backend::RegExport) {
    writeBytes(dir.file("machine.reg"), regExportBytes(entries));
    sources.registry = dir.file("machine.reg");
  } else {
#ifdef MERVANA_HIVEX
    sources.userRegistry = writeInstallation(entries, dir.path());
    sources.registry = dir.path();
#else
    throw std::runtime_error("hive files cannot be written without libhivex");
#endif
  }
  return openRegistrySource(sources, messages);
}

}  // namespace mrv::testing
