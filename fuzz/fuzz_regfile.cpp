// .reg exports as regedit writes them (UTF-16, UTF-8, ANSI), and what the registry reader makes of them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "collect/TRegistryEx.h"
#include "platform/replay/RegFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mrv::looksLikeRegExport(bytes.substr(0, 4096));
  MemoryRegistry reg;
  std::vector<std::string> messages;
  if (!loadRegBytes(bytes, "fuzz.reg", reg, messages)) return 0;
  // read back every value of the first keys the way the collectors do
  TRegistryEx r(&reg);
  r.setRootKey(RootKey::LocalMachine);
  if (!r.openKeyReadOnly("\\")) return 0;
  for (const auto& key : r.keyNames()) {
    TRegistryEx k(&reg);
    k.setRootKey(RootKey::LocalMachine);
    if (!k.openKeyReadOnly("\\" + key)) continue;
    for (const auto& name : k.valueNames()) {
      try {
        k.readString(name);
      } catch (...) {
      }
      k.readMultiString(name);
    }
  }
  return 0;
}
