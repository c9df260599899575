#pragma once
// What the system probes ask the machine: one method per Windows call they name, answering as
// that call does (a success flag or the call's result code, and the data it fills). The probes in
// collect/SystemProbes.h turn these answers into the record's texts and failure texts; the room
// rules of the Windows buffers ("room for 16 characters") are applied there, not here.
// A method may also throw MrvError for a failure that the Windows call would have raised.
// Texts are UTF-8. Paths handed in may be Windows paths ("C:\Program Files\x.exe"); an
// implementation that serves an offline Windows installation maps them into it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Sources.h"

namespace mrv {

class RegistryStore;

// GlobalMemoryStatus, in bytes.
struct MemoryStatus {
  std::uint64_t totalPhys = 0;
  std::uint64_t totalPageFile = 0;
};

// GetLocalTime.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// TIME_OF_DAY_INFO of NetRemoteTOD: the fields as the server gives them (Greenwich time).
struct TimeOfDayInfo {
  int year = 0, month = 0, day = 0, hours = 0, mins = 0, secs = 0;
};

// Outcome of a call into a library loaded at run time (rasapi32.dll).
enum class LibraryCall { Ok, LibraryMissing, FunctionMissing, Failed };

// GetDriveTypeA answers.
enum DriveTypeCode : unsigned {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

// WNetOpenEnumA / WNetEnumResourceA over the disk shares of one server.
struct ShareEnumResult {
  std::uint32_t openCode = 0;             // WNetOpenEnumA result (0, 1222 no network, ...)
  std::uint32_t enumCode = 0;             // WNetEnumResourceA result (0, 259 no more items, ...)
  std::vector<std::string> remoteNames;   // lpRemoteName of each entry, in the order returned
};

// Error codes the share enumeration uses.
inline constexpr std::uint32_t kErrorNoNetwork = 1222;
inline constexpr std::uint32_t kErrorNoMoreItems = 259;

// NetGetJoinInformation join status for a domain member (NetSetupDomainName).
inline constexpr int kNetSetupDomainName = 3;

// Who runs the program and when: the computer and user names, the rights, the clock, the memory
// and the running programs.
class SessionServices {
 public:
  virtual ~SessionServices() = default;

  // The computer name as the network knows it. Windows: GetComputerNameA with room for 16
  // characters, so a name longer than 15 bytes fails; Linux: the whole name, never cut.
  virtual bool getComputerName(std::string& name) = 0;
  // GetUserNameA: the login name of the user running the program.
  virtual bool getUserName(std::string& name) = 0;
  // WNetGetUserA for no device: the user name of the network session.
  virtual bool wnetGetUser(std::string& name) = 0;
  // shell32.dll export 680: true when the user is an administrator (also when the export is missing).
  // On Linux: the effective user is root or a member of the group "disk" (who may open the drives).
  virtual bool isUserAnAdmin() = 0;
  virtual LocalTime getLocalTime() = 0;
  // GetTickCount: milliseconds since the system started, 32 bits (wraps).
  virtual std::uint32_t getTickCount() = 0;
  virtual bool globalMemoryStatus(MemoryStatus& status) = 0;
  // CreateToolhelp32Snapshot walk: szExeFile of each process. False when the snapshot fails.
  virtual bool processNames(std::vector<std::string>& names) = 0;
};

// The machine's folders, drives and files, and the packages installed on it.
class FileServices {
 public:
  virtual ~FileServices() = default;

  // SHGetSpecialFolderLocation(CSIDL_PERSONAL) + SHGetPathFromIDList.
  virtual bool personalFolder(std::string& path) = 0;
  // GetWindowsDirectoryA / GetSystemDirectoryA (no trailing backslash).
  virtual bool getWindowsDirectory(std::string& path) = 0;
  virtual bool getSystemDirectory(std::string& path) = 0;
  // GetDriveTypeA of a root path "C:\".
  virtual unsigned getDriveType(std::string_view rootPath) = 0;
  // GetVolumeInformationA: the file system name.
  virtual bool volumeFileSystem(std::string_view rootPath, std::string& fileSystemName) = 0;
  // GetDiskFreeSpaceExA: bytes free to the caller and total bytes.
  virtual bool diskFreeSpace(std::string_view rootPath, std::uint64_t& freeBytes, std::uint64_t& totalBytes) = 0;
  // Whether a file exists (FileExists).
  virtual bool fileExists(const std::string& path) = 0;
  // The time a file was last written, as local time (FileAge); false when there is no such file.
  virtual bool fileLastWriteTime(const std::string& path, LocalTime& time) = 0;
  // Reads a whole file as bytes (at most maxBytes); false when it cannot be read.
  virtual bool readFile(const std::string& path, std::string& bytes, std::size_t maxBytes = 64u << 20) = 0;
  // GetFileVersionInfoSizeA + GetFileVersionInfoA: the file's VS_VERSIONINFO block (Unicode
  // form). False when the file has none (size 0).
  virtual bool getFileVersionInfo(const std::string& path, std::string& block) = 0;
  // The installed packages of a system without a Windows registry ("name", "version"), in the
  // package database's order. False when the system has no package database this knows.
  virtual bool installedPackages(std::vector<std::pair<std::string, std::string>>& packages) = 0;
};

// The machine on the network: its workgroup or domain, host names, a server's clock, shares and
// dial-up entries.
class NetworkServices {
 public:
  virtual ~NetworkServices() = default;

  // NetWkstaGetInfo level 100: wki100_langroup. False when the call fails.
  virtual bool netWkstaLanGroup(std::string& group) = 0;
  // NetGetJoinInformation: the join status (3 = domain). False when the call fails.
  virtual bool netGetJoinStatus(int& status) = 0;
  // WSAStartup(1.1); false when WinSock cannot be started.
  virtual bool startWinsock() = 0;
  // gethostname.
  virtual bool getHostName(std::string& name) = 0;
  // gethostbyname: the first IPv4 address of the name ("" = this computer). False when unresolved.
  virtual bool resolveHost(std::string_view name, std::array<std::uint8_t, 4>& address) = 0;
  // NetRemoteTOD for a server ("\\server", or "" for this computer). False when it fails.
  virtual bool netRemoteTod(std::string_view server, TimeOfDayInfo& tod) = 0;
  // WNetOpenEnumA for the disk shares of `server` ("\\NAME"), one WNetEnumResourceA, WNetCloseEnum.
  virtual ShareEnumResult enumerateShares(std::string_view server) = 0;
  // RasEnumEntriesA for the default phonebook (at most 100 entries, else Failed).
  virtual LibraryCall rasEnumEntries(std::vector<std::string>& entryNames) = 0;
  // RasGetEntryDialParamsA for the default phonebook: the saved user name of an entry.
  virtual LibraryCall rasGetEntryDialParams(std::string_view entryName, std::string& userName) = 0;
};

// All three, as one machine (or one recording of a machine, or an offline installation) answers
// them. The probes take the whole; each group is also a seam of its own.
class SystemServices : public SessionServices, public FileServices, public NetworkServices {
 public:
  ~SystemServices() override = default;
};

}  // namespace mrv
