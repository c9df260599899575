// The inventory database against the real databases: an SQLite file, and a PostgreSQL server of the
// test's own. The folders are made from the recorded PCs of tests/data; what the tables must hold
// is read off those files by the rows' numbers (row 8 the computer name, row 24 the save's time).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "fleet/InventoryDatabase.h"
#include "platform/Encoding.h"
#include "platform/SqlDatabase.h"
#include "platform/sql/SqlConnections.h"
#include "support/FileBytes.h"
#include "support/PostgresCluster.h"
#include "support/TempFolder.h"

namespace mrv {
namespace {

namespace fs = std::filesystem;
const fs::path kData = fs::path(MERVANA_SOURCE_DIR) / "tests" / "data";

std::string readData(const fs::path& p) {
  const std::string bytes = testsupport::slurpFile(p);
  EXPECT_FALSE(bytes.empty()) << p;
  return bytes;
}

// The lines of a Shift-JIS record, CR LF kept off; and back.
std::vector<std::string> linesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t lf; (lf = bytes.find("\r\n", from)) != std::string::npos; from = lf + 2)
    lines.push_back(bytes.substr(from, lf - from));
  return lines;
}
std::string bytesOf(const std::vector<std::string>& lines) {
  std::string s;
  for (const auto& l : lines) s += l + "\r\n";
  return s;
}

// A folder as the save folder holds it: KEIRI-PC07's record (5 programs, 2 patches), SOUMU-PC07's
// and a Windows 98 PC's (standard rows only), KEIRI-PC03's disk history and the failure logs.
struct SaveFolder {
  test::TempFolder dir;
  SaveFolder() {
    dir.write("KEIRI-PC07__.csv", readData(kData / "e2e" / "keiri-pc07.expected.csv"));
    dir.write("SOUMU-PC07__SOUMU.csv", readData(kData / "recorded" / "office-pc-2006.expected.csv"));
    dir.write("KEIRI-02__.csv", readData(kData / "recorded" / "win98-pc.expected.csv"));
    fs::create_directory(dir.path / "hdd");
    const fs::path pc = kData / "drives" / "pc-degrading";
    dir.write("hdd/KEIRI-PC03.csv", readData(pc / "expected-history.csv"));
    dir.write("hdd/_hddfail.txt", readData(pc / "expected_hddfail.txt"));
    dir.write("hdd/_failed.txt", readData(pc / "expected_failed.txt"));
  }
  std::string folder() const { return dir.path.string(); }
};

std::string one(SqlDatabase& db, const std::string& sql, const std::vector<SqlValue>& params = {}) {
  std::vector<SqlRow> rows;
  std::string why;
  EXPECT_TRUE(db.query(sql, params, rows, why)) << sql << ": " << why;
  return rows.empty() || rows[0].empty() || !rows[0][0] ? std::string("(null)") : *rows[0][0];
}

std::vector<std::string> column(SqlDatabase& db, const std::string& sql) {
  std::vector<SqlRow> rows;
  std::string why;
  EXPECT_TRUE(db.query(sql, {}, rows, why)) << sql << ": " << why;
  std::vector<std::string> out;
  for (const auto& r : rows) {
    std::string line;
    for (std::size_t i = 0; i < r.size(); ++i) line += (i ? "|" : "") + r[i].value_or("(null)");
    out.push_back(line);
  }
  return out;
}

using V = std::vector<std::string>;

