#pragma once
// An exclusive lock between processes (and PCs sharing a folder) on a small lock file beside the file
// it guards. The lock file is created when missing and never removed: removing it would let a
// writer that still waits lock a file nobody else sees.
#include <cstdint>
#include <string>

namespace mrv {

class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Waits up to `timeoutMs` for the lock on `lockPath`. False when the lock file cannot be opened
  // (it is not a regular file, it is a link, no access) or another holder kept it that long; `why`
  // (when given) then says which, in Japanese.
  bool acquire(const std::string& lockPath, int timeoutMs, std::string* why = nullptr);
  void release();
  bool held() const { return handle_ != kNoHandle; }

 private:
  static constexpr std::intptr_t kNoHandle = -1;
  std::intptr_t handle_ = kNoHandle;
};

}  // namespace mrv
