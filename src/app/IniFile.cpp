#include "app/IniFile.h"

#include "base/Text.h"
#include "platform/TextFiles.h"

namespace mrv {

bool IniFile::load(const std::string& path) {
  sections_.clear();
  std::string text;
  if (!readAnsiOrUtf8File(path, text)) return false;
  parse(text);
  return true;
}

void IniFile::parse(std::string_view text) {
  sections_.clear();
  std::string section;
  bool inSection = false;
  for (const auto& raw : splitLines(text)) {
    const std::string line = trim(raw);
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string::npos) continue;  // a broken header is passed over
      section = toLowerAscii(trim(line.substr(1, close - 1)));
      inSection = true;
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!inSection || eq == std::string::npos) continue;
    const std::string key = toLowerAscii(trim(line.substr(0, eq)));
    std::string value = trim(line.substr(eq + 1));
    if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') || (value.front() == '\'' && value.back() == '\'')))
      value = value.substr(1, value.size() - 2);
    sections_[section].emplace(key, value);  // first occurrence wins
  }
}

std::string IniFile::value(std::string_view section, std::string_view key, std::string_view fallback) const {
  auto s = sections_.find(toLowerAscii(section));
  if (s == sections_.end()) return std::string(fallback);
  auto k = s->second.find(toLowerAscii(key));
  return k == s->second.end() ? std::string(fallback) : k->second;
}

}  // namespace mrv
