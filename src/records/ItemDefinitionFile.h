#pragma once
// The item definition file regitems.txt beside the program: the administrator's own rows. Read as
// lines, untrimmed; in Shift-JIS unless the administrator's editor saved it in UTF-8, and saved
// back in the encoding it was found in.
#include <string>
#include <vector>

#include "platform/Encoding.h"

namespace mrv {

inline constexpr const char* kItemDefinitionFileName = "regitems.txt";

// The path of regitems.txt in a folder.
std::string ItemDefinitionPath(const std::string& programDir);
// False when the file does not exist or cannot be read (lines are then empty).
bool LoadItemDefinitionFile(const std::string& programDir, std::vector<std::string>& lines,
                            TextFileEncoding* encoding = nullptr);
// Replaces the file atomically; false when it could not be written (the old file stays whole), with
// the system's reason in `why`.
bool SaveItemDefinitionFile(const std::string& programDir, const std::vector<std::string>& lines,
                            TextFileEncoding encoding, std::string* why = nullptr);

}  // namespace mrv
