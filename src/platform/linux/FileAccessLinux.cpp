// Regular files only, on POSIX: opened with O_NONBLOCK (a FIFO without a writer or a device answers
// at once, and is then refused by its type), O_NOFOLLOW where links are refused, and read through
// the one descriptor whose type and size were checked.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/FileLock.h"
#include "platform/FolderFiles.h"

namespace mrv {

FileRefusal readRegularFile(const std::string& path, std::uint64_t maxBytes, LinkRule links, std::string& bytes,
                            std::size_t firstBytes) {
  const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == LinkRule::Refuse ? O_NOFOLLOW : 0);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) {
    switch (errno) {
      case ENOENT:
      case ENOTDIR:
        return FileRefusal::Missing;
      case ELOOP: {
        // a link that leads nowhere cannot be opened either way: it is no link to refuse
        struct stat target {};
        return links == LinkRule::Refuse && ::stat(path.c_str(), &target) == 0 ? FileRefusal::Link
                                                                               : FileRefusal::Unreadable;
      }
      case ENXIO:  // a socket, or a device without its driver
        return FileRefusal::NotRegular;
      default:
        return FileRefusal::Unreadable;
    }
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return FileRefusal::Unreadable;
  if (S_ISDIR(st.st_mode)) return FileRefusal::Folder;
  if (!S_ISREG(st.st_mode)) return FileRefusal::NotRegular;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return FileRefusal::TooLarge;
  bytes.clear();
  bytes.reserve(std::min(static_cast<std::size_t>(st.st_size), firstBytes));
  char buf[1 << 16];
  for (;;) {
    if (bytes.size() >= firstBytes) break;
    const ssize_t n = ::read(fd, buf, std::min(sizeof buf, firstBytes - bytes.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FileRefusal::Unreadable;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {  // it grew while it was read
      bytes.clear();
      return FileRefusal::TooLarge;
    }
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  return FileRefusal::None;
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
