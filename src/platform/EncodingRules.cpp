// Which encoding a text's bytes are in: the same rules on every system.
#include <string>
#include <string_view>

#include "base/Text.h"
#include "platform/Encoding.h"

namespace mrv {

bool isValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t n = 0;
    char32_t cp = 0, min = 0;
    if ((c & 0xE0) == 0xC0) n = 1, cp = c & 0x1F, min = 0x80;
    else if ((c & 0xF0) == 0xE0) n = 2, cp = c & 0x0F, min = 0x800;
    else if ((c & 0xF8) == 0xF0) n = 3, cp = c & 0x07, min = 0x10000;
    else return false;
    if (i + n >= s.size()) return false;  // cut short
    for (std::size_t k = 1; k <= n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

std::string ansiOrUtf8ToUtf8(std::string_view bytes) {
  // a byte-order mark says UTF-8 outright; bytes that then are not UTF-8 fall back to CP932
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (isValidUtf8(bytes)) return std::string(bytes);
  return ansiToUtf8(bytes);
}

bool isValidShiftJis(std::string_view b) {
  for (std::size_t i = 0; i < b.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(b[i]);
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) continue;  // ASCII and half-width katakana
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      if (i + 1 >= b.size()) return false;
      const unsigned char t = static_cast<unsigned char>(b[++i]);
      if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
      continue;
    }
    return false;
  }
  return true;
}

namespace {
bool isPlainAscii(std::string_view b) {
  for (char c : b)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}
}  // namespace

TextFileEncoding detectTextEncoding(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) return TextFileEncoding::Utf8Bom;
  // the same rule as the configuration file: validity as UTF-8 decides (see ansiOrUtf8ToUtf8);
  // a pure ASCII file stays in the ANSI code page it has always been saved in
  if (isValidUtf8(bytes) && !isPlainAscii(bytes)) return TextFileEncoding::Utf8;
  return TextFileEncoding::Ansi;
}

std::string textFileToUtf8(std::string_view bytes, TextFileEncoding* found) {
  const TextFileEncoding e = detectTextEncoding(bytes);
  if (found) *found = e;
  if (e == TextFileEncoding::Utf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  return e == TextFileEncoding::Ansi ? ansiToUtf8(bytes) : std::string(bytes);
}

}  // namespace mrv
