#pragma once
// Putting a finished temporary file in the place of its target on Windows.
#include <windows.h>

namespace mrv {

// MoveFileEx over the target, returning once the move is on the disk. While another program reads
// the target (the lists being built on the administrator's PC, a virus scanner) Windows refuses to
// replace it; the move is tried again for up to five seconds before it fails. On failure
// GetLastError() holds the reason.
bool moveOverTarget(const wchar_t* temp, const wchar_t* target);

}  // namespace mrv
