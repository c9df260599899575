#include "collect/StandardItems.h"

#include "collect/Antivirus.h"
#include "collect/NetworkAdapters.h"
#include "collect/PrinterItems.h"
#include "collect/RecordName.h"
#include "disk/DiskHealthItems.h"
#include "ui/Version.h"

namespace mrv {

namespace {

std::vector<std::string> one(std::string text) { return {std::move(text)}; }

std::vector<std::string> RecordStemItem(CollectionContext& ctx) {
  ctx.stem = CsvFileNameText(ctx.platform);
  return one(ctx.stem);
}

std::vector<std::string> VersionItem(CollectionContext&) { return one(VersionBanner()); }

std::vector<std::string> InstalledSoftwareStep(CollectionContext& ctx) {
  if (ctx.platform.system) InstalledSoftwareList(ctx.state, *ctx.platform.system);
  return {};
}

template <std::size_t N>
std::vector<std::string> NotCollectedYet(CollectionContext&) {
  return std::vector<std::string>(N);
}

constexpr std::string_view kStem[] = {"CsvFileName"};
constexpr std::string_view kVersion[] = {"MrvVersion"};
constexpr std::string_view kRows3to41[] = {
    "UserName", "NetUserName", "WorkGroup", "DomainName", "", "ComputerName", "Comment", "Owner", "Organization",
    "Model", "CpuName", "CpuClockMHz", "MemorySpeedL2Cache", "MemoryMB", "PageMemory", "WinDrive", "WinDriveFree",
    "WinDriveTotal", "SubDrive", "SubDriveFree", "SubDriveTotal", "DateTime", "TimeDifference", "SystemDir",
    "MyDocumentsDir", "ScreenWidth", "ScreenColorBits", "WindowsProductName", "WindowsVersion",
    "LastWindowsUpdate", "LatestWinPatch", "WinAutoUpdate", "IsAdmin", "WinInstallDate", "WinProductID",
    "WinProductKey", "IeVersion", "IePatchList", "DefaultIME"};
constexpr std::string_view kPrinter[] = {"DefaultPrinterName", "DefaultPrinterDriver", "DefaultPrinterPort",
                                         "DefaultPrinterColor"};
constexpr std::string_view kRows46to55[] = {"HostName", "IpAddress",  "MemorySlots", "MemoryCapacity", "Motherboard",
                                            "BIOS",     "CpuId",      "OpticalDrive", "HddModel",     "HddSerial"};
constexpr std::string_view kDiskHealth[] = {"HddFailWarn",       "HddReadErrorRate", "HddReallocSectors",
                                            "HddSeekErrorRate",  "HddSpinRetry",     "HddTemperature"};
constexpr std::string_view kAdapters[] = {"Nic1Name",       "Nic1Dhcp",    "Nic1IpAddress", "Nic1SubnetMask",
                                          "Nic1Gateway",    "Nic1Dns",     "Nic1MacAddress", "Nic1Wins",
                                          "Nic2Name",       "Nic2Dhcp",    "Nic2IpAddress", "Nic2SubnetMask",
                                          "Nic2Gateway",    "Nic2Dns",     "Nic2MacAddress", "Nic2Wins"};
constexpr std::string_view kAntivirus[] = {"McAfeeVer",     "EngineVer",    "PatternVer",       "ScanDateTime",
                                           "FilesInfected", "OnAccessScan", "ScanUpdateSetting"};
constexpr std::string_view kRows85to90[] = {"PrinterSharing", "TcpIp", "IpxSpx", "NetBeui", "DialUp", "HoursFromStart"};

const StandardStep kSteps[] = {
    {"identity", kStem, RecordStemItem},
    {"identity", kVersion, VersionItem},
    {"pending", kRows3to41, NotCollectedYet<std::size(kRows3to41)>},
    {"printers", kPrinter, DefaultPrinterItems},
    {"pending", kRows46to55, NotCollectedYet<std::size(kRows46to55)>},
    {"disk health", kDiskHealth, DiskHealthItems},
    {"adapters", kAdapters, NetworkAdapters},
    {"antivirus", kAntivirus, AntivirusStatus},
    {"pending", kRows85to90, NotCollectedYet<std::size(kRows85to90)>},
    {"installed programs", {}, InstalledSoftwareStep},
};

}  // namespace

std::span<const StandardStep> StandardSteps() { return kSteps; }

}  // namespace mrv
