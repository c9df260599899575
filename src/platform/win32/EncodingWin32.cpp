// CP932 conversion with the Windows code-page API; files through the Win32 file calls, replaced
// with MoveFileEx so a reader never sees half a record.
#include <windows.h>


#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "platform/ReplacingFile.h"

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
  // the default character is a NUL-terminated string, not a single char
  static const char def[] = "?";
  const bool cp932 = cp == kCp932;
  const int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, cp932 ? def : nullptr,
                                    cp932 ? &usedDefault : nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, cp932 ? def : nullptr,
                      cp932 ? &usedDefault : nullptr);
  return s;
}

// A character outside the Basic Multilingual Plane (a surrogate pair) is one character that CP932
// cannot hold: one "?", as on every other system, not one per UTF-16 half.
std::wstring pairsAsOneUnknown(std::wstring w) {
  std::wstring out;
  out.reserve(w.size());
  for (std::size_t i = 0; i < w.size(); ++i) {
    const wchar_t c = w[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
      out.push_back(L'?');
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      out.push_back(L'?');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// CP932 bytes to UTF-16 where every byte that does not start a valid character becomes U+FFFD and
// decoding goes on at the next byte (Windows would otherwise map some bad bytes to other
// characters by itself): the same text for the same bytes as on every other system.
// Single bytes Windows maps to private or control characters although Shift-JIS has none there.
bool strayByte(BYTE b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }

std::wstring widenCp932Strict(std::string_view s) {
  if (s.empty()) return {};
  bool stray = false;
  for (std::size_t i = 0; i < s.size() && !stray; ++i) {
    const auto b = static_cast<BYTE>(s[i]);
    if (IsDBCSLeadByteEx(kCp932, b))
      ++i;
    else
      stray = strayByte(b);
  }
  if (!stray &&
      MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0) > 0)
    return widen(s, kCp932, MB_ERR_INVALID_CHARS);
  std::wstring out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<BYTE>(s[i]);
    const std::size_t len = IsDBCSLeadByteEx(kCp932, b) ? 2 : 1;
    wchar_t w[2];
    const int n = i + len <= s.size() && !(len == 1 && strayByte(b))
                      ? MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, s.data() + i, static_cast<int>(len), w, 2)
                      : 0;
    if (n > 0) {
      out.append(w, static_cast<std::size_t>(n));
      i += len;
    } else {
      out.push_back(static_cast<wchar_t>(0xFFFD));
      ++i;
    }
  }
  return out;
}

std::wstring wpath(const std::string& utf8) { return widen(utf8, CP_UTF8, 0); }

}  // namespace

std::string utf8ToAnsi(std::string_view utf8) {
  // invalid UTF-8 becomes U+FFFD here, which CP932 cannot hold either: "?"
  return narrow(pairsAsOneUnknown(widen(utf8, CP_UTF8, 0)), kCp932);
}

std::string ansiToUtf8(std::string_view ansi) { return narrow(widenCp932Strict(ansi), CP_UTF8); }

// The system's own text for an error code, in the system's language.
std::string systemErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring text = n && buf ? std::wstring(buf, n) : L"error " + std::to_wstring(code);
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
    text.pop_back();
  const int len = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), len, nullptr, nullptr);
  return out;
}

bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines, std::string* why) {
  std::string utf8;
  for (const auto& l : lines) utf8 += l + "\r\n";
  return writeFileAtomic(path, utf8ToAnsi(utf8), why);
}

bool writeFileAtomic(const std::string& path, const std::string& bytes, std::string* why) {
  ReplacingFile file(path);
  file.write(bytes);
  if (file.finish() && file.replaceTarget()) return true;
  if (why) *why = systemErrorText(static_cast<DWORD>(file.errorCode()));
  return false;
}

bool appendAnsiLine(const std::string& path, std::string_view line) {
  // A link (a reparse point) is not followed and only a file on a disk is written: a pipe would
  // block the run, a link would write into whatever file it names.
  HANDLE h = CreateFileW(wpath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    CloseHandle(h);
    return false;
  }
  const std::string bytes = utf8ToAnsi(std::string(line) + "\r\n");
  // One write, so lines of PCs writing at once never interleave.
  DWORD written = 0;
  const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  LARGE_INTEGER end{};
  const bool sized = !ok && written > 0 && GetFileSizeEx(h, &end);
  CloseHandle(h);
  if (sized && end.QuadPart >= static_cast<LONGLONG>(written)) {
    // A full disk took part of the line: cut it off again, so the next line does not start glued to
    // half of this one (an append handle cannot set the end of the file, a second handle can).
    HANDLE cut = CreateFileW(wpath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    LARGE_INTEGER now{};
    if (cut != INVALID_HANDLE_VALUE) {
      if (GetFileSizeEx(cut, &now) && now.QuadPart == end.QuadPart) {
        LARGE_INTEGER start{};
        start.QuadPart = end.QuadPart - written;
        if (SetFilePointerEx(cut, start, nullptr, FILE_BEGIN)) SetEndOfFile(cut);
      }
      CloseHandle(cut);
    }
  }
  return ok;
}

}  // namespace mrv
