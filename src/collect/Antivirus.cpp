#include "collect/Antivirus.h"
#include "base/Utf8Path.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>

#include "base/Error.h"
#include "base/Text.h"
#include "collect/InstallationFacts.h"
#include "collect/RegistryInstallation.h"
#include "platform/TextFiles.h"
#include "platform/SystemServices.h"
#include "collect/DateTimeText.h"

namespace mrv {

namespace {

constexpr char kFamily[] = "antivirus";
constexpr char kPcCillin[] = "\\Software\\TrendMicro\\PC-cillin";
constexpr char kEpoPlugins[] = "\\Software\\Network Associates\\ePolicy Orchestrator\\Application Plugins\\";
constexpr char kOldEngine[] = "\\SOFTWARE\\Network Associates\\TVD\\Shared Components\\VirusScan Engine\\4.0.xx";
constexpr char kOnlineScan[] = "\\Software\\McAfee.com\\Virusscan Online";
constexpr char kVsCoreOnAccess[] = "\\Software\\McAfee\\VSCore\\On Access Scanner\\McShield\\Configuration";
constexpr char kDesktopTaskData[] = "\\Software\\McAfee\\DesktopProtection\\TaskLastData";
constexpr char kTvdOnAccess[] =
    "\\Software\\Network Associates\\TVD\\Shared Components\\On Access Scanner\\McShield\\Configuration";
constexpr char kVseTaskData[] = "\\Software\\Network Associates\\TVD\\VirusScan Enterprise\\CurrentVersion\\TaskLastData";
constexpr char kVse7Task[] =
    "\\Software\\Network Associates\\TVD\\VirusScan Enterprise\\CurrentVersion\\Tasks\\"
    "{818C7543-358A-4C84-899A-14334EMS4BGS}";
constexpr char kAvConsoleTask[] = "\\SOFTWARE\\Network Associates\\TVD\\VirusScan\\AVConsol\\ScanTasks\\item_3";
constexpr char kVirusScan[] = "\\Software\\Network Associates\\TVD\\VirusScan";
constexpr char kResultComplete[] = "IDS_ODS_RESULTCOMPLETE";
constexpr char kResultPrefix[] = "IDS_ODS_RESULT";
constexpr const char* kScheduleTasks[] = {
    "\\Software\\McAfee\\DesktopProtection\\Tasks\\{818C7543-358A-4C84-899A-14334EMS4BGS}",
    "\\Software\\McAfee\\DesktopProtection\\Tasks\\{21221C11-A06D-4558-B833-98E8C7F6C4D2}",
    "\\Software\\McAfee\\DesktopProtection\\Tasks\\{A14CD6FC-3BA8-4703-87BF-E3247CE382F5}",
};

// "0" in front, then the last two characters.
std::string lastTwo(const std::string& text) {
  const std::string padded = "0" + text;
  const std::size_t n = charCount(padded);
  return charSubstr(padded, n - 2, 2);
}

// The seven working texts.
struct Findings {
  std::string version, engine, pattern, scanTime, infected, onAccess, schedule;
  bool engineKnownMissing = false;  // 8.7's engine key could not be read: the older engines do not apply
};

// The registry reads of the product keys. Text reads of a value stored with another type, and
// integer reads of a missing or non-integer value, raise as TRegistryEx does; the `...OrEmpty`
// forms turn such a failure into "nothing read" and note it.
class ProductKeys {
 public:
  explicit ProductKeys(CollectionContext& ctx) : ctx_(ctx), reg_(ctx.state.reg) {
    reg_.setRootKey(RootKey::LocalMachine);
  }

  bool open(std::string_view path) { return reg_.openKeyReadOnly(path); }
  TRegistryEx& reg() { return reg_; }

  void note(const std::exception& e) {
    if (ctx_.onStepFailure) ctx_.onStepFailure(kFamily, e.what());
  }

  // A text value of a key; "" when the key or value is missing or the value is not text.
  std::string text(std::string_view path, std::string_view name) {
    if (!open(path)) return {};
    return textHere(name);
  }
  std::string textHere(std::string_view name) {
    try {
      return reg_.readString(name);
    } catch (const std::exception& e) {
      note(e);
      return {};
    }
  }
  // An integer of a key; nothing when it cannot be read.
  std::optional<std::int32_t> integer(std::string_view path, std::string_view name) {
    if (!open(path)) return std::nullopt;
    try {
      return reg_.readInteger(name);
    } catch (const std::exception& e) {
      note(e);
      return std::nullopt;
    }
  }

