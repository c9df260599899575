// The custom items interpreter, grouped by kind of line.
#include <gtest/gtest.h>

#include <cstdlib>

#include "support/TestEnv.h"
#include "collect/CustomItemsFixture.h"
#include "collect/PeImageBuilder.h"
#include "records/DefinitionLines.h"

using namespace mrv;
using namespace mrv::test;
using V = std::vector<std::string>;

namespace {
constexpr RootKey LM = RootKey::LocalMachine;
constexpr RootKey CU = RootKey::CurrentUser;
constexpr RootKey CR = RootKey::ClassesRoot;

class CustomItems : public ::testing::Test {
 protected:
  CustomRun run;
  MemoryRegistry& reg = run.memoryRegistry;
  void SetUp() override {
    reg.setString(LM, "Software\\Test", "Owner", "Yamada");
    reg.setDword(LM, "Software\\Test", "Count", 42);
    reg.setString(LM, "Software\\Test", "Build", "Build v1.2.3; rev 7");
    reg.setString(CU, "Software\\Test", "Owner", "user side");
  }
};
}  // namespace

TEST_F(CustomItems, ReadOneLineAheadSoTheLastLineCountsOnlyInsideTheLineBefore) {
  EXPECT_EQ(run.rows({"only item"}), V{});
  EXPECT_EQ(run.rows({"only item", "// end"}), V{"only item"});
  EXPECT_EQ(run.rows({}), V{});
  EXPECT_EQ(run.rows({""}), V{});
  // a block's value line is read by the key line before it, so it counts even in the last place
  EXPECT_EQ(run.rows({"\\Software\\Test", "Owner"}), V{"Yamada"});
  // any other line there is a value line too, read as a value name
  EXPECT_EQ(run.rows({"\\Software\\Test", "Owner", "literal"}), (V{"Yamada", ""}));
  // the line that ends a block is not interpreted when it is the last
  EXPECT_EQ(run.rows({"\\Software\\Test", "Owner", ">asked?"}), V{"Yamada"});
  EXPECT_TRUE(run.dialogs.shown.empty());
}

TEST_F(CustomItems, LiteralsCommentsAndFieldForm) {
  EXPECT_EQ(run.rowsOf({"plain", "", "/single slash", "// comment", "=1+2", "a, b", "say \"x\", y"}),
            (V{"plain", "", "/single slash", "'=1+2", "\"a, b\"", "say \"x\"  y"}));
}

TEST_F(CustomItems, ConditionsChooseSectionsByFamily) {
  const V lines{"?NT", "nt row", "?9x", "9x row", "?9x NT", "both", "?end", "after end", "// end"};
  run.family = "NT";
  EXPECT_EQ(run.rows(lines), (V{"nt row", "both"}));
  run.family = "9x";
  EXPECT_EQ(run.rows(lines), (V{"9x row", "both"}));
  // "?END" ends too; the family text is compared case-sensitively
  EXPECT_EQ(run.rowsOf({"first", "?END", "not read"}), V{"first"});
  run.family = "NT";
  EXPECT_EQ(run.rowsOf({"?nt", "skipped", "?NT", "read"}), V{"read"});
  // a section that runs to the end of the file
  EXPECT_EQ(run.rowsOf({"?9x", "skipped", "skipped too"}), V{});
}

TEST_F(CustomItems, RootLinesChangeTheRootOnlyWhenExact) {
  EXPECT_EQ(run.rowsOf({"HKEY_CURRENT_USER", "\\Software\\Test", "Owner"}), V{"user side"});
  EXPECT_EQ(run.rowsOf({"HKEY_CURRENT_USER ", "\\Software\\Test", "Owner"}), V{"Yamada"});
  EXPECT_EQ(run.rowsOf({"HKEY_WHATEVER", "\\Software\\Test", "Owner"}), V{"Yamada"});
  // the root stays for later blocks
  EXPECT_EQ(run.rowsOf({"HKEY_CURRENT_USER", "\\Software\\Test", "Owner", "", "\\Software\\Test", "Count"}),
            (V{"user side", "", ""}));
}

