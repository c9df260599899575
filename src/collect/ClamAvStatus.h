#pragma once
// The antivirus rows of a PC without a Windows registry, from ClamAV: product and version, engine
// (libclamav) version, signature version from the database headers under /var/lib/clamav, and
// on-access scanning ("1" while clamonacc runs). Rows it has no fact for are empty; without ClamAV
// the first row is "'" and the others are empty.
#include <string>
#include <string_view>
#include <vector>

#include "collect/CollectionContext.h"

namespace mrv {

std::vector<std::string> ClamAvStatus(CollectionContext& ctx);

// The version of a signature database from its header ("ClamAV-VDB:time:version:..."); "" when
// the bytes do not start with one.
std::string ClamAvDatabaseVersion(std::string_view header);

// The upstream part of a package version: "1.0.7+dfsg-1~deb12u1" gives "1.0.7".
std::string UpstreamVersion(std::string_view packageVersion);

}  // namespace mrv
