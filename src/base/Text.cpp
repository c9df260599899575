#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace mrv {

namespace {
// Length of the UTF-8 sequence starting with byte c; 1 for a stray continuation or invalid lead.
std::size_t seqLen(unsigned char c) {
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

// Byte offset of the character with index n (or s.size() when past the end).
std::size_t byteOffset(std::string_view s, std::size_t n) {
  std::size_t pos = 0;
  while (n > 0 && pos < s.size()) {
    pos += seqLen(static_cast<unsigned char>(s[pos]));
    --n;
  }
  return std::min(pos, s.size());
}
}  // namespace

std::size_t charCount(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t pos = 0; pos < s.size(); ++n) pos += seqLen(static_cast<unsigned char>(s[pos]));
  return n;
}

std::string charSubstr(std::string_view s, std::size_t start, std::size_t count) {
  const std::size_t from = byteOffset(s, start);
  if (count == std::string::npos) return std::string(s.substr(from));
  const std::size_t to = from + byteOffset(s.substr(from), count);
  return std::string(s.substr(from, to - from));
}

std::string toLowerAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

std::string toUpperAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

bool iequalsAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && toLowerAscii(a) == toLowerAscii(b);
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool contains(std::string_view s, std::string_view part) { return s.find(part) != std::string_view::npos; }

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
  if (from.empty()) return s;
  for (std::size_t pos = s.find(from); pos != std::string::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
  return s;
}

std::string trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t pos = s.find(sep, start);
    if (pos == std::string_view::npos) {
      out.emplace_back(s.substr(start));
      return out;
    }
    out.emplace_back(s.substr(start, pos - start));
    start = pos + 1;
  }
}

std::vector<std::string> splitLines(std::string_view s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' || s[i] == '\n') {
      out.emplace_back(s.substr(start, i - start));
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < s.size()) out.emplace_back(s.substr(start));
  return out;
}

bool parseInt(std::string_view s, int& out) {
  if (s.empty()) return false;
  std::size_t i = 0;
  bool negative = false;
  if (s[0] == '+' || s[0] == '-') {
    negative = s[0] == '-';
    i = 1;
  }
  if (i >= s.size()) return false;
  long long value = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
    if (value > 2147483648LL) return false;
  }
  if (negative) value = -value;
  if (value > 2147483647LL || value < -2147483648LL) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace mrv

namespace mrv {

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string utf16leToUtf8(const unsigned char* data, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    char32_t u = static_cast<char32_t>(data[i] | (data[i + 1] << 8));
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 3 < size) {
      const char32_t lo = static_cast<char32_t>(data[i + 2] | (data[i + 3] << 8));
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
        i += 2;
      }
    }
    appendUtf8(out, u);
  }
  return out;
}

std::string utf8ToUtf16le(std::string_view s) {
  std::string out;
  auto put = [&out](char32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>((u >> 8) & 0xFF);
  };
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t n;
    if (c < 0x80) { cp = c; n = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; n = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; n = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; n = 4; }
    else { cp = 0xFFFD; n = 1; }
    bool good = i + n <= s.size();
    for (std::size_t k = 1; good && k < n; ++k) {
      const unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) good = false;
      else cp = (cp << 6) | (cc & 0x3F);
    }
    if (!good) { cp = 0xFFFD; n = 1; }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

}  // namespace mrv

namespace mrv {
std::string SwapCharPairs(std::string_view s) {
  std::string r(s);
  for (std::size_t i = 0; i + 1 < r.size(); i += 2) std::swap(r[i], r[i + 1]);
  const std::size_t b = r.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  const std::size_t e = r.find_last_not_of(' ');
  return r.substr(b, e - b + 1);
}
}  // namespace mrv
