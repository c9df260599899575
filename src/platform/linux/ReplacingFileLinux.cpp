// The replacing file on POSIX: a temporary name in the target's folder, fsync, rename, and the
// folder's entry forced to the disk. A long file is sent on to the disk while it is written, so
// that the fsync at the end does not wait for all of it at once, and the long file it replaces is
// freed on a thread of its own.
//
// On a local disk a long file (the aggregated lists, hundreds of megabytes) is written past the
// system's cache (O_DIRECT) once its first megabytes are out: copying every byte into the cache
// cost the aggregation more processor time than reading all the records, and a list is not read
// again at once. Its blocks go to the disk on a thread of their own, so that the caller only
// copies. A file system that refuses such writes, or a network one, keeps the cache.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "platform/ReplacingFile.h"
#include "platform/linux/LocalDisk.h"

namespace mrv {

namespace {
constexpr std::size_t kBufferBytes = 1 << 18;
constexpr std::uint64_t kWriteOutBytes = 8 << 20;
constexpr off_t kFreedInBackgroundBytes = 4 << 20;
// Past this many bytes a file on a local disk is written past the cache, in blocks of
// kDirectBytes aligned to kDirectAlign (a page: every local file system's own unit divides it).
constexpr std::uint64_t kDirectFromBytes = 8 << 20;
constexpr std::size_t kDirectAlign = 4096;
constexpr std::size_t kDirectBytes = 2 << 20;

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

// Turns writing past the cache on or off for the descriptor.
bool setDirect(int fd, bool on) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return false;
  return ::fcntl(fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0;
}

}  // namespace

// Two aligned blocks: the caller fills one while the thread writes the other. Forcing the blocks
// to the disk while they are written (fdatasync on the thread every so many megabytes) was tried:
// the writes waited for it, and the whole took as long as the one fsync at the end.
struct ReplacingFile::DirectWriter {
  explicit DirectWriter(int descriptor) : fd(descriptor), storage(2 * kDirectBytes + kDirectAlign, '\0') {
    const auto at = reinterpret_cast<std::uintptr_t>(storage.data());
    char* const first = storage.data() + (kDirectAlign - at % kDirectAlign) % kDirectAlign;
    blocks[0] = first;
    blocks[1] = first + kDirectBytes;
    thread = std::thread([this] { run(); });
  }
  ~DirectWriter() {
    {
      const std::lock_guard<std::mutex> lock(m);
      stop = true;
    }
    cv.notify_all();
    thread.join();
  }

  // Takes bytes into the block being filled; a full one goes to the thread.
  bool append(const char* p, std::size_t n) {
    while (n > 0) {
      const std::size_t take = std::min(n, kDirectBytes - fill);
      std::memcpy(blocks[current] + fill, p, take);
      fill += take;
      p += take;
      n -= take;
      if (fill == kDirectBytes && !hand(kDirectBytes)) return false;
    }
    return true;
  }

