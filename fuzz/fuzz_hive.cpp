// Registry hive files (an offline installation's SOFTWARE, SYSTEM, NTUSER.DAT) through libhivex.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "platform/replay/HiveRegistry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace mrv;
  char path[] = "/tmp/mrv-fuzz-hive-XXXXXX";
  const int fd = ::mkstemp(path);
  if (fd < 0) return 0;
  const bool written = ::write(fd, data, size) == static_cast<ssize_t>(size);
  ::close(fd);
  if (written) {
    std::string message;
    if (auto hive = openHiveFile(path, message)) {
      // walk a bounded part of the tree, reading every value met
      int budget = 2000;
      std::function<void(RegistryKey&, int)> walk = [&](RegistryKey& key, int depth) {
        for (const auto& name : key.valueNames()) {
          RegValue v;
          key.queryValue(name, v);
        }
        if (depth > 32) return;
        for (const auto& sub : key.subkeyNames()) {
          if (--budget <= 0) return;
          if (auto child = key.openSubkey(sub)) walk(*child, depth + 1);
        }
      };
      if (auto root = openHiveKey(hive, "")) walk(*root, 0);
    }
  }
  ::unlink(path);
  return 0;
}
