#pragma once
// The program's text files: the shared files of the save folder (records, histories, logs) in
// CP932 with CR LF line ends, and the administrator's own files in the encoding they were saved
// in. Writes go beside the target and are renamed over it, so a reader never sees half a file.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Encoding.h"

namespace mrv {

// Shared files of the save folder (histories, logs) larger than this are not read.
inline constexpr std::uint64_t kMaxSharedTextBytes = 64u << 20;
// Nor are the administrator's own text files (configuration, item definitions) larger than this.
inline constexpr std::uint64_t kMaxOwnTextBytes = 16u << 20;

// Reads a whole file of the shared save folder and decodes it from CP932; false when it cannot be
// read, is not a regular file, is a link or is larger than kMaxSharedTextBytes.
bool readAnsiFile(const std::string& path, std::string& utf8Text);
// Lines of an ANSI text file (CR LF, LF or CR); false when it cannot be read.
bool readAnsiLines(const std::string& path, std::vector<std::string>& lines);
// A file read by ansiOrUtf8ToUtf8's rule (a regular file, links followed, at most kMaxOwnTextBytes).
bool readAnsiOrUtf8File(const std::string& path, std::string& utf8Text);

// Writes lines in CP932, each followed by CR LF, to a file beside the target and renames it over
// the target, so a reader never sees half a file and a failed write leaves the old file whole. The
// data reaches the disk before the rename and the rename before it returns, so a power cut leaves
// the old file or the new one. The file beside has a short name of its own (".mrv-<process>-<n>.tmp"),
// so a target whose name is near the file system's limit can still be written. On failure `why`
// (when given) receives the system's reason, in Japanese ("ディスクの空き容量が足りません", ...).
bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines, std::string* why = nullptr);
// Removes from `folder` the files a write beside a target leaves only when the process is killed in
// the middle of it: names of this program's own patterns, last written more than `minutes` ago.
// Returns how many were removed.
int removeStaleTempFiles(const std::string& folder, int minutes = 10);
// The same for a folder already listed: only the `names` given are looked at.
int removeStaleTempFiles(const std::string& folder, const std::vector<std::string>& names, int minutes = 10);
// Whether a file name is one of the program's temporary names (".mrv-<n>-<n>.tmp", and the
// "<target>.~<n>-<n>.tmp" names earlier versions used).
bool isProgramTempFileName(std::string_view name);
// Appends one CP932 line with CR LF in a single write (shared logs).
bool appendAnsiLine(const std::string& path, std::string_view line);

// Writes bytes to a file beside the target and renames it over the target, as above.
bool writeFileAtomic(const std::string& path, const std::string& bytes, std::string* why = nullptr);

// Reads a whole file (a regular file, links followed, at most kMaxOwnTextBytes) and decodes it as
// textFileToUtf8 does; false when it cannot be read.
bool readTextFileDetectingUtf8(const std::string& path, std::string& utf8Text, TextFileEncoding* found = nullptr);
// Writes lines with CR LF in the given encoding, atomically (as writeAnsiLinesAtomic).
bool writeTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines, TextFileEncoding encoding,
                          std::string* why = nullptr);

}  // namespace mrv
