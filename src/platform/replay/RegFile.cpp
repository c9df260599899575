#include "platform/replay/RegFile.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "base/Utf8Path.h"
#include "base/Text.h"
#include "platform/Encoding.h"
#include "platform/SourceFiles.h"

namespace mrv {

namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
// Windows keeps keys at most 512 levels deep.
constexpr std::size_t kMaxDepth = 512;
// Bad lines reported one by one per file; the rest are counted in one closing message.
constexpr std::size_t kMaxReportedLines = 20;

std::string decodeUtf16(std::string_view bytes, bool bigEndian) {
  // utf16leToUtf8 stops at a NUL character; decode around any so nothing after one is lost. Little-
  // endian text (what regedit writes) is decoded where it lies; a big-endian one piece by piece.
  std::string out;
  out.reserve(bytes.size() / 2);
  const std::size_t size = bytes.size() & ~std::size_t{1};
  std::string swapped;
  auto decode = [&](std::size_t from, std::size_t to) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + from;
    if (!bigEndian) {
      out += utf16leToUtf8(p, to - from);
      return;
    }
    swapped.resize(to - from);
    for (std::size_t i = 0; i + 1 < swapped.size(); i += 2) {
      swapped[i] = static_cast<char>(p[i + 1]);
      swapped[i + 1] = static_cast<char>(p[i]);
    }
    out += utf16leToUtf8(reinterpret_cast<const unsigned char*>(swapped.data()), swapped.size());
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < size; i += 2) {
    if (bytes[i] == 0 && bytes[i + 1] == 0) {
      decode(start, i);
      start = i + 2;
    }
  }
  decode(start, size);
  return out;
}

