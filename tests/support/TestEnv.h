#pragma once
// Setting and removing environment variables in a test, on both systems (values are UTF-8).
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mrv::testing {

#ifdef _WIN32
inline std::wstring wideOf(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}
inline void setTestEnv(const std::string& name, const std::string& value) {
  SetEnvironmentVariableW(wideOf(name).c_str(), wideOf(value).c_str());
}
inline void unsetTestEnv(const std::string& name) { SetEnvironmentVariableW(wideOf(name).c_str(), nullptr); }
#else
inline void setTestEnv(const std::string& name, const std::string& value) { ::setenv(name.c_str(), value.c_str(), 1); }
inline void unsetTestEnv(const std::string& name) { ::unsetenv(name.c_str()); }
#endif

// True when the expected files of the byte-for-byte tests are to be rewritten from what the code
// writes now (after a deliberate change; review the diff before committing):
//     MERVANA_UPDATE_EXPECTED=1 ctest --test-dir build
inline bool updateExpectedFiles() {
  const char* v = std::getenv("MERVANA_UPDATE_EXPECTED");
  return v && v[0] == '1';
}

}  // namespace mrv::testing
