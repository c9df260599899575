// Reading ANSI text files: the same on every system once the path is taken as UTF-8.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "base/Utf8Path.h"
#include "base/Text.h"
#include "platform/Encoding.h"

namespace mrv {

bool readAnsiFile(const std::string& path, std::string& utf8Text) {
  std::ifstream in(pathFromUtf8(path), std::ios::binary);
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
