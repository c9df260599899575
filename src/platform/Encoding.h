#pragma once
// The one place where texts cross between the program (UTF-8) and its files (the users' ANSI code
// page, Shift-JIS / CP932), and the rules that tell which of the two a file's bytes are in. Reading
// and writing the files themselves is platform/TextFiles.h.
#include <string>
#include <string_view>

namespace mrv {

// UTF-8 → CP932. A character CP932 cannot hold becomes "?".
std::string utf8ToAnsi(std::string_view utf8);
// CP932 → UTF-8. Bytes that are not valid Shift-JIS become U+FFFD; never throws.
std::string ansiToUtf8(std::string_view ansi);

// A text file that may be in either encoding an administrator writes (the configuration file):
// UTF-8 when its bytes (after a UTF-8 byte-order mark, which is dropped) are valid UTF-8
// throughout, else CP932. Japanese text in CP932 is practically never valid UTF-8, while
// UTF-8 text often happens to be valid CP932 (as mojibake), so validity as UTF-8 decides.
std::string ansiOrUtf8ToUtf8(std::string_view bytes);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Text files the administrator edits (the item definition file) may be saved in UTF-8 by their
// editor; they are read as UTF-8 when they start with a byte-order mark, or when they hold
// characters beyond ASCII and are valid UTF-8 throughout (the configuration file's rule), and as
// Shift-JIS otherwise. Saving keeps the encoding found.
enum class TextFileEncoding { Ansi, Utf8, Utf8Bom };
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
bool isValidShiftJis(std::string_view bytes);
TextFileEncoding detectTextEncoding(std::string_view bytes);
// Decodes bytes as detectTextEncoding says (a byte-order mark is dropped); `found`, when given,
// receives the encoding.
std::string textFileToUtf8(std::string_view bytes, TextFileEncoding* found = nullptr);

}  // namespace mrv
