// CP932 conversion with the Windows code-page API; files through the Win32 file calls, replaced
// with MoveFileEx so a reader never sees half a record.
#include <windows.h>

#include <atomic>

#include "platform/Encoding.h"

namespace mrv {

namespace {
constexpr UINT kCp932 = 932;

std::wstring widen(std::string_view s, UINT cp, DWORD flags) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string narrow(const std::wstring& w, UINT cp) {
  if (w.empty()) return {};
  BOOL usedDefault = FALSE;
  const char def = '?';
  const bool cp932 = cp == kCp932;
  const int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, cp932 ? &def : nullptr,
                                    cp932 ? &usedDefault : nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, cp932 ? &def : nullptr,
                      cp932 ? &usedDefault : nullptr);
  return s;
}

std::wstring wpath(const std::string& utf8) { return widen(utf8, CP_UTF8, 0); }

bool writeAll(HANDLE h, const std::string& data) {
  DWORD written = 0;
  return WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
}
}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
  // invalid UTF-8 becomes U+FFFD here, which CP932 cannot hold either: "?"
  return narrow(widen(utf8, CP_UTF8, 0), kCp932);
}

std::string ansiToUtf8(std::string_view ansi) { return narrow(widen(ansi, kCp932, 0), CP_UTF8); }

bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines) {
  std::string utf8;
  for (const auto& l : lines) utf8 += l + "\r\n";
  return writeFileAtomic(path, utf8ToAnsi(utf8));
}

bool writeFileAtomic(const std::string& path, const std::string& bytes) {
  static std::atomic<unsigned> serial{0};
  const std::string tmp =
      path + ".~" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".tmp";
  HANDLE h = CreateFileW(wpath(tmp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = writeAll(h, bytes) && FlushFileBuffers(h);
  CloseHandle(h);
  if (!ok || !MoveFileExW(wpath(tmp).c_str(), wpath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(wpath(tmp).c_str());
    return false;
  }
  return true;
}

bool appendAnsiLine(const std::string& path, std::string_view line) {
  HANDLE h = CreateFileW(wpath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = writeAll(h, utf8ToAnsi(std::string(line) + "\r\n"));
  CloseHandle(h);
  return ok;
}

}  // namespace mrv
