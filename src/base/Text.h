#pragma once
// Text helpers for UTF-8 strings. Rules that count "characters" count code points, never bytes,
// so a Japanese character is never split.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

// Number of characters (code points) in a UTF-8 text; a stray byte counts as one character.
std::size_t charCount(std::string_view s);
// Characters [start, start+count) counting from 0; past the end gives what there is.
std::string charSubstr(std::string_view s, std::size_t start, std::size_t count = std::string::npos);
// The first n characters.
inline std::string charLeft(std::string_view s, std::size_t n) { return charSubstr(s, 0, n); }

std::string toLowerAscii(std::string_view s);
std::string toUpperAscii(std::string_view s);
bool iequalsAscii(std::string_view a, std::string_view b);
bool startsWith(std::string_view s, std::string_view prefix);
bool endsWith(std::string_view s, std::string_view suffix);
bool contains(std::string_view s, std::string_view part);
std::string replaceAll(std::string s, std::string_view from, std::string_view to);
std::string trim(std::string_view s);
std::vector<std::string> split(std::string_view s, char sep);
// Splits text into lines at LF, CR LF or CR; a final line end does not give an empty last line.
std::vector<std::string> splitLines(std::string_view s);

// Strict whole-text decimal integer, as a Pascal StrToInt would take it (optional sign, digits,
// no blanks, fits in 32 bits). Returns false on anything else.
bool parseInt(std::string_view s, int& out);

}  // namespace mrv

namespace mrv {
// UTF-16LE bytes (as the Windows registry stores strings) → UTF-8; stops at the first NUL
// character. Unpaired surrogates become U+FFFD; an odd trailing byte is ignored.
std::string utf16leToUtf8(const unsigned char* data, std::size_t size);
// UTF-8 → UTF-16LE bytes, without a terminator.
std::string utf8ToUtf16le(std::string_view utf8);
// Appends one code point as UTF-8.
void appendUtf8(std::string& out, char32_t cp);
}  // namespace mrv

namespace mrv {
// Swaps each adjacent pair of characters (1-2, 3-4, ...; an odd last one stays) and trims blanks
// at both ends. Used on identity strings stored as 16-bit words with their bytes reversed.
// Works on bytes: its inputs are the fixed ASCII fields of drive identity data.
std::string SwapCharPairs(std::string_view s);
}  // namespace mrv
