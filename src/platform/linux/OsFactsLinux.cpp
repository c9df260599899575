// The installation facts of this Linux system: os-release, uname, APT's logs and settings, CUPS
// and Samba printer sharing, the IPv4 interfaces.
#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/Text.h"
#include "platform/OsFacts.h"
#include "platform/linux/OsFactsFormats.h"
#include "platform/linux/SystemServicesFormats.h"

namespace mrv {

namespace {

using namespace linuxfacts;

bool slurp(const std::string& path, std::string& out, std::size_t maxBytes = 16u << 20) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (out.size() > maxBytes) out.resize(maxBytes);
  return true;
}

std::vector<std::string> sortedDirEntries(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class OsFactsLinux : public OsFacts {
 public:
  std::string productName() override {
    std::string text;
    if (!slurp("/etc/os-release", text) && !slurp("/usr/lib/os-release", text)) return {};
    return osReleaseName(text);
  }

  std::string kernelRelease() override {
    utsname u{};
    return uname(&u) == 0 ? std::string(u.release) : std::string();
  }

  std::string latestUpgradeDate() override { return history().latestUpgradeDay; }
  std::string lastSuccessfulUpgrade() override { return history().lastSuccessEnd; }

  std::optional<bool> automaticUpdates() override {
    std::error_code ec;
    if (!std::filesystem::is_directory("/etc/apt", ec)) return std::nullopt;
    // APT reads apt.conf.d in file name order, then apt.conf; later settings win.
    std::string all, text;
    for (const std::string& name : sortedDirEntries("/etc/apt/apt.conf.d")) {
      if (name.empty() || name[0] == '.' || endsWith(name, "~") || endsWith(name, ".dpkg-old") ||
          endsWith(name, ".dpkg-dist"))
        continue;
      if (slurp("/etc/apt/apt.conf.d/" + name, text, 1 << 20)) all += text + "\n";
    }
    if (slurp("/etc/apt/apt.conf", text, 1 << 20)) all += text + "\n";
    // never set: APT's default, no unattended upgrades
    return aptUnattendedUpgrade(all).value_or(false);
  }

  std::optional<std::int64_t> installTime() override {
    struct stat st{};
    if (stat("/var/log/installer", &st) == 0) return static_cast<std::int64_t>(st.st_mtime);
    struct statx sx{};
    if (statx(AT_FDCWD, "/", 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME) && sx.stx_btime.tv_sec > 0)
      return static_cast<std::int64_t>(sx.stx_btime.tv_sec);
    return std::nullopt;
  }

  std::string computerDescription() override {
    std::string text;
    if (!slurp("/etc/samba/smb.conf", text)) return {};
    const SambaConfig config = parseSambaConfig(text);
    const SambaSection* g = config.global();
    return g ? g->get("server string") : std::string();
  }

  std::vector<std::string> networkComponents() override {
    std::vector<std::string> found;
    std::string text;
    if (slurp("/etc/cups/printers.conf", text) && !cupsSharedPrinters(text).empty())
      found.push_back("CUPS プリンタ共有");
    if (slurp("/etc/samba/smb.conf", text) && sambaSharesPrinters(parseSambaConfig(text)))
      found.push_back("Samba プリンタ共有");
    if (const std::string ifname = ipv4Interface(); !ifname.empty()) found.push_back("TCP/IP (IPv4) " + ifname);
    if (slurp("/proc/net/ipx/interface", text) && splitLines(text).size() > 1) found.push_back("IPX/SPX");
    return found;
  }

 private:
  AptHistory history() {
    // older rotated logs first, so the newest run is read last
    std::string all, text;
    if (slurp("/var/log/apt/history.log.1", text)) all += text + "\n";
    if (slurp("/var/log/apt/history.log", text)) all += text + "\n";
    return parseAptHistory(all);
  }

  static bool sambaSharesPrinters(const SambaConfig& config) {
    for (const auto& s : config.sections) {
      if (iequalsAscii(s.name, "global")) continue;
      const bool printable = sambaBool(s.get("printable", s.get("printok")), iequalsAscii(s.name, "printers"));
      if (printable && sambaBool(s.get("available"), true)) return true;
    }
    return false;
  }

  // The first interface that is up with an IPv4 address other than loopback.
  static std::string ipv4Interface() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return {};
    std::string name;
    for (ifaddrs* i = list; i && name.empty(); i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
          (i->ifa_flags & IFF_LOOPBACK))
        continue;
      name = i->ifa_name;
    }
    freeifaddrs(list);
    return name;
  }
};

}  // namespace

std::unique_ptr<OsFacts> openOsFacts() { return std::make_unique<OsFactsLinux>(); }

}  // namespace mrv
