#pragma once
// Where a PC's record and disk history go, and what they are called.
#include <string>
#include <string_view>

#include "base/Utf8Path.h"  // kPathSeparator, this system's folder separator

namespace mrv {

// The record folder, ending in the system's separator: the save folder setting when set (on
// Linux a trailing backslash is dropped like a trailing slash); else a folder "pcdata" beside the
// program's folder when it exists (C:\pcdata for a program in the root of drive C:); else the
// program's folder. `separator` is for tests of the other system's rules.
std::string RecordFolder(std::string_view saveDir, std::string_view programDir, char separator = kPathSeparator);

// Computer name + "__" + workgroup or domain, as the record file holds it. Row 1 of the record holds
// the same text, and it names the record's files, so the two always agree:
// - a character that cannot stand in a file name (\ / : * ? " < > |, control characters) becomes
//   "_", and a stem of only dots is made safe, so a record never lands outside the record folder;
// - a character the users' code page (Shift-JIS) cannot hold would read "?" in the record: it
//   becomes "_" as well;
// - a stem longer than 251 UTF-8 bytes (its ".csv" name would pass the 255-byte limit) keeps its
//   first characters up to 242 bytes and ends in "~" and 8 hex digits of the FNV-1a hash of the
//   whole stem, so two long names never share a file and a PC keeps its name from run to run.
std::string RecordFileStem(std::string_view computerName, std::string_view group);

// Appends a folder name or file name to a folder that ends in a separator.
inline std::string InFolder(const std::string& folderWithSep, std::string_view name) {
  return folderWithSep + std::string(name);
}

// Log of the audit program: record folder + "p2p" + separator + stem + ".log".
std::string AuditLogPath(const std::string& recordFolder, std::string_view stem);
// Whether the audit program runs again: no log yet, or a log of at most 80 bytes.
bool AuditLogAllowsRun(long long logSizeOrMinusOne);

}  // namespace mrv
