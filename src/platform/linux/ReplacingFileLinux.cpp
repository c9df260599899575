// The replacing file on POSIX: a temporary name in the target's folder, fsync, rename, and the
// folder's entry forced to the disk. A long file is sent on to the disk while it is written, so
// that the fsync at the end does not wait for all of it at once, and the long file it replaces is
// freed on a thread of its own.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>

#include "platform/ReplacingFile.h"

namespace mrv {

namespace {
constexpr std::size_t kBufferBytes = 1 << 18;
constexpr std::uint64_t kWriteOutBytes = 8 << 20;
constexpr off_t kFreedInBackgroundBytes = 4 << 20;

bool writeAll(int fd, const char* p, std::size_t left) {
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}
}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
  static std::atomic<unsigned> serial{0};
  // a file of its own: a name that is taken (a killed run's file, a link put there) is passed over
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::size_t slash = target_.rfind('/');
    temp_ = (slash == std::string::npos ? std::string() : target_.substr(0, slash + 1)) + ".mrv-" +
            std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".tmp";
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0) {
      handle_ = fd;
      break;
    }
    if (errno != EEXIST) break;
  }
  if (handle_ == kNoHandle) {
    error_ = errno;
    temp_.clear();
  }
  buffer_.reserve(kBufferBytes);
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::write(std::string_view bytes) {
  if (!isOpen() || failed_) return;
  if (bytes.size() < kBufferBytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kBufferBytes && !flushBuffer()) fail();
    return;
  }
  // a long piece goes as it is, after what the buffer holds
  if (!flushBuffer() || !writeOut(bytes.data(), bytes.size())) fail();
}

void ReplacingFile::fail() {
  if (!failed_) error_ = errno;
  failed_ = true;
}

bool ReplacingFile::flushBuffer() {
  const bool ok = writeOut(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

bool ReplacingFile::writeOut(const char* p, std::size_t n) {
  const int fd = static_cast<int>(handle_);
  if (!writeAll(fd, p, n)) return false;
  written_ += n;
#if defined(__linux__)
  // only a start: the fsync in finish() is what makes the file safe, and reports what failed
  if (written_ - writingOut_ >= kWriteOutBytes) {
    ::sync_file_range(fd, static_cast<off_t>(writingOut_), static_cast<off_t>(written_ - writingOut_),
                      SYNC_FILE_RANGE_WRITE);
    writingOut_ = written_;
  }
#endif
  return true;
}

void ReplacingFile::closeHandle() {
  if (!isOpen()) return;
  if (::close(static_cast<int>(handle_)) != 0) fail();
  handle_ = kNoHandle;
}

bool ReplacingFile::finish() {
  if (!isOpen()) return false;
  if (!failed_ && !flushBuffer()) fail();
  if (!failed_ && ::fsync(static_cast<int>(handle_)) != 0) fail();
  closeHandle();
  finished_ = !failed_;
  return finished_;
}

namespace {
// Lets go of the file a rename replaced. The last link of a long file is the rename's longest part
// (the system frees every page of it), so the file is held open across the rename and let go on a
// thread of its own: the caller goes on, and a second list's file is freed beside the first.
void letGoInBackground(int replaced) {
  if (replaced < 0) return;
  struct stat st {};
  if (::fstat(replaced, &st) != 0 || st.st_size < kFreedInBackgroundBytes) {  // a record: at once
    ::close(replaced);
    return;
  }
  try {
    std::thread([replaced] { ::close(replaced); }).detach();
  } catch (const std::system_error&) {
    ::close(replaced);
  }
}
}  // namespace

bool ReplacingFile::replaceTarget() {
  if (!finished_) return false;
  const int replaced = ::open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
    error_ = errno;
    if (replaced >= 0) ::close(replaced);
    return false;
  }
  letGoInBackground(replaced);
  temp_.clear();
  // the rename is only durable once the folder's entry is on the disk
  const std::size_t slash = target_.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : target_.substr(0, slash == 0 ? 1 : slash);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void ReplacingFile::discard() {
  closeHandle();
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  finished_ = false;
}

}  // namespace mrv
