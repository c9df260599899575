#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <chrono>
#include <fstream>
#include <thread>
#if defined(__linux__)
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/Utf8Path.h"
#include "platform/Encoding.h"
#include "platform/TextFiles.h"
#include "records/Aggregate.h"
#include "support/ListFolder.h"
#include "support/UnopenableFile.h"

using namespace mrv;
using mrv::test::ListFolder;
namespace fs = std::filesystem;

namespace {
using Lines = std::vector<std::string>;
constexpr const char* kDone = "集計表を作成しました：mervana.csv, mervana_a.csv";

AggregateOutcome build(const ListFolder& f) { return BuildAggregatedLists(f.str()); }
}  // namespace

TEST(Aggregate, RecordsWithoutItemListOrAdminListGiveValueRowsAndFileNameRows) {
  ListFolder f("plain");
  f.write("PC01__SALES.csv", {"PC01__SALES", "Mervana 1.0", "山田", "", "\"a,b\"", "'-5"});
  f.write("PC02__SALES.csv", {"PC02__SALES", "Mervana 1.0", "佐藤"});
  f.write("notes.txt", {"not a record"});
  f.write("zz.csv", {});  // a record without lines: an empty row
  const AggregateOutcome r = build(f);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.message, kDone);
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"PC01__SALES,Mervana 1.0,山田,,\"a,b\",'-5", "PC02__SALES,Mervana 1.0,佐藤", ""}));
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"PC01__SALES", "PC02__SALES", ""}));
}

TEST(Aggregate, ValuesKeepEveryByteTheRecordHeld) {
  ListFolder f("bytes");
  // 0xED 0x40 is a Shift-JIS character that a round trip through Unicode would rewrite as 0xFA 0x5C;
  // a record with a stray byte and one without its last line end are taken as they are
  f.writeBytes("PC01.csv", std::string("PC01\r\n\xED\x40\r\n\x82\xA0\x81\r\nlast", 19));
  f.writeBytes("PC02.csv", "PC02\nlf only\rcr only\n");
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.bytes("mervana.csv"), std::string("PC01,\xED\x40,\x82\xA0\x81,last\r\nPC02,lf only,cr only\r\n"));
}

// The lines of a record, however they end, and values of every length against the eight-byte copy:
// control bytes and Shift-JIS inside values, texts that only look like the section marker, a
// second marker among the programs, and a record that starts with the marker.
TEST(Aggregate, EveryLineEndAndEveryByteOfAValueComeThrough) {
  ListFolder f("lines");
  f.writeBytes("PC01.csv", std::string("PC01\r\n1234567\r\n12345678\r\n123456789\r\n"
                                       "a\tb\x01" "c\x0B" "d\x0C" "e\x0E" "f\x1F" "g\r\n"
                                       "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9\r\n"
                                       "x/UninstallInfo\r\n/UninstallInfo \r\n/UninstallInfoX\r\n"
                                       "\r\n\n\rcr\r\r\nend\r\n/UninstallInfo\r\n"
                                       "Office\r\n/UninstallInfo\r\n7-Zip\nlast"));
  f.writeBytes("PC02.csv", "/UninstallInfo\r\nonly software\r\n");
  f.writeBytes("PC03.csv", "PC03\r/UninstallInfo\rprogram\r");
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.bytes("mervana.csv"),
            std::string("PC01,1234567,12345678,123456789,a\tb\x01" "c\x0B" "d\x0C" "e\x0E" "f\x1F" "g,"
                        "\x82\xA0\x82\xA2\x82\xA4\x82\xA6\x82\xA8\x82\xA9,"
                        "x/UninstallInfo,/UninstallInfo ,/UninstallInfoX,,,,cr,,end\r\n"
                        "\r\n"
                        "PC03\r\n"));
  EXPECT_EQ(f.bytes("mervana_a.csv"), "PC01,Office,7-Zip,last\r\nonly software\r\nPC03,program\r\n");
}