// What every kind of database must do; `open` connects afresh (a second connection, after a crash).
void checkLoadsAFolderOnceAndItsChanges(const std::function<std::unique_ptr<SqlDatabase>()>& open) {
  SaveFolder save;
  std::unique_ptr<SqlDatabase> db = open();
  ASSERT_TRUE(db);
  DatabaseLoadOutcome out = LoadInventoryDatabase(save.folder(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.snapshotsAdded, 3);

  EXPECT_EQ(column(*db, "SELECT stem, ComputerName, date_time FROM latest_snapshot ORDER BY stem"),
            (V{"KEIRI-02__|KEIRI-02|2006/11/20 09:15:03", "KEIRI-PC07__|KEIRI-PC07|@machine:DateTime",
               "SOUMU-PC07__SOUMU|SOUMU-PC07|2006/11/20 09:15:03"}));
  // records of 2006 are years old; a DateTime row without a date has no age
  EXPECT_EQ(column(*db, "SELECT stem FROM pc_record_age WHERE age_days > 30 ORDER BY stem"),
            (V{"KEIRI-02__", "SOUMU-PC07__SOUMU"}));
  EXPECT_EQ(one(*db, "SELECT age_days FROM pc_record_age WHERE stem = 'KEIRI-PC07__'"), "(null)");
  EXPECT_EQ(one(*db, "SELECT Owner FROM latest_snapshot WHERE stem = 'SOUMU-PC07__SOUMU'"), "総務課");
  EXPECT_EQ(one(*db, "SELECT Organization FROM latest_snapshot WHERE stem = 'KEIRI-PC07__'"), "株式会社サンプル商事");
  EXPECT_EQ(one(*db, "SELECT date_time FROM snapshot WHERE stem = 'SOUMU-PC07__SOUMU'"), "2006/11/20 09:15:03");
  // KEIRI-PC07: five programs, the empty rows of the block, two patches (the record's last rows)
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM program p JOIN pc ON p.snapshot_id = pc.latest_snapshot_id "
                     "WHERE pc.stem = 'KEIRI-PC07__'"),
            "5");
  EXPECT_EQ(column(*db, "SELECT name FROM patch ORDER BY position"),
            (V{"Security Update for Windows XP (KB912919)  ", "Security Update for Windows XP (KB908531)  "}));
  EXPECT_EQ(one(*db, "SELECT pcs FROM program_count WHERE name = 'Adobe Reader 7.0.8 7.0.8 '"), "1");

  // the disk history: the last save of KEIRI-PC03 found its first disk failing
  EXPECT_EQ(column(*db, "SELECT pc, drive_num, model, state FROM failing_disk"), (V{"KEIRI-PC03|0|ST3120827AS|故障"}));
  EXPECT_EQ(one(*db, "SELECT COUNT(DISTINCT date_time) FROM disk_history"), "4");
  EXPECT_EQ(column(*db, "SELECT log, pc, date_time FROM log_line ORDER BY log, line_number"),
            (V{"_failed.txt|KEIRI-PC03|2006/10/23 08:33:47", "_hddfail.txt|KEIRI-PC03|2006/10/16 08:40:03",
               "_hddfail.txt|KEIRI-PC03|2006/10/23 08:33:47"}));

  // the same folder again: nothing new
  out = LoadInventoryDatabase(save.folder(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.snapshotsAdded + out.historyRowsAdded + out.logRowsAdded, 0);
  EXPECT_EQ(out.recordsRead, 0);  // unchanged files are not read again
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM snapshot"), "3");

  // a record written again with the same contents is read but is no new snapshot
  save.dir.write("SOUMU-PC07__SOUMU.csv", readData(kData / "recorded" / "office-pc-2006.expected.csv") );
  fs::last_write_time(save.dir.path / "SOUMU-PC07__SOUMU.csv", fs::file_time_type::clock::now() + std::chrono::hours(1));
  out = LoadInventoryDatabase(save.folder(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.recordsRead, 1);
  EXPECT_EQ(out.snapshotsAdded, 0);

  // KEIRI-PC07 saves again a week later: one program gone, one added, a new patch, a new owner
  std::vector<std::string> lines = linesOf(readData(kData / "e2e" / "keiri-pc07.expected.csv"));
  lines[9] = utf8ToAnsi("経理部 2課");
  lines[23] = "2006/11/27 08:30:00";
  lines[90] = "7-Zip 4.42 ";  // in place of Adobe Reader
  lines.push_back("Security Update for Windows XP (KB917422)  ");
  save.dir.write("KEIRI-PC07__.csv", bytesOf(lines));
  fs::last_write_time(save.dir.path / "KEIRI-PC07__.csv", fs::file_time_type::clock::now() + std::chrono::hours(2));
  // and KEIRI-PC03's history gains a line, a save like the last (its two disks)
  std::string history = readData(kData / "drives" / "pc-degrading" / "expected-history.csv");
  std::vector<std::string> hist = linesOf(history);
  std::string last = hist.back();
  last.replace(0, 19, "2006/10/30 08:31:00");
  hist.push_back(last);
  save.dir.write("hdd/KEIRI-PC03.csv", bytesOf(hist));
  out = LoadInventoryDatabase(save.folder(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.snapshotsAdded, 1);
  EXPECT_EQ(out.historyRowsAdded, 2);  // the old lines are held already
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM snapshot WHERE stem = 'KEIRI-PC07__'"), "2");
  EXPECT_EQ(one(*db, "SELECT date_time FROM latest_snapshot WHERE stem = 'KEIRI-PC07__'"), "2006/11/27 08:30:00");
  EXPECT_EQ(column(*db, "SELECT kind, item, before, after FROM snapshot_change WHERE stem = 'KEIRI-PC07__' "
                        "ORDER BY kind, item"),
            (V{"patch added|Security Update for Windows XP (KB917422)  |(null)|Security Update for Windows XP (KB917422)  ",
               "program added|7-Zip 4.42 |(null)|7-Zip 4.42 ",
               "program removed|Adobe Reader 7.0.8 7.0.8 |Adobe Reader 7.0.8 7.0.8 |(null)",
               "row|DateTime|@machine:DateTime|2006/11/27 08:30:00", "row|Owner|経理部|経理部 2課"}));
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM snapshot_change WHERE stem = 'SOUMU-PC07__SOUMU'"), "0");
}

TEST(InventoryDatabase, SqliteFileLoadsAFolderOnceAndItsChanges) {
  test::TempFolder dir;
  const std::string path = dir / "inventory.sqlite";
  checkLoadsAFolderOnceAndItsChanges([&] {
    std::string why;
    auto db = openSqlDatabase(path, why);
    EXPECT_TRUE(db) << why;
    return db;
  });
  // what sqlite3 itself reads of the file
  EXPECT_TRUE(fs::file_size(path) > 0);
}

TEST(InventoryDatabase, AFolderOfManyRecordsLoadsEveryRecordWithItsRowsAndIsReadRowByRow) {
  // more records and histories than a load sends to the database at once
  constexpr int kPcs = 1234;
  test::TempFolder dir;
  const std::vector<std::string> keiri = linesOf(readData(kData / "e2e" / "keiri-pc07.expected.csv"));
  const std::string history = readData(kData / "drives" / "pc-degrading" / "expected-history.csv");
  fs::create_directory(dir.path / "hdd");
  for (int i = 0; i < kPcs; ++i) {
    std::vector<std::string> lines = keiri;
    const std::string name = "PC" + std::to_string(10000 + i);
    lines[7] = name;  // row 8: the computer name
    dir.write(name + ".csv", bytesOf(lines));
    dir.write("hdd/" + name + ".csv", history);
  }
  std::string why;
  auto db = openSqlDatabase(dir / "inventory.sqlite", why);
  ASSERT_TRUE(db) << why;
  const DatabaseLoadOutcome out = LoadInventoryDatabase(dir.path.string(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.snapshotsAdded, kPcs);
  const std::string n = std::to_string(kPcs);
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM pc"), n);
  // KEIRI-PC07's five programs and two patches, on every PC's latest snapshot
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM pc JOIN program p ON p.snapshot_id = pc.latest_snapshot_id"),
            std::to_string(5 * kPcs));
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM pc JOIN patch p ON p.snapshot_id = pc.latest_snapshot_id"),
            std::to_string(2 * kPcs));
  EXPECT_EQ(one(*db, "SELECT ComputerName FROM latest_snapshot WHERE stem = 'PC11233'"), "PC11233");
  EXPECT_EQ(one(*db, "SELECT COUNT(DISTINCT pc) FROM disk_history"), n);
  const std::string perPc = one(*db, "SELECT COUNT(*) FROM disk_history WHERE pc = 'PC10000'");
  EXPECT_NE(perPc, "0");
  EXPECT_EQ(one(*db, "SELECT COUNT(*) / " + n + " FROM disk_history"), perPc);
  EXPECT_EQ(one(*db, "SELECT COUNT(*) FROM failing_disk"), n);

  // a reader that stops after three rows has read three; a NULL cell is no text
  std::vector<std::string> names;
  std::vector<bool> nulls;
  ASSERT_TRUE(db->queryEach(
      "SELECT ComputerName, NULL FROM latest_snapshot ORDER BY stem", {},
      [&](const SqlCells& cells) {
        names.emplace_back(cells.at(0).value_or("(null)"));
        nulls.push_back(!cells.at(1).has_value());
        return names.size() < 3;
      },
      why))
      << why;
  EXPECT_EQ(names, (V{"PC10000", "PC10001", "PC10002"}));
  EXPECT_EQ(nulls, (std::vector<bool>{true, true, true}));
  // and a statement that fails says why, having handed over nothing
  names.clear();
  EXPECT_FALSE(db->queryEach("SELECT no_such_column FROM pc", {}, [&](const SqlCells&) { return true; }, why));
  EXPECT_NE(why.find("no_such_column"), std::string::npos) << why;
}

TEST(InventoryDatabase, PostgresServerLoadsAFolderOnceAndItsChanges) {
  test::PostgresCluster cluster;
  ASSERT_TRUE(cluster.started()) << "the test's PostgreSQL server did not start:\n" << cluster.log();
  checkLoadsAFolderOnceAndItsChanges([&] {
    std::string why;
    auto db = openSqlDatabase(cluster.url(), why);
    EXPECT_TRUE(db) << why;
    return db;
  });
}

}  // namespace
}  // namespace mrv