TEST_F(CustomItems, PlainBlockReadsEachValueLine) {
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "Owner==Label", "Count", "Build(v/;)", "Owner/Yam", "Owner/Zzz",
                        "Missing|Nothing|Owner", "Owner+-Count+/Build", "/literal", "// skipped", "Missing"}),
            (V{"Yamada", "42", "1.2.3", "Yamada", "", "Yamada", "Yamada-42/Build v1.2.3; rev 7", "/literal", ""}));
  // "#", "&" and "$" lines do not end a plain block: they are value specifications there
  reg.setString(LM, "Software\\Test", "#odd", "hash");
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "#odd", "&Owner", "$Count", "Owner"}), (V{"hash", "", "", "Yamada"}));
  // each of these ends the block and is interpreted as itself
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "Owner", "", "Owner"}), (V{"Yamada", "", "Owner"}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "Owner", "?NT", "Owner"}), (V{"Yamada", "Owner"}));
}

TEST_F(CustomItems, PlainBlockWithAMissingKeyGivesOneEmptyRowPerValueLine) {
  EXPECT_EQ(run.rowsOf({"\\Software\\Nowhere", "Owner", "/kept", "Count"}), (V{"", "/kept", ""}));
  // the Key-open flag empties values even when a previous key is still readable
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "Owner", "\\Software\\Nowhere", "DEFAULT"}), (V{"Yamada", ""}));
}

TEST_F(CustomItems, RegistryReadFailureGivesErrorText) {
  reg.setValue(LM, "Software\\Test", "Blob", RegValue{kRegBinary, "\x01\x02"});
  EXPECT_EQ(run.rowsOf({"\\Software\\Test", "Blob", "Owner"}), (V{"Error!", "Yamada"}));
}

TEST_F(CustomItems, AllOrNothingBlock) {
  EXPECT_EQ(run.rowsOf({"\\Software\\Test*", "Owner", "/lit", "Count", "// c"}), (V{"Yamada", "/lit", "42"}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Test*", "Owner", "/lit", "Missing"}), (V{"", "/lit", ""}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Gone*", "Owner"}), V{""});
  // "$" and "#" end this kind of block
  mrv::testing::setTestEnv("MERVANA_CUSTOM_T1", "env");
  EXPECT_EQ(run.rowsOf({"\\Software\\Test*", "Owner", "$MERVANA_CUSTOM_T1", "#running"}).size(), 3u);
  EXPECT_EQ(run.rowsOf({"\\Software\\Test*", "Owner", "$MERVANA_CUSTOM_T1"}), (V{"Yamada", "env"}));
}

TEST_F(CustomItems, SubkeySearchStopsAtTheFirstSubkeyWithEveryValue) {
  reg.setString(LM, "Software\\Apps\\A\\Details", "Name", "Alpha");
  reg.setString(LM, "Software\\Apps\\B\\Details", "Name", "Beta");
  reg.setString(LM, "Software\\Apps\\B\\Details", "Publisher", "Contoso Ltd");
  reg.setString(LM, "Software\\Apps\\C\\Details", "Name", "Gamma");
  reg.setString(LM, "Software\\Apps\\C\\Details", "Publisher", "Fabrikam");
  EXPECT_EQ(run.rowsOf({"\\Software\\Apps\\*\\Details", "Name", "/lit", "Publisher"}),
            (V{"Beta", "/lit", "Contoso Ltd"}));
  // a filter turns it into a search for the value
  EXPECT_EQ(run.rowsOf({"\\Software\\Apps\\*\\Details", "Name", "Publisher/Fab"}), (V{"Gamma", "Fabrikam"}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Apps\\*\\Details", "Name", "Publisher/Nobody"}), (V{"", ""}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Apps\\*", "Name"}), V{""});
  // no subkeys: the values of the parent itself
  EXPECT_EQ(run.rowsOf({"\\Software\\Test\\*", "Owner", "Count"}), (V{"Yamada", "42"}));
  EXPECT_EQ(run.rowsOf({"\\Software\\Missing\\*", "Owner"}), V{""});
}

