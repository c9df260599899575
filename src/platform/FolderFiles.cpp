#include "platform/FolderFiles.h"

#include <filesystem>

#include "base/Utf8Path.h"

namespace mrv {

namespace fs = std::filesystem;

bool isRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(pathFromUtf8(path), ec);
}

bool fileStamp(const std::string& path, std::string& stamp) {
  std::error_code ec;
  const std::filesystem::path p = pathFromUtf8(path);
  const auto size = std::filesystem::file_size(p, ec);
  if (ec) return false;
  const auto written = std::filesystem::last_write_time(p, ec);
  if (ec) return false;
  stamp = std::to_string(size) + ":" + std::to_string(written.time_since_epoch().count());
  return true;
}

bool readFileBytes(const std::string& path, std::string& bytes) {
  return readRegularFile(path, kMaxFolderFileBytes, LinkRule::Refuse, bytes) == FileRefusal::None;
}

std::string fileRefusalText(FileRefusal refusal, std::uint64_t maxBytes) {
  switch (refusal) {
    case FileRefusal::None:
      return {};
    case FileRefusal::Missing:
      return "ファイルがありません";
    case FileRefusal::Folder:
      return "フォルダです";
    case FileRefusal::NotRegular:
      return "通常のファイルではありません（パイプやデバイスは読みません）";
    case FileRefusal::Link:
      return "リンクです（リンク先は読みません）";
    case FileRefusal::TooLarge:
      return "大きすぎます（上限 " + std::to_string(maxBytes >> 20) + " MB）";
    case FileRefusal::Unreadable:
      break;
  }
  return "読み込めません";
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == static_cast<char>(fs::path::preferred_separator)) return folder + name;
  return folder + static_cast<char>(fs::path::preferred_separator) + name;
}

}  // namespace mrv
