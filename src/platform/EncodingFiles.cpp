// Reading ANSI text files: the same on every system once the path is taken as UTF-8.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/Text.h"
#include "platform/Encoding.h"

namespace mrv {

bool readAnsiFile(const std::string& path, std::string& utf8Text) {
  const std::filesystem::path p(std::u8string(path.begin(), path.end()));
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return false;
  utf8Text = ansiToUtf8(ss.str());
  return true;
}

bool readAnsiLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!readAnsiFile(path, text)) return false;
  lines = splitLines(text);
  return true;
}

}  // namespace mrv
