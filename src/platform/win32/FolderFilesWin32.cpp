// Reading a whole file on Windows with every kind of sharing allowed, so that a program saving a
// record meanwhile can still put its new file in place (a reader that denies deleting would make
// its MoveFileEx fail).
#include <windows.h>

#include "base/Utf8Path.h"
#include "platform/FolderFiles.h"

namespace mrv {

bool readFileBytes(const std::string& path, std::string& bytes) {
  HANDLE h = CreateFileW(pathFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buf[1 << 16];
  bool ok = true;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      ok = false;
      break;
    }
    if (got == 0) break;
    bytes.append(buf, got);
  }
  CloseHandle(h);
  return ok;
}

}  // namespace mrv