namespace mrv {
namespace {

// A connection that stops its server as a crash would, just before the n-th bulk insert.
class CrashingConnection : public SqlDatabase {
 public:
  CrashingConnection(std::unique_ptr<SqlDatabase> db, test::PostgresCluster& cluster, int crashAt)
      : db_(std::move(db)), cluster_(cluster), crashAt_(crashAt) {}
  SqlDialect dialect() const override { return db_->dialect(); }
  std::string describe() const override { return db_->describe(); }
  bool exec(const std::string& sql, const std::vector<SqlValue>& p, std::string& why) override {
    return db_->exec(sql, p, why);
  }
  bool queryEach(const std::string& sql, const std::vector<SqlValue>& p, const SqlRowReader& read,
                 std::string& why) override {
    return db_->queryEach(sql, p, read, why);
  }
  bool execMany(const std::string& sql, std::size_t columns, const std::vector<SqlValue>& values,
                std::string& why) override {
    if (++calls_ == crashAt_) cluster_.crash();
    return db_->execMany(sql, columns, values, why);
  }
  bool begin(std::string& why) override { return db_->begin(why); }
  bool commit(std::string& why) override { return db_->commit(why); }
  void rollback() override { db_->rollback(); }

 private:
  std::unique_ptr<SqlDatabase> db_;
  test::PostgresCluster& cluster_;
  int crashAt_, calls_ = 0;
};

struct Counts {
  std::string snapshots, programs, history, logs;
  bool operator==(const Counts&) const = default;
};
Counts countsOf(SqlDatabase& db) {
  return {one(db, "SELECT COUNT(*) FROM snapshot"), one(db, "SELECT COUNT(*) FROM program"),
          one(db, "SELECT COUNT(*) FROM disk_history"), one(db, "SELECT COUNT(*) FROM log_line")};
}

TEST(InventoryDatabaseBadInput, ARecordOrHistoryThatCannotBeReadLeavesTheDatabaseAsItWas) {
  SaveFolder save;
  test::TempFolder dir;
  std::string why;
  auto db = openSqlDatabase(dir / "inventory.sqlite", why);
  ASSERT_TRUE(db) << why;
  ASSERT_TRUE(LoadInventoryDatabase(save.folder(), *db).ok);
  const Counts before = countsOf(*db);

  // a new PC whose record is not Shift-JIS (0x81 followed by a byte no double-byte character has),
  // beside a good new one: neither is loaded, and the message names the file
  std::vector<std::string> lines = linesOf(readData(kData / "recorded" / "office-pc-2006.expected.csv"));
  lines[7] = "SOUMU-PC08";
  lines[23] = "2006/11/21 09:00:00";
  save.dir.write("SOUMU-PC08__SOUMU.csv", bytesOf(lines));
  lines[7] = std::string("BAD\x81\x20PC");
  save.dir.write("BAD-PC__.csv", bytesOf(lines));
  DatabaseLoadOutcome out = LoadInventoryDatabase(save.folder(), *db);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.message.find("BAD-PC__.csv"), std::string::npos) << out.message;
  EXPECT_NE(out.message.find("元のまま"), std::string::npos) << out.message;
  EXPECT_EQ(countsOf(*db), before);
  fs::remove(save.dir.path / "BAD-PC__.csv");

