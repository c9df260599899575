#include "platform/SourceFiles.h"

#include "platform/FolderFiles.h"

namespace mrv {

namespace {
bool refused(FileRefusal r, std::uint64_t maxBytes, std::string& why) {
  switch (r) {
    case FileRefusal::None:
      return false;
    case FileRefusal::Missing:
      why = "not found";
      break;
    case FileRefusal::Folder:
      why = "a folder, not a file";
      break;
    case FileRefusal::NotRegular:
    case FileRefusal::Link:
      why = "not a regular file (a device, pipe or socket is never read)";
      break;
    case FileRefusal::TooLarge:
      why = "larger than " + std::to_string(maxBytes >> 20) + " MB";
      break;
    case FileRefusal::Unreadable:
      why = "the file cannot be read";
      break;
  }
  return true;
}
}  // namespace

bool readSourceFile(const std::string& path, std::uint64_t maxBytes, bool (*looksRight)(std::string_view head),
                    std::string& bytes, std::string& why) {
  bytes.clear();
  // the head first, so a wrong file is refused without reading all of it
  if (refused(readRegularFile(path, maxBytes, LinkRule::Follow, bytes, kSourceHeadBytes), maxBytes, why)) return false;
  if (looksRight && !looksRight(bytes)) {
    bytes.clear();
    why = "its first bytes are not what this entry takes";
    return false;
  }
  return !refused(readRegularFile(path, maxBytes, LinkRule::Follow, bytes), maxBytes, why);
}

}  // namespace mrv
