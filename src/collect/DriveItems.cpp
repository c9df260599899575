#include "collect/DriveItems.h"

#include "base/Text.h"
#include "collect/SystemProbes.h"

namespace mrv {

ItemTexts DriveItems(CollectionContext& ctx) {
  SystemServices* sys = ctx.platform.system;
  if (!sys) return ItemTexts(6);
  // Windows lives on A: only when the system folder does; on any other letter it is taken as C:.
  const std::string systemFolder = SystemFolder(*sys);
  const int w = !systemFolder.empty() && toLowerAscii(systemFolder.substr(0, 1)) == "a" ? 1 : 3;
  const auto letter = [](int n) { return std::string(1, static_cast<char>(n + 64)); };

  const DriveInfoResult win = DriveInfo(*sys, w);
  const DriveInfoResult sub = DriveInfo(*sys, w + 1);
  return {letter(w) + ": " + win.fileSystem,
          win.freeMB,
          win.totalMB,
          sub.freeMB.empty() ? std::string() : letter(w + 1) + ": " + sub.fileSystem,
          sub.freeMB,
          sub.totalMB};
}

}  // namespace mrv
