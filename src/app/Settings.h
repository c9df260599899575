#pragma once
// The settings of one run, read once at start-up from the configuration file: the save folder
// ([General] SaveDir) and the sources of the platform services ([Sources]). The program's entry
// reads them and hands them to the platform services and to the window.
#include <string>

#include "platform/Sources.h"

namespace mrv {

struct Settings {
  std::string saveDir;  // without a trailing backslash; "" when not set
  Sources sources;
  // [Database] Target: the inventory database the aggregation also loads (an SQLite file or a
  // postgresql:// URL); "" when none.
  std::string databaseTarget;
};

// A missing or unreadable file gives empty settings.
Settings ReadSettings(const std::string& iniPath);

}  // namespace mrv