 private:
  CollectionContext& ctx_;
  TRegistryEx& reg_;
};

// Step 1: Trend Micro PC-cillin.
void readPcCillin(ProductKeys& keys, Findings& f) {
  if (!keys.open(kPcCillin)) return;
  f.version = keys.textHere("Version");
  if (charCount(f.version) <= 5) return;
  const std::string base = std::string(kPcCillin) + "\\" + f.version.substr(0, f.version.find('.'));
  f.engine = keys.text(base + "\\Component\\Engine\\0x00000010", "DisplayVersion");
  f.pattern = keys.text(base + "\\Component\\Pattern\\0x00000004", "DisplayVersion");
  if (auto enable = keys.integer(base + "\\ServiceFramework\\EnforceLayer\\AntiSpyware\\RealTimeScan", "Enable"))
    f.onAccess = *enable != 0 ? "1" : "0";
  f.version = "TrendMicro " + f.version;
}

// Steps 2 and 3: VirusScan Enterprise 8.7, then the older versions while none is found.
void readVirusScanVersions(ProductKeys& keys, Findings& f) {
  const std::string plugins = kEpoPlugins;
  if (keys.open(plugins + "VIRUSCAN8700")) {
    f.version = keys.textHere("Version");
    f.pattern = keys.textHere("DATVersion");
    f.engine.clear();
    const auto major = keys.integer("\\Software\\McAfee\\AVEngine", "EngineVersion32Major");
    const auto minor = keys.integer("\\Software\\McAfee\\AVEngine", "EngineVersion32Minor");
    if (major && minor) f.engine = std::to_string(*major) + "." + std::to_string(*minor);
    else f.engineKnownMissing = true;
  }
  if (f.version.empty() && keys.open(plugins + "VIRUSCAN8600")) {
    f.version = keys.textHere("Version");
    f.engine = keys.textHere("EngineVersion");
    f.pattern = keys.textHere("DATVersion");
  }
  for (const char* older : {"VIRUSCAN8000", "VIRUSCAN7100", "VIRUSCAN6500"})
    if (f.version.empty()) f.version = keys.text(plugins + older, "Version");
}

// Step 4: the engine and pattern of the older engines, and the pattern of the online scanner.
void readOlderEngines(ProductKeys& keys, Findings& f) {
  if (!f.engine.empty() || f.engineKnownMissing) return;
  keys.open(kOldEngine);
  f.engine = keys.textHere("szEngineVer");
  f.pattern = keys.textHere("szDatVersion");
  std::int32_t d = VersionNumber(f.pattern);
  const std::string defs = keys.textHere("szVirDefVer");
  if (d < VersionNumber(defs)) {
    f.pattern = defs;
    d = VersionNumber(defs);
  }
  const std::string sourceDisk = keys.text(kOnlineScan, "SourceDisk");
  const auto eq = sourceDisk.find('=');
  const std::string disk =
      eq == std::string::npos ? charLeft(sourceDisk, 8) : charSubstr(sourceDisk.substr(eq + 1), 0, 8);
  if (d < VersionNumber(disk)) f.pattern = disk;
}

// On-access from bStartDisabled, when the value is there.
void onAccessFromStartDisabled(TRegistryEx& reg, std::string_view path, Findings& f) {
  if (reg.openKeyReadOnly(path) && reg.valueExists("bStartDisabled"))
    f.onAccess = reg.readInteger("bStartDisabled") != 0 ? "0" : "1";
}

std::string timeText(const LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return buf;
}

std::int64_t int64Of(const std::string& text) {
  std::int64_t n = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size())
    throw MrvError("not a 64-bit integer: " + text);
  return n;
}

// VirusScan Enterprise 8.5 / 8.7: the task with the latest end time.
void readDesktopProtectionScan(TRegistryEx& reg, Findings& f) {
  onAccessFromStartDisabled(reg, kVsCoreOnAccess, f);
  std::vector<std::string> tasks;
  if (reg.openKeyReadOnly(kDesktopTaskData)) tasks = reg.keyNames();
  f.infected.clear();
  std::int64_t latest = 0;
  std::string end, start, result;
  for (const auto& task : tasks) {
    if (!reg.openKeyReadOnly(std::string(kDesktopTaskData) + "\\" + task)) continue;
    const std::string endTime = reg.readString("szEndTime");
    if (charCount(endTime) <= 10) continue;
    const std::int64_t n = int64Of(endTime);
    if (n <= latest) continue;
    latest = n;
    end = endTime;
    start = reg.readString("szStartTime");
    result = reg.readString("szLastResultId");
    f.infected = std::to_string(reg.readInteger("nFileInfected"));
  }
  f.scanTime = FiletimeText(end);
  if (result != kResultComplete) {
    if (startsWith(result, kResultPrefix)) result = result.substr(std::string_view(kResultPrefix).size());
    f.scanTime = result + " " + FiletimeText(start) + " --> " + FiletimeText(end);
  }
}

// VirusScan 8.0 and older.
void readOlderScan(TRegistryEx& reg, SystemServices* sys, Findings& f, const std::string& prefix) {
  onAccessFromStartDisabled(reg, kTvdOnAccess, f);
  std::string taskPath = kVseTaskData;
  if (reg.openKeyReadOnly(taskPath) && reg.hasSubKeys()) taskPath += "\\" + reg.keyNames().front();
  reg.openKeyReadOnly(taskPath);
  if (prefix == "8.0") {
    const std::string endTime = reg.readString("szEndTime");
    if (charCount(endTime) <= 10) {
      f.infected.clear();
    } else {
      f.scanTime = FiletimeText(endTime);
      f.infected = std::to_string(reg.readInteger("nFileInfected"));
    }
    const std::string result = reg.readString("szLastResultId");
    if (result != kResultComplete) f.scanTime = result + " " + FiletimeText(reg.readString("szStartTime"));
  } else if (startsWith(prefix, "7")) {
    reg.openKeyReadOnly(kVse7Task);
    f.infected = reg.valueExists("dwNumFInfected") ? std::to_string(reg.readInteger("dwNumFInfected")) : "";
    std::string logFile = reg.readString("szLogFileName");
    if (charLeft(logFile, 17) == "%ALLUSERSPROFILE%")
      logFile = "c:\\Documents and Settings\\All Users" + charSubstr(logFile, 17);
    LocalTime written;
    if (sys && sys->fileLastWriteTime(logFile, written))
      f.scanTime = timeText(written);
  } else {
    reg.openKeyReadOnly(kAvConsoleTask);
    const std::string started = reg.readString("szTimeScanStarted");
    if (startsWith(started, "2")) {
      const auto fields = split(started, ',');
      if (fields.size() < 6) throw MrvError("szTimeScanStarted has fewer than six fields");
      // the second is the sixth field (a single digit is padded like the minute, not run into the
      // comma after it)
      const std::string second = charLeft(fields[5], 2);
      f.scanTime = fields[0] + "/" + fields[1] + "/" + fields[2] + " " + fields[3] + ":" + lastTwo(fields[4]) + ":" +
                   lastTwo(second);
    }
    f.infected = reg.valueExists("uNumInfectedFiles") ? std::to_string(reg.readInteger("uNumInfectedFiles")) : "";
    reg.openKeyReadOnly(kVirusScan);
    if (reg.dataType("bVshieldEnabled") == std::optional<std::uint32_t>(kRegDword))
      f.onAccess = std::to_string(reg.readInteger("bVshieldEnabled"));
    else
      f.onAccess = reg.readString("bVshieldEnabled");
  }
}

// Step 8: the schedule flags of the three tasks.
std::string scheduleText(TRegistryEx& reg) {
  std::string text = "'";
  try {
    for (std::size_t i = 0; i < std::size(kScheduleTasks); ++i) {
      const bool known = reg.openKeyReadOnly(kScheduleTasks[i]) && reg.valueExists("bSchedEnabled") &&
                         reg.valueExists("eScheduleType");
      if (!known || reg.readInteger("bSchedEnabled") != 1) {
        text += "-";
        continue;
      }
      text += std::to_string(reg.readInteger("eScheduleType"));
      if (i + 1 == std::size(kScheduleTasks)) {
        if (reg.valueExists("nStartHour")) text += "  " + std::to_string(reg.readInteger("nStartHour"));
        if (reg.valueExists("nStartMinute")) text += ":" + lastTwo(std::to_string(reg.readInteger("nStartMinute")));
      }
    }
  } catch (const std::exception&) {
  }
  return text;
}

std::string computerName(CollectionContext& ctx) {
  if (!ctx.computerName.empty()) return ctx.computerName;
  return ctx.platform.system ? ComputerNameText(*ctx.platform.system) : std::string();
}

// Step 7: one line per distinct scan in the shared log beside the records.
void logVirusFound(CollectionContext& ctx, const Findings& f) {
  if (f.infected.empty() || f.infected == "0") return;
  const std::string folder = ctx.recordFolder + "VirusScan";
  std::error_code ec;
  std::filesystem::create_directory(pathFromUtf8(folder), ec);
  const std::string log = folder + kPathSeparator + "VirusFound.txt";
  const std::string line = f.scanTime + " " + f.infected + " " + computerName(ctx);
  if (!AppendVirusFoundLine(log, line)) throw MrvError("the virus-found log cannot be written: " + log);
}

std::vector<std::string> rowsOf(const Findings& f) {
  const std::string item1 = contains(f.version, "Trend") ? f.version : "'" + f.version;
  return {item1, f.engine, f.pattern, f.scanTime, f.infected, f.onAccess, f.schedule};
}

// Runs one part of the reading; a failure ends that part only.
template <class F>
void guarded(CollectionContext& ctx, F part) {
  try {
    part();
  } catch (const std::exception& e) {
    if (ctx.onStepFailure) ctx.onStepFailure(kFamily, e.what());
  }
}

}  // namespace

