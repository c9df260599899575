#pragma once
// Opens every platform service of one run from the [Sources] settings and owns them.
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Sources.h"

namespace mrv {

class PlatformServices {
 public:
  explicit PlatformServices(const Sources& sources);
  ~PlatformServices();
  PlatformServices(const PlatformServices&) = delete;
  PlatformServices& operator=(const PlatformServices&) = delete;

  const Platform& platform() const { return platform_; }
  // What went wrong while opening a configured source (a missing dump, a corrupt hive, …).
  const std::vector<std::string>& messages() const { return messages_; }

 private:
  struct Owned;
  std::unique_ptr<Owned> owned_;
  Platform platform_;
  std::vector<std::string> messages_;
};

}  // namespace mrv