// The lines of a text one at a time (CR LF, LF or CR ends a line), without copying them all.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text) : text_(text) {}
  bool next(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t end = text_.find_first_of("\r\n", pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < text_.size() && text_[pos_] == '\r') {
      ++pos_;
      if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    } else if (pos_ < text_.size()) {
      ++pos_;  // a lone LF
    }
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::string decodeRegText(std::string_view b) {
  auto starts = [&](std::string_view sig) { return b.substr(0, sig.size()) == sig; };
  if (starts("\xFF\xFE")) return decodeUtf16(b.substr(2), false);
  if (starts("\xFE\xFF")) return decodeUtf16(b.substr(2), true);
  if (starts("\xEF\xBB\xBF")) return std::string(b.substr(3));
  if (starts(kHeader4)) return ansiToUtf8(b);
  return std::string(b);  // version 5 header without a byte order mark: UTF-8
}

void skipBlanks(std::string_view s, std::size_t& pos) {
  while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

bool restIsEmpty(std::string_view s, std::size_t pos) {
  skipBlanks(s, pos);
  return pos >= s.size() || s[pos] == ';';
}

// A quoted text with \\ and \" escapes; pos is on the opening quote and ends after the closing one.
bool parseQuoted(std::string_view s, std::size_t& pos, std::string& out) {
  ++pos;
  while (pos < s.size()) {
    const char c = s[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
      out += s[pos + 1];
      pos += 2;
      continue;
    }
    out += c;
    ++pos;
  }
  return false;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Comma-separated bytes of one or two hex digits; blanks allowed around them, a trailing comma too.
bool parseHexBytes(std::string_view s, std::string& out, std::string& error) {
  std::size_t pos = 0;
  while (true) {
    skipBlanks(s, pos);
    if (pos >= s.size() || s[pos] == ';') return true;
    unsigned value = 0;
    int digits = 0;
    // a byte has at most two digits; a longer run is refused below, so stop adding before it overflows
    while (pos < s.size() && hexDigit(s[pos]) >= 0) {
      if (digits < 2) value = value * 16 + static_cast<unsigned>(hexDigit(s[pos]));
      ++pos;
      ++digits;
    }
    skipBlanks(s, pos);
    const bool endsHere = pos >= s.size() || s[pos] == ',' || s[pos] == ';';
    if (digits == 0 || digits > 2 || !endsHere) {
      error = "bad hex byte at column " + std::to_string(pos + 1);
      return false;
    }
    out += static_cast<char>(value);
    if (pos < s.size() && s[pos] == ',') ++pos;
  }
}

// REGEDIT4 writes expandable and multi-strings as ANSI bytes; the store keeps UTF-16LE.
std::string ansiStringsToUtf16(const std::string& bytes) {
  std::string out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\0') continue;
    out += utf8ToUtf16le(ansiToUtf8(std::string_view(bytes).substr(start, i - start)));
    out += std::string(2, '\0');
    start = i + 1;
  }
  if (start < bytes.size()) out += utf8ToUtf16le(ansiToUtf8(std::string_view(bytes).substr(start)));
  return out;
}

bool rootFromName(std::string_view name, RootKey& root) {
  static const std::pair<std::string_view, RootKey> kRoots[] = {
      {"HKEY_LOCAL_MACHINE", RootKey::LocalMachine}, {"HKLM", RootKey::LocalMachine},
      {"HKEY_CURRENT_USER", RootKey::CurrentUser},   {"HKCU", RootKey::CurrentUser},
      {"HKEY_CLASSES_ROOT", RootKey::ClassesRoot},   {"HKCR", RootKey::ClassesRoot},
      {"HKEY_USERS", RootKey::Users},                {"HKU", RootKey::Users},
      {"HKEY_CURRENT_CONFIG", RootKey::CurrentConfig}, {"HKCC", RootKey::CurrentConfig},
  };
  for (const auto& [n, r] : kRoots)
    if (iequalsAscii(n, name)) {
      root = r;
      return true;
    }
  return false;
}

class Loader {
 public:
  Loader(std::string_view name, MemoryRegistry& reg, std::vector<std::string>& messages)
      : name_(name), reg_(reg), messages_(messages) {}

  bool load(std::string bytes) {
    std::string text = decodeRegText(bytes);
    // the raw bytes are not needed once decoded: a large export must not be held twice
    std::string().swap(bytes);
    LineCursor lines(text);
    std::string_view raw;
    std::size_t lineNo = 0;
    bool any = false;
    while ((any = lines.next(raw))) {
      ++lineNo;
      if (!trim(raw).empty()) break;
    }
    const std::string header = any ? trim(raw) : std::string();
    if (header != kHeader4 && header != kHeader5) {
      messages_.push_back(name_ + ": not a registry export (the first line is neither \"" + std::string(kHeader4) +
                          "\" nor \"" + std::string(kHeader5) + "\"); nothing was loaded.");
      return false;
    }
    ansi_ = header == kHeader4;
    std::string line;
    while (lines.next(raw)) {
      const std::size_t thisLine = ++lineNo;
      line = trimLeft(raw);
      if (line.empty() || line[0] == ';') continue;
      if (line[0] == '[') {
        keyLine(line, thisLine);
        continue;
      }
      // hex data may go on over the following lines, each but the last ending in a backslash
      if (isHexValueLine(line)) {
        std::string_view next;
        while (endsWithContinuation(line) && lines.next(next)) {
          ++lineNo;
          while (line.back() == ' ' || line.back() == '\t') line.pop_back();
          line.pop_back();  // the backslash
          std::size_t from = 0;
          skipBlanks(next, from);
          line.append(next.substr(from));
        }
      }
      valueLine(line, thisLine);
    }
    if (badLines_ > kMaxReportedLines)
      messages_.push_back(name_ + ": " + std::to_string(badLines_ - kMaxReportedLines) +
                          " more lines could not be read and were skipped.");
    return true;
  }

 private:
  static std::string trimLeft(std::string_view s) {
    std::size_t p = 0;
    skipBlanks(s, p);
    return std::string(s.substr(p));
  }
  static std::string trimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return std::string(s.substr(0, e));
  }
  static bool endsWithContinuation(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return e > 0 && s[e - 1] == '\\';
  }
  static bool isHexValueLine(std::string_view line) {
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@')
      pos = 1;
    else if (line[0] != '"' || !parseQuoted(line, pos, name))
      return false;
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    skipBlanks(line, pos);
    return iequalsAscii(line.substr(pos, 3), "hex");
  }

  void bad(std::size_t lineNo, std::string_view why) {
    ++badLines_;
    if (badLines_ <= kMaxReportedLines)
      messages_.push_back(name_ + ": line " + std::to_string(lineNo) + ": " + std::string(why) + "; skipped.");
  }

  void keyLine(std::string_view line, std::size_t lineNo) {
    node_ = nullptr;
    skipValues_ = true;  // until the key line proves sound: values of a bad key line go with it
    const auto close = line.rfind(']');
    if (close == std::string_view::npos) return bad(lineNo, "key line without a closing ']'");
    std::string_view inner = line.substr(1, close - 1);
    const bool remove = !inner.empty() && inner[0] == '-';
    if (remove) inner.remove_prefix(1);
    const auto cut = inner.find('\\');
    RootKey root{};
    if (!rootFromName(inner.substr(0, cut), root))
      return bad(lineNo, "unknown root key '" + std::string(inner.substr(0, cut)) + "'");
    const std::string_view path = cut == std::string_view::npos ? std::string_view() : inner.substr(cut + 1);
    if (registryPathParts(path).size() > kMaxDepth)
      return bad(lineNo, "key nested deeper than " + std::to_string(kMaxDepth) + " levels");
    if (remove) {
      reg_.deleteKey(root, path);
      return;
    }
    node_ = reg_.createKey(root, path);
    skipValues_ = false;
  }

  void valueLine(std::string_view line, std::size_t lineNo) {
    std::size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
      pos = 1;
    } else if (line[0] == '"') {
      if (!parseQuoted(line, pos, name)) return bad(lineNo, "value name without its closing quote");
    } else {
      return bad(lineNo, "neither a key nor a value");
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != '=') return bad(lineNo, "no '=' after the value name");
    ++pos;
    skipBlanks(line, pos);
    const std::string_view data = line.substr(pos);

    if (!node_) {
      if (!skipValues_) bad(lineNo, "value before any key line");
      return;  // values under a deleted or refused key have nowhere to go
    }
    if (trimRight(data) == "-") {
      node_->removeValue(name);
      return;
    }
    RegValue v;
    std::string error;
    if (!parseData(data, v, error)) return bad(lineNo, error);
    node_->addValue(name, std::move(v));
  }

  bool parseData(std::string_view data, RegValue& v, std::string& error) {
    if (!data.empty() && data[0] == '"') {
      std::size_t pos = 0;
      std::string text;
      if (!parseQuoted(data, pos, text)) {
        error = "text value without its closing quote";
        return false;
      }
      if (!restIsEmpty(data, pos)) {
        error = "unexpected characters after the closing quote";
        return false;
      }
      v.type = kRegSz;
      v.data = utf8ToUtf16le(text) + std::string(2, '\0');
      return true;
    }
    if (iequalsAscii(data.substr(0, 6), "dword:")) {
      std::size_t pos = 6;
      skipBlanks(data, pos);
      std::uint32_t value = 0;
      int digits = 0;
      while (pos < data.size() && hexDigit(data[pos]) >= 0) {
        value = value * 16 + static_cast<std::uint32_t>(hexDigit(data[pos]));
        ++pos;
        ++digits;
      }
      if (digits == 0 || digits > 8 || !restIsEmpty(data, pos)) {
        error = "dword value that is not 1 to 8 hex digits";
        return false;
      }
      v.type = kRegDword;
      for (int i = 0; i < 4; ++i) v.data += static_cast<char>((value >> (8 * i)) & 0xFF);
      return true;
    }
    if (iequalsAscii(data.substr(0, 3), "hex")) {
      std::size_t pos = 3;
      std::uint32_t type = kRegBinary;
      if (pos < data.size() && data[pos] == '(') {
        ++pos;
        std::uint64_t t = 0;
        int digits = 0;
        while (pos < data.size() && hexDigit(data[pos]) >= 0) {
          t = t * 16 + static_cast<std::uint64_t>(hexDigit(data[pos]));
          ++pos;
          ++digits;
        }
        if (digits == 0 || digits > 8 || pos >= data.size() || data[pos] != ')') {
          error = "bad value type in hex(...)";
          return false;
        }
        ++pos;
        type = static_cast<std::uint32_t>(t);
      }
      if (pos >= data.size() || data[pos] != ':') {
        error = "no ':' after hex";
        return false;
      }
      std::string bytes;
      if (!parseHexBytes(data.substr(pos + 1), bytes, error)) return false;
      v.type = type;
      v.data = ansi_ && (type == kRegExpandSz || type == kRegMultiSz) ? ansiStringsToUtf16(bytes) : std::move(bytes);
      return true;
    }
    error = "unknown kind of value";
    return false;
  }

  std::string name_;
  MemoryRegistry& reg_;
  std::vector<std::string>& messages_;
  bool ansi_ = false;
  MemoryRegistry::Node* node_ = nullptr;
  bool skipValues_ = false;
  std::size_t badLines_ = 0;
};

}  // namespace

