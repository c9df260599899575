// Regular files only, on Windows. Files are opened with every kind of sharing allowed, so that a
// program saving a record meanwhile can still put its new file in place (a reader that denies
// deleting would make its MoveFileEx fail). A pipe or a device answers GetFileType with something
// other than FILE_TYPE_DISK and is refused; FILE_FLAG_OPEN_REPARSE_POINT opens a link itself
// instead of its target, so a link where links are refused is seen and refused.
#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "base/Utf8Path.h"
#include "platform/FileLock.h"
#include "platform/FolderFiles.h"

namespace mrv {

namespace {
struct HandleCloser {
  HANDLE h;
  ~HandleCloser() { CloseHandle(h); }
};
}  // namespace

FileRefusal readRegularFile(const std::string& path, std::uint64_t maxBytes, LinkRule links, std::string& bytes,
                            std::size_t firstBytes) {
  // FILE_FLAG_BACKUP_SEMANTICS lets a folder open, so that it is told from a missing file
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_BACKUP_SEMANTICS |
                      (links == LinkRule::Refuse ? FILE_FLAG_OPEN_REPARSE_POINT : 0);
  HANDLE h = CreateFileW(pathFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return FileRefusal::Missing;
    if (code == ERROR_PIPE_BUSY || code == ERROR_BAD_PIPE) return FileRefusal::NotRegular;
    return FileRefusal::Unreadable;
  }
  HandleCloser closer{h};
  if (GetFileType(h) != FILE_TYPE_DISK) return FileRefusal::NotRegular;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return FileRefusal::Unreadable;
  if (links == LinkRule::Refuse && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileRefusal::Link;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileRefusal::Folder;
  const std::uint64_t size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > maxBytes) return FileRefusal::TooLarge;
  bytes.clear();
  bytes.reserve(std::min(static_cast<std::size_t>(size), firstBytes));
  char buf[1 << 16];
  for (;;) {
    DWORD got = 0;
    if (bytes.size() >= firstBytes) break;
    const DWORD want = static_cast<DWORD>(std::min(sizeof buf, firstBytes - bytes.size()));
    if (!ReadFile(h, buf, want, &got, nullptr)) return FileRefusal::Unreadable;
    if (got == 0) break;
    if (bytes.size() + got > maxBytes) {  // it grew while it was read
      bytes.clear();
      return FileRefusal::TooLarge;
    }
    bytes.append(buf, got);
  }
  return FileRefusal::None;
}

bool listFileNames(const std::string& folder, std::vector<std::string>& names) {
  namespace fs = std::filesystem;
  names.clear();
  std::error_code ec;
  fs::directory_iterator it(pathFromUtf8(folder), ec);
  if (ec) return false;
  for (const fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) return false;
    // anything but a folder: a file that cannot be opened must be noticed, not passed over
    std::error_code typeEc;
    if (!it->is_directory(typeEc)) names.push_back(utf8FromPath(it->path().filename()));
  }
  return !ec;
}

// Windows opens each file by its whole path: the folder is only remembered.
FolderReader::FolderReader(std::string folder) : folder_(std::move(folder)) {}
FolderReader::~FolderReader() = default;
FileRefusal FolderReader::read(const std::string& name, std::uint64_t maxBytes, LinkRule links,
                               std::string& bytes) const {
  return readRegularFile(joinPath(folder_, name), maxBytes, links, bytes);
}

// No listing's kind is trusted on Windows, and each file is read by its path in turn.
bool listFolderEntries(const std::string& folder, std::vector<FolderEntry>& entries) {
  std::vector<std::string> names;
  entries.clear();
  if (!listFileNames(folder, names)) return false;
  entries.reserve(names.size());
  for (auto& n : names) entries.push_back({std::move(n), false});
  return true;
}

FolderRunReader::FolderRunReader(const FolderReader& folder) : folder_(folder) {}
FolderRunReader::~FolderRunReader() = default;
void FolderRunReader::readEach(const std::vector<FolderEntry>& files, std::size_t from, std::size_t to,
                               std::uint64_t maxBytes, LinkRule links, const Take& take) {
  for (std::size_t i = from; i < to; ++i) {
    const FileRefusal r = folder_.read(files[i].name, maxBytes, links, bytes_);
    take(i, r, r == FileRefusal::None ? std::string_view(bytes_) : std::string_view());
  }
}

bool FileLock::acquire(const std::string& lockPath, int timeoutMs, std::string* why) {
  release();
  HANDLE h = CreateFileW(pathFromUtf8(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  if (h == INVALID_HANDLE_VALUE || GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    if (why) *why = h == INVALID_HANDLE_VALUE ? "ロックファイルを開けません" : "ロックファイルが通常のファイルではありません";
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return false;
  }
  const ULONGLONG start = GetTickCount64();
  DWORD pause = 2;
  for (;;) {
    OVERLAPPED at{};
    if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
      handle_ = reinterpret_cast<std::intptr_t>(h);
      return true;
    }
    const DWORD code = GetLastError();
    if (code != ERROR_LOCK_VIOLATION || GetTickCount64() - start >= static_cast<ULONGLONG>(timeoutMs)) {
      if (why) *why = code == ERROR_LOCK_VIOLATION ? "他の保存が終わりません" : "ロックできません";
      CloseHandle(h);
      return false;
    }
    Sleep(pause);
    if (pause < 100) pause *= 2;
  }
}

void FileLock::release() {
  if (handle_ == kNoHandle) return;
  CloseHandle(reinterpret_cast<HANDLE>(handle_));  // closing the handle lets the lock go
  handle_ = kNoHandle;
}

}  // namespace mrv
