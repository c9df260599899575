#pragma once
// A file that its folder lists but that cannot be opened for reading. On Linux a dangling symbolic
// link (the tests run as root, who reads a file whatever its permissions); on Windows a file this
// test holds open without sharing, as a program that locks a file does.
#include <filesystem>
#include <system_error>
#ifdef _WIN32
#include <windows.h>
#endif

class UnopenableFile {
 public:
  explicit UnopenableFile(std::filesystem::path path) : path_(std::move(path)) {
#ifdef _WIN32
    handle_ = CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
#else
    std::filesystem::create_symlink(path_.parent_path() / "gone", path_);
#endif
  }
  UnopenableFile(const UnopenableFile&) = delete;
  UnopenableFile& operator=(const UnopenableFile&) = delete;
  ~UnopenableFile() { remove(); }
  // Lets go of it and removes it from its folder.
  void remove() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
#endif
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }

 private:
  std::filesystem::path path_;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#endif
};
