#include "collect/SystemProbes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "ui/Views.h"
#include "base/Calendar.h"
#include "base/Error.h"
#include "base/Text.h"
#include "platform/PeVersionInfo.h"
#include "platform/Encoding.h"
#include "platform/SystemServices.h"

namespace mrv {

namespace {

// Length of a text in the ANSI code page, as the Windows buffers count it.
std::size_t ansiLength(std::string_view s) { return utf8ToAnsi(s).size(); }


std::string dateTimeText(std::int64_t year, int month, int day, int hour, int minute, int second) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld/%02d/%02d %02d:%02d:%02d", static_cast<long long>(year), month, day, hour,
                minute, second);
  return buf;
}

// The rest of a text from a character position (0-based), at most `limit` characters.
std::string restFrom(std::string_view s, std::size_t charPos, std::size_t limit = 512) {
  return charSubstr(s, charPos, limit);
}

// Character position (0-based) of a byte offset.
std::size_t charPosOf(std::string_view s, std::size_t byteOffset) { return charCount(s.substr(0, byteOffset)); }

}  // namespace

std::string ComputerNameText(SystemServices& sys) {
  try {
    std::string name;
    if (!sys.getComputerName(name)) return kProbeError;  // the system applies its own room
    return name;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string UserNameText(SystemServices& sys) {
  try {
    std::string name;
    if (!sys.getUserName(name) || ansiLength(name) > 15) return {};
    return name;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string NetUserNameText(SystemServices& sys) {
  try {
    std::string name;
    if (!sys.wnetGetUser(name) || ansiLength(name) > 259) return {};
    return name;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string PhysicalMemoryMB(SystemServices& sys) {
  try {
    MemoryStatus status;
    if (!sys.globalMemoryStatus(status)) return kProbeError;
    std::uint64_t mb = status.totalPhys >> 20;
    const std::uint64_t rest = status.totalPhys & 0xFFFFF, half = 0x80000;
    if (rest > half || (rest == half && (mb & 1))) ++mb;  // a half goes to the even neighbour
    return std::to_string(mb);
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string PageFileMB(SystemServices& sys) {
  try {
    MemoryStatus status;
    if (!sys.globalMemoryStatus(status)) return kProbeError;
    return std::to_string(status.totalPageFile >> 20);
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string LocalDateTimeText(SystemServices& sys) {
  const LocalTime t = sys.getLocalTime();
  return dateTimeText(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string MyDocumentsFolder(SystemServices& sys) {
  try {
    std::string path;
    if (!sys.personalFolder(path) || path.empty()) return kProbeError;
    return path;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string WindowsFolder(SystemServices& sys) {
  try {
    std::string path;
    if (!sys.getWindowsDirectory(path) || path.empty()) return kProbeError;
    return path + "\\";
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string SystemFolder(SystemServices& sys) {
  try {
    std::string path;
    if (!sys.getSystemDirectory(path) || path.empty()) return kProbeError;
    return path;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string LanGroupName(SystemServices& sys) {
  try {
    std::string group;
    return sys.netWkstaLanGroup(group) ? group : std::string();
  } catch (const std::exception&) {
    return {};
  }
}

bool IsDomainMember(SystemServices& sys) {
  try {
    int status = 0;
    return sys.netGetJoinStatus(status) && status == kNetSetupDomainName;
  } catch (const std::exception&) {
    return false;
  }
}

std::string HostNameText(SystemServices& sys) {
  try {
    std::string name;
    if (!sys.getHostName(name) || ansiLength(name) > 48) return {};
    return name;
  } catch (const std::exception&) {
    return {};
  }
}

bool IsAdminUser(SystemServices& sys) {
  try {
    return sys.isUserAnAdmin();
  } catch (const std::exception&) {
    return false;
  }
}

std::string TwoDigits(int n) { return n <= 9 ? "0" + std::to_string(n) : std::to_string(n); }

double UnixTimeToDateTime(std::int64_t seconds) {
  return static_cast<double>(seconds / 86400 + kUnixEpochDateTime) + static_cast<double>(seconds % 86400) / 86400.0;
}

std::string DateTimeText(double dateTime) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) return {};
  std::int64_t days = static_cast<std::int64_t>(std::floor(dateTime));
  std::int64_t ms = std::llround((dateTime - static_cast<double>(days)) * 86400000.0);
  if (ms >= 86400000) {
    ++days;
    ms -= 86400000;
  }
  const CivilDate c = CivilFromDays(days - kUnixEpochDateTime);
  const std::int64_t secs = ms / 1000;
  return dateTimeText(c.year, static_cast<int>(c.month), static_cast<int>(c.day), static_cast<int>(secs / 3600),
                      static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
}

bool ParseDateTimeText(std::string_view text, double& dateTime) {
  int part[6] = {0, 0, 0, 0, 0, 0};
  int count = 0;
  std::size_t i = 0;
  const std::string t = trim(text);
  while (i < t.size() && count < 6) {
    std::size_t j = i;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
    if (j == i || j - i > 6) return false;
    part[count++] = std::stoi(t.substr(i, j - i));
    if (j == t.size()) {
      i = j;
      break;
    }
    const char sep = t[j];
    const char want = count < 3 ? '/' : (count == 3 ? ' ' : ':');
    if (sep != want) return false;
    i = j + 1;
  }
  if (i != t.size() || (count != 3 && count != 5 && count != 6)) return false;
  const int y = part[0], mo = part[1], d = part[2], h = part[3], mi = part[4], s = part[5];
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
  if (CivilFromDays(days).month != static_cast<unsigned>(mo)) return false;  // 31 in a shorter month
  dateTime = static_cast<double>(days + kUnixEpochDateTime) + (h * 3600 + mi * 60 + s) / 86400.0;
  return true;
}

void ProcessList(SystemServices& sys, std::vector<std::string>& list) {
  list.clear();
  try {
    std::vector<std::string> names;
    if (sys.processNames(names)) list = std::move(names);
  } catch (const std::exception&) {
    list.clear();
  }
}

void ReadMultiString(TRegistryEx& reg, std::string_view valueName, std::vector<std::string>& list) {
  try {
    if (auto strings = reg.readMultiString(valueName)) list.insert(list.end(), strings->begin(), strings->end());
  } catch (const std::exception&) {
    list.clear();
  }
}

std::string MultiStringValueText(TRegistryEx& reg, std::string_view valueName) {
  try {
    std::vector<std::string> list;
    ReadMultiString(reg, valueName, list);
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) text += (i ? "." : "") + list[i];
    return text;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string RemoteTimeOfDay(SystemServices& sys, std::string_view server) {
  TimeOfDayInfo tod;
  if (!sys.netRemoteTod(charLeft(server, 514), tod)) throw MrvError("NetRemoteTOD failed");
  return std::to_string(tod.year) + "/" + TwoDigits(tod.month) + "/" + TwoDigits(tod.day) + " " +
         TwoDigits(tod.hours) + ":" + TwoDigits(tod.mins) + ":" + TwoDigits(tod.secs);
}

std::string HostAddress(SystemServices& sys, Dialogs& dialogs, std::string_view hostName) {
  try {
    if (!sys.startWinsock()) {
      dialogs.message("", "Error Occured", Dialogs::Kind::Error);
      return {};
    }
    std::array<std::uint8_t, 4> a{};
    if (!sys.resolveHost(hostName, a)) return "(N/A)";
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." + std::to_string(a[3]);
  } catch (const std::exception&) {
    return kProbeError;
  }
}

DriveInfoResult DriveInfo(SystemServices& sys, int n) {
  DriveInfoResult r;
  if (n < 1 || n > 26) return r;  // no such drive letter
  const std::string root = std::string(1, static_cast<char>(n + 64)) + ":\\";
  try {
    if (sys.getDriveType(root) != kDriveFixed) return r;
    std::string fs;
    if (sys.volumeFileSystem(root, fs)) r.fileSystem = charLeft(fs, 255);
    std::uint64_t freeBytes = 0, totalBytes = 0;
    if (!sys.diskFreeSpace(root, freeBytes, totalBytes)) throw MrvError("GetDiskFreeSpaceEx failed");
    r.totalMB = std::to_string(totalBytes >> 20);
    r.freeMB = std::to_string(freeBytes >> 20);
  } catch (const std::exception&) {
    r.totalMB.clear();
    r.freeMB.clear();
  }
  return r;
}

void SharedFolderList(SystemServices& sys, std::vector<std::string>& list) {
  try {
    std::string name;
    if (!sys.getComputerName(name)) name.clear();
    const ShareEnumResult r = sys.enumerateShares("\\\\" + name);
    if (r.openCode == kErrorNoNetwork) {
      list.push_back("Error(No network is present.)");
    } else if (r.openCode != 0) {
      list.push_back("ネットワークエラー２(" + std::to_string(r.openCode) + ")");
    } else if (r.enumCode == kErrorNoMoreItems) {
      list.push_back("共有フォルダはありません");
    } else if (r.enumCode != 0) {
      list.push_back("ネットワークエラー(" + std::to_string(r.enumCode) + ")");
    } else {
      list = r.remoteNames;
    }
  } catch (const std::exception&) {
    // the list keeps what it held
  }
}

std::string PadIpAddress(std::string_view text) {
  if (text.empty()) return {};
  std::string rest(text), result;
  for (auto dot = rest.find('.'); dot != std::string::npos; dot = rest.find('.')) {
    const std::string part = rest.substr(0, dot + 1);
    const std::size_t len = charCount(part);
    result += std::string(len < 4 ? std::min<std::size_t>(4 - len, 2) : 0, ' ') + part;
    rest = restFrom(rest.substr(dot + 1), 0, 256);
  }
  const std::size_t len = charCount(rest);
  return result + std::string(len < 3 ? std::min<std::size_t>(3 - len, 2) : 0, ' ') + rest;
}

std::string ExePathOfFileType(TRegistryEx& reg, std::string_view fileType) {
  try {
    reg.setRootKey(RootKey::ClassesRoot);
    reg.closeKey();
    if (fileType.empty() || !reg.openKeyReadOnly(fileType)) return {};
    const std::string className = reg.readString("");
    reg.closeKey();
    std::string command;
    if (reg.openKeyReadOnly(className + "\\shell\\open\\command")) command = reg.readString("");
    if (startsWith(command, "\"")) {
      const auto first = command.find_first_not_of('"');
      command = first == std::string::npos ? std::string() : command.substr(first);
      command = command.substr(0, command.find('"'));
    }
    const std::string lower = toLowerAscii(command);
    if (!endsWith(lower, ".exe")) {
      const auto exe = lower.find(".exe");
      command = exe == std::string::npos ? charLeft(command, 3) : command.substr(0, exe + 4);
    }
    return command;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string FileVersionText(SystemServices& sys, std::string_view path, std::string_view names,
                            std::string_view programFilesFolder) {
  try {
    std::string p = toLowerAscii(path);
    if (startsWith(p, "\"")) {
      p.erase(0, 1);
      p = p.substr(0, p.find('"'));
    }
    if (startsWith(p, "%programfiles%")) {
      p = std::string(programFilesFolder) + p.substr(14);
    } else if (contains(p, "flash") && contains(p, ".ocx")) {
      const std::string candidate = SystemFolder(sys) + "\\macromed\\flash\\" + p;
      if (sys.fileExists(candidate)) p = candidate;
    }
    const auto slash = p.find_last_of("\\/:");
    std::string result = toLowerAscii(slash == std::string::npos ? p : p.substr(slash + 1));
    if (p.empty()) return {};
    std::string block;
    if (!sys.getFileVersionInfo(p, block) || block.empty()) return {};
    const auto translation = versionTranslation(block);
    if (!translation) return result;
    const std::string key = versionTranslationKey(*translation);
    if (auto original = versionString(block, key, "OriginalFilename")) result = toLowerAscii(*original);
    for (const auto& name : split(names, ' '))
      if (auto value = versionString(block, key, name)) result += " " + *value;
    return result;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string ReadValueTerm(TRegistryEx& reg, std::string_view term) {
  try {
    std::string name(term), startMarker, endMarker, filter, prefix;
    enum { Plain, Cut, Filter } form = Plain;
    if (term != "DEFAULT") {
      if (const auto open = name.find('('); open != std::string::npos) {
        form = Cut;
        const std::string after = name.substr(open + 1);
        name = name.substr(0, open);
        const auto slash = after.find('/');
        if (slash == std::string::npos) {
          startMarker = after.substr(0, after.find(')'));
        } else {
          startMarker = after.substr(0, slash);
          const std::string tail = after.substr(slash + 1);
          endMarker = tail.substr(0, tail.find(')'));
        }
      } else if (const auto slash = name.find('/'); slash != std::string::npos) {
        form = Filter;
        filter = name.substr(slash + 1);
        name = name.substr(0, slash);
      }
      if (startsWith(name, "'")) {
        name.erase(0, 1);
        prefix = "'";
      }
    } else {
      name.clear();
    }

    std::string result;
    if (startsWith(name, "%")) {
      name.erase(0, 1);
      if (reg.dataType(name) == std::optional<std::uint32_t>(kRegSz)) result = PadIpAddress(reg.readString(name));
      else result = PadIpAddress(MultiStringValueText(reg, name));
    } else if (const auto type = reg.dataType(name)) {
      result = *type == kRegDword ? std::to_string(reg.readInteger(name)) : reg.readString(name);
    }

    if (form == Cut) {
      const auto at = startMarker.empty() ? std::string::npos : result.find(startMarker);
      if (at != std::string::npos) {
        result = restFrom(result, charPosOf(result, at) + charCount(startMarker));
      } else {
        const std::size_t from = charCount(startMarker);  // 1-based position = the marker's length
        result = restFrom(result, from > 0 ? from - 1 : 0);
      }
      const auto end = endMarker.empty() ? std::string::npos : result.find(endMarker);
      result = end == std::string::npos ? std::string() : result.substr(0, end);
    } else if (form == Filter) {
      if (filter.empty() && result.empty()) result = " ";
      else if (!filter.empty() && !contains(result, filter)) result.clear();
    }
    return result.empty() ? result : prefix + result;
  } catch (const std::exception&) {
    return kProbeError;
  }
}

std::string ReadValueExpression(CollectionState& state, std::string_view expression) {
  try {
    std::string text(expression);
    if (const auto label = text.find("=="); label != std::string::npos) text.resize(label);
    std::string value;
    if (contains(text, "|")) {
      for (const auto& term : split(text, '|')) {
        value = ReadValueTerm(state.reg, term);
        if (!value.empty()) break;
      }
    } else if (contains(text, "+")) {
      std::string_view rest = text;
      for (;;) {
        const auto plus = rest.find('+');
        value += ReadValueTerm(state.reg, rest.substr(0, plus));
        if (plus == std::string_view::npos) break;
        rest.remove_prefix(plus + 1);
        const std::string separator = charLeft(rest, 1);  // copied as it stands
        value += separator;
        rest.remove_prefix(separator.size());
      }
    } else {
      value = ReadValueTerm(state.reg, text);
    }
    return state.keyOpen ? value : std::string();
  } catch (const std::exception&) {
    return kProbeError;
  }
}

void InstalledSoftwareList(CollectionState& state, SystemServices& sys) {
  std::vector<std::string> found;
  TRegistryEx& reg = state.reg;
  if (!reg.store()) {
    // No Windows registry: the programs of this system's package database.
    std::vector<std::pair<std::string, std::string>> packages;
    try {
      if (!sys.installedPackages(packages)) return;
    } catch (const std::exception&) {
      return;
    }
    for (const auto& [name, version] : packages) found.push_back(name + " " + version + " ");
  } else {
    const std::string uninstall = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    try {
      reg.setRootKey(RootKey::LocalMachine);
      if (!reg.openKeyReadOnly(uninstall)) return;
      for (const auto& sub : reg.keyNames()) {
        state.keyOpen = reg.openKeyReadOnly(uninstall + "\\" + sub);
        if (!state.keyOpen) continue;
        const std::string displayName = reg.readString("DisplayName");
        if (displayName.empty()) continue;
        std::string version = reg.readString("DisplayVersion");
        if (version.empty()) {
          if (reg.dataType("VersionMajor") == std::optional<std::uint32_t>(kRegDword))
            version = std::to_string(reg.readInteger("VersionMajor"));
          if (reg.dataType("VersionMinor") == std::optional<std::uint32_t>(kRegDword))
            version += "." + std::to_string(reg.readInteger("VersionMinor"));
        }
        const std::string entry = displayName + " " + version + " " + reg.readString("ProductID");
        if (!ReadValueTerm(reg, "NoRemove").empty()) continue;
        found.push_back(entry);
      }
    } catch (const std::exception&) {
      return;  // the walk ends; nothing has reached the lists yet
    }
  }

  for (const auto& entry : found) {
    const auto kb = entry.find("(KB");
    if (kb == std::string::npos) {
      state.installed.push_back(entry);
      continue;
    }
    const std::string head = charLeft(entry, 10);
    const auto late = entry.find("(KB", head.size());
    if (late != std::string::npos) state.patches.push_back(charSubstr(entry.substr(late), 0, 10) + "0@" + entry);
    else state.patches.push_back("0@" + entry);
  }
  // the order of the lower-cased texts, without making them (a thousand packages are common)
  auto caseless = [](const std::string& a, const std::string& b) {
    const auto lower = [](char c) {
      const auto u = static_cast<unsigned char>(c);
      return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
    };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
  };
  std::stable_sort(state.installed.begin(), state.installed.end(), caseless);
  std::stable_sort(state.patches.begin(), state.patches.end(), caseless);
}

}  // namespace mrv