bool loadRegBytes(std::string_view bytes, std::string_view name, MemoryRegistry& registry,
                  std::vector<std::string>& messages) {
  return Loader(name, registry, messages).load(std::string(bytes));
}

bool loadRegFile(const std::string& path, MemoryRegistry& registry, std::vector<std::string>& messages) {
  std::string bytes;
  std::string why;
  if (!readSourceFile(path, kMaxRegExportBytes, looksLikeRegExport, bytes, why)) {
    messages.push_back(path + ": " + why + "; nothing was loaded.");
    return false;
  }
  return Loader(path, registry, messages).load(std::move(bytes));
}

bool looksLikeRegExport(std::string_view head) {
  auto starts = [&](std::string_view sig) { return head.substr(0, sig.size()) == sig; };
  std::string text;
  if (starts("\xFF\xFE"))
    text = decodeUtf16(head.substr(2, 2 * kHeader5.size()), false);
  else if (starts("\xFE\xFF"))
    text = decodeUtf16(head.substr(2, 2 * kHeader5.size()), true);
  else if (starts("\xEF\xBB\xBF"))
    text = std::string(head.substr(3));
  else
    text = std::string(head);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return false;
  text.erase(0, first);
  return text.rfind(kHeader4, 0) == 0 || text.rfind(kHeader5, 0) == 0;
}

}  // namespace mrv