  // a history line with too few cells (the line ends after the model number)
  std::vector<std::string> hist = linesOf(readData(kData / "drives" / "pc-degrading" / "expected-history.csv"));
  hist.push_back("2006/10/30 08:31:00,2,0,114473,ST3120827AS,5JT1K9QW,41,49,14,2276,1,1,1354,,,,,,,,,,,,,,,,,,,,,,");
  hist.push_back("2006/10/30 08:32:00,2,0,114473,ST3120827AS                                  ");
  save.dir.write("hdd/KEIRI-PC03.csv", bytesOf(hist));
  fs::last_write_time(save.dir.path / "hdd" / "KEIRI-PC03.csv", fs::file_time_type::clock::now() + std::chrono::hours(1));
  out = LoadInventoryDatabase(save.folder(), *db);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.message.find("hdd/KEIRI-PC03.csv: 8 行目のセルが足りません"), std::string::npos) << out.message;
  EXPECT_EQ(countsOf(*db), before);

  // mended, the next load takes both the new PC and the history line, as if nothing had failed
  hist.pop_back();
  save.dir.write("hdd/KEIRI-PC03.csv", bytesOf(hist));
  fs::last_write_time(save.dir.path / "hdd" / "KEIRI-PC03.csv", fs::file_time_type::clock::now() + std::chrono::hours(2));
  out = LoadInventoryDatabase(save.folder(), *db);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.snapshotsAdded, 1);
  EXPECT_EQ(out.historyRowsAdded, 1);
}

