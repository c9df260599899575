#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/IniFile.h"
#include "platform/Encoding.h"

#include <fstream>

using namespace mrv;

namespace {
bool noFiles(const std::string&) { return false; }
bool allFiles(const std::string&) { return true; }
const std::string kProgram = "/opt/mervana/mervana";

StartOptions parse(std::vector<std::string> args, bool (*exists)(const std::string&) = noFiles) {
  return ParseCommandLine(args, kProgram, exists);
}
}  // namespace

TEST(CommandLine, NoArgumentsIsInteractiveWithTheProgramsIni) {
  const auto o = parse({});
  EXPECT_FALSE(o.batch);
  EXPECT_EQ(o.iniPath, "/opt/mervana/mervana.ini");
  EXPECT_EQ(ParseCommandLine({}, "C:\\tools\\x.exe", noFiles).iniPath, "C:\\tools\\x.ini");
}

TEST(CommandLine, BatchDelays) {
  struct Case {
    std::vector<std::string> args;
    int ms;
  } cases[] = {
      {{"/b30"}, 30000},          {{"/B30"}, 30000},       {{"/b"}, 300000},       {{"/b", "600"}, 300000},
      {{"/bx"}, 300000},          {{"/b0"}, 0},            {{"/p/b600"}, 600000},  {{"/b600/p"}, 300000},
      {{"/b99999999999"}, 300000},
  };
  for (const auto& c : cases) {
    const auto o = parse(c.args);
    EXPECT_TRUE(o.batch) << c.args[0];
    EXPECT_EQ(o.timerIntervalMs, c.ms) << c.args[0];
  }
  EXPECT_EQ(parse({"/b", "600"}).iniPath, "/opt/mervana/mervana.ini");
}

TEST(CommandLine, SwitchesOnlyInBatchMode) {
  const auto all = parse({"/p/h/w/b10"});
  EXPECT_TRUE(all.batch && all.noHistory && all.noRecord && all.runAudit);
  EXPECT_EQ(all.timerIntervalMs, 10000);
  const auto late = parse({"/b600/P"});
  EXPECT_TRUE(late.noHistory);
  EXPECT_FALSE(late.noRecord);
  const auto interactive = parse({"/p"});
  EXPECT_FALSE(interactive.batch);
  EXPECT_FALSE(interactive.noHistory);
}

TEST(CommandLine, IniAsFirstOrSecondArgument) {
  const auto second = parse({"/b60", "D:\\cfg\\site.ini"});
  EXPECT_TRUE(second.batch);
  EXPECT_EQ(second.iniPath, "D:\\cfg\\site.ini");
  const auto only = parse({"D:\\cfg\\site.INI"});
  EXPECT_FALSE(only.batch);
  EXPECT_EQ(only.iniPath, "D:\\cfg\\site.INI");  // unchanged, not lower-cased
  EXPECT_EQ(parse({"/b0site.ini"}).iniPath, "/b0site.ini");
}

TEST(CommandLine, AFirstArgumentEndingInIniIsOnlyTheConfigurationWherePathsUseSlashes) {
  for (auto exists : {allFiles, noFiles}) {
    const auto o = ParseCommandLine({"/srv/backup/site.ini"}, kProgram, exists, true);
    EXPECT_FALSE(o.batch);
    EXPECT_FALSE(o.noHistory);
    EXPECT_EQ(o.iniPath, "/srv/backup/site.ini");
    EXPECT_TRUE(o.iniNamed);
    // a mistyped path is no five-minute batch run either
    EXPECT_FALSE(ParseCommandLine({"/home/bob/SITE.INI"}, kProgram, exists, true).batch);
  }
  // switches with an .ini path inside them are still switches
  EXPECT_TRUE(ParseCommandLine({"/b0/cfg.ini.bak"}, kProgram, noFiles, true).batch);
  // Windows keeps the existence test: a path there rarely holds "/b"
  EXPECT_FALSE(ParseCommandLine({"/srv/backup/site.ini"}, kProgram, allFiles, false).batch);
  EXPECT_TRUE(ParseCommandLine({"/srv/backup/site.ini"}, kProgram, noFiles, false).batch);
}

