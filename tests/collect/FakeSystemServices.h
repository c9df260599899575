#pragma once
// A scripted SystemServices: every answer is a field the test sets; `raise` makes every call throw.
#include <map>
#include <optional>
#include <set>

#include "base/Error.h"
#include "platform/SystemServices.h"

namespace mrv::test {

// An answer that may be missing (Maybe<std::string> trips a false GCC 12 warning here).
template <class T>
struct Maybe {
  bool set = false;
  T value{};
  Maybe() = default;
  Maybe(std::nullopt_t) {}
  template <class U>
  Maybe(U&& v) : set(true), value(std::forward<U>(v)) {}
  template <class U>
  Maybe& operator=(U&& v) {
    set = true;
    value = std::forward<U>(v);
    return *this;
  }
  void reset() { set = false; }
  explicit operator bool() const { return set; }
  const T& operator*() const { return value; }
};

class FakeSystemServices : public SystemServices {
 public:
  bool raise = false;
  Maybe<std::string> computerName = "PC01", userName = "clerk1", netUser = "clerk1";
  Maybe<MemoryStatus> memory = MemoryStatus{512ull << 20, 1024ull << 20};
  LocalTime now{2007, 3, 9, 8, 5, 1};
  Maybe<std::string> documents, windowsDir, systemDir, lanGroup, hostName = "pc01";
  Maybe<int> joinStatus;
  bool winsock = true;
  std::map<std::string, std::array<std::uint8_t, 4>> hosts;
  std::map<std::string, TimeOfDayInfo> clocks;
  LibraryCall rasEnum = LibraryCall::Ok;
  std::vector<std::pair<std::string, Maybe<std::string>>> rasEntries;  // unset: params fail
  ShareEnumResult shares;
  std::string sharesAskedFor;
  Maybe<std::vector<std::string>> processes;
  std::map<std::string, unsigned> driveTypes;
  std::map<std::string, std::string> fileSystems;
  std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> space;  // root -> free, total
  std::map<std::string, std::string> versionBlocks;
  std::set<std::string> files;
  bool admin = false;
  Maybe<std::vector<std::pair<std::string, std::string>>> packages;

  template <class T>
  bool give(const Maybe<T>& from, T& to) {
    check();
    if (!from) return false;
    to = *from;
    return true;
  }
  void check() const {
    if (raise) throw MrvError("platform failure");
  }

  bool getComputerName(std::string& n) override { return give(computerName, n); }
  bool getUserName(std::string& n) override { return give(userName, n); }
  bool wnetGetUser(std::string& n) override { return give(netUser, n); }
  bool globalMemoryStatus(MemoryStatus& s) override { return give(memory, s); }
  LocalTime getLocalTime() override { return now; }
  bool personalFolder(std::string& p) override { return give(documents, p); }
  bool getWindowsDirectory(std::string& p) override { return give(windowsDir, p); }
  bool getSystemDirectory(std::string& p) override { return give(systemDir, p); }
  bool netWkstaLanGroup(std::string& g) override { return give(lanGroup, g); }
  bool netGetJoinStatus(int& s) override { return give(joinStatus, s); }
  bool startWinsock() override {
    check();
    return winsock;
  }
  bool getHostName(std::string& n) override { return give(hostName, n); }
  bool resolveHost(std::string_view name, std::array<std::uint8_t, 4>& a) override {
    check();
    auto it = hosts.find(std::string(name));
    if (it == hosts.end()) return false;
    a = it->second;
    return true;
  }
  bool netRemoteTod(std::string_view server, TimeOfDayInfo& tod) override {
    check();
    auto it = clocks.find(std::string(server));
    if (it == clocks.end()) return false;
    tod = it->second;
    return true;
  }
  LibraryCall rasEnumEntries(std::vector<std::string>& names) override {
    check();
    for (const auto& e : rasEntries) names.push_back(e.first);
    return rasEnum;
  }
  LibraryCall rasGetEntryDialParams(std::string_view entry, std::string& user) override {
    check();
    for (const auto& e : rasEntries)
      if (e.first == entry) {
        if (!e.second) return LibraryCall::Failed;
        user = *e.second;
        return LibraryCall::Ok;
      }
    return LibraryCall::Failed;
  }
  ShareEnumResult enumerateShares(std::string_view server) override {
    check();
    sharesAskedFor = server;
    return shares;
  }
  bool processNames(std::vector<std::string>& n) override { return give(processes, n); }
  unsigned getDriveType(std::string_view root) override {
    check();
    auto it = driveTypes.find(std::string(root));
    return it == driveTypes.end() ? kDriveNoRootDir : it->second;
  }
  bool volumeFileSystem(std::string_view root, std::string& fs) override {
    check();
    auto it = fileSystems.find(std::string(root));
    if (it == fileSystems.end()) return false;
    fs = it->second;
    return true;
  }
  bool diskFreeSpace(std::string_view root, std::uint64_t& f, std::uint64_t& t) override {
    check();
    auto it = space.find(std::string(root));
    if (it == space.end()) return false;
    f = it->second.first;
    t = it->second.second;
    return true;
  }
  bool getFileVersionInfo(const std::string& path, std::string& block) override {
    check();
    versionAskedFor = path;
    auto it = versionBlocks.find(path);
    if (it == versionBlocks.end()) return false;
    block = it->second;
    return true;
  }
  std::string versionAskedFor;
  bool fileExists(const std::string& path) override {
    check();
    return files.count(path) > 0 || fileContents.count(path) > 0;
  }
  std::map<std::string, LocalTime> fileTimes;
  bool fileLastWriteTime(const std::string& path, LocalTime& time) override {
    check();
    auto it = fileTimes.find(path);
    if (it == fileTimes.end()) return false;
    time = it->second;
    return true;
  }
  std::map<std::string, std::string> fileContents;  // readFile answers; also exist
  bool readFile(const std::string& path, std::string& bytes, std::size_t) override {
    check();
    auto it = fileContents.find(path);
    if (it == fileContents.end()) return false;
    bytes = it->second;
    return true;
  }
  bool isUserAnAdmin() override {
    check();
    return admin;
  }
  std::uint32_t ticks = 0;
  std::uint32_t getTickCount() override { return ticks; }
  bool installedPackages(std::vector<std::pair<std::string, std::string>>& p) override { return give(packages, p); }
};

}  // namespace mrv::test
