#pragma once
// The system probes: small operations that each ask the platform one question and answer in text.
// None lets a platform failure escape (RemoteTimeOfDay excepted): a failure becomes the fixed text
// or empty value each one names. The dial-up probes are in RasProbes.h, the date-time texts in
// DateTimeText.h, the custom items' value terms in ValueTerms.h, the installed programs in
// InstalledPrograms.h.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "collect/TRegistryEx.h"

namespace mrv {

class SystemServices;
struct Dialogs;

// What one Read shares among its collectors: the registry reader, the Key-open flag (outcome of
// the last key opening of a block) and the two lists InstalledSoftwareList fills.
struct CollectionState {
  explicit CollectionState(RegistryStore* store) : reg(store) {}
  TRegistryEx reg;
  bool keyOpen = false;
  std::vector<std::string> installed;  // Installed programs list
  std::vector<std::string> patches;    // Patch list ("(KB123456)0@entry" or "0@entry")
};

inline const char* const kProbeError = "Error!";

std::string ComputerNameText(SystemServices& sys);
std::string UserNameText(SystemServices& sys);
std::string NetUserNameText(SystemServices& sys);
std::string PhysicalMemoryMB(SystemServices& sys);
std::string PageFileMB(SystemServices& sys);
std::string LocalDateTimeText(SystemServices& sys);
std::string MyDocumentsFolder(SystemServices& sys);
std::string WindowsFolder(SystemServices& sys);  // with a trailing "\"
std::string SystemFolder(SystemServices& sys);   // without one
std::string LanGroupName(SystemServices& sys);
bool IsDomainMember(SystemServices& sys);
// The host name (gethostname into room for 49 bytes); empty when the call fails.
std::string HostNameText(SystemServices& sys);
// shell32 export 680; an administrator also when the export is missing.
bool IsAdminUser(SystemServices& sys);

void ProcessList(SystemServices& sys, std::vector<std::string>& list);

// The clock of a server ("\\server"; "" = this computer) as "yyyy/mm/dd hh:mm:ss", Greenwich
// time. Raises MrvError when the server does not answer.
std::string RemoteTimeOfDay(SystemServices& sys, std::string_view server);
// IPv4 address of a host name ("" = this computer); "(N/A)" when it does not resolve.
std::string HostAddress(SystemServices& sys, Dialogs& dialogs, std::string_view hostName);

struct DriveInfoResult {
  std::string totalMB, freeMB, fileSystem;
};
// Drive number n: 1 = A, 2 = B, 3 = C, ... Three empty texts unless it is a fixed drive.
DriveInfoResult DriveInfo(SystemServices& sys, int n);

void SharedFolderList(SystemServices& sys, std::vector<std::string>& list);

}  // namespace mrv
