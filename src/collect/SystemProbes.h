#pragma once
// The system probes: small operations that each ask the platform one question and answer in text.
// None lets a platform failure escape (RemoteTimeOfDay excepted): a failure becomes the fixed text
// or empty value each one names. The dial-up probes are in RasProbes.h.
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

std::string TwoDigits(int n);
// Seconds since 1970-01-01 as a date-time value: days since 1899-12-30 with the time of day as
// the fraction. No time-zone shift.
double UnixTimeToDateTime(std::int64_t seconds);
// A date-time value as "yyyy/mm/dd hh:mm:ss".
std::string DateTimeText(double dateTime);
// "yyyy/mm/dd hh:mm:ss" (or a date alone) back to a date-time value; false when it is not one.
bool ParseDateTimeText(std::string_view text, double& dateTime);

void ProcessList(SystemServices& sys, std::vector<std::string>& list);
void ReadMultiString(TRegistryEx& reg, std::string_view valueName, std::vector<std::string>& list);
std::string MultiStringValueText(TRegistryEx& reg, std::string_view valueName);

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
std::string PadIpAddress(std::string_view text);
std::string ExePathOfFileType(TRegistryEx& reg, std::string_view fileType);
// `programFilesFolder` is the Program files folder the standard collection kept.
std::string FileVersionText(SystemServices& sys, std::string_view path, std::string_view names,
                            std::string_view programFilesFolder);
std::string ReadValueTerm(TRegistryEx& reg, std::string_view term);
std::string ReadValueExpression(CollectionState& state, std::string_view expression);
// Fills state.installed and state.patches from the Uninstall key; with no registry at all, from
// the system's package database.
void InstalledSoftwareList(CollectionState& state, SystemServices& sys);

}  // namespace mrv
