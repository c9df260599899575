// The aggregate command from the command line, and its lists opened by a real spreadsheet.
// Starts the program and LibreOffice as child processes (support/ChildProcess.h): Linux only.
#ifdef __linux__
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "records/InventoryRecord.h"
#include "records/ItemCatalogue.h"
#include "support/ChildProcess.h"
#include "support/ListFolder.h"
#include "support/SpreadsheetCsv.h"

using mrv::test::ListFolder;
using mrv::test::runChild;
namespace fs = std::filesystem;

namespace {
using Row = mrv::test::CsvRow;
using Table = mrv::test::CsvTable;
using mrv::test::parseCsv;
const std::vector<std::string> kNoDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

class AggregateCommand : public ::testing::Test {
 protected:
  ListFolder folder{"cmd"};
  fs::path program;

  void SetUp() override {
    fs::create_directories(folder.path() / "bin");
    program = folder.path() / "bin" / "mervana";
    fs::copy_file(MERVANA_BINARY, program);
  }
  mrv::test::ChildResult aggregate(std::vector<std::string> args) {
    args.insert(args.begin(), {program.string(), "--aggregate"});
    return runChild(args, folder.str(), 60, kNoDisplay);
  }
};
}  // namespace

TEST_F(AggregateCommand, BuildsTheListsOfAFolderOrOfTheProgramsFolderWithoutAWindowSystem) {
  folder.write("PC01.csv", {"PC01", "山田"});
  auto r = aggregate({folder.str()});
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "集計表を作成しました：mervana.csv, mervana_a.csv\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(folder.lines("mervana.csv"), (Row{"PC01,山田"}));

  ListFolder beside("cmd-beside");  // no folder given: the records beside the program
  folder.write("bin/PC02.csv", {"PC02", "佐藤"});
  r = aggregate({});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(folder.lines("bin/mervana_a.csv"), (Row{"PC02"}));
}

TEST_F(AggregateCommand, AFailureGoesToStandardErrorWithANonZeroStatus) {
  folder.write("mervana.csv", {"previous"});
  fs::create_symlink(folder.path() / "gone", folder.path() / "PC01.csv");
  auto r = aggregate({folder.str()});
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "mervana: PC01.csvが開けません\n");
  EXPECT_EQ(folder.lines("mervana.csv"), (Row{"previous"}));
  r = aggregate({folder.str(), "extra"});
  EXPECT_EQ(r.status, 2);
}

