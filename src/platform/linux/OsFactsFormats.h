#pragma once
// The text formats OsFactsLinux reads the facts of this installation from, parsed without touching the
// machine: os-release, APT's history log, APT's configuration (unattended upgrades) and CUPS's
// printer list.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrv::linuxfacts {

// /etc/os-release: PRETTY_NAME, else NAME and VERSION; quotes and backslash escapes removed.
std::string osReleaseName(std::string_view text);

struct AptHistory {
  std::string latestUpgradeDay;  // "yyyy/mm/dd" of the latest run that upgraded a package
  std::string lastSuccessEnd;    // "yyyy-mm-dd hh:mm:ss": the end of the latest run without an error
};
// /var/log/apt/history.log (older logs first, then newer ones, joined): runs begin with
// "Start-Date:" and end with "End-Date:"; a run with an "Error:" line did not succeed.
AptHistory parseAptHistory(std::string_view text);

// APT configuration text (apt.conf and apt.conf.d files, in the order APT reads them, joined):
// the last setting of APT::Periodic::Unattended-Upgrade, as on (non-zero) or off; nothing when
// the text never sets it.
std::optional<bool> aptUnattendedUpgrade(std::string_view text);

// /etc/cups/printers.conf: the names of the printers marked "Shared Yes".
std::vector<std::string> cupsSharedPrinters(std::string_view text);

}  // namespace mrv::linuxfacts
