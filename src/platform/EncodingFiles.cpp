// Reading ANSI text files: the same on every system once the path is taken as UTF-8.
#include <chrono>
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

bool isProgramTempFileName(std::string_view name) {
  auto digits = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  // "<digits>-<digits>" between a prefix and ".tmp"
  auto serialPair = [&](std::string_view s) {
    const std::size_t dash = s.find('-');
    return dash != std::string_view::npos && digits(s.substr(0, dash)) && digits(s.substr(dash + 1));
  };
  if (name.size() < 5 || name.substr(name.size() - 4) != ".tmp") return false;
  name.remove_suffix(4);
  if (name.rfind(".mrv-", 0) == 0) return serialPair(name.substr(5));
  const std::size_t mark = name.rfind(".~");
  return mark != std::string_view::npos && mark > 0 && serialPair(name.substr(mark + 2));
}

int removeStaleTempFiles(const std::string& folder, int minutes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const auto cutoff = fs::file_time_type::clock::now() - std::chrono::minutes(minutes);
  int removed = 0;
  for (fs::directory_iterator it(fs::path(std::u8string(folder.begin(), folder.end())), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::u8string u8 = it->path().filename().u8string();
    if (!isProgramTempFileName(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()))) continue;
    std::error_code fileEc;
    if (!it->is_regular_file(fileEc) || it->last_write_time(fileEc) > cutoff || fileEc) continue;
    if (fs::remove(it->path(), fileEc)) ++removed;
  }
  return removed;
}

bool readAnsiLines(const std::string& path, std::vector<std::string>& lines) {
  std::string text;
  if (!readAnsiFile(path, text)) return false;
  lines = splitLines(text);
  return true;
}

}  // namespace mrv
