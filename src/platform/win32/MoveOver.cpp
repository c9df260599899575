#include "platform/win32/MoveOver.h"

namespace mrv {

bool moveOverTarget(const wchar_t* temp, const wchar_t* target) {
  const ULONGLONG start = GetTickCount64();
  DWORD pause = 5;
  for (;;) {
    if (MoveFileExW(temp, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD code = GetLastError();
    // a target held open by a reader answers "access denied" or a sharing violation
    const bool held = code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION;
    if (!held || GetTickCount64() - start >= 5000) {
      SetLastError(code);
      return false;
    }
    Sleep(pause);
    if (pause < 100) pause *= 2;
  }
}

}  // namespace mrv
