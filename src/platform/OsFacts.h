#pragma once
// What a system without a Windows registry tells of its own installation, for the rows a Windows
// PC fills from its registry: the system's name and version, its updates, its install date and the
// network components it runs. Every answer is the system's own fact or empty; nothing is made up.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace mrv {

class OsFacts {
 public:
  virtual ~OsFacts() = default;
  // The system's name as it names itself ("Debian GNU/Linux 12 (bookworm)").
  virtual std::string productName() = 0;
  // The running kernel's release ("6.1.0-18-amd64").
  virtual std::string kernelRelease() = 0;
  // The day of the latest package upgrade, "yyyy/mm/dd"; "" when the logs hold none.
  virtual std::string latestUpgradeDate() = 0;
  // When the latest package run that ended without an error ended, "yyyy-mm-dd hh:mm:ss" (the
  // form Windows keeps its last successful update in); "" when none.
  virtual std::string lastSuccessfulUpgrade() = 0;
  // Whether updates are installed unattended; nothing when the system has no such setting.
  virtual std::optional<bool> automaticUpdates() = 0;
  // When the system was installed, seconds since 1970-01-01 (UTC); nothing when it cannot tell.
  virtual std::optional<std::int64_t> installTime() = 0;
  // The description the system gives its file server (Samba's "server string"); "" when unset.
  virtual std::string computerDescription() = 0;
  // Descriptions of the network components the system runs (file and printer sharing, protocols).
  virtual std::vector<std::string> networkComponents() = 0;
};

// This machine's facts; null on a system whose facts live in its registry (Windows).
std::unique_ptr<OsFacts> openOsFacts();

}  // namespace mrv
