#pragma once
// The operating system (rows 30 to 40): product name and version, updates and the automatic
// update setting, administrator rights, install date, product ID and key, Internet Explorer.
// All but row 35 are the installation's facts and come from the source chosen for the run
// (collect/InstallationFacts.h): the registry of the 9x or the NT family, or the system's own facts
// where there is no registry (Linux).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts WindowsNameItems(CollectionContext& ctx);    // 30, 31
ItemTexts WindowsUpdateItems(CollectionContext& ctx);  // 32, 33, 34
ItemTexts IsAdminItem(CollectionContext& ctx);         // 35
ItemTexts InstallDateItem(CollectionContext& ctx);     // 36
ItemTexts ProductIdItems(CollectionContext& ctx);      // 37, 38
ItemTexts IeItems(CollectionContext& ctx);             // 39, 40

// "IE", the release name of the first 7 characters, a blank and the version text.
std::string IeVersionName(std::string_view version);
// A leading "Service Pack " becomes "SP".
std::string ShortServicePack(std::string_view csd);
// The 9x product name with its OSR1/OSR2/SE suffix from the build in the version number.
std::string Windows9xName(std::string name, std::string_view versionNumber);
// The dates (yyyy/mm/dd) of the updates under a key, from their InstalledDate values.
void CollectUpdateDates(TRegistryEx& reg, const std::string& keyPath, std::vector<std::string>& dates);
// One InstalledDate value (year first, or month first with a 2- or 4-digit year) as yyyy/mm/dd;
// "" when it is not a date of either form.
std::string UpdateDateText(std::string_view installedDate);
// AUOptions as the record names it.
std::string AutoUpdateOptionText(std::int32_t option);
// The 9x AUState.cfg: (date text, setting text). Raises MrvError when the file is too short.
std::pair<std::string, std::string> AuStateTexts(std::string_view bytes);
// The first four bytes of FirstInstallDateTime as an MS-DOS date and time; raises when not a date.
std::string DosDateTimeText(std::string_view bytes);
// A product ID without dashes gets them after its 5th, 8th and 15th characters.
std::string ProductIdText(std::string_view id);
// The Program files folder of a version key's ProgramFilesDir / ProgramFilesPath value.
std::string ProgramFilesFolderOf(std::string_view value);

}  // namespace mrv
