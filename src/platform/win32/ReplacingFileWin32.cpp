// The replacing file on Windows: a temporary name in the target's folder, FlushFileBuffers,
// MoveFileEx over the target.
#include <windows.h>

#include <atomic>

#include "platform/ReplacingFile.h"
#include "platform/win32/MoveOver.h"

namespace mrv {

namespace {
constexpr std::size_t kBufferBytes = 1 << 18;

std::wstring wpath(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
  return w;
}
HANDLE asHandle(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
  static std::atomic<unsigned> serial{0};
  // a file of its own: a name that is taken (a killed run's file, a link put there) is passed over
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::size_t sep = target_.find_last_of("\\/");
    temp_ = (sep == std::string::npos ? std::string() : target_.substr(0, sep + 1)) + ".mrv-" +
            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++) + ".tmp";
    HANDLE h = CreateFileW(wpath(temp_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      handle_ = reinterpret_cast<std::intptr_t>(h);
      break;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (handle_ == kNoHandle) {
    error_ = static_cast<long>(GetLastError());
    temp_.clear();
  }
  buffer_.reserve(kBufferBytes);
}

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::write(std::string_view bytes) {
  if (!isOpen() || failed_) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferBytes && !flushBuffer()) fail();
}

void ReplacingFile::fail() {
  if (!failed_) error_ = static_cast<long>(GetLastError());
  failed_ = true;
}

bool ReplacingFile::flushBuffer() {
  DWORD written = 0;
  const bool ok = buffer_.empty() || (WriteFile(asHandle(handle_), buffer_.data(), static_cast<DWORD>(buffer_.size()),
                                                &written, nullptr) &&
                                      written == buffer_.size());
  buffer_.clear();
  return ok;
}

void ReplacingFile::closeHandle() {
  if (!isOpen()) return;
  if (!CloseHandle(asHandle(handle_))) fail();
  handle_ = kNoHandle;
}

bool ReplacingFile::finish() {
  if (!isOpen()) return false;
  if (!failed_ && !flushBuffer()) fail();
  if (!failed_ && !FlushFileBuffers(asHandle(handle_))) fail();
  closeHandle();
  finished_ = !failed_;
  return finished_;
}

bool ReplacingFile::replaceTarget() {
  if (!finished_) return false;
  if (!moveOverTarget(wpath(temp_).c_str(), wpath(target_).c_str())) {
    error_ = static_cast<long>(GetLastError());
    return false;
  }
  temp_.clear();
  return true;
}

void ReplacingFile::discard() {
  closeHandle();
  if (!temp_.empty()) DeleteFileW(wpath(temp_).c_str());
  temp_.clear();
  finished_ = false;
}

}  // namespace mrv
