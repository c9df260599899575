#pragma once
// An offline Windows installation (a mounted disk or image) seen from this machine. Windows paths
// are matched case-insensitively against the real names on disk, as Windows itself would match them.
#include <string>
#include <string_view>

namespace mrv {

// Finds `relative` ("Windows\System32\config\SOFTWARE", "/" or "\" separated) below `base`,
// matching every part case-insensitively. Returns the real path, or "" when some part is missing.
std::string findPathIgnoringCase(const std::string& base, std::string_view relative);

// Maps a Windows path ("C:\Program Files\x.exe", "\Windows\x.dll") into the installation at `root`
// (the folder that holds the installation's C: drive). "" when it does not exist there.
std::string mapWindowsPath(const std::string& root, std::string_view windowsPath);

}  // namespace mrv
