#pragma once
// Plain file access for commands that work over a whole folder: listing it and reading files as
// bytes. Paths and names are UTF-8.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Names of the entries of a folder that are not folders, in no particular order; false when the
// folder cannot be listed.
bool listFileNames(const std::string& folder, std::vector<std::string>& names);

// An entry of a folder that is not a folder. `regular`: the listing itself showed a regular file (a
// link, a pipe, a device, or an entry whose kind the listing did not give, is not).
struct FolderEntry {
  std::string name;
  bool regular = false;
};
// listFileNames with each entry's kind as far as the listing gave it.
bool listFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries);

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
  friend class FolderRunReader;
  std::string folder_;
  std::intptr_t handle_ = -1;  // the open folder, where the system has one
};

// Reads many files of one folder in turn under FolderReader::read's rules, for one thread at a
// time. Where the system takes many requests in one call (Linux's io_uring, on a local disk), the
// files the listing showed regular are opened, read and closed a few dozen at a time with one
// call; a file not read so whole (a long one, an empty one, one that failed) is read again by
// FolderReader::read, which says why. Elsewhere each file is read by FolderReader::read.
class FolderRunReader {
 public:
  explicit FolderRunReader(const FolderReader& folder);
  ~FolderRunReader();
  FolderRunReader(const FolderRunReader&) = delete;
  FolderRunReader& operator=(const FolderRunReader&) = delete;

  // Called for each file in the order of the entries: its index among them, why it was not read
  // (None when it was) and its bytes, which last until the call returns.
  using Take = std::function<void(std::size_t index, FileRefusal refusal, std::string_view bytes)>;
  // Reads files[from, to).
  void readEach(const std::vector<FolderEntry>& files, std::size_t from, std::size_t to, std::uint64_t maxBytes,
                LinkRule links, const Take& take);

 private:
  struct Ring;  // the system's request queue, where there is one
  const FolderReader& folder_;
  std::unique_ptr<Ring, void (*)(Ring*)> ring_{nullptr, nullptr};
  std::string bytes_;
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
