#include "collect/StandardItems.h"

#include "collect/Antivirus.h"
#include "collect/NetworkAdapters.h"
#include "collect/PrinterItems.h"
#include "collect/ComponentItems.h"
#include "collect/DriveItems.h"
#include "collect/IdentityItems.h"
#include "collect/MemoryItems.h"
#include "collect/ProcessorItems.h"
#include "collect/SessionItems.h"
#include "collect/WindowsItems.h"
#include "collect/WmiItems.h"
#include "records/ItemCatalogue.h"
#include "collect/InstalledPrograms.h"

namespace mrv {

namespace {

ItemTexts InstalledSoftwareStep(CollectionContext& ctx) {
  if (ctx.platform.system) InstalledSoftwareList(ctx.state, *ctx.platform.system);
  return {};
}

ItemTexts DiskHealthStep(CollectionContext& ctx) {
  return ctx.diskHealthRows ? ctx.diskHealthRows(ctx) : ItemTexts(6);
}

constexpr StandardStep kSteps[] = {
    {"identity", 1, RecordStemItem},  // 1
    {"identity", 1, VersionItem},  // 2
    {"identity", 2, UserNameItems},  // 3-4
    {"identity", 0, DecideOsFamily},  // no row
    {"identity", 7, NetworkIdentityItems},  // 5-11
    {"model", 1, ModelItem},  // 12
    {"processor", 1, CpuNameItem},  // 13
    // a second of busy waiting on one processor: the steps after it run meanwhile
    {"processor clock", 1, CpuClockItem, true, 1000},  // 14
    {"memory", 1, MemorySpeedL2CacheItem},  // 15
    {"memory", 1, MemoryItem},  // 16
    {"memory", 1, PageFileItem},  // 17
    {"drives", 6, DriveItems},  // 18-23
    {"session", 1, DateTimeItem},  // 24
    {"clock difference", 1, TimeDifferenceItem},  // 25
    {"session", 2, FolderItems},  // 26-27
    {"session", 2, ScreenItems},  // 28-29
    {"installed programs", 0, InstalledSoftwareStep},  // no row
    {"windows", 2, WindowsNameItems},  // 30-31
    {"windows", 3, WindowsUpdateItems},  // 32-34
    {"windows", 1, IsAdminItem},  // 35
    {"windows", 1, InstallDateItem},  // 36
    {"windows", 2, ProductIdItems},  // 37-38
    {"windows", 2, IeItems},  // 39-40
    {"session", 1, DefaultImeItem},  // 41
    {"printers", 4, DefaultPrinterItems},  // 42-45
    {"host", 2, HostItems},  // 46-47
    {"wmi", 8, WmiHardwareItems},  // 48-55
    {"disk health", 6, DiskHealthStep},  // 56-61
    {"adapters", 16, NetworkAdapters},  // 62-77
    {"antivirus", 7, AntivirusStatus},  // 78-84
    {"components", 4, NetworkComponentItems},  // 85-88
    {"dial-up", 1, DialUpItem},  // 89
    {"session", 1, HoursFromStartItem},  // 90
};

constexpr int rowsOf(std::span<const StandardStep> steps) {
  int n = 0;
  for (const StandardStep& step : steps) n += step.rows;
  return n;
}
static_assert(rowsOf(kSteps) == kStandardRows, "the steps fill the standard block, no more and no less");

}  // namespace

std::span<const StandardStep> StandardSteps() { return kSteps; }

}  // namespace mrv
