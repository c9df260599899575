// The definition file's commands in the window (ReadSetting1, SaveSetting1), the item list
// (ItemList1), and Read with a definition file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/TForm1.h"
#include "records/ItemCatalogue.h"
#include "ui/MemoryViews.h"

using namespace mrv;
namespace fs = std::filesystem;
using V = std::vector<std::string>;

namespace {
class SettingsCommands : public ::testing::Test {
 protected:
  MemoryTextView memo;
  MemoryGridView grid;
  MemoryStatusView status;
  MemoryWindowView window;
  ScriptedDialogs dialogs;
  Platform platform;
  fs::path dir = fs::temp_directory_path() /
                 ("mrv-settings-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  std::unique_ptr<TForm1> form;

  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
    form = std::make_unique<TForm1>(memo, grid, status, window, dialogs, platform, (dir / "mervana").string());
    form->FormCreate({});
  }
  void TearDown() override { fs::remove_all(dir); }
  void put(const std::string& name, const std::string& bytes) { std::ofstream(dir / name, std::ios::binary) << bytes; }
  std::string get(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};
}  // namespace

TEST_F(SettingsCommands, LoadWithoutADefinitionFileSaysSo) {
  form->runCommand("ReadSetting1");
  EXPECT_EQ(window.caption(), "Mervana regitems.txt");
  EXPECT_EQ(dialogs.shown, V{"Mervana|設定ファイルがありません"});
  EXPECT_TRUE(memo.lines().empty());
  EXPECT_FALSE(memo.readOnly());
  EXPECT_FALSE(memo.modified());
  EXPECT_TRUE(form->settingsEditMode());
  EXPECT_TRUE(window.menuEnabled("SaveSetting1"));
  // saving then creates the file, in Shift-JIS
  memo.setLines({"日本語", "// end"});
  memo.setModified(true);
  form->runCommand("SaveSetting1");
  EXPECT_EQ(get("regitems.txt"), "\x93\xFA\x96\x7B\x8C\xEA\r\n// end\r\n");
  EXPECT_FALSE(memo.modified());
}

TEST_F(SettingsCommands, LoadAndSaveKeepTheFilesEncoding) {
  put("regitems.txt", "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\r\n\\Software\\X\r\n");
  form->runCommand("ReadSetting1");
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_EQ(memo.lines(), (V{"日本", "\\Software\\X"}));
  memo.setLines({"日本", "\\Software\\Y", ""});
  memo.setModified(true);
  form->runCommand("SaveSetting1");
  EXPECT_EQ(get("regitems.txt"), "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC\r\n\\Software\\Y\r\n\r\n");

  put("regitems.txt", "\x93\xFA\x96\x7B\n");  // Shift-JIS with LF only
  form->runCommand("ReadSetting1");
  EXPECT_EQ(memo.lines(), V{"日本"});
  form->runCommand("SaveSetting1");
  EXPECT_EQ(get("regitems.txt"), "\x93\xFA\x96\x7B\r\n");
}

TEST_F(SettingsCommands, LoadAsksBeforeDroppingEdits) {
  put("regitems.txt", "new\r\n");
  form->runCommand("ReadSetting1");
  memo.setLines({"edited"});
  memo.setModified(true);
  dialogs.confirmAnswers = {false};
  form->runCommand("ReadSetting1");
  EXPECT_EQ(dialogs.shown, V{"変更がありました|変更を保存しなくてよろしいか"});
  EXPECT_EQ(memo.lines(), V{"edited"});
  EXPECT_TRUE(memo.modified());
}

TEST_F(SettingsCommands, AFailedSaveIsReportedAndTheEditsStayUnsaved) {
  form->runCommand("ReadSetting1");
  fs::create_directory(dir / "regitems.txt");  // cannot be replaced
  dialogs.shown.clear();
  memo.setLines({"x"});
  memo.setModified(true);
  form->runCommand("SaveSetting1");
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].rfind("Mervana|regitems.txt を保存できませんでした", 0), 0u) << dialogs.shown[0];
  EXPECT_TRUE(memo.modified());
}

TEST_F(SettingsCommands, SaveOutsideTheEditorWritesNothing) {
  form->runCommand("Read1");
  form->runCommand("SaveSetting1");
  EXPECT_FALSE(fs::exists(dir / "regitems.txt"));
}

TEST_F(SettingsCommands, ItemListShowsAndWritesBothFamilies) {
  put("regitems.txt", "?NT\r\nNT only\r\n?9x NT\r\nshared, with comma\r\n<WinVersion\r\n\x83\x89\x83\x78\x83\x8B\r\n// end\r\n");  // ラベル
  form->runCommand("ItemList1");
  EXPECT_EQ(window.caption(), "Mervana 項目リスト");
  EXPECT_TRUE(grid.visible());
  EXPECT_FALSE(memo.visible());
  EXPECT_EQ(grid.cell(1, 0), "9x");
  EXPECT_EQ(grid.cell(2, 0), "NT");
  EXPECT_EQ(grid.cell(0, kStandardRows + 3), std::to_string(kStandardRows + 3));
  EXPECT_EQ(grid.colWidth(2), 200);
  const std::string file = get("itemlist.csv");
  EXPECT_EQ(file.substr(0, 14), "CSV\x83\x74\x83\x40\x83\x43\x83\x8B\x96\xBC,");  // CSVファイル名 in Shift-JIS
  EXPECT_NE(file.find("\r\n,\r\n"), std::string::npos);  // row 7
  const std::string tail = "\"shared, with comma\",NT only\r\n\x83\x89\x83\x78\x83\x8B,\"shared, with comma\"\r\n,\x83\x89\x83\x78\x83\x8B\r\n";
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
}

TEST_F(SettingsCommands, ItemListWriteFailureIsReportedAfterTheGridIsShown) {
  fs::create_directory(dir / "itemlist.csv");
  form->runCommand("ItemList1");
  EXPECT_TRUE(grid.visible());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].rfind("Mervana|itemlist.csv を書き込めませんでした", 0), 0u);
}

TEST_F(SettingsCommands, ReadAddsTheCustomBlockWithItsLabels) {
  put("regitems.txt", "literal==\x83\x8A\x83\x65\x83\x89\x83\x8B\r\n"  // リテラル
      ">Room?\r\n<WinVersion\r\n<Agree?\r\n&nothing\r\n// end\r\n");
  dialogs.promptAnswers = {"3, east"};
  dialogs.yesNoAnswers = {false};
  form->runCommand("Read1");
  ASSERT_TRUE(form->readCompleted());
  const V lines = memo.lines();
  ASSERT_EQ(lines.size(), kStandardRows + 4 + 100u);  // the standard rows, 4 custom rows, 100 program rows
  EXPECT_EQ(V(lines.begin() + kStandardRows, lines.begin() + kStandardRows + 4), (V{"literal==リテラル", "3  east", "No", ""}));
  EXPECT_EQ(grid.cell(1, kStandardRows + 1), "リテラル");
  EXPECT_EQ(grid.cell(1, kStandardRows + 2), ">Room?");
  EXPECT_EQ(grid.cell(1, kStandardRows + 3), "<Agree?");
  EXPECT_EQ(grid.cell(2, kStandardRows + 3), "No");
  EXPECT_EQ(grid.cell(1, kStandardRows + 4), "&nothing");
  EXPECT_EQ(grid.cell(1, kStandardRows + 5), "");
  EXPECT_EQ(dialogs.shown, (V{"prompt|Room?", "Mervana|このウィンドウズのバージョンは  です", "Mervana：問い合わせ|Agree?"}));
}
