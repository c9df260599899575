#pragma once
// A Windows INI file as GetPrivateProfileString reads it: sections in brackets, key=value lines,
// names compared without regard to case, blanks around names and values dropped, one pair of
// surrounding quotes removed. Anything else on a line is ignored. A value runs to the end of its
// line: a ";" after it is part of it. Read as UTF-8 when the file starts with a byte-order mark or
// is valid UTF-8, else in the ANSI code page (Shift-JIS).
#include <map>
#include <string>
#include <string_view>

namespace mrv {

class IniFile {
 public:
  // False when the file cannot be read (then every key is missing).
  bool load(const std::string& path);
  void parse(std::string_view utf8Text);
  // The value, or `fallback` when the section or key is missing. The first occurrence wins.
  std::string value(std::string_view section, std::string_view key, std::string_view fallback = {}) const;

 private:
  std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-cased names
};

}  // namespace mrv
