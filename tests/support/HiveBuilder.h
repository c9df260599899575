#pragma once
// Builds registry hive files for tests and benchmarks. libhivex writes hives but cannot create an
// empty one, so the first bytes (base block, one bin, a root key and its security cell) are laid
// out here by hand; keys and values are then added through libhivex and committed.
#include <hivex.h>

#include "HiveBytes.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace mrv::testing {


// The bytes of a valid hive holding only an empty root key.
inline std::string emptyHiveBytes() {
  using namespace hivebytes;
  std::string b(0x2000, '\0');
  b.replace(0, 4, "regf");
  put32(b, 0x04, 1);       // primary sequence number
  put32(b, 0x08, 1);       // secondary sequence number (equal: the hive is clean)
  put32(b, 0x14, 1);       // major version
  put32(b, 0x18, 3);       // minor version
  put32(b, 0x20, 1);       // file format: direct memory load
  put32(b, 0x24, 0x20);    // root cell, relative to the first bin
  put32(b, 0x28, 0x1000);  // size of the bins
  put32(b, 0x2C, 1);       // clustering factor
  fixHeaderChecksum(b);

  const std::size_t bin = 0x1000;
  b.replace(bin, 4, "hbin");
  put32(b, bin + 0x04, 0);
  put32(b, bin + 0x08, 0x1000);

  const std::size_t nk = bin + 0x20;  // root key cell: 80 bytes + name "ROOT", rounded to 88
  put32(b, nk, static_cast<std::uint32_t>(-88));
  b.replace(nk + 4, 2, "nk");
  put16(b, nk + 6, 0x2C);  // hive entry, not deletable, ASCII name
  put32(b, nk + 20, 0xFFFFFFFF);
  put32(b, nk + 32, 0xFFFFFFFF);  // no subkey list
  put32(b, nk + 36, 0xFFFFFFFF);
  put32(b, nk + 44, 0xFFFFFFFF);  // no value list
  put32(b, nk + 48, 0x78);        // security cell
  put32(b, nk + 52, 0xFFFFFFFF);  // no class name
  put16(b, nk + 76, 4);
  b.replace(nk + 80, 4, "ROOT");

  const std::size_t sk = bin + 0x78;  // 24 bytes + a 20-byte self-relative descriptor, rounded to 48
  put32(b, sk, static_cast<std::uint32_t>(-48));
  b.replace(sk + 4, 2, "sk");
  put32(b, sk + 8, 0x78);   // next: itself
  put32(b, sk + 12, 0x78);  // previous: itself
  put32(b, sk + 16, 1);     // reference count
  put32(b, sk + 20, 20);
  b[sk + 24] = 1;                                   // revision
  put16(b, sk + 26, 0x8000);                        // self-relative
  put32(b, bin + 0xA8, 0x1000 - 0xA8);              // the rest of the bin is one free cell
  return b;
}

inline std::string utf16z(const std::string& ascii) {
  std::string out;
  for (unsigned char c : ascii) {
    out += static_cast<char>(c);
    out += '\0';
  }
  return out + std::string(2, '\0');
}

// A hive under construction. Key paths are "\"-separated below the hive's root.
class HiveWriter {
 public:
  explicit HiveWriter(const std::string& path) : path_(path) {
    {
      std::ofstream f(path, std::ios::binary | std::ios::trunc);
      const std::string bytes = emptyHiveBytes();
      f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!f) throw std::runtime_error("cannot write " + path);
    }
    h_ = hivex_open(path.c_str(), HIVEX_OPEN_WRITE);
    if (!h_) throw std::runtime_error("hivex cannot open the empty hive " + path);
    nodes_[""] = hivex_root(h_);
  }
  ~HiveWriter() {
    if (h_) hivex_close(h_);
  }
  HiveWriter(const HiveWriter&) = delete;
  HiveWriter& operator=(const HiveWriter&) = delete;

  hive_node_h key(const std::string& path) {
    auto it = nodes_.find(path);
    if (it != nodes_.end()) return it->second;
    const auto cut = path.rfind('\\');
    const hive_node_h parent = key(cut == std::string::npos ? "" : path.substr(0, cut));
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const hive_node_h n = hivex_node_add_child(h_, parent, name.c_str());
    if (!n) throw std::runtime_error("hivex cannot add " + path);
    nodes_[path] = n;
    return n;
  }

  struct Value {
    std::string name;
    std::uint32_t type;
    std::string data;
  };
  // Replaces every value of the key.
  void setValues(const std::string& path, const std::vector<Value>& values) {
    std::vector<hive_set_value> set;
    for (const auto& v : values) {
      hive_set_value sv{};
      sv.key = const_cast<char*>(v.name.c_str());
      std::memcpy(&sv.t, &v.type, sizeof sv.t);  // any type number, also ones the enum does not name
      sv.len = v.data.size();
      sv.value = const_cast<char*>(v.data.data());
      set.push_back(sv);
    }
    if (hivex_node_set_values(h_, key(path), set.size(), set.data(), 0) != 0)
      throw std::runtime_error("hivex cannot set the values of " + path);
  }

  void commit() {
    if (hivex_commit(h_, path_.c_str(), 0) != 0) throw std::runtime_error("hivex cannot commit " + path_);
  }

  static Value sz(const std::string& name, const std::string& ascii, std::uint32_t type = 1) {
    return {name, type, utf16z(ascii)};
  }
  static Value dword(const std::string& name, std::uint32_t v) {
    std::string d(4, '\0');
    hivebytes::put32(d, 0, v);
    return {name, 4, d};
  }

 private:
  std::string path_;
  hive_h* h_ = nullptr;
  std::map<std::string, hive_node_h> nodes_;
};

}  // namespace mrv::testing
