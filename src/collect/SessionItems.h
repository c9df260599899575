#pragma once
// The running session: date and time with the clock's difference from the save folder's server
// (rows 24, 25), the system and documents folders (26, 27), the screen (28, 29), the input method
// (41) and the hours since the system started (90).
#include <cstdint>
#include <string>
#include <string_view>

#include "collect/ItemSupport.h"

namespace mrv {

ItemTexts DateTimeItem(CollectionContext& ctx);        // 24
ItemTexts TimeDifferenceItem(CollectionContext& ctx);  // 25
ItemTexts FolderItems(CollectionContext& ctx);         // 26, 27
ItemTexts ScreenItems(CollectionContext& ctx);         // 28, 29
ItemTexts DefaultImeItem(CollectionContext& ctx);      // 41
ItemTexts HoursFromStartItem(CollectionContext& ctx);  // 90

// The server of a save folder: the text before the first backslash from its third character on
// ("\\SRV\pcdata" → "\\SRV"); a folder without one is handed on whole, for the platform to find
// the server it is mounted from.
std::string SaveFolderServer(std::string_view saveDir);

// Minutes this PC's clock is ahead of the server's, "%8.2f"; "" when either clock is not a date.
std::string ClockDifferenceText(std::string_view localGmt, std::string_view serverGmt);

// Whole hours of a 32-bit millisecond tick count.
std::string HoursFromTicks(std::uint32_t ticks);

}  // namespace mrv
