#include <gtest/gtest.h>

#include "app/CommandLine.h"
#include "app/IniFile.h"

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

TEST(CommandLine, AnExistingIniFileWhosePathHoldsASwitchIsOnlyTheConfiguration) {
  const auto o = parse({"/srv/backup/site.ini"}, allFiles);
  EXPECT_FALSE(o.batch);
  EXPECT_FALSE(o.noHistory);
  EXPECT_EQ(o.iniPath, "/srv/backup/site.ini");
  // the same text naming no file keeps the substring rules
  EXPECT_TRUE(parse({"/srv/backup/site.ini"}).batch);
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