namespace {
// A hive whose keys list themselves as their own subkey, and whose listing fails under "Broken".
class LoopingStore : public RegistryStore {
 public:
  struct Key : RegistryKey {
    std::string path;
    explicit Key(std::string p) : path(std::move(p)) {}
    std::vector<std::string> subkeyNames() override {
      if (path.find("Broken") != std::string::npos) throw std::runtime_error("damaged subkey list");
      return {"Loop", "Loop", "Loop"};
    }
    std::size_t subkeyCount() override { return 3; }
    std::vector<std::string> valueNames() override { return {}; }
    bool queryValue(std::string_view, RegValue&) override { return false; }
    std::unique_ptr<RegistryKey> openSubkey(std::string_view p) override {
      return std::make_unique<Key>(path + "\\" + std::string(p));
    }
  };
  std::unique_ptr<RegistryKey> openKey(RootKey, std::string_view path) override {
    ++opened;
    if (opened > 10000) throw std::runtime_error("the search does not end");
    return std::make_unique<Key>(std::string(path));
  }
  int opened = 0;
};
}  // namespace

TEST_F(CustomItems, SubkeySearchOverADamagedOrLoopingHiveEndsWithWhatItFound) {
  LoopingStore looping;
  run.store = &looping;
  EXPECT_EQ(
      run.rowsOf({"\\Software\\Loop\\*\\Loop", "Name", "/lit", "\\Software\\Broken\\*", "Name", "", "after"}),
      (V{"", "/lit", "", "", "after"}));
  EXPECT_LT(looping.opened, 100);
}

TEST_F(CustomItems, PrintersListUpToNAndPadsWithEmptyRows) {
  run.printers.names = [] { return V{"Office Laser", "Label on LPT1:", "Third"}; };
  run.printers.driverPort = [](CollectionContext&, std::string_view name) {
    CustomPrinters::DriverPort dp;
    if (name == "Office Laser") dp = {true, "HP LaserJet", "IP_10.0.0.9"};
    if (name == "Label on LPT1:") dp = {true, "Zebra", "LPT1:"};
    return dp;
  };
  EXPECT_EQ(run.rowsOf({"#printers 2"}), (V{"Office Laser on IP_10.0.0.9 HP LaserJet", "Label on LPT1: Zebra"}));
  run.printers.names = [] { return V{"Office Laser"}; };
  EXPECT_EQ(run.rowsOf({"#printers 3"}), (V{"Office Laser on IP_10.0.0.9 HP LaserJet", "", ""}));
  EXPECT_EQ(run.rowsOf({"#Printers"}).size(), 1u);
  // a printer without a key: its port and driver are empty
  run.printers.names = [] { return V{"Ghost"}; };
  EXPECT_EQ(run.rowsOf({"#printers"}), V{"Ghost on  "});
  // a count that is not a positive integer is 1; a huge one is bounded
  EXPECT_EQ(run.rowsOf({"#printers x"}).size(), 1u);
  EXPECT_EQ(run.rowsOf({"#printers 0"}).size(), 1u);
  EXPECT_EQ(run.rowsOf({"#printers -3"}).size(), 1u);
  EXPECT_EQ(run.rowsOf({"#printers 3 "}).size(), 1u);
  EXPECT_EQ(run.rowsOf({"#printers 99999999"}).size(), static_cast<std::size_t>(kMaxListRows));
  // the root is HKEY_LOCAL_MACHINE afterwards
  EXPECT_EQ(run.rowsOf({"HKEY_CURRENT_USER", "#printers", "\\Software\\Test", "Owner"}), (V{"Ghost on  ", "Yamada"}));
}

