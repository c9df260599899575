#pragma once
// Plain file access for commands that work over a whole folder: listing it and reading files as
// bytes. Paths and names are UTF-8.
#include <string>
#include <vector>

namespace mrv {

// Names of the entries of a folder that are not folders, in no particular order; false when the
// folder cannot be listed.
bool listFileNames(const std::string& folder, std::vector<std::string>& names);
// The whole content of a file, read through one open handle, so a file that is replaced meanwhile
// is read either wholly old or wholly new; false when it cannot be opened or read.
bool readFileBytes(const std::string& path, std::string& bytes);
// Joins a folder and a file name with the system's separator (none added when the folder ends in one).
std::string joinPath(const std::string& folder, const std::string& name);

}  // namespace mrv