// More records than are read at once: each row is its own record's, in file-name order, and a
// record that cannot be opened far into the folder still stops the command with its name.
TEST(Aggregate, AFolderOfManyRecordsKeepsEveryRowInItsPlace) {
  ListFolder f("many");
  f.write("mervana.csv", {"previous main"});
  const int count = 2000;
  auto stem = [](int i) { return "PC" + std::to_string(100000 + i); };
  // written in reverse, so that the folder's own order is not the file-name order
  for (int i = count - 1; i >= 0; --i) {
    Lines lines{stem(i), "値" + std::to_string(i), std::string(static_cast<std::size_t>(i % 40), 'x')};
    lines.push_back("/UninstallInfo");
    for (int p = 0; p < i % 5; ++p) lines.push_back("ソフト" + std::to_string(p));
    f.write(stem(i) + ".csv", lines);
  }
  ASSERT_TRUE(build(f).ok);
  const Lines main = f.lines("mervana.csv"), software = f.lines("mervana_a.csv");
  ASSERT_EQ(main.size(), static_cast<std::size_t>(count));
  ASSERT_EQ(software.size(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    ASSERT_EQ(main[i], stem(i) + ",値" + std::to_string(i) + "," + std::string(static_cast<std::size_t>(i % 40), 'x'));
    std::string programs = stem(i);
    for (int p = 0; p < i % 5; ++p) programs += ",ソフト" + std::to_string(p);
    ASSERT_EQ(software[i], programs);
  }

  fs::copy_file(f.path() / "mervana.csv", f.path() / "kept.txt");
  fs::remove(f.path() / (stem(1700) + ".csv"));
  UnopenableFile late(f.path() / (stem(1700) + ".csv"));
  const AggregateOutcome r = build(f);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, stem(1700) + ".csvが開けません");
  EXPECT_EQ(f.bytes("mervana.csv"), f.bytes("kept.txt"));
}

// Half-written lists of a run that was killed are removed once they are ten minutes old.
TEST(Aggregate, WhatAKilledRunLeftBesideTheListsGoesOnceItIsOld) {
  ListFolder f("stale");
  f.write("PC01.csv", {"PC01"});
  f.writeBytes(".mrv-999999-0.tmp", "PC01,half");
  f.writeBytes(".mrv-999999-1.tmp", "young");
  fs::last_write_time(f.path() / ".mrv-999999-0.tmp", fs::file_time_type::clock::now() - std::chrono::minutes(11));
  ASSERT_TRUE(build(f).ok);
  EXPECT_FALSE(f.exists(".mrv-999999-0.tmp"));
  EXPECT_TRUE(f.exists(".mrv-999999-1.tmp"));
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"PC01"}));
}

TEST(Aggregate, HeadingsTakeTheNtLabelsAndKeepTheLastLabelWhole) {
  ListFolder f("headings");
  f.write("itemlist.csv", {"CSVファイル名,CSVファイル名", ",", ",時計誤差Min", "\"9x,ラベル\",NT名", "\"quoted\",\"x,y\"",
                           "no comma", "起動後時間,起動後時間"});
  f.write("PC01.csv", {"PC01", "", "3", "a", "b", "c", "5"});
  ASSERT_TRUE(build(f).ok);
  const Lines main = f.lines("mervana.csv");
  ASSERT_EQ(main.size(), 2u);
  // one column per item list line, the quoted 9x label passed over, a line without a second field
  // an empty column, and the last label whole
  EXPECT_EQ(main[0], "CSVファイル名,,時計誤差Min,NT名,\"x,y\",,起動後時間");
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"CSVファイル名", "PC01"}));

  // an empty last label loses only its comma
  f.write("itemlist.csv", {"CSVファイル名,CSVファイル名", "ユーザ名,ユーザ名", ","});
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.lines("mervana.csv")[0], "CSVファイル名,ユーザ名");
}

TEST(Aggregate, SectionMarkerSendsTheRestToTheSoftwareList) {
  ListFolder f("marker");
  f.write("itemlist.csv", {"CSVファイル名,CSVファイル名", "ユーザ名,ユーザ名", "/UninstallInfo,/UninstallInfo", "ソフト,ソフト"});
  f.write("PC01__WG.csv", {"PC01__WG", "山田", "/UninstallInfo", "Office 2016", "7-Zip", ""});
  f.write("PC02__WG.csv", {"PC02__WG", "佐藤"});  // saved before the marker was added
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"CSVファイル名,ユーザ名", "PC01__WG,山田", "PC02__WG,佐藤"}));
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"CSVファイル名,ソフト", "PC01__WG,Office 2016,7-Zip,", "PC02__WG"}));
}

TEST(Aggregate, AdministratorsListLeadsEachRowAndKeepsPcsThatNeverReported) {
  ListFolder f("admin");
  f.write("itemlist.csv", {"CSVファイル名,CSVファイル名", "ユーザ名,ユーザ名", "/UninstallInfo,/UninstallInfo", "ソフト,ソフト"});
  f.write("mervana2.csv", {"PC名,部署", "pc01,総務", "zz99,倉庫", "Pc03__wg,経理", "pc04,営業x"});
  f.write("PC01__WG.csv", {"PC01__WG", "山田", "/UninstallInfo", "Office"});  // by computer name
  f.write("pc03__wg.csv", {"pc03__wg", "鈴木", "/UninstallInfo", "Edge"});  // by stem, file named in lower case
  f.write("PC02__WG.csv", {"PC02__WG", "佐藤", "/UninstallInfo"});           // not in the list
  f.write("PC04_WG.csv", {"PC04_WG", "田中"});                               // one underscore, no marker
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"PC名,部署,ユーザ名", "PC01__WG,総務,山田", "PC02__WG,,佐藤",
                                           "PC03__WG,経理,鈴木", "PC04_WG,営業x,田中", "ZZ99,倉庫"}));
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"PC名,部署,ソフト", "PC01__WG,総務,Office", "PC02__WG,,",
                                             "PC03__WG,経理,Edge", "PC04_WG,営業x,", "ZZ99,倉庫"}));
}

