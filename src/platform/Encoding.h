#pragma once
// The one place where texts cross between the program (UTF-8) and its files (the users' ANSI code
// page, Shift-JIS / CP932). Files are written with CR LF line ends.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// UTF-8 → CP932. A character CP932 cannot hold becomes "?".
std::string utf8ToAnsi(std::string_view utf8);
// CP932 → UTF-8. Bytes that are not valid Shift-JIS become U+FFFD; never throws.
std::string ansiToUtf8(std::string_view ansi);

// Shared files of the save folder (histories, logs) larger than this are not read.
inline constexpr std::uint64_t kMaxSharedTextBytes = 64u << 20;
// Nor are the administrator's own text files (configuration, item definitions) larger than this.
inline constexpr std::uint64_t kMaxOwnTextBytes = 16u << 20;

// Reads a whole file of the shared save folder and decodes it from CP932; false when it cannot be
// read, is not a regular file, is a link or is larger than kMaxSharedTextBytes.
bool readAnsiFile(const std::string& path, std::string& utf8Text);
// Lines of an ANSI text file (CR LF, LF or CR); false when it cannot be read.
bool readAnsiLines(const std::string& path, std::vector<std::string>& lines);
// A text file that may be in either encoding an administrator writes (the configuration file):
// UTF-8 when its bytes (after a UTF-8 byte-order mark, which is dropped) are valid UTF-8
// throughout, else CP932. Japanese text in CP932 is practically never valid UTF-8, while
// UTF-8 text often happens to be valid CP932 (as mojibake), so validity as UTF-8 decides.
std::string ansiOrUtf8ToUtf8(std::string_view bytes);
// (A regular file, links followed, at most kMaxOwnTextBytes.)
bool readAnsiOrUtf8File(const std::string& path, std::string& utf8Text);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

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
// Whether a file name is one of the program's temporary names (".mrv-<n>-<n>.tmp", and the
// "<target>.~<n>-<n>.tmp" names earlier versions used).
bool isProgramTempFileName(std::string_view name);
// Appends one CP932 line with CR LF in a single write (shared logs).
bool appendAnsiLine(const std::string& path, std::string_view line);

// Writes bytes to a file beside the target and renames it over the target, as above.
bool writeFileAtomic(const std::string& path, const std::string& bytes, std::string* why = nullptr);

// Text files the administrator edits (the item definition file) may be saved in UTF-8 by their
// editor; they are read as UTF-8 when they start with a byte-order mark, or when they hold
// characters beyond ASCII and are valid UTF-8 throughout (the configuration file's rule), and as
// Shift-JIS otherwise. Saving keeps the encoding found.
enum class TextFileEncoding { Ansi, Utf8, Utf8Bom };
bool isValidShiftJis(std::string_view bytes);
TextFileEncoding detectTextEncoding(std::string_view bytes);
// Decodes bytes as detectTextEncoding says (a byte-order mark is dropped); `found`, when given,
// receives the encoding.
std::string textFileToUtf8(std::string_view bytes, TextFileEncoding* found = nullptr);
// Reads a whole file (a regular file, links followed, at most kMaxOwnTextBytes) and decodes it as
// textFileToUtf8 does; false when it cannot be read.
bool readTextFileDetectingUtf8(const std::string& path, std::string& utf8Text, TextFileEncoding* found = nullptr);
// Writes lines with CR LF in the given encoding, atomically (as writeAnsiLinesAtomic).
bool writeTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines, TextFileEncoding encoding,
                          std::string* why = nullptr);

}  // namespace mrv
