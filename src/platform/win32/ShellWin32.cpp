// ShellExecute "open" for documents; CreateProcess for programs, with the command line quoted so
// that paths with blanks stay whole. Neither waits.
#include <windows.h>
#include <shellapi.h>

#include "platform/Shell.h"

namespace mrv {

namespace {
std::wstring widen(const std::string& s) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  for (wchar_t c : arg) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

class WinShell : public Shell {
 public:
  bool openDocument(const std::string& path) override {
    const auto rc = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", widen(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return rc > 32;
  }
  bool startProgram(const std::string& program, const std::vector<std::string>& args) override {
    std::wstring cmd = quoted(widen(program));
    for (const auto& a : args) cmd += L" " + quoted(widen(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(widen(program).c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
      return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
  }
};
}  // namespace

std::unique_ptr<Shell> openNativeShell() { return std::make_unique<WinShell>(); }

}  // namespace mrv
