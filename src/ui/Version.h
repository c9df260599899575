#pragma once
// The program's name and version banner: record row 2 and the About box.
#include <string>

namespace mrv {

inline std::string VersionBanner() { return std::string("Mervana Ver.") + MERVANA_VERSION; }

}  // namespace mrv
