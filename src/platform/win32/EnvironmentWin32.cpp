#include <windows.h>

#include <string>

#include "platform/Environment.h"

namespace mrv {

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
