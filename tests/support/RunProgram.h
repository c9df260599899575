#pragma once
// Starts a program with the platform's own process API (no shell between), its output going to
// files, without a desktop to talk to (DISPLAY and friends removed; on Windows a window station
// nobody sees), and waits for it.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "base/Utf8Path.h"
#include "support/FileBytes.h"

namespace testsupport {

struct RunResult {
  int status = -1;  // the exit status; -1 when the program could not be started or was killed
  std::string out, err;
  double seconds = 0;
};

#ifdef _WIN32
inline std::wstring quoteArgument(const std::wstring& a) {
  if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
  std::wstring q = L"\"";
  std::size_t slashes = 0;
  for (const wchar_t c : a) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
    slashes = 0;
    q.push_back(c);
  }
  q.append(slashes * 2, L'\\');
  return q + L"\"";
}
#endif

#ifdef _WIN32
// "Station\\Desktop" of a window station that nobody sees, with a desktop in it: a program started
// there runs as it would without a person's desktop (a service, a task run while nobody is logged
// on). Made once; both stay open while the test program runs. Empty when it cannot be made.
inline std::wstring hiddenDesktop() {
  static const std::wstring name = [] {
    const std::wstring station = L"MervanaTests" + std::to_wstring(GetCurrentProcessId());
    HWINSTA hidden = CreateWindowStationW(station.c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
    if (!hidden) return std::wstring();
    HWINSTA own = GetProcessWindowStation();
    if (!SetProcessWindowStation(hidden)) return std::wstring();
    HDESK desktop = CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    return desktop ? station + L"\\Default" : std::wstring();
  }();
  return name;
}
#endif

inline RunResult runProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                            const std::filesystem::path& outputDir) {
  const std::filesystem::path out = outputDir / "stdout.txt", err = outputDir / "stderr.txt";
  RunResult r;
  const auto start = std::chrono::steady_clock::now();
#ifdef _WIN32
  std::wstring line = quoteArgument(program.wstring());
  for (const auto& a : args) line += L" " + quoteArgument(mrv::pathFromUtf8(a).wstring());
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  auto create = [&](const std::filesystem::path& p) {
    return CreateFileW(p.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  HANDLE hOut = create(out), hErr = create(err);
  HANDLE hIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = hIn;
  si.hStdOutput = hOut;
  si.hStdError = hErr;
  std::wstring desktop = hiddenDesktop();
  if (!desktop.empty()) si.lpDesktop = desktop.data();
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(pi.hProcess, &code)) r.status = static_cast<int>(code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  for (HANDLE h : {hOut, hErr, hIn})
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
#else
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string v = *e;
    if (v.rfind("DISPLAY=", 0) == 0 || v.rfind("WAYLAND_DISPLAY=", 0) == 0 || v.rfind("QT_QPA_PLATFORM=", 0) == 0)
      continue;
    env.push_back(v);
  }
  std::vector<char*> envp, argv;
  for (auto& v : env) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::string prog = program.string();
  std::vector<std::string> all{prog};
  all.insert(all.end(), args.begin(), args.end());
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  if (posix_spawn(&pid, prog.c_str(), &fa, nullptr, argv.data(), envp.data()) == 0) {
    int ws = 0;
    while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : -1;
  }
  posix_spawn_file_actions_destroy(&fa);
#endif
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.out = slurpFile(out);
  r.err = slurpFile(err);
  return r;
}

}  // namespace testsupport