std::int32_t VersionNumber(std::string_view text) {
  if (text.empty()) return 0;
  std::uint32_t n = 0;
  for (const auto& part : split(text, '.')) {
    int digit = 0;
    if (!parseInt(part, digit)) return -1;
    n = n * 10000u + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(n);
}

std::string FiletimeText(std::string_view text) {
  constexpr std::int64_t kSeconds1601To1970 = 11644473600;
  constexpr std::int64_t kNineHours = 32400;
  const std::string head = charLeft(text, 11);
  std::int64_t seconds = 0;
  const auto r = std::from_chars(head.data(), head.data() + head.size(), seconds);
  if (head.empty() || r.ec != std::errc() || r.ptr != head.data() + head.size()) return {};
  return DateTimeText(UnixTimeToDateTime(seconds - kSeconds1601To1970 + kNineHours));
}

bool AppendVirusFoundLine(const std::string& logPath, const std::string& line) {
  std::string text;
  if (readAnsiFile(logPath, text)) {
    std::size_t from = 0;
    for (auto lf = text.find('\n'); lf != std::string::npos; from = lf + 1, lf = text.find('\n', from)) {
      std::string_view whole(text.data() + from, lf - from);
      if (!whole.empty() && whole.back() == '\r') whole.remove_suffix(1);
      if (whole == line) return true;
    }
  }
  return appendAnsiLine(logPath, line);
}

std::vector<std::string> AntivirusStatus(CollectionContext& ctx) { return ctx.installation().antivirus(ctx); }

std::vector<std::string> RegistryAntivirus(CollectionContext& ctx) {
  Findings f;
  try {
    ProductKeys keys(ctx);
    guarded(ctx, [&] { readPcCillin(keys, f); });
    guarded(ctx, [&] { readVirusScanVersions(keys, f); });
    guarded(ctx, [&] { readOlderEngines(keys, f); });
    if (!contains(f.version, "Trend")) {
      const std::string prefix = charLeft(f.version, 3);
      try {
        if (prefix == "8.7" || prefix == "8.5")
          readDesktopProtectionScan(keys.reg(), f);
        else
          readOlderScan(keys.reg(), ctx.platform.system, f, prefix);
      } catch (const std::exception&) {
        // the scan details are optional: what was read so far stands
      }
    }
    guarded(ctx, [&] { logVirusFound(ctx, f); });
    f.schedule = scheduleText(keys.reg());
  } catch (const std::exception& e) {
    if (ctx.onStepFailure) ctx.onStepFailure(kFamily, e.what());
  }
  return rowsOf(f);
}

}  // namespace mrv