TEST(CommandLine, AMissingNamedConfigurationFileIsWarnedAbout) {
  const auto named = ParseCommandLine({"/home/bob/site.ini"}, kProgram, noFiles, true);
  EXPECT_EQ(MissingConfigurationWarning(named, noFiles),
            "設定ファイルがありません: /home/bob/site.ini (既定の設定で続けます)");
  EXPECT_EQ(MissingConfigurationWarning(named, allFiles), "");
  const auto second = parse({"/b0", "D:\\cfg\\x.ini"});
  EXPECT_NE(MissingConfigurationWarning(second, noFiles), "");
  // the program's own configuration file is optional: no warning when it is missing
  EXPECT_EQ(MissingConfigurationWarning(parse({"/b0"}), noFiles), "");
  EXPECT_EQ(MissingConfigurationWarning(parse({}), noFiles), "");
}

TEST(IniFile, SectionsKeysAndMalformedLines) {
  IniFile ini;
  ini.parse(
      "garbage before any section\r\n[general]\r\n SaveDir = D:\\pcdata\\ \r\nnot a pair\r\n[broken\r\n"
      "[Sources]\r\nRegistry=\"/mnt/win\"\r\nRegistry=/other\r\n");
  EXPECT_EQ(ini.value("General", "SAVEDIR"), "D:\\pcdata\\");
  EXPECT_EQ(ini.value("Sources", "Registry"), "/mnt/win");
  EXPECT_EQ(ini.value("General", "Missing", "x"), "x");
  EXPECT_EQ(ini.value("Nowhere", "SaveDir"), "");
}

namespace {
std::string iniFile(const std::string& name, const std::string& bytes) {
  const std::string path = ::testing::TempDir() + "/mrv-ini-" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}
}  // namespace

// An administrator on Linux writes UTF-8, one on Windows Shift-JIS; both are read right.
TEST(IniFile, ReadsUtf8WithOrWithoutAByteOrderMarkAndShiftJis) {
  const std::string utf8 = "[General]\r\nSaveDir=/tmp/記録\r\n";  // also valid Shift-JIS, as mojibake
  struct Case {
    std::string name, bytes;
  } cases[] = {
      {"bom.ini", "\xEF\xBB\xBF" + utf8},
      {"utf8.ini", utf8},
      {"sjis.ini", "[General]\r\nSaveDir=/tmp/\x8B\x4C\x98\x5E\r\n"},  // 記録 in Shift-JIS
      {"bom-only-key.ini", "\xEF\xBB\xBFSaveDir=x\r\n[General]\nSaveDir=/tmp/記録\n"},
  };
  for (const auto& c : cases) {
    IniFile ini;
    ASSERT_TRUE(ini.load(iniFile(c.name, c.bytes))) << c.name;
    EXPECT_EQ(ini.value("General", "SaveDir"), "/tmp/記録") << c.name;
  }
  // a byte-order mark before the first section header still opens that section
  IniFile ini;
  ASSERT_TRUE(ini.load(iniFile("bom-section.ini", "\xEF\xBB\xBF[Sources]\r\nWmi=a.wmi\r\n")));
  EXPECT_EQ(ini.value("Sources", "Wmi"), "a.wmi");
  // half-width katakana in Shift-JIS that are not UTF-8 stay katakana
  ASSERT_TRUE(ini.load(iniFile("kana.ini", "[General]\r\nSaveDir=\xC3\xBD\xC4\r\n")));
  EXPECT_EQ(ini.value("General", "SaveDir"), "ﾃｽﾄ");
}

// A value runs to the end of its line, so a comment after it is part of it (the README's example
// once had one); comments stand on lines of their own.
TEST(IniFile, ACommentAfterAValueIsPartOfTheValue) {
  IniFile ini;
  ini.parse("[General]\n; where records go\nSaveDir=/srv/pcdata   ; records\n");
  EXPECT_EQ(ini.value("General", "SaveDir"), "/srv/pcdata   ; records");
}

TEST(Encoding, Utf8Validity) {
  EXPECT_TRUE(isValidUtf8("plain"));
  EXPECT_TRUE(isValidUtf8("記録 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(isValidUtf8("\xE8\xA8"));            // cut short
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));            // overlong
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));        // surrogate
  EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));    // past U+10FFFF
  EXPECT_FALSE(isValidUtf8("\x8B\x4C\x98\x5E"));    // Shift-JIS kanji
}