TEST(Aggregate, AdministratorsListMatchesEachLineOnceAndOnlyItsFirstColumnIsUpperCased) {
  ListFolder f("admin-once");
  f.write("mervana2.csv", {"PC名,備考,場所", "pc01,note,a", "pc01,second,b", "_x,under,c", "pc05,long," + std::string(3000, 'q')});
  f.write("PC01__A.csv", {"PC01__A", "v"});
  f.write("PC01__B.csv", {"PC01__B", "w"});
  f.write("PC01__C.csv", {"PC01__C", "x"});  // both lines taken: stem and filler
  f.write("_X.csv", {"_X", "y"});            // an underscore in first place: the whole stem is the name
  f.write("empty.csv", {});
  ASSERT_TRUE(build(f).ok);
  // no item list: no heading; the rest of a list line is kept up to 2048 characters
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"EMPTY,,", "PC01__A,note,a,v", "PC01__B,second,b,w", "PC01__C,,,x",
                                           "_X,under,c,y", "PC05,long," + std::string(2048 - 5, 'q')}));
}

TEST(Aggregate, ReservedNamesAreNeverRecordsWhateverTheirCase) {
  ListFolder f("reserved");
  f.write("ItemList.CSV", {"CSVファイル名,CSVファイル名", "ユーザ名,ユーザ名"});
  f.write("MERVANA.csv", {"old main"});
  f.write("Mervana_A.CSV", {"old software"});
  f.write("PC01.CSV", {"PC01", "山田"});
  fs::create_directory(f.path() / "folder.csv");
  ASSERT_TRUE(build(f).ok);
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"CSVファイル名,ユーザ名", "PC01,山田"}));
}

TEST(Aggregate, RecordsAreReadInFileNameOrderWithCaseIgnored) {
  ListFolder f("order");
  for (const char* stem : {"pc_b", "PCA", "c", "B", "a"}) f.write(std::string(stem) + ".csv", {stem});
  ASSERT_TRUE(build(f).ok);
  // as Windows orders names: letters compared in upper case, so "_" sorts after them
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"a", "B", "c", "PCA", "pc_b"}));
}

TEST(Aggregate, AFileThatCannotBeOpenedLeavesThePreviousListsWhole) {
  ListFolder f("mend");
  f.write("mervana.csv", {"previous main"});
  f.write("mervana_a.csv", {"previous software"});
  f.write("PC01.csv", {"PC01"});
  UnopenableFile pc02(f.path() / "PC02.csv");  // listed, but it cannot be opened
  const AggregateOutcome r = build(f);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "PC02.csvが開けません");
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"previous main"}));
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"previous software"}));
  EXPECT_EQ(f.names().size(), 4u) << "nothing left beside the lists";

  pc02.remove();
  for (const char* list : {"mervana2.csv", "itemlist.csv"}) {
    UnopenableFile held(f.path() / list);
    EXPECT_EQ(build(f).message, std::string(list) + "が開けません");
    EXPECT_EQ(f.lines("mervana.csv"), (Lines{"previous main"}));
  }
  EXPECT_EQ(BuildAggregatedLists((f.path() / "missing").string()).message, "mervana.csvが開けません");

  // a list that cannot be put in place: the other one is not replaced either, nothing is left beside
  fs::remove(f.path() / "mervana.csv");
  fs::create_directory(f.path() / "mervana.csv");
  EXPECT_EQ(build(f).message, "mervana.csvが開けません");
  EXPECT_EQ(f.lines("mervana_a.csv"), (Lines{"previous software"}));
  EXPECT_EQ(f.names().size(), 3u);
}

