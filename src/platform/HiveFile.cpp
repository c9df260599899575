#include "platform/HiveFile.h"

#include <cstdint>
#include <filesystem>

#include "base/Utf8Path.h"
#include "platform/FolderFiles.h"

namespace fs = std::filesystem;

namespace mrv {

namespace {

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kBaseBlock = 0x1000;

}  // namespace

std::string hiveFileProblem(const std::string& path) {
  std::error_code ec;
  const fs::path file = pathFromUtf8(path);
  const fs::file_status st = fs::status(file, ec);
  if (ec || !fs::exists(st)) return "the file does not exist";
  if (fs::is_directory(st)) return "it is a folder, not a hive file";
  // the head through a handle that never waits: a FIFO or a device is refused, not read
  std::string head;
  const FileRefusal refusal = readRegularFile(path, UINT64_MAX, LinkRule::Follow, head, kBaseBlock);
  if (refusal == FileRefusal::NotRegular) return "it is not a regular file (a device, pipe or socket is never read)";
  if (refusal != FileRefusal::None) return "the file cannot be read";
  const auto size = fs::file_size(file, ec);
  if (ec) return "its size cannot be read";
  if (size == 0) return "the file is empty";
  const std::size_t got = head.size();
  if (got < 4 || head.compare(0, 4, "regf") != 0) return "it is not a registry hive file";
  if (got < kBaseBlock) return "the file is truncated (" + std::to_string(size) + " bytes)";
  const auto* p = reinterpret_cast<const unsigned char*>(head.data());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < 0x1FC; i += 4) sum ^= le32(p + i);
  if (sum != le32(p + 0x1FC)) return "its header is damaged (bad checksum)";
  if (le32(p + 0x14) != 1) return "its format version " + std::to_string(le32(p + 0x14)) + " is not supported";
  const std::uint64_t needed = kBaseBlock + static_cast<std::uint64_t>(le32(p + 0x28));
  if (needed > size || size < 2 * kBaseBlock)
    return "the file is truncated (" + std::to_string(size) + " of " + std::to_string(needed) + " bytes)";
  return {};
}

bool looksLikeHiveFile(const std::string& path) {
  std::string magic;
  return readRegularFile(path, UINT64_MAX, LinkRule::Follow, magic, 4) == FileRefusal::None && magic == "regf";
}

}  // namespace mrv
