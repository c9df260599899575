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
// Writes lines in CP932, each followed by CR LF, to a file beside the target and renames it over
// the target, so a reader never sees half a file and a failed write leaves the old file whole.
bool writeAnsiLinesAtomic(const std::string& path, const std::vector<std::string>& lines);
// Appends one CP932 line with CR LF in a single write (shared logs).
bool appendAnsiLine(const std::string& path, std::string_view line);

// Writes bytes to a file beside the target and renames it over the target (see above).
bool writeFileAtomic(const std::string& path, const std::string& bytes);

// Text files the administrator edits (the item definition file) may be saved in UTF-8 by their
// editor; they are read as UTF-8 when they start with a byte-order mark, or when they are valid
// UTF-8 and not valid Shift-JIS, and as Shift-JIS otherwise.
enum class TextFileEncoding { Ansi, Utf8, Utf8Bom };
bool isValidUtf8(std::string_view bytes);
bool isValidShiftJis(std::string_view bytes);
TextFileEncoding detectTextEncoding(std::string_view bytes);
// Reads a whole file, decoding it as detectTextEncoding says (a byte-order mark is dropped);
// false when it cannot be read. `found`, when given, receives the encoding.
bool readTextFileDetectingUtf8(const std::string& path, std::string& utf8Text, TextFileEncoding* found = nullptr);
// Writes lines with CR LF in the given encoding, atomically.
bool writeTextLinesAtomic(const std::string& path, const std::vector<std::string>& lines, TextFileEncoding encoding);

}  // namespace mrv
