#pragma once
// The one crossing between the program's UTF-8 texts and file system paths. std::filesystem::path
// made from a plain std::string takes it in the system's narrow code page (code page 932 on a
// Japanese Windows, so a Japanese folder name would become mojibake); these take and give UTF-8 on
// every system. Every text that becomes a path or opens a stream goes through pathFromUtf8.
#include <filesystem>
#include <string>
#include <string_view>

namespace mrv {

// The separator a path text built by the program uses, so that a printed or stored path is not
// half "/" and half "\\".
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

inline std::filesystem::path pathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

}  // namespace mrv