TEST(InventoryDatabaseBadInput, ADatabaseLockedByAnotherWriterIsWaitedForThenRefused) {
  SaveFolder save;
  test::TempFolder dir;
  std::string why;
  auto other = openSqliteDatabase(dir / "inventory.sqlite", why, 100);
  ASSERT_TRUE(other) << why;
  ASSERT_TRUE(other->begin(why)) << why;  // another load holds the write lock
  auto db = openSqliteDatabase(dir / "inventory.sqlite", why, 100);
  ASSERT_TRUE(db) << why;
  DatabaseLoadOutcome out = LoadInventoryDatabase(save.folder(), *db);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.message.find("locked"), std::string::npos) << out.message;
  other->rollback();
  out = LoadInventoryDatabase(save.folder(), *db);
  EXPECT_TRUE(out.ok) << out.message;
}

TEST(InventoryDatabaseBadInput, ANewerSchemaIsRefusedAndANonDatabaseFileIsNotOpened) {
  SaveFolder save;
  test::TempFolder dir;
  std::string why;
  auto db = openSqlDatabase(dir / "inventory.sqlite", why);
  ASSERT_TRUE(db) << why;
  ASSERT_TRUE(LoadInventoryDatabase(save.folder(), *db).ok);
  ASSERT_TRUE(db->exec("UPDATE schema_version SET version = 2", {}, why)) << why;
  DatabaseLoadOutcome out = LoadInventoryDatabase(save.folder(), *db);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.message.find("版 2 はこのプログラムの版 1 より新しい"), std::string::npos) << out.message;

  dir.write("list.sqlite", "ComputerName,Owner\r\nPC01,経理\r\n");
  EXPECT_FALSE(openSqlDatabase(dir / "list.sqlite", why));
  EXPECT_NE(why.find("not a database"), std::string::npos) << why;
}

TEST(InventoryDatabaseBadInput, AServerThatGoesAwayMidLoadLeavesTheDatabaseAsItWas) {
  test::PostgresCluster cluster;
  ASSERT_TRUE(cluster.started()) << "the test's PostgreSQL server did not start:\n" << cluster.log();
  SaveFolder save;
  std::string why;
  {
    auto db = openSqlDatabase(cluster.url(), why);
    ASSERT_TRUE(db) << why;
    ASSERT_TRUE(LoadInventoryDatabase(save.folder(), *db).ok);
  }
  std::unique_ptr<SqlDatabase> first = openSqlDatabase(cluster.url(), why);
  ASSERT_TRUE(first) << why;
  const Counts before = countsOf(*first);
  first.reset();

  std::vector<std::string> lines = linesOf(readData(kData / "e2e" / "keiri-pc07.expected.csv"));
  lines[23] = "2006/11/27 08:30:00";
  save.dir.write("KEIRI-PC07__.csv", bytesOf(lines));
  fs::last_write_time(save.dir.path / "KEIRI-PC07__.csv", fs::file_time_type::clock::now() + std::chrono::hours(1));
  auto db = openSqlDatabase(cluster.url(), why);
  ASSERT_TRUE(db) << why;
  CrashingConnection crashing(std::move(db), cluster, 3);  // the snapshot went in; the programs do not
  const DatabaseLoadOutcome out = LoadInventoryDatabase(save.folder(), crashing);
  EXPECT_FALSE(out.ok);
  EXPECT_NE(out.message.find("元のまま"), std::string::npos) << out.message;

  ASSERT_TRUE(cluster.start()) << cluster.log();
  auto after = openSqlDatabase(cluster.url(), why);
  ASSERT_TRUE(after) << why;
  EXPECT_EQ(countsOf(*after), before);
  EXPECT_TRUE(LoadInventoryDatabase(save.folder(), *after).ok);
  EXPECT_EQ(one(*after, "SELECT COUNT(*) FROM snapshot"), "4");
}

}  // namespace
}  // namespace mrv
