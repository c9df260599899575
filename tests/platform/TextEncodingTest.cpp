// Text files an editor may have saved in UTF-8: found, read and saved back in their encoding.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "support/TempFolder.h"

using namespace mrv;

namespace {
const std::string kSjisKana = "\x83\x65\x83\x58\x83\x67";   // テスト in Shift-JIS
const std::string kUtf8Kana = "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88";  // テスト in UTF-8

using Dir = mrv::test::TempFolder;
void put(const std::string& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
std::string get(const std::string& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
}  // namespace

TEST(TextEncoding, DetectsUtf8WhenTheBytesAreUtf8Throughout) {
  EXPECT_EQ(detectTextEncoding("\xEF\xBB\xBF" "abc"), TextFileEncoding::Utf8Bom);
  EXPECT_EQ(detectTextEncoding(kUtf8Kana), TextFileEncoding::Utf8);
  EXPECT_EQ(detectTextEncoding(kSjisKana), TextFileEncoding::Ansi);
  EXPECT_EQ(detectTextEncoding("plain ascii"), TextFileEncoding::Ansi);
  EXPECT_EQ(detectTextEncoding(""), TextFileEncoding::Ansi);
  // neither: read as Shift-JIS, its bad bytes become U+FFFD
  EXPECT_EQ(detectTextEncoding("\xFF\xFE\x80"), TextFileEncoding::Ansi);
  // valid in both: UTF-8 wins, as for the configuration file. Japanese written in UTF-8 is often
  // valid Shift-JIS too ("記録" is), while Shift-JIS Japanese is practically never valid UTF-8.
  EXPECT_TRUE(isValidShiftJis("\xE8\xA8\x98\xE9\x8C\xB2"));
  EXPECT_EQ(detectTextEncoding("\xE8\xA8\x98\xE9\x8C\xB2"), TextFileEncoding::Utf8);
  // UTF-8 cut short or overlong is not UTF-8
  EXPECT_FALSE(isValidUtf8("\xE3\x83"));
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(isValidShiftJis("\x83"));
  EXPECT_FALSE(isValidShiftJis("\x83\x7F"));
}

TEST(TextEncoding, ReadsEachEncodingAndSavesItBackAsFound) {
  Dir d;
  struct Case {
    std::string bytes;
    TextFileEncoding encoding;
  };
  for (const Case& c : {Case{"\xEF\xBB\xBF" + kUtf8Kana + "\r\nx\r\n", TextFileEncoding::Utf8Bom},
                        Case{kUtf8Kana + "\r\nx\r\n", TextFileEncoding::Utf8},
                        Case{kSjisKana + "\r\nx\r\n", TextFileEncoding::Ansi}}) {
    const std::string path = d.file("regitems.txt");
    put(path, c.bytes);
    std::string text;
    TextFileEncoding found{};
    ASSERT_TRUE(readTextFileDetectingUtf8(path, text, &found));
    EXPECT_EQ(found, c.encoding);
    EXPECT_EQ(text, kUtf8Kana + "\r\nx\r\n");
    ASSERT_TRUE(writeTextLinesAtomic(path, {kUtf8Kana, "x"}, found));
    EXPECT_EQ(get(path), c.bytes);
  }
  std::string text;
  EXPECT_FALSE(readTextFileDetectingUtf8(d.file("missing.txt"), text));
}

TEST(TextEncoding, AFailedSaveLeavesTheOldFileWhole) {
  Dir d;
  const std::string path = d.file("sub/regitems.txt");
  EXPECT_FALSE(writeTextLinesAtomic(path, {"x"}, TextFileEncoding::Utf8));  // no such folder
  EXPECT_FALSE(std::filesystem::exists(path));
  // a target that is a folder cannot be replaced: the write fails, says so and leaves no temporary file
  std::filesystem::create_directory(d.file("taken"));
  EXPECT_FALSE(writeTextLinesAtomic(d.file("taken"), {"new"}, TextFileEncoding::Utf8Bom));
  EXPECT_TRUE(std::filesystem::is_directory(d.file("taken")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.path), {}), 1);
}