TEST(Aggregate, ARecordReplacedWhileTheListsAreBuiltIsReadWhole) {
  ListFolder f("replace");
  // two versions of each record, of different lengths, replaced the way Save replaces a record
  const Lines oldRecord(300, "old value");
  const Lines newRecord(350, "新しい値");
  const std::vector<std::string> stems{"PC1", "PC2", "PC3"};
  auto text = [](const std::string& stem, const Lines& body) {
    std::string t = stem + "\r\n";
    for (const auto& v : body) t += v + "\r\n";
    return utf8ToAnsi(t);
  };
  auto row = [](const std::string& stem, const Lines& body) {
    std::string r = stem;
    for (const auto& v : body) r += "," + v;
    return r;
  };
  for (const auto& s : stems) f.writeBytes(s + ".csv", text(s, oldRecord));

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int n = 0; !stop; ++n)
      for (const auto& s : stems) {
        std::string why;
        ASSERT_TRUE(writeFileAtomic(utf8FromPath(f.path() / (s + ".csv")), text(s, n % 2 ? oldRecord : newRecord), &why))
            << why;
      }
  });
  int oldRows = 0, newRows = 0;
  for (int run = 0; run < 200; ++run) {
    ASSERT_TRUE(build(f).ok);
    const Lines rows = f.lines("mervana.csv");
    ASSERT_EQ(rows.size(), stems.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i] == row(stems[i], oldRecord)) {
        ++oldRows;
      } else {
        ASSERT_EQ(rows[i], row(stems[i], newRecord)) << "run " << run << ": a record read half old, half new";
        ++newRows;
      }
    }
  }
  stop = true;
  writer.join();
  EXPECT_GT(oldRows, 0);
  EXPECT_GT(newRows, 0);
}

// mervana2.csv saved by a spreadsheet in UTF-8 (its default), with or without a byte-order mark,
// is read as UTF-8, as the configuration file and regitems.txt are; in Shift-JIS as before.
TEST(Aggregate, AnAdministratorsListSavedAsUtf8IsReadAsUtf8) {
  for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
    ListFolder f(bom.empty() ? "utf8" : "utf8-bom");
    f.writeBytes("mervana2.csv", bom + "PC名,部署\r\npc01,総務部\r\nzz99,倉庫\r\n");
    f.write("itemlist.csv", {"CSVファイル名,CSVファイル名", "ユーザ名,ユーザ名"});
    f.write("PC01__WG.csv", {"PC01__WG", "山田"});
    ASSERT_TRUE(build(f).ok);
    EXPECT_EQ(f.lines("mervana.csv"), (Lines{"PC名,部署,ユーザ名", "PC01__WG,総務部,山田", "ZZ99,倉庫"})) << bom.size();
    // the lists themselves stay in Shift-JIS: 総務部 is 0x91 0x8D 0x96 0xB1 0x95 0x94 there
    EXPECT_NE(f.bytes("mervana.csv").find("\x91\x8D\x96\xB1\x95\x94"), std::string::npos);
  }
}

#if defined(__linux__)
// A FIFO, a link to a device that never ends and a link to a file only root may read, lying among
// the records: the lists are built from the records at once, each of the three is named as not
// read, and nothing is copied through a link.
TEST(Aggregate, PipesDevicesAndLinksAmongTheRecordsArePassedOverAndNamed) {
  ListFolder f("hostile");
  f.write("PC01.csv", {"PC01", "a"});
  f.write("secret.txt", {"root:secret"});
  ASSERT_EQ(::mkfifo((f.path() / "fifo.csv").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", f.path() / "zero.csv");
  fs::create_symlink(f.path() / "secret.txt", f.path() / "shadow.csv");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(20);  // a FIFO read would block, /dev/zero would fill the memory
    const AggregateOutcome r = build(f);
    ::_exit(r.ok ? 0 : 1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  const AggregateOutcome r = build(f);
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.message.starts_with(kDone)) << r.message;
  for (const char* name : {"fifo.csv（", "zero.csv（", "shadow.csv（"})
    EXPECT_NE(r.message.find(name), std::string::npos) << r.message;
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"PC01,a"}));
  EXPECT_EQ(f.names().size(), 7u) << "nothing left beside the lists";
}

// A huge stray *.csv (here 1 GB, sparse) is refused by its size, unread: the command stops with its
// name and the reason, the previous lists stay, and no temporary file is left.
TEST(Aggregate, AHugeStrayCsvIsRefusedUnreadAndLeavesNothingBehind) {
  ListFolder f("huge");
  f.write("mervana.csv", {"previous main"});
  f.write("PC01.csv", {"PC01"});
  { std::ofstream(f.path() / "export.csv") << "x\r\n"; }
  fs::resize_file(f.path() / "export.csv", 1ull << 30);
  const AggregateOutcome r = build(f);
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.message.starts_with("export.csvが開けません（大きすぎます")) << r.message;
  EXPECT_EQ(f.lines("mervana.csv"), (Lines{"previous main"}));
  EXPECT_EQ(f.names().size(), 3u) << "nothing left beside the lists";
  // a killed run's half-written list beside them is tidied by the next run
  const fs::path stale = f.path() / "mervana.csv.~4242-0.tmp";
  { std::ofstream(stale) << "half"; }
  fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(1));
  fs::remove(f.path() / "export.csv");
  EXPECT_TRUE(build(f).ok);
  EXPECT_FALSE(fs::exists(stale));
}
#endif
