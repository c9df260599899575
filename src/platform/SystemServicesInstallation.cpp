#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/RegistryStore.h"
#include "platform/SystemServicesNative.h"
#include "platform/WindowsInstallation.h"

namespace mrv {

namespace {

std::uint32_t le32(const std::string& d, std::size_t at) {
  if (at + 4 > d.size()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(d.data()) + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string readText(RegistryStore& reg, std::string_view path, std::string_view name) {
  auto key = reg.openKey(RootKey::LocalMachine, path);
  RegValue v;
  if (!key || !key->queryValue(name, v)) return {};
  if (v.type != kRegSz && v.type != kRegExpandSz) return {};
  return utf16leToUtf8(reinterpret_cast<const unsigned char*>(v.data.data()), v.data.size());
}

// A hive file has no CurrentControlSet; Select\Current names the set the installation boots.
std::string controlSetPath(RegistryStore& reg, std::string_view rest) {
  std::string current = "SYSTEM\\CurrentControlSet\\" + std::string(rest);
  if (reg.openKey(RootKey::LocalMachine, current)) return current;
  auto select = reg.openKey(RootKey::LocalMachine, "SYSTEM\\Select");
  RegValue v;
  if (select && select->queryValue("Current", v) && v.type == kRegDword && v.data.size() >= 4) {
    char set[32];
    std::snprintf(set, sizeof set, "ControlSet%03u", static_cast<unsigned>(le32(v.data, 0)));
    return "SYSTEM\\" + std::string(set) + "\\" + std::string(rest);
  }
  return current;
}

// The primary domain of the LSA policy (SECURITY hive, when the store holds it): a self-relative
// UNICODE_STRING, its text after a header of 8 (32-bit Windows) or 16 bytes (64-bit Windows).
bool policyPrimaryDomain(RegistryStore& reg, std::string& name, bool& member) {
  auto key = reg.openKey(RootKey::LocalMachine, "SECURITY\\Policy\\PolPrDmN");
  RegValue v;
  if (!key || !key->queryValue("", v) || v.data.size() < 8) return false;
  const std::size_t length = le32(v.data, 0) & 0xFFFF;
  std::size_t offset = le32(v.data, 4);
  if (offset != 8 && offset != 16) offset = (le32(v.data, 8) == 16) ? 16 : 8;
  if (offset + length > v.data.size()) return false;
  name = utf16leToUtf8(reinterpret_cast<const unsigned char*>(v.data.data()) + offset, length);
  auto sid = reg.openKey(RootKey::LocalMachine, "SECURITY\\Policy\\PolPrDmS");
  RegValue s;
  member = sid && sid->queryValue("", s) && s.data.size() >= 8;
  return true;
}

class InstallationOverlay : public SystemServices {
 public:
  InstallationOverlay(std::unique_ptr<SystemServices> machine, InstallationIdentity id, std::string root)
      : m_(std::move(machine)), id_(std::move(id)), root_(std::move(root)) {}

  bool getComputerName(std::string& name) override {
    if (id_.computerName.empty()) return m_->getComputerName(name);
    name = id_.computerName;
    return utf8ToAnsi(name).size() <= 15;  // a Windows name, read with GetComputerNameA's room
  }
  bool getUserName(std::string& name) override { return m_->getUserName(name); }
  bool wnetGetUser(std::string& name) override { return m_->wnetGetUser(name); }
  bool globalMemoryStatus(MemoryStatus& s) override { return m_->globalMemoryStatus(s); }
  LocalTime getLocalTime() override { return m_->getLocalTime(); }
  bool personalFolder(std::string& path) override { return m_->personalFolder(path); }
  bool getWindowsDirectory(std::string& path) override {
    path = id_.windowsDir;
    return !path.empty();
  }
  bool getSystemDirectory(std::string& path) override {
    path = id_.systemDir;
    return !path.empty();
  }
  bool netWkstaLanGroup(std::string& group) override {
    group = id_.lanGroup;
    return id_.lanGroupKnown;
  }
  bool netGetJoinStatus(int& status) override {
    if (!id_.lanGroupKnown) return false;
    status = id_.domainMember ? kNetSetupDomainName : 2;
    return true;
  }
  bool startWinsock() override { return m_->startWinsock(); }
  bool getHostName(std::string& name) override { return m_->getHostName(name); }
  bool resolveHost(std::string_view name, std::array<std::uint8_t, 4>& a) override { return m_->resolveHost(name, a); }
  bool netRemoteTod(std::string_view server, TimeOfDayInfo& tod) override { return m_->netRemoteTod(server, tod); }
  LibraryCall rasEnumEntries(std::vector<std::string>& e) override { return m_->rasEnumEntries(e); }
  LibraryCall rasGetEntryDialParams(std::string_view e, std::string& u) override {
    return m_->rasGetEntryDialParams(e, u);
  }
  ShareEnumResult enumerateShares(std::string_view server) override { return m_->enumerateShares(server); }
  bool processNames(std::vector<std::string>& names) override { return m_->processNames(names); }
  unsigned getDriveType(std::string_view root) override { return m_->getDriveType(root); }
  bool volumeFileSystem(std::string_view root, std::string& fs) override { return m_->volumeFileSystem(root, fs); }
  bool diskFreeSpace(std::string_view root, std::uint64_t& f, std::uint64_t& t) override {
    return m_->diskFreeSpace(root, f, t);
  }
  bool getFileVersionInfo(const std::string& path, std::string& block) override {
    return m_->getFileVersionInfo(map(path), block);
  }
  bool fileExists(const std::string& path) override { return m_->fileExists(map(path)); }
  bool fileLastWriteTime(const std::string& path, LocalTime& time) override {
    return m_->fileLastWriteTime(map(path), time);
  }
  bool readFile(const std::string& path, std::string& bytes, std::size_t maxBytes) override {
    return m_->readFile(map(path), bytes, maxBytes);
  }
  bool isUserAnAdmin() override { return m_->isUserAnAdmin(); }
  std::uint32_t getTickCount() override { return m_->getTickCount(); }
  bool installedPackages(std::vector<std::pair<std::string, std::string>>& p) override {
    return m_->installedPackages(p);
  }

 private:
  // "C:\x" or "\x" is a path of the installation; anything else is this machine's own.
  std::string map(const std::string& path) const {
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool rooted = !path.empty() && path[0] == '\\' && !startsWith(path, "\\\\");
    if (!drive && !rooted) return path;
    if (root_.empty()) return {};
    return mapWindowsPath(root_, path);
  }

  std::unique_ptr<SystemServices> m_;
  InstallationIdentity id_;
  std::string root_;
};

}  // namespace

InstallationIdentity readInstallationIdentity(RegistryStore& reg) {
  InstallationIdentity id;
  id.computerName = readText(reg, controlSetPath(reg, "Control\\ComputerName\\ComputerName"), "ComputerName");

  std::string group;
  bool member = false;
  if (policyPrimaryDomain(reg, group, member)) {
    id.lanGroup = group;
    id.domainMember = member;
    id.lanGroupKnown = true;
  } else {
    // Without the policy database, a domain member still names its domain for cached logons.
    group = readText(reg, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "CachePrimaryDomain");
    if (!group.empty()) {
      id.lanGroup = group;
      id.domainMember = true;
      id.lanGroupKnown = true;
    }
  }

  std::string root = readText(reg, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot");
  std::string system = "system32";
  if (root.empty()) {
    root = readText(reg, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SystemRoot");
    system = "SYSTEM";
  }
  while (!root.empty() && (root.back() == '\\' || root.back() == '/')) root.pop_back();
  if (!root.empty()) {
    id.windowsDir = root;
    id.systemDir = root + "\\" + system;
  }
  return id;
}

std::unique_ptr<SystemServices> overlayInstallation(std::unique_ptr<SystemServices> machine,
                                                    InstallationIdentity identity, std::string installationRoot) {
  return std::make_unique<InstallationOverlay>(std::move(machine), std::move(identity), std::move(installationRoot));
}

}  // namespace mrv
