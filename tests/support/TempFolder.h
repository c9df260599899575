#pragma once
// The tests' temporary folder: a new folder of its own in the system's temporary folder (created
// with a random name, never one that is there already), removed with everything in it at the end.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace mrv::test {

class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && path.empty() && !ec; ++attempt) {
      char name[40];
      std::snprintf(name, sizeof name, "mervana-test-%016llx", static_cast<unsigned long long>(random()));
      if (std::filesystem::create_directory(base / name, ec) && !ec) path = base / name;
    }
    EXPECT_FALSE(path.empty()) << "no temporary folder could be made in " << base.string();
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string file(const std::string& name) const { return (path / name).string(); }
  std::string operator/(const std::string& name) const { return file(name); }
  // Writes the bytes as they stand into a file of the folder; its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path / name, std::ios::binary) << bytes;
    return file(name);
  }
#if !defined(_WIN32)
  std::string fifo(const std::string& name) const {
    EXPECT_EQ(::mkfifo(file(name).c_str(), 0600), 0) << file(name);
    return file(name);
  }
#endif
  std::string link(const std::string& name, const std::string& target) const {
    std::filesystem::create_symlink(target, path / name);
    return file(name);
  }

  std::filesystem::path path;
};

}  // namespace mrv::test
