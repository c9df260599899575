// A definition file using every kind of line, run against an offline Windows registry written as
// hive files: the record it gives and the item list match the checked-in files byte for byte.
// Set MERVANA_UPDATE_EXPECTED=1 to rewrite them after a deliberate change (and review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/TestEnv.h"
#include "collect/CustomItemsFixture.h"
#include "collect/PeImageBuilder.h"
#include "platform/TextFiles.h"
#include "records/ItemDefinitionFile.h"
#include "records/ItemList.h"
#include "support/RegistryFixtures.h"
#include "collect/InstalledPrograms.h"
#include "support/FileBytes.h"

using namespace mrv;
using namespace mrv::test;
using namespace mrv::testing;

namespace {

const std::string kData = std::string(MERVANA_SOURCE_DIR) + "/tests/data/custom";

std::string multiSz(const std::vector<std::string>& items) {
  std::string d;
  for (const auto& i : items) d += utf8ToUtf16le(i) + std::string(2, '\0');
  return d + std::string(2, '\0');
}

std::vector<RegEntry> offlineRegistry() {
  const RootKey LM = RootKey::LocalMachine;
  const std::string test = "Software\\Mervana\\Test";
  const std::string uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
  const std::string shares = "System\\CurrentControlSet\\Services\\lanmanserver\\Shares";
  return {
      strValue(LM, test, "Owner", "山田 太郎"),
      dwordValue(LM, test, "Count", 42),
      strValue(LM, test, "Signed", "-5"),
      strValue(LM, test, "Address", "192.168.0.5"),
      {LM, test, "Servers", kRegMultiSz, multiSz({"10.0.0.1", "10.0.0.22"})},
      strValue(LM, test, "Build", "Build v1.2.3; rev 7"),
      strValue(LM, test, "Name", "Office Suite"),
      strValue(LM, "Software\\Mervana\\Apps\\A\\Details", "DisplayName", "Alpha"),
      strValue(LM, "Software\\Mervana\\Apps\\A\\Details", "Publisher", "Other"),
      strValue(LM, "Software\\Mervana\\Apps\\B\\Details", "DisplayName", "Beta"),
      strValue(LM, "Software\\Mervana\\Apps\\B\\Details", "Publisher", "Contoso Ltd"),
      strValue(LM, "Software\\Classes\\.txt", "", "txtfile"),
      strValue(LM, "Software\\Classes\\txtfile", "FriendlyTypeName", "Text Document"),
      strValue(LM, "Software\\Classes\\txtfile\\shell\\open\\command", "", "\"C:\\Program Files\\Tool\\tool.exe\" \"%1\""),
      strValue(LM, uninstall + "Office", "DisplayName", "Office Suite 2003"),
      strValue(LM, uninstall + "Office", "DisplayVersion", "11.0"),
      strValue(LM, uninstall + "WMP", "DisplayName", "Windows Media Player 10"),
      strValue(LM, uninstall + "Zip", "DisplayName", "Zip Tool"),
      strValue(LM, uninstall + "Zip", "DisplayVersion", "9.2"),
      strValue(LM, uninstall + "KB123456", "DisplayName", "Security Update for Windows XP (KB123456)"),
      {LM, shares, "Docs", kRegMultiSz, multiSz({"CSCFlags=0", "Path=C:\\Docs", "Type=0"})},
      {LM, shares, "Public", kRegMultiSz, multiSz({"Path=C:\\Users\\Public", "Type=0"})},
      strValue(RootKey::CurrentUser, "Software\\Mervana", "Theme", "Blue"),
  };
}

void expectFileMatches(const std::vector<std::string>& lines, const std::string& expectedName, const TempDir& dir) {
  const std::string actual = dir.file(expectedName);
  ASSERT_TRUE(writeAnsiLinesAtomic(actual, lines));
  const std::string expected = kData + "/" + expectedName;
  if (mrv::testing::updateExpectedFiles()) {
    ASSERT_TRUE(writeAnsiLinesAtomic(expected, lines));
  }
  EXPECT_EQ(testsupport::slurpFile(actual), testsupport::slurpFile(expected)) << "compare " << expected << " with the lines written now";
}

}  // namespace

TEST(CustomItemsGolden, EveryKindOfLineAgainstAnOfflineInstallation) {
  TempDir dir;
  std::vector<std::string> messages;
  auto store = openFixture(Backend::Hives, offlineRegistry(), dir, messages);
  ASSERT_TRUE(store) << (messages.empty() ? std::string() : messages.front());

  std::vector<std::string> definition;
  ASSERT_TRUE(LoadItemDefinitionFile(kData, definition));

  CustomRun run;
  run.store = store.get();
  run.sys.shares.remoteNames = {"\\\\PC01\\Docs", "\\\\PC01\\Public", "\\\\PC01\\Third"};
  run.sys.processes = std::vector<std::string>{"C:\\WINDOWS\\Explorer.EXE", "[System Process]", "System",
                                               "C:\\Windows\\notepad.exe", "svchost.exe"};
  run.sys.versionBlocks["c:\\program files\\tool\\tool.exe"] = versionBlock(
      true, {str("OriginalFilename", "Tool.EXE"), str("FileVersion", "1.0.0.1"), str("ProductVersion", "1.0")});
  run.printers.names = [] { return std::vector<std::string>{"Office Laser", "Label on LPT1:"}; };
  run.printers.driverPort = [](CollectionContext&, std::string_view name) {
    if (name == "Office Laser") return CustomPrinters::DriverPort{true, "HP LaserJet 4", "IP_10.0.0.9"};
    return CustomPrinters::DriverPort{true, "Zebra", "LPT1:"};
  };
  run.dialogs.yesNoAnswers = {true};
  run.dialogs.promptAnswers = {"Room 3, east"};
  run.dialogs.yesNoCancelAnswers = {Dialogs::Answer::Cancel};
  mrv::testing::setTestEnv("MERVANA_GOLDEN", "東京, 本社");
  mrv::testing::unsetTestEnv("MERVANA_GOLDEN_UNSET");

  // the programs list as the standard collection leaves it, then the custom block, then the close
  {
    CollectionState state(store.get());
    InstalledSoftwareList(state, run.sys);
    run.installed = state.installed;
    const auto patches = state.patches;
    run.rows(definition);
    int counter = static_cast<int>(run.memo.lines().size()) + 1;
    InventoryRecord(run.grid, run.memo, counter).closeRecord(run.installed, patches);
  }
  const std::vector<std::string> record = run.memo.lines();
  const auto labels = CustomLabels(definition, "NT");
  ASSERT_GE(record.size(), labels.size());
  // every custom row has its label; the "#" line naming a file that is no program has a label
  // and no row
  EXPECT_EQ(labels.size(), record.size() - 100 - 1 + 1);
  expectFileMatches(record, "expected_record.csv", dir);
  EXPECT_EQ(run.dialogs.shown,
            (std::vector<std::string>{
                "Mervana：問い合わせ|同意しますか?==同意", "prompt|部屋番号は?==部屋",
                "Mervana|このウィンドウズのバージョンは Windows XP です",
                "ソフトウェアのライセンス|Tool Suite の正規ライセンスを持っていますか(わからなければキャンセル)"}));

  MemoryGridView grid;
  int counter = 1;
  BuildItemListGrid(grid, counter, definition);
  expectFileMatches(ItemListLines(grid), "expected_itemlist.csv", dir);
}
