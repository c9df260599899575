#include "collect/WindowsItems.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>

#include "base/Error.h"
#include "base/Text.h"
#include "collect/InstallationFacts.h"
#include "collect/RegistryInstallation.h"
#include "collect/SystemProbes.h"
#include "collect/WmiQuery.h"
#include "platform/Encoding.h"
#include "platform/SystemServices.h"
#include "collect/DateTimeText.h"

namespace mrv {

namespace {

constexpr std::string_view k9xKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kNtKey = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr std::string_view kInternetSettings = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view kAutoUpdate = "\\Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update";
constexpr std::string_view kMicrosoftWindows = "Microsoft Windows ";

struct IeRelease {
  std::string_view prefix, name;
};
constexpr std::array<IeRelease, 15> kIeReleases = {{
    {"6.0.280", "6 SP1"},   {"6.0.260", "6"},        {"5.50.48", "5.5 SP2"},  {"5.50.45", "5.5 SP1"},
    {"5.50.41", "5.5"},     {"5.00.35", "5.01 SP3"}, {"5.00.33", "5.01 SP2"}, {"5.00.31", "5.01 SP1"},
    {"5.00.29", "5.01"},    {"5.00.20", "5.0"},      {"5.00.23", "5.0"},      {"5.00.26", "5.0"},
    {"4.72.36", "4.01 SP2"}, {"4.72.31", "4.01 SP1"}, {"4.72.21", "4.01"},
}};

std::string dropPrefix(std::string text, std::string_view prefix) {
  return startsWith(text, prefix) ? text.substr(prefix.size()) : text;
}

std::string twoDigits(std::string_view part) {
  const std::string padded = "0" + std::string(part);
  return padded.substr(padded.size() - 2);
}

// The shared Windows product name of an NT version cv: named for NT 3.51 and 4.0 (with 4.0's
// product type), the ProductName value for later versions; the service pack after it.
std::string NtProductName(CollectionContext& ctx, const std::string& cv) {
  std::string name;
  if (startsWith(cv, "3.")) {
    name = "Microsoft Windows NT 3.51";
  } else if (startsWith(cv, "4.")) {
    name = "Microsoft Windows NT 4.0";
    if (OpenMachineKey(ctx, "\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions"))
      name += ctx.state.reg.readString("ProductType") == "WinNT" ? " WorkStation" : " Server";
  } else {
    name = MachineText(ctx, kNtKey, "ProductName");
  }
  return name + " " + ShortServicePack(MachineText(ctx, kNtKey, "CSDVersion"));
}

std::string ProgramFilesFolderText(CollectionContext& ctx) {
  std::string folder = MachineText(ctx, k9xKey, "ProgramFilesDir");
  if (folder.empty()) folder = ctx.state.reg.readString("ProgramFilesPath");
  return ProgramFilesFolderOf(folder);
}

}  // namespace

std::string IeVersionName(std::string_view version) {
  const std::string first7 = charLeft(version, 7);
  std::string_view release;
  for (const auto& r : kIeReleases)
    if (first7 == r.prefix) {
      release = r.name;
      break;
    }
  return "IE" + std::string(release) + " " + std::string(version);
}

std::string ShortServicePack(std::string_view csd) {
  constexpr std::string_view sp = "Service Pack ";
  if (!startsWith(csd, sp)) return std::string(csd);
  return "SP" + charSubstr(csd.substr(sp.size()), 0, 256);
}

std::string Windows9xName(std::string name, std::string_view versionNumber) {
  int build = 0;
  const std::size_t dot1 = versionNumber.find('.');
  const std::size_t dot2 = dot1 == std::string_view::npos ? dot1 : versionNumber.find('.', dot1 + 1);
  if (dot2 != std::string_view::npos && !parseInt(versionNumber.substr(dot2 + 1), build)) build = 0;
  if (contains(name, "95")) {
    if (build > 1211) name += " OSR2";
    else if (build > 1110) name += " OSR1";
  } else if (contains(name, "98") && build > 2221) {
    name += " SE";
  }
  return name;
}

std::string UpdateDateText(std::string_view d) {
  const std::size_t s1 = d.find('/');
  if (s1 == std::string_view::npos) return {};
  const std::string_view rest = d.substr(s1 + 1);
  const std::size_t s2 = rest.find('/');
  if (s2 == std::string_view::npos) return {};
  if (s1 + 1 >= 4) {  // year first: 2006/5/10
    return std::string(d.substr(0, s1)) + "/" + twoDigits(rest.substr(0, s2)) + "/" + twoDigits(rest.substr(s2 + 1));
  }
  // month first: 5/10/06
  std::string year(rest.substr(s2 + 1));
  if (!year.empty() && year[0] != '9' && year.size() == 2) year = "20" + year;
  else if (!year.empty() && year[0] == '9') year = "19" + year;
  if (year.size() > 4) year = year.substr(year.size() - 4);
  return year + "/" + twoDigits(d.substr(0, s1)) + "/" + twoDigits(rest.substr(0, s2));
}

void CollectUpdateDates(TRegistryEx& reg, const std::string& keyPath, std::vector<std::string>& dates) {
  reg.setRootKey(RootKey::LocalMachine);
  if (!reg.openKeyReadOnly(keyPath)) return;
  if (contains(keyPath, "\\Windows ") && reg.dataType("InstalledDate") == kRegSz) {
    const std::string date = UpdateDateText(reg.readString("InstalledDate"));
    if (!date.empty()) dates.push_back(date);
  }
  const std::vector<std::string> names = reg.keyNames();
  for (const std::string& name : names) CollectUpdateDates(reg, keyPath + "\\" + name, dates);
}

std::string AutoUpdateOptionText(std::int32_t option) {
  switch (option) {
    case 4: return "4:自動アップデート";
    case 3: return "3:自動ダウンロード後通知";
    case 2: return "2:ダウンロード前に通知";
    case 1: return "1:マニュアル";
    default: return std::to_string(option);
  }
}

std::pair<std::string, std::string> AuStateTexts(std::string_view bytes) {
  if (bytes.size() < 51) throw MrvError("AUState.cfg: " + std::to_string(bytes.size()) + " bytes, too short");
  std::string setting;
  switch (static_cast<unsigned char>(bytes[16])) {
    case 1: setting = "3:自動ダウンロード後通知"; break;
    case 2: setting = "2:ダウンロード前に通知"; break;
    case 3: setting = "1:マニュアル"; break;
    default: break;
  }
  std::string date(bytes.substr(32, 19));
  std::replace(date.begin(), date.end(), '.', '/');
  return {ansiToUtf8(date), setting};
}

std::string DosDateTimeText(std::string_view bytes) {
  if (bytes.size() < 4) throw MrvError("FirstInstallDateTime: fewer than 4 bytes");
  const auto b = [&](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
  const std::uint32_t v = b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
  const std::uint32_t date = v >> 16, time = v & 0xFFFF;
  const int year = 1980 + static_cast<int>(date >> 9), month = (date >> 5) & 15, day = date & 31;
  const int hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", year, month, day);
  double check = 0;
  if (!ParseDateTimeText(buf, check) || hour > 23 || minute > 59 || second > 59)
    throw MrvError("FirstInstallDateTime: not an MS-DOS date");
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
  return buf;
}

std::string ProductIdText(std::string_view id) {
  if (contains(id, "-")) return std::string(id);
  return charSubstr(id, 0, 5) + "-" + charSubstr(id, 5, 3) + "-" + charSubstr(id, 8, 7) + "-" + charSubstr(id, 15, 5);
}

std::string ProgramFilesFolderOf(std::string_view value) {
  if (!startsWith(value, "\"")) return std::string(value);
  const std::size_t close = value.find('"', 1);
  return std::string(value.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

ItemTexts WindowsNameItems(CollectionContext& ctx) { return ctx.installation().windowsName(ctx); }
ItemTexts WindowsUpdateItems(CollectionContext& ctx) { return ctx.installation().windowsUpdate(ctx); }
ItemTexts InstallDateItem(CollectionContext& ctx) { return ctx.installation().installDate(ctx); }
ItemTexts ProductIdItems(CollectionContext& ctx) { return ctx.installation().productId(ctx); }
ItemTexts IeItems(CollectionContext& ctx) { return ctx.installation().internetExplorer(ctx); }

ItemTexts RegistryWindowsName(CollectionContext& ctx) {
  WmiService* wmi = ctx.platform.wmi;
  if (!ctx.isNT()) {
    const auto ver = ReadOrReport(ctx, [&] { return MachineText(ctx, k9xKey, "VersionNumber"); });
    const auto product = ReadOrReport(ctx, [&] { return MachineText(ctx, k9xKey, "ProductName"); });
    std::optional<std::string> name;
    if (product && ver) name = Windows9xName(*product, *ver);
    ctx.windowsProductName = name.value_or("");
    std::optional<std::string> text;
    const std::string csd = WmiOsProperty(wmi, "CSDVersion");
    if (!csd.empty()) text = dropPrefix(WmiOsProperty(wmi, "Caption") + " " + ShortServicePack(csd), kMicrosoftWindows);
    else if (name) text = dropPrefix(*name, kMicrosoftWindows);
    return {text.value_or(kProbeError), ver.value_or(kProbeError)};
  }
  // each row stands on the values it needs: the product name on its own, the version on two others
  const auto cv = ReadOrReport(ctx, [&] { return MachineText(ctx, kNtKey, "CurrentVersion"); });
  std::optional<std::string> name;
  if (cv) name = ReadOrReport(ctx, [&] { return NtProductName(ctx, *cv); });
  ctx.windowsProductName = name.value_or("");
  const auto build = ReadOrReport(ctx, [&] { return MachineText(ctx, kNtKey, "CurrentBuildNumber"); });
  const std::string csd2 = ShortServicePack(WmiOsProperty(wmi, "CSDVersion"));
  const std::string caption = WmiOsProperty(wmi, "Caption");
  const std::optional<std::string> text =
      caption.empty() ? name : std::optional<std::string>(dropPrefix(caption + " " + csd2, kMicrosoftWindows));
  return {text.value_or(kProbeError), cv && build ? *cv + "." + *build : std::string(kProbeError)};
}

ItemTexts RegistryWindowsUpdate(CollectionContext& ctx) {
  ItemTexts t;
  if (!ctx.isNT()) {
    ctx.programFilesFolder = ProgramFilesFolderText(ctx);  // the three rows come from a file below it
    SystemServices* sys = ctx.platform.system;
    const std::string path = ctx.programFilesFolder + "\\WindowsUpdate\\AUState.cfg";
    if (!sys || !sys->fileExists(path)) return ItemTexts(3);
    std::string bytes;
    if (!sys->readFile(path, bytes, 4096)) throw MrvError("AUState.cfg cannot be opened: " + path);
    auto [date, setting] = AuStateTexts(bytes);
    return {date, "", setting};
  }
  std::vector<std::string> dates;
  CollectUpdateDates(ctx.state.reg, "\\Software\\Microsoft\\Updates", dates);
  std::sort(dates.begin(), dates.end(), [](const std::string& a, const std::string& b) {
    return toLowerAscii(a) < toLowerAscii(b);
  });
  t.push_back(dates.empty() ? std::string() : dates.back());
  t.push_back(MachineTextRow(ctx, "\\Software\\Microsoft\\Windows\\CurrentVersion\\WindowsUpdate\\Auto Update\\Results\\Install",
                             "LastSuccessTime"));
  // no row of its own: a folder that cannot be read is reported and stays empty
  ctx.programFilesFolder = ReadOrReport(ctx, [&] { return ProgramFilesFolderText(ctx); }).value_or("");
  std::string option;
  if (OpenMachineKey(ctx, kAutoUpdate) && ctx.state.reg.dataType("AUOptions") == kRegDword)
    option = AutoUpdateOptionText(ctx.state.reg.readInteger("AUOptions"));
  t.push_back(option);
  return t;
}

ItemTexts IsAdminItem(CollectionContext& ctx) {
  if (!ctx.isNT()) return {""};
  return {ctx.platform.system && IsAdminUser(*ctx.platform.system) ? "AdminUser" : "Non-AdminUser"};
}

ItemTexts RegistryInstallDate(CollectionContext& ctx) {
  try {
    if (!ctx.isNT()) {
      // only the binary value holds an MS-DOS date; text or a number in its place is no date
      if (!OpenMachineKey(ctx, k9xKey) || ctx.state.reg.dataType("FirstInstallDateTime") != kRegBinary) return {""};
      return {DosDateTimeText(ctx.state.reg.readBinaryData("FirstInstallDateTime"))};
    }
    OpenMachineKey(ctx, kNtKey);
    const auto seconds = static_cast<std::uint32_t>(ctx.state.reg.readInteger("InstallDate"));
    return {DateTimeText(UnixTimeToDateTime(seconds))};
  } catch (const std::exception&) {
    return {""};  // missing, or not a date
  }
}

ItemTexts RegistryProductId(CollectionContext& ctx) {
  const std::string_view key = ctx.isNT() ? kNtKey : k9xKey;
  return {RowText(ctx, [&] { return ProductIdText(MachineText(ctx, key, "ProductId")); }),
          MachineTextRow(ctx, key, "ProductKey")};
}

ItemTexts RegistryInternetExplorer(CollectionContext& ctx) {
  const std::string name = RowText(ctx, [&] {
    if (ctx.isNT()) return IeVersionName(MachineText(ctx, "\\SOFTWARE\\Microsoft\\Internet Explorer", "Version"));
    std::string version = MachineText(ctx, k9xKey, "Plus! VersionNumber");
    if (startsWith(version, "IE")) version = charSubstr(version, 5);
    return IeVersionName(version);
  });
  return {name, MachineTextRow(ctx, kInternetSettings, "MinorVersion")};
}

}  // namespace mrv
