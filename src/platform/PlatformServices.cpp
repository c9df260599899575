#include "platform/PlatformServices.h"

#include "platform/Shell.h"

namespace mrv {

struct PlatformServices::Owned {
  std::unique_ptr<Shell> shell;
};

PlatformServices::PlatformServices(const Sources&) : owned_(std::make_unique<Owned>()) {
  owned_->shell = openShell();
  platform_.shell = owned_->shell.get();
}

PlatformServices::~PlatformServices() = default;

}  // namespace mrv
