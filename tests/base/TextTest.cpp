#include <gtest/gtest.h>

#include "base/Text.h"
#include "platform/Encoding.h"

using namespace mrv;

TEST(Text, CharactersAreCountedNotBytes) {
  EXPECT_EQ(charCount("ab日本c"), 5u);
  EXPECT_EQ(charLeft("日本語テキスト", 3), "日本語");
  EXPECT_EQ(charSubstr("a日b", 1, 1), "日");
  EXPECT_EQ(charSubstr("abc", 5), "");
}

TEST(Text, StrictIntegers) {
  int v = 0;
  EXPECT_TRUE(parseInt("600", v));
  EXPECT_EQ(v, 600);
  EXPECT_TRUE(parseInt("-5", v));
  EXPECT_EQ(v, -5);
  for (const char* bad : {"", "600/p", " 6", "x", "+", "2147483648", "99999999999"}) EXPECT_FALSE(parseInt(bad, v)) << bad;
  EXPECT_TRUE(parseInt("2147483647", v));
}

TEST(Text, Utf16RoundTrip) {
  const std::string s = "レジストリ\\Key 𠀋";
  const std::string w = utf8ToUtf16le(s);
  EXPECT_EQ(utf16leToUtf8(reinterpret_cast<const unsigned char*>(w.data()), w.size()), s);
}

TEST(Encoding, ShiftJisRoundTrip) {
  const std::string label = "メモリ スロット/形式/MB/MHz ＭＳ Ｐゴシック \\ ~";
  const std::string sjis = utf8ToAnsi(label);
  EXPECT_EQ(sjis.substr(0, 2), "\x83\x81");  // メ
  EXPECT_EQ(ansiToUtf8(sjis), label);
}

TEST(Encoding, UnrepresentableBecomesQuestionMark) {
  EXPECT_EQ(utf8ToAnsi("a😀b"), "a?b");
  EXPECT_EQ(utf8ToAnsi("a\xFF" "b"), "a?b");  // not UTF-8 at all
}

TEST(Encoding, InvalidShiftJisNeverBreaksReading) {
  // a lead byte with a bad trail, a lone lead byte at the end, an undefined single byte
  const std::string bad = "A\x81\x20" "B\xA0\x82";
  const std::string out = ansiToUtf8(bad);
  EXPECT_EQ(out.front(), 'A');
  EXPECT_NE(out.find('B'), std::string::npos);
  EXPECT_NE(out.find("\xEF\xBF\xBD"), std::string::npos);
}

TEST(Encoding, InvalidShiftJisGivesTheSameTextOnEverySystem) {
  // each byte that does not start a Shift-JIS character is one U+FFFD and reading goes on at the
  // next byte: a bad trail, bytes Windows alone would map (0x80, 0xA0, 0xFD), an unassigned pair,
  // a lone lead byte at the end
  EXPECT_EQ(ansiToUtf8("A\x81\x20" "B\x80" "C\xA0" "D\xFD" "E\x85\x40" "F\x82"),
            "A\uFFFD B\uFFFD" "C\uFFFD" "D\uFFFD" "E\uFFFD@F\uFFFD");
  EXPECT_EQ(ansiToUtf8("\x93\xFA\x96\x7B\xB1"), "日本ｱ");  // valid text is untouched
}