TEST_F(CustomItems, SharedFoldersWithTheirPaths) {
  run.sys.shares.remoteNames = {"\\\\PC01\\Docs", "\\\\PC01\\Public", "\\\\PC01\\Third"};
  reg.setMultiString(LM, "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\Shares", "Docs",
                     {"CSCFlags=0", "Path=C:\\Docs", "Type=0"});
  reg.setMultiString(LM, "SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\Shares", "Public",
                     {"CSCFlags=0", "Path=C:\\Public"});  // the last entry is not examined
  EXPECT_EQ(run.rowsOf({"#shareddir 2"}), (V{"Docs C:\\Docs", "Public "}));
  run.family = "9x";
  reg.setString(LM, "Software\\Microsoft\\Windows\\CurrentVersion\\Network\\LanMan\\Docs", "Path", "C:\\MYDOCS");
  EXPECT_EQ(run.rowsOf({"#shareddir 4"}), (V{"Docs C:\\MYDOCS", "Public ", "Third ", ""}));
}

TEST_F(CustomItems, NothingSharedGivesTheMessageThenEmptyRows) {
  run.sys.shares.enumCode = kErrorNoMoreItems;
  EXPECT_EQ(run.rowsOf({"#shareddir 3"}), (V{"共有フォルダはありません ", "", ""}));
  run.sys.shares = {};
  run.sys.shares.openCode = kErrorNoNetwork;
  EXPECT_EQ(run.rowsOf({"#shareddir"}), V{"Error(No network is present.) "});
}

TEST_F(CustomItems, RunningPrograms) {
  run.sys.processes = V{"C:\\WINDOWS\\Explorer.EXE", "[System Process]", "System", "C:\\Windows\\notepad.exe",
                        "svchost.exe", "NOTEPAD.EXE"};
  EXPECT_EQ(run.rowsOf({"#running"}), V{"explorer.exe notepad.exe notepad.exe svchost.exe "});
  // with names: those running, in process order, each time they run
  EXPECT_EQ(run.rowsOf({"#running Notepad.exe explorer.exe calc.exe"}), V{"explorer.exe notepad.exe notepad.exe "});
  EXPECT_EQ(run.rowsOf({"#running note"}), V{""});
  run.sys.processes.reset();
  EXPECT_EQ(run.rowsOf({"#running"}), V{""});
}

namespace {
const std::string kToolVersion = versionBlock(
    true, {str("OriginalFilename", "Tool.EXE"), str("FileVersion", "1.0.0.1"), str("ProductVersion", "1.0")});
}  // namespace

TEST_F(CustomItems, FileVersionLinesAndOtherFiles) {
  run.sys.versionBlocks["c:\\program files\\tool\\tool.exe"] = kToolVersion;
  EXPECT_EQ(run.rowsOf({"#c:\\docs\\readme.txt", "#c:\\x.dl", "#%ProgramFiles%\\Tool\\Tool.exe 3",
                        "#c:\\none.ocx", "#c:\\none.DLL"}),
            (V{"tool.exe 1.0", "", ""}));
}

TEST_F(CustomItems, InstalledProgramIsTakenOutOfTheBlockUnlessItIsWindows) {
  run.installed = {"Office Suite 2003 11.0 ", "Windows Media Player 10 ", "Zip Tool 9.2 "};
  EXPECT_EQ(run.rowsOf({"&Office", "&Media", "&office", "&Nothing"}),
            (V{"Office Suite 2003 11.0 ", "Windows Media Player 10 ", "", ""}));
  EXPECT_EQ(run.installed, (V{"Windows Media Player 10 ", "Zip Tool 9.2 "}));
  // the same program asked twice is reported once
  EXPECT_EQ(run.rowsOf({"&Zip", "&Zip"}), (V{"Zip Tool 9.2 ", ""}));
}