// The lists as the office opens them: LibreOffice Calc reads each one with the Shift-JIS text
// filter and writes what it read as UTF-8 CSV.
TEST_F(AggregateCommand, ASpreadsheetReadsTheListsWithTheirJapaneseHeadings) {
  using namespace mrv;
  // the item list of the standard block, then the section marker and two labels of the software part
  std::vector<std::string> items;
  for (int pos = 1; pos <= kStandardRows; ++pos)
    items.push_back(FieldForm(std::string(catalogueLabel(pos, "9x"))) + "," + FieldForm(std::string(catalogueLabel(pos, "NT"))));
  items.push_back("/UninstallInfo,/UninstallInfo");
  items.push_back("ソフト1,ソフト1");
  items.push_back("ソフト2,ソフト2");
  folder.write("itemlist.csv", items);
  folder.write("mervana2.csv", {"PC名,部署", "pc01,総務", "pc99,倉庫"});
  Table mainExpected{{"PC名", "部署"}}, softExpected{{"PC名", "部署", "ソフト1", "ソフト2"}};
  for (int pos = 2; pos <= kStandardRows; ++pos) mainExpected[0].push_back(std::string(catalogueLabel(pos, "NT")));
  const std::vector<std::pair<std::string, std::string>> pcs{{"PC01__WG", "総務"}, {"PC02__WG", ""}, {"PC03__WG", ""}};
  for (const auto& [stem, dept] : pcs) {
    std::vector<std::string> record{stem};
    Row mainRow{stem, dept};
    for (int pos = 2; pos <= kStandardRows; ++pos) {
      const std::string value = pos == 12 ? "富士通,FMV" : "値" + std::to_string(pos);
      record.push_back(FieldForm(value));
      mainRow.push_back(value);
    }
    record.insert(record.end(), {"/UninstallInfo", "Microsoft Office", "７－Ｚｉｐ"});
    folder.write(stem + ".csv", record);
    mainExpected.push_back(mainRow);
    softExpected.push_back({stem, dept, "Microsoft Office", "７－Ｚｉｐ"});
  }
  mainExpected.push_back({"PC99", "倉庫"});
  softExpected.push_back({"PC99", "倉庫"});

  auto r = aggregate({folder.str()});
  ASSERT_EQ(r.status, 0) << r.err;

  r = mrv::test::convertWithCalc(folder.path(),
                                 {(folder.path() / "mervana.csv").string(), (folder.path() / "mervana_a.csv").string()},
                                 "44,34,64,1", 60);
  ASSERT_TRUE(r.started) << "LibreOffice Calc could not be started (soffice not found; scripts/setup.sh installs it)";
  ASSERT_FALSE(r.timedOut) << "LibreOffice Calc did not finish within 60 s:\n" << r.out << r.err;
  ASSERT_EQ(r.status, 0) << "LibreOffice Calc failed:\n" << r.out << r.err;
  ASSERT_TRUE(folder.exists("calc/mervana.csv") && folder.exists("calc/mervana_a.csv"))
      << "LibreOffice Calc wrote no conversion:\n" << r.out << r.err;

  // the spreadsheet writes every row as wide as its widest one
  auto padded = [](Table t) {
    std::size_t width = 0;
    for (const auto& row : t) width = std::max(width, row.size());
    for (auto& row : t) row.resize(width);
    return t;
  };
  const Table main = parseCsv(folder.bytes("calc/mervana.csv"));
  const Table soft = parseCsv(folder.bytes("calc/mervana_a.csv"));
  ASSERT_EQ(main.size(), 5u);
  ASSERT_EQ(main[0].size(), 2u + kStandardRows - 1) << "columns";
  EXPECT_EQ(main[0].back(), "起動後時間");
  mainExpected = padded(mainExpected);
  for (std::size_t i = 0; i < main.size(); ++i) EXPECT_EQ(main[i], mainExpected[i]) << "main list, row " << i;
  ASSERT_EQ(soft.size(), 5u);
  EXPECT_EQ(soft, padded(softExpected));
}


// The records also go into a database when one is named, on the command line or in the
// configuration file beside the program; the sqlite3 shell reads what was loaded.
TEST_F(AggregateCommand, LoadsTheFolderIntoTheDatabaseItIsGiven) {
  const fs::path data = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data";
  fs::copy_file(data / "e2e" / "keiri-pc07.expected.csv", folder.path() / "KEIRI-PC07__.csv");
  const std::string db = (folder.path() / "inventory.sqlite").string();
  auto r = aggregate({folder.str(), "--db", db});
  ASSERT_TRUE(r.started);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("データベースに読み込みました：" + db + "（記録 1 件"), std::string::npos) << r.out;
  auto q = runChild({"sqlite3", db, "SELECT stem, ComputerName, Organization FROM latest_snapshot"}, folder.str(), 30);
  ASSERT_TRUE(q.started) << "the sqlite3 shell is not installed (bash scripts/setup.sh --tests)";
  EXPECT_EQ(q.out, "KEIRI-PC07__|KEIRI-PC07|株式会社サンプル商事\n") << q.err;

  // the configuration file names it; a second load adds nothing
  folder.writeBytes("bin/mervana.ini", "[Database]\r\nTarget=" + db + "\r\n");
  r = aggregate({folder.str()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("（記録 0 件"), std::string::npos) << r.out;

  // a target that cannot be a database: the lists are built, the load fails with status 1
  r = aggregate({folder.str(), "--db", folder.str()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("データベース " + folder.str() + " を開けません"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(folder.path() / "mervana.csv"));
  r = aggregate({folder.str(), "--db"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "mervana: --aggregate [FOLDER] [--db TARGET]\n");
}

#endif  // __linux__
