#include <windows.h>
#include <shellapi.h>

#include <string>

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

// A Windows session always has its desktop.
bool DisplayAvailable() { return true; }

void SleepMilliseconds(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace mrv
