// The system service on Windows: the calls the probes name, made directly. Libraries the probes
// load at run time (netapi32.dll, rasapi32.dll, shell32.dll export 680) are loaded per call here
// too, so a system without them answers with the probes' failure texts instead of not starting.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WINSOCK_DEPRECATED_NO_WARNINGS
#define _WINSOCK_DEPRECATED_NO_WARNINGS  // gethostbyname is the call the probe names
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <lm.h>
#include <ras.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winnetwk.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/SystemServicesNative.h"

#ifdef _MSC_VER
#pragma comment(lib, "ws2_32.lib")
#pragma comment(lib, "mpr.lib")
#pragma comment(lib, "version.lib")
#pragma comment(lib, "shell32.lib")
#pragma comment(lib, "ole32.lib")
#pragma comment(lib, "advapi32.lib")
#endif

namespace mrv {

namespace {

std::wstring wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const wchar_t* text) {
  if (!text || !*text) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return {};
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

// A library loaded for one call and freed afterwards.
class Library {
 public:
  explicit Library(const wchar_t* name) : h_(LoadLibraryW(name)) {}
  ~Library() {
    if (h_) FreeLibrary(h_);
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;
  explicit operator bool() const { return h_ != nullptr; }
  template <class F>
  F get(const char* name) const {
    return h_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(h_, name))) : nullptr;
  }

 private:
  HMODULE h_;
};

using NetWkstaGetInfoFn = NET_API_STATUS(WINAPI*)(LPWSTR, DWORD, LPBYTE*);
using NetGetJoinInformationFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPWSTR*, PNETSETUP_JOIN_STATUS);
using NetRemoteTODFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPBYTE*);
using NetApiBufferFreeFn = NET_API_STATUS(WINAPI*)(LPVOID);
using RasEnumEntriesFn = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, LPRASENTRYNAMEW, LPDWORD, LPDWORD);
using RasGetEntryDialParamsFn = DWORD(WINAPI*)(LPCWSTR, LPRASDIALPARAMSW, LPBOOL);
using IsUserAnAdminFn = BOOL(WINAPI*)();

// Wine's NetRemoteTOD is a stub that ends the process; under Wine (its ntdll exports
// wine_get_version) the call is treated as failing, as on a machine whose server does not answer.
bool runningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

class Win32SystemServices : public SystemServices {
 public:
  bool getComputerName(std::string& name) override {
    wchar_t buf[256];
    DWORD size = 256;
    if (!GetComputerNameW(buf, &size)) return false;
    name = narrow(buf);
    return utf8ToAnsi(name).size() <= 15;  // GetComputerNameA's room of 16 characters
  }

  bool getUserName(std::string& name) override {
    wchar_t buf[257];
    DWORD size = 257;
    if (!GetUserNameW(buf, &size)) return false;
    name = narrow(buf);
    return true;
  }

  bool wnetGetUser(std::string& name) override {
    wchar_t buf[1024];
    DWORD size = 1024;
    if (WNetGetUserW(nullptr, buf, &size) != NO_ERROR) return false;
    name = narrow(buf);
    return true;
  }

  // GlobalMemoryStatusEx: the plain call stops at 4 GB.
  bool globalMemoryStatus(MemoryStatus& status) override {
    MEMORYSTATUSEX m{};
    m.dwLength = sizeof m;
    if (!GlobalMemoryStatusEx(&m)) return false;
    status.totalPhys = m.ullTotalPhys;
    status.totalPageFile = m.ullTotalPageFile;
    return true;
  }