TEST_F(CustomItems, EnvironmentVariablesAreTakenWhole) {
  mrv::testing::setTestEnv("MERVANA_CUSTOM_T2", "value, with comma");
  const std::string longValue(1500, 'x');
  mrv::testing::setTestEnv("MERVANA_CUSTOM_LONG", longValue.c_str());
  mrv::testing::unsetTestEnv("MERVANA_CUSTOM_UNSET");
  EXPECT_EQ(run.rowsOf({"$MERVANA_CUSTOM_T2", "$MERVANA_CUSTOM_UNSET", "$MERVANA_CUSTOM_LONG", "$"}),
            (V{"\"value, with comma\"", "", longValue, ""}));
}

TEST_F(CustomItems, PromptsAndQuestions) {
  run.dialogs.promptAnswers = {"Room 3, east", "=x"};
  run.dialogs.yesNoAnswers = {true, false};
  EXPECT_EQ(run.rowsOf({">Your room?", ">Formula?", "<Do you agree?", "<WinVersion", "<winversion"}),
            (V{"Room 3  east", "'=x", "Yes", "No"}));
  EXPECT_EQ(run.dialogs.shown, (V{"prompt|Your room?", "prompt|Formula?", "Mervana：問い合わせ|Do you agree?",
                                  "Mervana|このウィンドウズのバージョンは Windows XP です",
                                  "Mervana：問い合わせ|winversion"}));
}

TEST_F(CustomItems, QuestionsWithoutAWindowGetTheSafeAnswer) {
  ConsoleDialogs console;
  EXPECT_FALSE(console.askYesNo("Mervana：問い合わせ", "q"));
  EXPECT_EQ(console.askYesNoCancel("ソフトウェアのライセンス", "q"), Dialogs::Answer::Cancel);
  EXPECT_EQ(console.prompt("q"), "");
}

namespace {
void registerTxt(MemoryRegistry& reg) {
  reg.setString(CR, ".txt", "", "txtfile");
  reg.setString(CR, "txtfile\\shell\\open\\command", "", "\"C:\\Program Files\\Tool\\tool.exe\" \"%1\"");
  reg.setString(CR, "Classes\\Only", "Name", "from the classes root");
}
}  // namespace

TEST_F(CustomItems, DocumentTypeVersionAndLicenceQuestion) {
  registerTxt(reg);
  run.sys.versionBlocks["c:\\program files\\tool\\tool.exe"] = kToolVersion;
  run.dialogs.yesNoCancelAnswers = {Dialogs::Answer::Cancel, Dialogs::Answer::No};
  EXPECT_EQ(run.rowsOf({".txt FileVersion ProductVersion", ">TOOL/Tool Suite", ".txt", ">word/Word", ".txt",
                        ">tool.exe", ".none FileVersion", ">x/X"}),
            (V{"tool.exe 1.0.0.1 1.0", "??", "tool.exe", "", "tool.exe", "No", "", ""}));
  EXPECT_EQ(run.dialogs.shown,
            (V{"ソフトウェアのライセンス|Tool Suite の正規ライセンスを持っていますか(わからなければキャンセル)",
               "ソフトウェアのライセンス|tool.exe の正規ライセンスを持っていますか(わからなければキャンセル)"}));
  // a line after "." that is no licence line is interpreted as usual
  EXPECT_EQ(run.rowsOf({".none", "literal"}), (V{"", "literal"}));
  // the root stays HKEY_CLASSES_ROOT afterwards
  EXPECT_EQ(run.rowsOf({".none", "\\Classes\\Only", "Name"}), (V{"", "from the classes root"}));
  EXPECT_EQ(run.rowsOf({".none", ">x/X", "\\Classes\\Only", "Name"}), (V{"", "", "from the classes root"}));
}

TEST_F(CustomItems, AMultiLineValueStaysInOneRow) {
  reg.setString(LM, "Software\\Test", "Notes", "line one\r\nline two\nthree");
  const V rows = run.rowsOf({"\\Software\\Test", "Notes", "Owner"});
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].find_first_of("\r\n"), std::string::npos) << rows[0];
  EXPECT_EQ(rows[1], "Yamada");
}
