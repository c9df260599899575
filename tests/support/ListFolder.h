#pragma once
// A temporary folder for the aggregated lists: records and lists written and read as the program
// keeps them (Shift-JIS, CR LF).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/Encoding.h"
#include "support/TempFolder.h"

namespace mrv::test {

class ListFolder {
 public:
  // tag: what the folder is for; the folder itself is a new temporary one (support/TempFolder.h).
  explicit ListFolder(const std::string& /*tag*/) {}
  const std::filesystem::path& path() const { return folder_.path; }
  std::string str() const { return folder_.path.string(); }

  // Writes UTF-8 lines as a Shift-JIS file with CR LF line ends.
  void write(const std::string& name, const std::vector<std::string>& lines) const {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    writeBytes(name, utf8ToAnsi(text));
  }
  void writeBytes(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_.path / name, std::ios::binary) << bytes;
  }
  std::string bytes(const std::string& name) const {
    std::ifstream in(folder_.path / name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // The file's lines as UTF-8; the file must end every line with CR LF.
  std::vector<std::string> lines(const std::string& name) const {
    const std::string b = bytes(name);
    EXPECT_TRUE(b.empty() || endsWith(b, "\r\n")) << name;
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < b.size()) {
      const std::size_t end = b.find("\r\n", pos);
      EXPECT_EQ(b.substr(pos, end - pos).find_first_of("\r\n"), std::string::npos) << name << ": a bare CR or LF";
      out.push_back(ansiToUtf8(b.substr(pos, end - pos)));
      pos = end + 2;
    }
    return out;
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(folder_.path / name); }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(folder_.path)) out.push_back(e.path().filename().string());
    return out;
  }

 private:
  TempFolder folder_;
};

}  // namespace mrv::test