  LocalTime getLocalTime() override {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

  bool personalFolder(std::string& path) override {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &pidl)) || !pidl) return false;
    wchar_t buf[MAX_PATH] = {};
    const BOOL ok = SHGetPathFromIDListW(pidl, buf);
    CoTaskMemFree(pidl);
    if (!ok) return false;
    path = narrow(buf);
    return true;
  }

  bool getWindowsDirectory(std::string& path) override {
    wchar_t buf[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    path = narrow(buf);
    return true;
  }

  bool getSystemDirectory(std::string& path) override {
    wchar_t buf[MAX_PATH];
    const UINT n = GetSystemDirectoryW(buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return false;
    path = narrow(buf);
    return true;
  }

  bool netWkstaLanGroup(std::string& group) override {
    Library lib(L"netapi32.dll");
    auto info = lib.get<NetWkstaGetInfoFn>("NetWkstaGetInfo");
    auto release = lib.get<NetApiBufferFreeFn>("NetApiBufferFree");
    if (!info || !release) return false;
    LPBYTE buf = nullptr;
    if (info(nullptr, 100, &buf) != NERR_Success || !buf) return false;
    group = narrow(reinterpret_cast<WKSTA_INFO_100*>(buf)->wki100_langroup);
    release(buf);
    return true;
  }

  bool netGetJoinStatus(int& status) override {
    Library lib(L"netapi32.dll");
    auto join = lib.get<NetGetJoinInformationFn>("NetGetJoinInformation");
    auto release = lib.get<NetApiBufferFreeFn>("NetApiBufferFree");
    if (!join || !release) return false;
    LPWSTR name = nullptr;
    NETSETUP_JOIN_STATUS s = NetSetupUnknownStatus;
    if (join(nullptr, &name, &s) != NERR_Success) return false;
    if (name) release(name);
    status = static_cast<int>(s);
    return true;
  }

  // WinSock stays started for the rest of the process.
  bool startWinsock() override {
    if (winsockStarted_) return true;
    WSADATA data{};
    winsockStarted_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    return winsockStarted_;
  }

  bool getHostName(std::string& name) override {
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return false;
    name = ansiToUtf8(buf);
    return true;
  }

  bool resolveHost(std::string_view name, std::array<std::uint8_t, 4>& address) override {
    const std::wstring wname = wide(name);
    ADDRINFOW hints{};
    hints.ai_family = AF_INET;
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(wname.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
    bool ok = false;
    for (const ADDRINFOW* a = found; a; a = a->ai_next) {
      if (a->ai_family != AF_INET || !a->ai_addr) continue;
      const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
      const auto* bytes = reinterpret_cast<const std::uint8_t*>(&in->sin_addr);
      for (std::size_t i = 0; i < 4; ++i) address[i] = bytes[i];
      ok = true;
      break;
    }
    FreeAddrInfoW(found);
    return ok;
  }

  bool netRemoteTod(std::string_view server, TimeOfDayInfo& tod) override {
    if (runningUnderWine()) return false;
    Library lib(L"netapi32.dll");
    auto remote = lib.get<NetRemoteTODFn>("NetRemoteTOD");
    auto release = lib.get<NetApiBufferFreeFn>("NetApiBufferFree");
    if (!remote || !release) return false;
    const std::wstring name = wide(server);
    LPBYTE buf = nullptr;
    if (remote(name.empty() ? nullptr : name.c_str(), &buf) != NERR_Success || !buf) return false;
    const auto* t = reinterpret_cast<const TIME_OF_DAY_INFO*>(buf);
    tod = {static_cast<int>(t->tod_year), static_cast<int>(t->tod_month), static_cast<int>(t->tod_day),
           static_cast<int>(t->tod_hours), static_cast<int>(t->tod_mins), static_cast<int>(t->tod_secs)};
    release(buf);
    return true;
  }

  LibraryCall rasEnumEntries(std::vector<std::string>& entryNames) override {
    Library lib(L"rasapi32.dll");
    if (!lib) return LibraryCall::LibraryMissing;
    auto enumEntries = lib.get<RasEnumEntriesFn>("RasEnumEntriesW");
    if (!enumEntries) return LibraryCall::FunctionMissing;
    std::vector<RASENTRYNAMEW> entries(100);
    entries[0].dwSize = sizeof(RASENTRYNAMEW);
    DWORD bytes = static_cast<DWORD>(entries.size() * sizeof(RASENTRYNAMEW)), count = 0;
    if (enumEntries(nullptr, nullptr, entries.data(), &bytes, &count) != 0) return LibraryCall::Failed;
    entryNames.clear();
    for (DWORD i = 0; i < count && i < entries.size(); ++i) entryNames.push_back(narrow(entries[i].szEntryName));
    return LibraryCall::Ok;
  }

  LibraryCall rasGetEntryDialParams(std::string_view entryName, std::string& userName) override {
    Library lib(L"rasapi32.dll");
    if (!lib) return LibraryCall::LibraryMissing;
    auto dialParams = lib.get<RasGetEntryDialParamsFn>("RasGetEntryDialParamsW");
    if (!dialParams) return LibraryCall::FunctionMissing;
    RASDIALPARAMSW params{};
    params.dwSize = sizeof params;
    const std::wstring name = wide(entryName);
    lstrcpynW(params.szEntryName, name.c_str(), RAS_MaxEntryName + 1);
    BOOL passwordSaved = FALSE;
    if (dialParams(nullptr, &params, &passwordSaved) != 0) return LibraryCall::Failed;
    userName = narrow(params.szUserName);
    return LibraryCall::Ok;
  }

  ShareEnumResult enumerateShares(std::string_view server) override {
    ShareEnumResult r;
    std::wstring remote = wide(server);
    std::wstring provider = L"Microsoft Windows Network";
    NETRESOURCEW start{};
    start.dwScope = RESOURCE_GLOBALNET;
    start.dwType = RESOURCETYPE_DISK;
    start.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
    start.dwUsage = RESOURCEUSAGE_CONTAINER;
    start.lpRemoteName = remote.data();
    start.lpProvider = provider.data();
    HANDLE h = nullptr;
    r.openCode = WNetOpenEnumW(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &start, &h);
    if (r.openCode != NO_ERROR) return r;
    // The first batch decides the outcome; later batches only add entries.
    std::vector<std::uint64_t> buffer(16384 / sizeof(std::uint64_t));  // NETRESOURCEW holds pointers
    for (bool first = true;; first = false) {
      DWORD count = static_cast<DWORD>(-1);
      DWORD size = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
      const DWORD code = WNetEnumResourceW(h, &count, buffer.data(), &size);
      if (code != NO_ERROR) {
        if (first) r.enumCode = code;
        break;
      }
      const auto* items = reinterpret_cast<const NETRESOURCEW*>(buffer.data());
      for (DWORD i = 0; i < count; ++i) r.remoteNames.push_back(narrow(items[i].lpRemoteName));
    }
    WNetCloseEnum(h);
    return r;
  }

  bool processNames(std::vector<std::string>& names) override {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    names.clear();
    for (BOOL more = Process32FirstW(snap, &e); more; more = Process32NextW(snap, &e)) names.push_back(narrow(e.szExeFile));
    CloseHandle(snap);
    return true;
  }

  unsigned getDriveType(std::string_view rootPath) override { return GetDriveTypeW(wide(rootPath).c_str()); }

  bool volumeFileSystem(std::string_view rootPath, std::string& fileSystemName) override {
    wchar_t fs[256] = {};
    if (!GetVolumeInformationW(wide(rootPath).c_str(), nullptr, 0, nullptr, nullptr, nullptr, fs, 256)) return false;
    fileSystemName = narrow(fs);
    return true;
  }

  bool diskFreeSpace(std::string_view rootPath, std::uint64_t& freeBytes, std::uint64_t& totalBytes) override {
    ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
    if (!GetDiskFreeSpaceExW(wide(rootPath).c_str(), &freeToCaller, &total, &totalFree)) return false;
    freeBytes = freeToCaller.QuadPart;
    totalBytes = total.QuadPart;
    return true;
  }

  bool getFileVersionInfo(const std::string& path, std::string& block) override {
    const std::wstring name = wide(path);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0) return false;
    block.assign(size, '\0');
    return GetFileVersionInfoW(name.c_str(), 0, size, block.data()) != 0;
  }

  bool fileExists(const std::string& path) override {
    const DWORD attrs = GetFileAttributesW(wide(path).c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
  }

  bool fileLastWriteTime(const std::string& path, LocalTime& time) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME st;
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToSystemTime(&local, &st))
      return false;
    time = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    return true;
  }

  bool readFile(const std::string& path, std::string& bytes, std::size_t maxBytes) override {
    std::ifstream in(std::filesystem::path(wide(path)), std::ios::binary);
    if (!in) return false;
    bytes.clear();
    char buf[65536];
    while (in && bytes.size() < maxBytes) {
      in.read(buf, static_cast<std::streamsize>(std::min<std::size_t>(sizeof buf, maxBytes - bytes.size())));
      bytes.append(buf, static_cast<std::size_t>(in.gcount()));
    }
    return !in.bad();
  }

  bool isUserAnAdmin() override {
    Library lib(L"shell32.dll");
    auto isAdmin = lib.get<IsUserAnAdminFn>(MAKEINTRESOURCEA(680));
    return isAdmin ? isAdmin() != FALSE : true;
  }

  std::uint32_t getTickCount() override { return GetTickCount(); }

  // Windows keeps its programs in the registry.
  bool installedPackages(std::vector<std::pair<std::string, std::string>>&) override { return false; }

 private:
  bool winsockStarted_ = false;
};

}  // namespace

std::unique_ptr<SystemServices> openNativeSystemServices(std::string&) {
  return std::make_unique<Win32SystemServices>();
}

}  // namespace mrv
