#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/Environment.h"

namespace mrv {

namespace {
std::string narrowUtf8(const wchar_t* w) {
  const int len = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  if (len <= 1) return {};
  std::string s(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), len, nullptr, nullptr);
  s.pop_back();  // the terminating NUL
  return s;
}
}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::vector<std::string> args;
  for (int i = 1; i < count; ++i) args.push_back(narrowUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

std::string ProgramFilePath(const char* argv0) {
  wchar_t buf[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
  if (n == 0 || n >= std::size(buf)) return argv0 ? argv0 : "mervana.exe";
  const int len = WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string path(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, buf, static_cast<int>(n), path.data(), len, nullptr, nullptr);
  return path;
}

// A person's session has a visible window station; a service's or a task's that runs whether or not
// anyone is logged on has one that nobody sees, where a window would wait for ever.
bool DisplayAvailable(bool) {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  HWINSTA station = GetProcessWindowStation();
  if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}
bool DisplaySocketAnswers() { return DisplayAvailable(false); }
void CloseDisplayCheck() {}

std::optional<std::string> EnvironmentVariable(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const int wn = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wname(static_cast<std::size_t>(wn), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wname.data(), wn);
  // the size asked first, so a value of any length is taken whole
  SetLastError(0);
  const DWORD size = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(wname.c_str(), value.data(), size);
  if (n == 0 || n >= size) return std::string();
  const int len = WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, value.data(), static_cast<int>(n), out.data(), len, nullptr, nullptr);
  return out;
}

std::optional<std::string> TakeEnvironmentVariable(std::string_view name) {
  auto value = EnvironmentVariable(name);
  if (value) {
    const int wn = MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wname(static_cast<std::size_t>(wn), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), wname.data(), wn);
    SetEnvironmentVariableW(wname.c_str(), nullptr);
  }
  return value;
}

// The Windows build has no separate window program to hand over to.
std::string ExecProgram(const std::string&, const std::string&, const std::vector<std::string>&,
                        const std::vector<std::pair<std::string, std::string>>&) {
  return "この版では使えません";
}

void SleepMilliseconds(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

// Windows fonts need no configuration read ahead.
FontConfigurationReading::FontConfigurationReading() = default;
FontConfigurationReading::~FontConfigurationReading() = default;
void FontConfigurationReading::wait() {}

}  // namespace mrv
