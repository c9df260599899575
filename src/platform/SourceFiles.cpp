#include "platform/SourceFiles.h"

#include <filesystem>
#include <fstream>

#include "base/Utf8Path.h"

namespace mrv {

bool readSourceFile(const std::string& path, std::uint64_t maxBytes, bool (*looksRight)(std::string_view head),
                    std::string& bytes, std::string& why) {
  namespace fs = std::filesystem;
  const fs::path p = pathFromUtf8(path);
  std::error_code ec;
  const fs::file_status st = fs::status(p, ec);
  if (ec || !fs::exists(st)) {
    why = "not found";
    return false;
  }
  if (fs::is_directory(st)) {
    why = "a folder, not a file";
    return false;
  }
  if (!fs::is_regular_file(st)) {
    why = "not a regular file (a device, pipe or socket is never read)";
    return false;
  }
  const std::uintmax_t size = fs::file_size(p, ec);
  if (ec) {
    why = "the file cannot be read";
    return false;
  }
  if (size > maxBytes) {
    why = "larger than " + std::to_string(maxBytes >> 20) + " MB (" + std::to_string(size >> 20) + " MB)";
    return false;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    why = "the file cannot be read";
    return false;
  }
  bytes.assign(static_cast<std::size_t>(size), '\0');
  const std::size_t head = std::min<std::size_t>(bytes.size(), kSourceHeadBytes);
  in.read(bytes.data(), static_cast<std::streamsize>(head));
  if (static_cast<std::size_t>(in.gcount()) != head) {
    why = "the file cannot be read";
    return false;
  }
  if (looksRight && !looksRight(std::string_view(bytes.data(), head))) {
    bytes.clear();
    why = "its first bytes are not what this entry takes";
    return false;
  }
  in.read(bytes.data() + head, static_cast<std::streamsize>(bytes.size() - head));
  // a file that shrank while it was read keeps what was there
  bytes.resize(head + static_cast<std::size_t>(in.gcount()));
  return true;
}

}  // namespace mrv
