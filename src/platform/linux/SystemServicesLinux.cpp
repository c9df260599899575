// The system service on Linux: each Windows call the probes name answered by this system's own
// equivalent, or failing as the call would when Linux has none.
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <vector>

#include "base/Text.h"
#include "platform/PeVersionInfo.h"
#include "platform/SystemServicesNative.h"
#include "platform/WindowsInstallation.h"
#include "platform/linux/SystemServicesFormats.h"

namespace mrv {

namespace {

using namespace linuxfacts;

constexpr const char* kSambaConfig = "/etc/samba/smb.conf";
constexpr const char* kUsershareDir = "/var/lib/samba/usershares";
constexpr const char* kPppPeers = "/etc/ppp/peers";
constexpr const char* kDpkgStatus = "/var/lib/dpkg/status";

bool slurp(const std::string& path, std::string& out, std::size_t maxBytes = 64u << 20) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.clear();
  char buf[65536];
  while (in && out.size() < maxBytes) {
    in.read(buf, static_cast<std::streamsize>(std::min(sizeof buf, maxBytes - out.size())));
    out.append(buf, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}

std::vector<std::string> dirEntries(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  return names;
}

std::optional<SambaConfig> sambaConfig() {
  std::string text;
  if (!slurp(kSambaConfig, text)) return std::nullopt;
  return parseSambaConfig(text);
}

std::string shortHostName() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (gethostname(buf, sizeof buf - 1) != 0) return {};
  return buf;
}

bool removableDevice(const std::string& device) {
  char real[PATH_MAX];
  if (!realpath(device.c_str(), real)) return false;
  const std::string name = std::string(real).substr(std::string(real).rfind('/') + 1);
  const std::string sys = "/sys/class/block/" + name;
  std::string flag;
  if (!slurp(sys + "/removable", flag)) {
    char dev[PATH_MAX];
    if (!realpath(sys.c_str(), dev)) return false;
    std::string parent(dev);
    parent = parent.substr(0, parent.rfind('/'));
    if (!slurp(parent + "/removable", flag)) return false;
  }
  return trim(flag) == "1";
}

// The drives' device nodes belong to root and the group "disk": either may open them, so either
// counts as the administrator of this machine's disks.
bool diskAdministrator() {
  if (::geteuid() == 0) return true;
  group entry{};
  group* found = nullptr;
  std::vector<char> buffer(16384);
  if (::getgrnam_r("disk", &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return false;
  const gid_t disk = found->gr_gid;
  if (::getegid() == disk) return true;
  const int n = ::getgroups(0, nullptr);
  if (n <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(n));
  const int got = ::getgroups(n, groups.data());
  return got > 0 && std::find(groups.begin(), groups.begin() + got, disk) != groups.begin() + got;
}

class LinuxSystemServices : public SystemServices {
 public:
  bool getComputerName(std::string& name) override {
    const auto config = sambaConfig();
    name = netbiosName(config ? &*config : nullptr, shortHostName());
    return !name.empty();
  }

  bool getUserName(std::string& name) override {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) != 0 || !found) return false;
    name = found->pw_name;
    return true;
  }

  bool wnetGetUser(std::string& name) override { return getUserName(name); }

  bool globalMemoryStatus(MemoryStatus& status) override {
    struct sysinfo si {};
    if (sysinfo(&si) != 0) return false;
    status.totalPhys = static_cast<std::uint64_t>(si.totalram) * si.mem_unit;
    status.totalPageFile = (static_cast<std::uint64_t>(si.totalram) + si.totalswap) * si.mem_unit;
    return true;
  }

  LocalTime getLocalTime() override {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }

  bool personalFolder(std::string& path) override {
    const char* home = std::getenv("HOME");
    std::string homeDir = home ? home : "";
    if (homeDir.empty()) {
      if (passwd* pw = getpwuid(geteuid())) homeDir = pw->pw_dir;
    }
    if (homeDir.empty()) return false;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs = (config && *config ? std::string(config) : homeDir + "/.config") + "/user-dirs.dirs";
    std::string text;
    if (slurp(dirs, text, 1 << 20)) path = xdgDocumentsDir(text, homeDir);
    if (path.empty()) {
      struct stat st;
      const std::string documents = homeDir + "/Documents";
      if (stat(documents.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
      path = documents;
    }
    return true;
  }

  // This machine is not a Windows installation: it has neither folder.
  bool getWindowsDirectory(std::string&) override { return false; }
  bool getSystemDirectory(std::string&) override { return false; }

  bool netWkstaLanGroup(std::string& group) override {
    const auto config = sambaConfig();
    if (!config) return false;
    const SambaSection* g = config->global();
    group = toUpperAscii(g ? g->get("workgroup", "WORKGROUP") : "WORKGROUP");
    return true;
  }

  bool netGetJoinStatus(int& status) override {
    const auto config = sambaConfig();
    if (!config) return false;
    const SambaSection* g = config->global();
    const std::string security = toLowerAscii(g ? g->get("security") : "");
    status = (security == "ads" || security == "domain") ? kNetSetupDomainName : 2;
    return true;
  }

  bool startWinsock() override { return true; }

  bool getHostName(std::string& name) override {
    name = shortHostName();
    return !name.empty();
  }

  bool resolveHost(std::string_view name, std::array<std::uint8_t, 4>& address) override {
    const std::string own = shortHostName();
    const std::string host = name.empty() ? own : std::string(name);
    if (host.empty()) return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list) return false;
    const auto* in = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    std::uint32_t a = ntohl(in->sin_addr.s_addr);
    freeaddrinfo(list);
    // Many systems map their own name to a loopback address; the network knows this computer
    // by its interface address instead.
    if ((a >> 24) == 127 && host == own) {
      if (auto lan = firstInterfaceAddress()) a = *lan;
    }
    address = {static_cast<std::uint8_t>(a >> 24), static_cast<std::uint8_t>(a >> 16),
               static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a)};
    return true;
  }

  bool netRemoteTod(std::string_view server, TimeOfDayInfo& tod) override {
    std::string host;
    if (server.empty()) {
      const std::time_t now = std::time(nullptr);
      std::tm tm{};
      gmtime_r(&now, &tm);
      tod = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
      return true;
    }
    if (startsWith(server, "\\\\") || startsWith(server, "//")) host = cifsServer(server);
    else host = smbServerOfPath(std::string(server));  // a folder on an SMB mount
    if (host.empty()) return false;
    return smbServerTime(host, tod);
  }

  LibraryCall rasEnumEntries(std::vector<std::string>& entryNames) override {
    struct stat st;
    if (stat(kPppPeers, &st) != 0 || !S_ISDIR(st.st_mode)) return LibraryCall::LibraryMissing;
    entryNames.clear();
    for (auto& n : dirEntries(kPppPeers)) {
      const std::string path = std::string(kPppPeers) + "/" + n;
      if (n[0] == '.' || endsWith(n, "~") || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
      entryNames.push_back(n);
    }
    std::sort(entryNames.begin(), entryNames.end());
    return entryNames.size() > 100 ? LibraryCall::Failed : LibraryCall::Ok;
  }

  LibraryCall rasGetEntryDialParams(std::string_view entryName, std::string& userName) override {
    struct stat st;
    if (stat(kPppPeers, &st) != 0) return LibraryCall::LibraryMissing;
    if (entryName.empty() || entryName.find('/') != std::string_view::npos || entryName[0] == '.')
      return LibraryCall::Failed;
    std::string text;
    if (!slurp(std::string(kPppPeers) + "/" + std::string(entryName), text, 1 << 20)) return LibraryCall::Failed;
    userName = pppPeerUser(text);
    return LibraryCall::Ok;
  }

  ShareEnumResult enumerateShares(std::string_view server) override {
    ShareEnumResult r;
    std::vector<std::string> names;
    if (const auto config = sambaConfig()) names = sambaDiskShares(*config);
    for (const auto& file : dirEntries(kUsershareDir)) {
      if (file[0] == '.') continue;
      std::string text;
      if (slurp(std::string(kUsershareDir) + "/" + file, text, 1 << 20)) names.push_back(usershareName(text, file));
    }
    if (names.empty()) {
      r.enumCode = kErrorNoMoreItems;
      return r;
    }
    for (const auto& n : names) r.remoteNames.push_back(std::string(server) + "\\" + n);
    return r;
  }

  bool processNames(std::vector<std::string>& names) override {
    std::vector<long> pids;
    for (const auto& n : dirEntries("/proc")) {
      char* end = nullptr;
      const long pid = std::strtol(n.c_str(), &end, 10);
      if (end && *end == '\0' && pid > 0) pids.push_back(pid);
    }
    if (pids.empty()) return false;
    std::sort(pids.begin(), pids.end());
    names.clear();
    for (long pid : pids) {
      const std::string dir = "/proc/" + std::to_string(pid);
      char target[PATH_MAX];
      const ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
      std::string name;
      if (n > 0) {
        std::string exe(target, static_cast<std::size_t>(n));
        if (endsWith(exe, " (deleted)")) exe.resize(exe.size() - 10);
        name = exe.substr(exe.rfind('/') + 1);
      } else {
        // Kernel threads run no executable and have an empty command line; they are left out.
        std::string cmdline;
        if (slurp(dir + "/cmdline", cmdline, 4096) && !cmdline.empty() && slurp(dir + "/comm", name, 256))
          name = trim(name);
        else
          name.clear();
      }
      if (!name.empty()) names.push_back(name);  // a process that ended meanwhile is left out
    }
    return true;
  }

  unsigned getDriveType(std::string_view rootPath) override {
    return mountOfRoot(rootPath) ? kDriveFixed : kDriveNoRootDir;
  }

  bool volumeFileSystem(std::string_view rootPath, std::string& fileSystemName) override {
    auto m = mountOfRoot(rootPath);
    if (!m) return false;
    fileSystemName = m->fsType;
    return true;
  }

  bool diskFreeSpace(std::string_view rootPath, std::uint64_t& freeBytes, std::uint64_t& totalBytes) override {
    auto m = mountOfRoot(rootPath);
    struct statvfs vfs {};
    if (!m || statvfs(m->mountPoint.c_str(), &vfs) != 0) return false;
    freeBytes = static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    totalBytes = static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize;
    return true;
  }

  bool getFileVersionInfo(const std::string& path, std::string& block) override {
    std::string bytes;
    if (path.empty() || !readFile(path, bytes, 256u << 20)) return false;
    auto found = peVersionInfoBlock(bytes);
    if (!found) return false;
    block = std::move(*found);
    return true;
  }

  bool fileExists(const std::string& path) override {
    struct stat st;
    const std::string real = existing(path);
    return !real.empty() && stat(real.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  }

  bool fileLastWriteTime(const std::string& path, LocalTime& time) override {
    struct stat st;
    const std::string real = existing(path);
    struct tm local {};
    if (real.empty() || stat(real.c_str(), &st) != 0 || S_ISDIR(st.st_mode) || !localtime_r(&st.st_mtime, &local))
      return false;
    time = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
    return true;
  }

  bool readFile(const std::string& path, std::string& bytes, std::size_t maxBytes) override {
    struct stat st;
    const std::string real = existing(path);
    if (real.empty() || stat(real.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return slurp(real, bytes, maxBytes);
  }

  bool isUserAnAdmin() override { return diskAdministrator(); }

  std::uint32_t getTickCount() override {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
  }

  // A collection asks twice (the installed programs, the antivirus); the database is read again only
  // when the file has changed since (dpkg replaces it whole, so its inode and time change).
  bool installedPackages(std::vector<std::pair<std::string, std::string>>& packages) override {
    struct stat st;
    if (stat(kDpkgStatus, &st) != 0) return false;
    const FileIdentity now{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    if (!packagesRead_ || !(packagesFrom_ == now)) {
      std::string text;
      if (!slurp(kDpkgStatus, text, 256u << 20)) return false;
      packages_ = parseDpkgStatus(text);
      packagesFrom_ = now;
      packagesRead_ = true;
    }
    packages = packages_;
    return true;
  }

 private:
  // Windows matches file names without regard to case, and the probes lower-case the paths they
  // are given; an absolute path that does not exist as written is looked up the same way.
  static std::string existing(const std::string& path) {
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) == 0 || path[0] != '/') return path;
    const std::string found = findPathIgnoringCase("/", path);
    return found.empty() ? path : found;
  }

  struct FileIdentity {
    dev_t device;
    ino_t inode;
    off_t size;
    time_t seconds;
    long nanoseconds;
    bool operator==(const FileIdentity&) const = default;
  };
  // the package database as last read, and the file it was read from
  std::vector<std::pair<std::string, std::string>> packages_;
  FileIdentity packagesFrom_{};
  bool packagesRead_ = false;

  static std::vector<MountEntry> mounts() {
    std::string text;
    if (!slurp("/proc/self/mounts", text, 16u << 20)) return {};
    return parseMountTable(text);
  }

  // The mount serving drive "X:\" (C: = "/", D: = the next fixed drive, ...).
  static std::optional<MountEntry> mountOfRoot(std::string_view rootPath) {
    if (rootPath.size() < 2 || rootPath[1] != ':') return std::nullopt;
    const int letter = std::toupper(static_cast<unsigned char>(rootPath[0]));
    if (letter < 'C' || letter > 'Z') return std::nullopt;
    const auto drives = fixedDrives(mounts(), removableDevice);
    const std::size_t index = static_cast<std::size_t>(letter - 'C');
    if (index >= drives.size()) return std::nullopt;
    return drives[index];
  }

  static std::optional<std::uint32_t> firstInterfaceAddress() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::optional<std::uint32_t> found;
    for (ifaddrs* i = list; i && !found; i = i->ifa_next) {
      if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
      const std::uint32_t a = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
      if ((a >> 24) != 127) found = a;
    }
    freeifaddrs(list);
    return found;
  }

  // The SMB server holding a local folder, when the folder lies on a cifs mount.
  static std::string smbServerOfPath(const std::string& folder) {
    char real[PATH_MAX];
    if (!realpath(folder.c_str(), real)) return {};
    const std::string path = real;
    const MountEntry* best = nullptr;
    const auto all = mounts();
    for (const auto& m : all) {
      const bool under = path == m.mountPoint || m.mountPoint == "/" ||
                         startsWith(path, m.mountPoint + "/");
      if (under && (!best || m.mountPoint.size() >= best->mountPoint.size())) best = &m;
    }
    if (!best || (best->fsType != "cifs" && best->fsType != "smb3")) return {};
    return cifsServer(best->source);
  }

  // Asks the server's clock with an SMB2 NEGOTIATE on port 445 (five seconds at most).
  static bool smbServerTime(const std::string& host, TimeOfDayInfo& tod) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(host.c_str(), "445", &hints, &list) != 0) return false;
    bool ok = false;
    for (addrinfo* a = list; a && !ok; a = a->ai_next) {
      const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
      if (fd < 0) continue;
      ok = exchange(fd, a, tod);
      close(fd);
    }
    freeaddrinfo(list);
    return ok;
  }

  static bool waitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, 5000) == 1 && (p.revents & events);
  }

  static bool exchange(int fd, const addrinfo* a, TimeOfDayInfo& tod) {
    if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      if (errno != EINPROGRESS || !waitFor(fd, POLLOUT)) return false;
      int err = 0;
      socklen_t len = sizeof err;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return false;
    }
    const std::string request = smb2NegotiateRequest();
    std::size_t sent = 0;
    while (sent < request.size()) {
      if (!waitFor(fd, POLLOUT)) return false;
      const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    std::string answer;
    char buf[4096];
    std::size_t want = 4;
    while (answer.size() < want && answer.size() < 65536) {
      if (!waitFor(fd, POLLIN)) return false;
      const ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n <= 0) return false;
      answer.append(buf, static_cast<std::size_t>(n));
      if (answer.size() >= 4)
        want = 4 + ((static_cast<unsigned char>(answer[1]) << 16) | (static_cast<unsigned char>(answer[2]) << 8) |
                    static_cast<unsigned char>(answer[3]));
    }
    return smb2NegotiateTime(answer, tod);
  }
};

}  // namespace

std::unique_ptr<SystemServices> openNativeSystemServices(std::string&) {
  return std::make_unique<LinuxSystemServices>();
}

}  // namespace mrv
