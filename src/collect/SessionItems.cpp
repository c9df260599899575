#include "collect/SessionItems.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"
#include "collect/SystemProbes.h"
#include "platform/SystemServices.h"
#include "collect/DateTimeText.h"

namespace mrv {

std::string SaveFolderServer(std::string_view saveDir) {
  const std::size_t slash = saveDir.size() > 2 ? saveDir.find('\\', 2) : std::string_view::npos;
  return std::string(slash == std::string_view::npos ? saveDir : saveDir.substr(0, slash));
}

std::string ClockDifferenceText(std::string_view localGmt, std::string_view serverGmt) {
  double t0 = 0, t1 = 0;
  if (!ParseDateTimeText(localGmt, t0) || !ParseDateTimeText(serverGmt, t1)) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%8.2f", (t0 - t1) * 24 * 60);
  return buf;
}

std::string HoursFromTicks(std::uint32_t ticks) { return std::to_string(ticks / 3600 / 1000); }

ItemTexts DateTimeItem(CollectionContext& ctx) {
  return {ctx.platform.system ? LocalDateTimeText(*ctx.platform.system) : std::string()};
}

ItemTexts TimeDifferenceItem(CollectionContext& ctx) {
  if (!ctx.isNT() || !ctx.platform.system || ctx.saveDir.empty()) return {""};
  std::error_code ec;
  if (!std::filesystem::is_directory(pathFromUtf8(ctx.saveDir), ec)) return {""};
  try {
    const std::string server = RemoteTimeOfDay(*ctx.platform.system, SaveFolderServer(ctx.saveDir));
    const std::string local = RemoteTimeOfDay(*ctx.platform.system, "");
    return {ClockDifferenceText(local, server)};
  } catch (const std::exception&) {
    return {""};  // a folder that is not on a server, or a server that does not answer
  }
}

ItemTexts FolderItems(CollectionContext& ctx) {
  if (!ctx.platform.system) return {kProbeError, kProbeError};
  return {SystemFolder(*ctx.platform.system), MyDocumentsFolder(*ctx.platform.system)};
}

ItemTexts ScreenItems(CollectionContext& ctx) {
  ItemTexts t(2);
  int n = 0;
  if (ctx.screen && ctx.screen->screenWidth(n)) t[0] = std::to_string(n);
  if (ctx.screen && ctx.screen->colorBits(n)) t[1] = std::to_string(n);
  return t;
}

ItemTexts DefaultImeItem(CollectionContext& ctx) {
  return {ctx.screen ? ctx.screen->inputMethodDescription() : std::string()};
}

ItemTexts HoursFromStartItem(CollectionContext& ctx) {
  return {ctx.platform.system ? HoursFromTicks(ctx.platform.system->getTickCount()) : std::string()};
}

}  // namespace mrv