  // Waits until the thread has written all it was given; false (with the system's code) when a
  // write failed.
  bool drain() {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return pendingBytes == 0; });
    return !failed;
  }

  // Writes the bytes of the block being filled and goes back to the cache; the descriptor stays
  // open for the caller.
  bool finish() {
    if (!drain()) return false;
    const std::size_t whole = cached ? 0 : fill - fill % kDirectAlign;
    if (!writeBlock(blocks[current], whole)) return false;
    if (!cached && !setDirect(fd, false)) return fail(errno);
    cached = true;
    if (!writeAll(fd, blocks[current] + whole, fill - whole)) return fail(errno);
    written += fill - whole;
    fill = 0;
    return true;
  }

  const int fd;
  std::uint64_t written = 0;  // bytes this writer wrote
  int error = 0;

 private:
  bool fail(int code) {
    if (!failed) error = code;
    failed = true;
    return false;
  }

  // Gives the filled block to the thread (once it is done with the other) and takes the other.
  bool hand(std::size_t bytes) {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [this] { return pendingBytes == 0; });
    if (failed) return false;
    pending = blocks[current];
    pendingBytes = bytes;
    current ^= 1;
    fill = 0;
    lock.unlock();
    cv.notify_all();
    return true;
  }

  void run() {
    std::unique_lock<std::mutex> lock(m);
    for (;;) {
      cv.wait(lock, [this] { return stop || pendingBytes != 0; });
      if (pendingBytes == 0) return;
      const char* const p = pending;
      const std::size_t n = pendingBytes;
      lock.unlock();
      writeBlock(p, n);  // a failure is kept for the caller
      lock.lock();
      pendingBytes = 0;
      cv.notify_all();
    }
  }

  // Writes past the cache; a block the file system refuses so (EINVAL) goes through the cache,
  // and the rest of the file with it. Called by one thread at a time: the thread, or the caller
  // once it has drained.
  bool writeBlock(const char* p, std::size_t n) {
    while (n > 0) {
      const ssize_t k = ::write(fd, p, n);
      if (k < 0) {
        if (errno == EINTR) continue;
        if (errno != EINVAL || cached || !setDirect(fd, false)) return fail(errno);
        cached = true;
        continue;
      }
      p += k;
      n -= static_cast<std::size_t>(k);
      written += static_cast<std::uint64_t>(k);
    }
    return true;
  }

  std::string storage;
  char* blocks[2] = {nullptr, nullptr};
  int current = 0;        // the block the caller fills
  std::size_t fill = 0;   // bytes in it
  bool cached = false;    // back to writing through the cache
  std::mutex m;
  std::condition_variable cv;
  const char* pending = nullptr;  // the block the thread writes
  std::size_t pendingBytes = 0;
  bool failed = false;
  bool stop = false;
  std::thread thread;
};

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
  if (direct_) {
    if (!direct_->append(bytes.data(), bytes.size())) {
      errno = direct_->error;
      fail();
    }
    return;
  }
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
  if (direct_) {
    if (direct_->append(p, n)) return true;
    errno = direct_->error;
    return false;
  }
  if (!directTried_ && written_ + n >= kDirectFromBytes) {
    // the cache takes the bytes up to a block boundary; the rest, once the file's offset is on one,
    // goes past it
    const std::size_t head = std::min<std::size_t>(n, (kDirectAlign - written_ % kDirectAlign) % kDirectAlign);
    if (!writeAll(fd, p, head)) return false;
    written_ += head;
    if (startDirect()) return writeOut(p + head, n - head);
    p += head;
    n -= head;
  }
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

bool ReplacingFile::startDirect() {
  // a piece too short to reach a block boundary leaves the start to the next one
  if (written_ % kDirectAlign != 0) return false;
  directTried_ = true;
  const int fd = static_cast<int>(handle_);
  if (!onLocalDisk(fd)) return false;
  try {
    direct_ = {new DirectWriter(fd), [](DirectWriter* w) { delete w; }};
  } catch (const std::exception&) {  // no memory or no thread for it: the cache it is
    return false;
  }
  if (setDirect(fd, true)) return true;
  direct_.reset();
  return false;
}

// Writes what the writer holds; the file is written through the cache from here on.
bool ReplacingFile::endDirect() {
  if (!direct_) return true;
  const bool ok = direct_->finish();
  written_ += direct_->written;
  if (!ok) errno = direct_->error;
  direct_.reset();
  return ok;
}

void ReplacingFile::closeHandle() {
  if (!isOpen()) return;
  direct_.reset();  // its thread is done with the descriptor before it is closed
  if (::close(static_cast<int>(handle_)) != 0) fail();
  handle_ = kNoHandle;
}

bool ReplacingFile::finish() {
  if (!isOpen()) return false;
  if (!failed_ && !flushBuffer()) fail();
  if (!failed_ && !endDirect()) fail();
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
