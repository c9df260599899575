// Regular files only, on POSIX: opened with O_NONBLOCK (a FIFO without a writer or a device answers
// at once, and is then refused by its type), O_NOFOLLOW where links are refused, and read through
// the one descriptor whose type and size were checked.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string_view>
#include <thread>

#include "platform/FileLock.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {

// Why a file could not be opened; `statTarget` tells whether something is where a link leads.
template <typename StatTarget>
FileRefusal openFailure(int error, LinkRule links, StatTarget statTarget) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileRefusal::Missing;
    case ELOOP:
      // a link that leads nowhere cannot be opened either way: it is no link to refuse
      return links == LinkRule::Refuse && statTarget() ? FileRefusal::Link : FileRefusal::Unreadable;
    case ENXIO:  // a socket, or a device without its driver
      return FileRefusal::NotRegular;
    default:
      return FileRefusal::Unreadable;
  }
}

int openFlags(LinkRule links) {
  return O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
}

// Reads the opened file through its descriptor, which it closes.
FileRefusal readOpened(int fd, std::uint64_t maxBytes, std::string& bytes, std::size_t firstBytes) {
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return FileRefusal::Unreadable;
  if (S_ISDIR(st.st_mode)) return FileRefusal::Folder;
  if (!S_ISREG(st.st_mode)) return FileRefusal::NotRegular;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return FileRefusal::TooLarge;
  const auto size = static_cast<std::size_t>(st.st_size);
  // Read straight into the text, one byte more than the size seen: a read that comes back short
  // with the whole size has met the end, and no second read is needed to learn it.
  bytes.clear();
  if (firstBytes == 0) return FileRefusal::None;
  bytes.resize(size < firstBytes ? size + 1 : firstBytes);
  std::size_t got = 0;
  while (got < firstBytes) {
    if (got == bytes.size()) bytes.resize(std::min(firstBytes, bytes.size() + std::max<std::size_t>(bytes.size(), 1 << 16)));
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      return FileRefusal::Unreadable;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
    if (got > maxBytes) {  // it grew while it was read
      bytes.clear();
      return FileRefusal::TooLarge;
    }
    if (got == size && got < bytes.size()) break;
  }
  bytes.resize(got);
  return FileRefusal::None;
}

}  // namespace

FileRefusal readRegularFile(const std::string& path, std::uint64_t maxBytes, LinkRule links, std::string& bytes,
                            std::size_t firstBytes) {
  const int fd = ::open(path.c_str(), openFlags(links));
  if (fd < 0) {
    return openFailure(errno, links, [&path] {
      struct stat target {};
      return ::stat(path.c_str(), &target) == 0;
    });
  }
  return readOpened(fd, maxBytes, bytes, firstBytes);
}

bool listFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  struct DirCloser {
    DIR* d;
    ~DirCloser() { ::closedir(d); }
  } closer{dir};
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir);
    if (!e) return errno == 0;
    const std::string_view name(e->d_name);
    if (name == "." || name == ".." || e->d_type == DT_DIR) continue;
    // anything but a folder: a link is followed to see what it is, and one that leads nowhere is
    // kept, as a file that cannot be opened must be noticed, not passed over
    if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
      struct stat st {};
      if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) continue;
    }
    entries.push_back({std::string(name), e->d_type == DT_REG});
  }
}

bool listFileNames(const std::string& folder, std::vector<std::string>& names) {
  std::vector<FolderEntry> entries;
  names.clear();
  if (!listFolderEntries(folder, entries)) return false;
  names.reserve(entries.size());
  for (auto& e : entries) names.push_back(std::move(e.name));
  return true;
}

FolderReader::FolderReader(std::string folder) : folder_(std::move(folder)) {
  const int fd = ::open(folder_.empty() ? "." : folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) handle_ = fd;
}

FolderReader::~FolderReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

FileRefusal FolderReader::read(const std::string& name, std::uint64_t maxBytes, LinkRule links,
                               std::string& bytes) const {
  // a name is a name in the folder: anything with a separator is looked up as a path
  if (handle_ < 0 || name.empty() || name.find('/') != std::string::npos)
    return readRegularFile(joinPath(folder_, name), maxBytes, links, bytes);
  const int dir = static_cast<int>(handle_);
  const int fd = ::openat(dir, name.c_str(), openFlags(links));
  if (fd < 0) {
    return openFailure(errno, links, [dir, &name] {
      struct stat target {};
      return ::fstatat(dir, name.c_str(), &target, 0) == 0;
    });
  }
  return readOpened(fd, maxBytes, bytes, SIZE_MAX);
}

bool FileLock::acquire(const std::string& lockPath, int timeoutMs, std::string* why) {
  release();
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (why) *why = fd < 0 && errno != ELOOP ? "ロックファイルを開けません" : "ロックファイルが通常のファイルではありません";
    if (fd >= 0) ::close(fd);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto pause = std::chrono::milliseconds(2);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      handle_ = fd;
      return true;
    }
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      if (why) *why = errno == EWOULDBLOCK ? "他の保存が終わりません" : "ロックできません";
      ::close(fd);
      return false;
    }
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(100)) pause *= 2;
  }
}

void FileLock::release() {
  if (handle_ == kNoHandle) return;
  ::close(static_cast<int>(handle_));  // closing the descriptor lets the lock go
  handle_ = kNoHandle;
}

}  // namespace mrv
