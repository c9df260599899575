#pragma once
// Who and what this PC is: the record file name stem and the version banner (rows 1, 2), the
// user names (3, 4), the OS family, and the network identity with the PC's model (5 to 12).
#include <string>
#include <string_view>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts RecordStemItem(CollectionContext& ctx);      // 1; also keeps the computer name
ItemTexts VersionItem(CollectionContext& ctx);         // 2
ItemTexts UserNameItems(CollectionContext& ctx);       // 3, 4
ItemTexts DecideOsFamily(CollectionContext& ctx);      // no row: sets ctx.family
ItemTexts NetworkIdentityItems(CollectionContext& ctx);  // 5 to 11
ItemTexts ModelItem(CollectionContext& ctx);           // 12

// The 9x network settings: workgroup, computer description.
inline constexpr std::string_view kVnetsupKey = "\\System\\CurrentControlSet\\Services\\VxD\\VNETSUP";

// "NT" unless the registry is that of a 9x installation (a version key with VersionNumber and
// no Windows NT version key).
std::string OsFamilyOf(TRegistryEx& reg);

// The 9x workgroup value names the workgroup last, after any commas.
std::string LastCommaPart(std::string_view text);

// An entry of a section of an INI file's text (names without regard to case); "" when missing.
std::string IniEntry(std::string_view iniText, std::string_view section, std::string_view key);

std::string TrimTrailingBlanks(std::string_view text);

}  // namespace mrv
