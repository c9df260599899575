#pragma once
// A folder of the fuzz target's own for the inputs that the program reads from files (it reads
// them by path, as it reads them from a share), removed when the target ends.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzsupport {

class FuzzFolder {
 public:
  explicit FuzzFolder(const char* name) {
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";  // memory-backed where there is one: many writes a second
    if (!std::filesystem::is_directory(base, ec)) base = std::filesystem::temp_directory_path();
    path_ = base / (std::string("mrv-") + name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_, ec);
  }
  ~FuzzFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  // Empties the folder and fills it with the given files.
  void reset(const std::vector<std::pair<std::string, std::string_view>>& files) const {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_, ec)) std::filesystem::remove_all(e.path(), ec);
    for (const auto& [name, bytes] : files)
      std::ofstream(path_ / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The parts of an input cut at each `separator`: several files from one input.
inline std::vector<std::string_view> cutInput(std::string_view bytes, std::string_view separator) {
  std::vector<std::string_view> parts;
  for (std::size_t at; (at = bytes.find(separator)) != std::string_view::npos;) {
    parts.push_back(bytes.substr(0, at));
    bytes.remove_prefix(at + separator.size());
  }
  parts.push_back(bytes);
  return parts;
}

}  // namespace fuzzsupport
