#pragma once
// The one place where texts cross between the program (UTF-8) and its files (the users' ANSI code
// page, Shift-JIS / CP932). Files are written with CR LF line ends.
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// UTF-8 → CP932. A character CP932 cannot hold becomes "?".
std::string utf8ToAnsi(std::string_view utf8);
// CP932 → UTF-8. Bytes that are not valid Shift-JIS become U+FFFD; never throws.
std::string ansiToUtf8(std::string_view ansi);

// Reads a whole file and decodes it from CP932; false when it cannot be read.
bool readAnsiFile(const std::string& path, std::string& utf8Text);
// Lines of an ANSI text file (CR LF, LF or CR); false when it cannot be read.
bool readAnsiLines(const std::string& path, std::vector<std::string>& lines);
// A text file that may be in either encoding an administrator writes (the configuration file):
// UTF-8 when its bytes (after a UTF-8 byte-order mark, which is dropped) are valid UTF-8
// throughout, else CP932. Japanese text in CP932 is practically never valid UTF-8, while
// UTF-8 text often happens to be valid CP932 (as mojibake), so validity as UTF-8 decides.
std::string ansiOrUtf8ToUtf8(std::string_view bytes);
bool readAnsiOrUtf8File(const std::string& path, std::string& utf8Text);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Writes lines in CP932, each followed by CR LF, to a file beside the target and renames it over
// the target, so a reader never sees half a file and a failed write leaves the old file whole.
bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines);
// Appends one CP932 line with CR LF in a single write (shared logs).
bool appendAnsiLine(const std::string& path, std::string_view line);

}  // namespace mrv
