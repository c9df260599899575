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

namespace mrv {

namespace {

ItemTexts InstalledSoftwareStep(CollectionContext& ctx) {
  if (ctx.platform.system) InstalledSoftwareList(ctx.state, *ctx.platform.system);
  return {};
}

ItemTexts DiskHealthStep(CollectionContext& ctx) {
  return ctx.diskHealthRows ? ctx.diskHealthRows(ctx) : ItemTexts(6);
}

using K = std::string_view;
constexpr K kStem[] = {"CsvFileName"};
constexpr K kVersion[] = {"MrvVersion"};
constexpr K kUsers[] = {"UserName", "NetUserName"};
constexpr K kNetworkIdentity[] = {"WorkGroup", "DomainName", "", "ComputerName", "Comment", "Owner", "Organization"};
constexpr K kModel[] = {"Model"};
constexpr K kCpuName[] = {"CpuName"};
constexpr K kCpuClock[] = {"CpuClockMHz"};
constexpr K kMemorySpeed[] = {"MemorySpeedL2Cache"};
constexpr K kMemory[] = {"MemoryMB"};
constexpr K kPageFile[] = {"PageMemory"};
constexpr K kDrives[] = {"WinDrive", "WinDriveFree", "WinDriveTotal", "SubDrive", "SubDriveFree", "SubDriveTotal"};
constexpr K kDateTime[] = {"DateTime"};
constexpr K kTimeDifference[] = {"TimeDifference"};
constexpr K kFolders[] = {"SystemDir", "MyDocumentsDir"};
constexpr K kScreen[] = {"ScreenWidth", "ScreenColorBits"};
constexpr K kWindowsName[] = {"WindowsProductName", "WindowsVersion"};
constexpr K kWindowsUpdate[] = {"LastWindowsUpdate", "LatestWinPatch", "WinAutoUpdate"};
constexpr K kIsAdmin[] = {"IsAdmin"};
constexpr K kInstallDate[] = {"WinInstallDate"};
constexpr K kProductId[] = {"WinProductID", "WinProductKey"};
constexpr K kIe[] = {"IeVersion", "IePatchList"};
constexpr K kIme[] = {"DefaultIME"};
constexpr K kPrinter[] = {"DefaultPrinterName", "DefaultPrinterDriver", "DefaultPrinterPort", "DefaultPrinterColor"};
constexpr K kHost[] = {"HostName", "IpAddress"};
constexpr K kWmi[] = {"MemorySlots", "MemoryCapacity", "Motherboard", "BIOS", "CpuId", "OpticalDrive", "HddModel", "HddSerial"};
constexpr K kDiskHealth[] = {"HddFailWarn",      "HddReadErrorRate", "HddReallocSectors",
                             "HddSeekErrorRate", "HddSpinRetry",     "HddTemperature"};
constexpr K kAdapters[] = {"Nic1Name",    "Nic1Dhcp", "Nic1IpAddress",  "Nic1SubnetMask", "Nic1Gateway", "Nic1Dns",
                           "Nic1MacAddress", "Nic1Wins", "Nic2Name",    "Nic2Dhcp",       "Nic2IpAddress", "Nic2SubnetMask",
                           "Nic2Gateway", "Nic2Dns",  "Nic2MacAddress", "Nic2Wins"};
constexpr K kAntivirus[] = {"McAfeeVer",     "EngineVer",    "PatternVer",       "ScanDateTime",
                            "FilesInfected", "OnAccessScan", "ScanUpdateSetting"};
constexpr K kComponents[] = {"PrinterSharing", "TcpIp", "IpxSpx", "NetBeui"};
constexpr K kDialUp[] = {"DialUp"};
constexpr K kHours[] = {"HoursFromStart"};

const StandardStep kSteps[] = {
    {"identity", kStem, RecordStemItem},
    {"identity", kVersion, VersionItem},
    {"identity", kUsers, UserNameItems},
    {"identity", {}, DecideOsFamily},
    {"identity", kNetworkIdentity, NetworkIdentityItems},
    {"model", kModel, ModelItem},
    {"processor", kCpuName, CpuNameItem},
    {"processor clock", kCpuClock, CpuClockItem},
    {"memory", kMemorySpeed, MemorySpeedL2CacheItem},
    {"memory", kMemory, MemoryItem},
    {"memory", kPageFile, PageFileItem},
    {"drives", kDrives, DriveItems},
    {"session", kDateTime, DateTimeItem},
    {"clock difference", kTimeDifference, TimeDifferenceItem},
    {"session", kFolders, FolderItems},
    {"session", kScreen, ScreenItems},
    {"installed programs", {}, InstalledSoftwareStep},
    {"windows", kWindowsName, WindowsNameItems},
    {"windows", kWindowsUpdate, WindowsUpdateItems},
    {"windows", kIsAdmin, IsAdminItem},
    {"windows", kInstallDate, InstallDateItem},
    {"windows", kProductId, ProductIdItems},
    {"windows", kIe, IeItems},
    {"session", kIme, DefaultImeItem},
    {"printers", kPrinter, DefaultPrinterItems},
    {"host", kHost, HostItems},
    {"wmi", kWmi, WmiHardwareItems},
    {"disk health", kDiskHealth, DiskHealthStep},
    {"adapters", kAdapters, NetworkAdapters},
    {"antivirus", kAntivirus, AntivirusStatus},
    {"components", kComponents, NetworkComponentItems},
    {"dial-up", kDialUp, DialUpItem},
    {"session", kHours, HoursFromStartItem},
};

}  // namespace

std::span<const StandardStep> StandardSteps() { return kSteps; }

}  // namespace mrv
