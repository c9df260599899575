#pragma once
// The fleet page: one self-contained HTML file (Japanese, inline CSS and inline SVG, nothing fetched,
// no script) that shows an administrator the inventory database at a glance: the PCs by the age of
// their latest record, the disks failing or warning with their history charts, the Windows
// editions, the PCs whose antivirus patterns are older than 30 days, and the most common programs.
#include <string>
#include <string_view>

#include "platform/SqlDatabase.h"

namespace mrv {

// Antivirus patterns older than this are listed.
inline constexpr int kStalePatternDays = 30;
// How many of the most common programs are listed.
inline constexpr int kTopPrograms = 20;

// The page from the database's views, as HTML text; `source` names where the records came from
// (a folder, a database) in the page's heading. False with the reason in `why` when a query fails
// or the database holds no inventory (or one of a newer version). The queries read one consistent
// state of the database, so a load committed meanwhile does not mix in.
bool BuildFleetReport(SqlDatabase& db, const std::string& source, std::string& html, std::string& why);

// BuildFleetReport written to `htmlPath` beside and renamed over it, so a failed write leaves an
// old page whole.
bool WriteFleetReport(SqlDatabase& db, const std::string& source, const std::string& htmlPath, std::string& why);

// Text for HTML character data and attribute values: & < > " ' as references, control characters
// other than tab and line ends and broken UTF-8 as U+FFFD.
std::string HtmlText(std::string_view text);

}  // namespace mrv
