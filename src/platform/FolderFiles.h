#pragma once
// Plain file access for commands that work over a whole folder: listing it and reading files as
// bytes. Paths and names are UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mrv {

// Names of the entries of a folder that are not folders, in no particular order; false when the
// folder cannot be listed.
bool listFileNames(const std::string& folder, std::vector<std::string>& names);

// Why a file was not read.
enum class FileRefusal {
  None,        // read
  Missing,     // nothing at the path
  Folder,      // a folder
  NotRegular,  // a pipe, a device or a socket: never opened for reading, so it cannot block the run
  Link,        // a symbolic link (or, on Windows, another reparse point) where a link is refused
  TooLarge,    // over the size limit
  Unreadable,  // the system refused it (no access, an I/O error, ...)
};
enum class LinkRule { Follow, Refuse };

// Reads a whole regular file through one handle, opened without waiting (a pipe with no writer or
// a device is refused, never waited on), so a file replaced meanwhile is read wholly old or wholly
// new. A file larger than `maxBytes` is refused before it is read, and so is one that grows past
// it while it is read. With LinkRule::Refuse a link at the path is refused instead of followed.
// With `firstBytes`, only that many bytes from the start are read (a file's head).
FileRefusal readRegularFile(const std::string& path, std::uint64_t maxBytes, LinkRule links, std::string& bytes,
                            std::size_t firstBytes = SIZE_MAX);
// Reads files of one folder by name under the rules of readRegularFile. Where the system allows,
// the folder is opened once and each file is opened relative to it, so a folder of many files is
// not looked up again for each one. read() may be called from several threads at once.
class FolderReader {
 public:
  explicit FolderReader(std::string folder);
  ~FolderReader();
  FolderReader(const FolderReader&) = delete;
  FolderReader& operator=(const FolderReader&) = delete;
  FileRefusal read(const std::string& name, std::uint64_t maxBytes, LinkRule links, std::string& bytes) const;

 private:
  std::string folder_;
  std::intptr_t handle_ = -1;  // the open folder, where the system has one
};
// The refusal in words, for the user's messages ("通常のファイルではありません", ...).
std::string fileRefusalText(FileRefusal refusal, std::uint64_t maxBytes);

// Records and lists are small: a file beside them larger than this is not one.
inline constexpr std::uint64_t kMaxFolderFileBytes = 16u << 20;
// The whole content of a regular file of the folder (no link, at most kMaxFolderFileBytes); false
// when it cannot be read.
bool readFileBytes(const std::string& path, std::string& bytes);
// Whether a regular file is at the path (a link to one counts); false for a folder, a device or nothing.
bool isRegularFile(const std::string& path);
// The size and last-write time of a file as one text: a file whose stamp is unchanged has not
// been written since (as far as a folder on a file server can tell). False when there is no file.
bool fileStamp(const std::string& path, std::string& stamp);
// Joins a folder and a file name with the system's separator (none added when the folder ends in one).
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace mrv
