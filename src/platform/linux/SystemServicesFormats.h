#pragma once
// The text formats SystemServicesLinux reads, parsed without touching the machine, so each
// rule can be tried on a sample: Samba's configuration, the mount table, the package database,
// PPP peer files, the XDG user folders and the SMB2 negotiate answer.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/SystemServices.h"

namespace mrv::linuxfacts {

// smb.conf: parameter names are case-insensitive and blanks inside them do not count
// ("netbios name" = "netbiosname"); keys are kept lower-case without blanks.
struct SambaSection {
  std::string name;
  std::map<std::string, std::string> params;
  std::string get(std::string_view key, std::string_view fallback = {}) const;
};
struct SambaConfig {
  std::vector<SambaSection> sections;  // [global] included, in file order (repeated sections merged)
  const SambaSection* global() const;
};
SambaConfig parseSambaConfig(std::string_view text);
// Samba's boolean words.
bool sambaBool(std::string_view value, bool fallback);

// This machine's computer name: Samba's `netbios name` when one is configured (unique on its
// network), else the whole short host name (up to its first dot); upper-cased and never cut, so
// two hosts whose names share their first 15 characters keep records of their own.
std::string netbiosName(const SambaConfig* config, std::string_view hostName);
// Disk shares a client would list: sections that are not [global], [homes] or [printers], not
// printable, available, browseable, and not hidden by a trailing "$". In file order.
std::vector<std::string> sambaDiskShares(const SambaConfig& config);
// A user share file of Samba's usershare folder ("path=", "sharename=" lines); the share's name.
std::string usershareName(std::string_view fileText, std::string_view fileName);

struct MountEntry {
  std::string source, mountPoint, fsType;
};
// /proc/self/mounts lines (octal escapes such as \040 decoded).
std::vector<MountEntry> parseMountTable(std::string_view text);
// The drives C:, D:, ...: "/" first, then every other local disk-backed file system (a /dev
// block device that is not removable) in mount-table order, each device once.
std::vector<MountEntry> fixedDrives(const std::vector<MountEntry>& mounts,
                                    const std::function<bool(const std::string& device)>& removable);

// /var/lib/dpkg/status: (package, version) of each package whose status is "install ok installed".
std::vector<std::pair<std::string, std::string>> parseDpkgStatus(std::string_view text);

// A pppd options file (/etc/ppp/peers/NAME): the argument of its last `user` option, unquoted.
std::string pppPeerUser(std::string_view text);

// The words of a line: blanks separate, double quotes group (a backslash escapes inside them), and
// with hashComments a # outside quotes ends the line. pppd's options and a desktop entry's Exec
// value are read so.
std::vector<std::string> quotedWords(std::string_view line, bool hashComments);

// ~/.config/user-dirs.dirs: XDG_DOCUMENTS_DIR with $HOME expanded; "" when not set.
std::string xdgDocumentsDir(std::string_view userDirsText, std::string_view home);

// SMB2 NEGOTIATE request for dialects 2.0.2 to 3.0.2, with its 4-byte session header.
std::string smb2NegotiateRequest();
// The server's SystemTime from an SMB2 NEGOTIATE answer (session header included) as Greenwich
// time; false when the bytes are not such an answer.
bool smb2NegotiateTime(std::string_view answer, TimeOfDayInfo& tod);

// The server of a cifs mount source "//server/share" ("" when it is not one).
std::string cifsServer(std::string_view source);

}  // namespace mrv::linuxfacts
