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
#include "collect/DateTimeText.h"

namespace mrv {

namespace {

// Length of a text in the ANSI code page, as the Windows buffers count it.
std::size_t ansiLength(std::string_view s) { return utf8ToAnsi(s).size(); }

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
  return CivilDateTimeText(t.year, t.month, t.day, t.hour, t.minute, t.second);
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

void ProcessList(SystemServices& sys, std::vector<std::string>& list) {
  list.clear();
  try {
    std::vector<std::string> names;
    if (sys.processNames(names)) list = std::move(names);
  } catch (const std::exception&) {
    list.clear();
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

}  // namespace mrv
