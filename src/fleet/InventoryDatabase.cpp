#include "fleet/InventoryDatabase.h"

#include <algorithm>
#include <map>
#include <set>

#include "base/Text.h"
#include "disk/DiskHistory.h"
#include "fleet/HistoryRows.h"
#include "fleet/RecordSnapshot.h"
#include "platform/FolderFiles.h"
#include "records/Aggregate.h"
#include "records/ItemCatalogue.h"

namespace mrv {

namespace {

constexpr std::string_view kHistoryFolder = "hdd";
constexpr std::string_view kVirusLog = "VirusScan/VirusFound.txt";

bool isRecordName(const std::string& name) {
  return name.size() > 4 && iequalsAscii(std::string_view(name).substr(name.size() - 4), ".csv") &&
         !IsReservedListName(name);
}

std::string stemOf(const std::string& name) { return name.substr(0, name.size() - 4); }

// "?, ?, ..." for n parameters.
std::string parameters(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += i ? ", ?" : "?";
  return s;
}

std::string distinctFrom(SqlDialect d) { return d == SqlDialect::Sqlite ? " IS NOT " : " IS DISTINCT FROM "; }

// Whether a column holds a "yyyy/mm/dd hh:mm:ss" date-time (a failed clock read leaves "Error!").
std::string isDateTime(SqlDialect d, const std::string& column) {
  if (d == SqlDialect::Sqlite)
    return column + " GLOB '[0-9][0-9][0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]'";
  return column + " ~ '^[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}$'";
}

// The age in days of such a column, against the database's local clock; NULL for no date-time.
std::string ageInDays(SqlDialect d, const std::string& column) {
  const std::string age =
      d == SqlDialect::Sqlite
          ? "julianday('now', 'localtime') - julianday(replace(" + column + ", '/', '-'))"
          : "EXTRACT(EPOCH FROM (LOCALTIMESTAMP - to_timestamp(" + column +
                ", 'YYYY/MM/DD HH24:MI:SS')::timestamp)) / 86400.0";
  return "CASE WHEN " + isDateTime(d, column) + " THEN " + age + " END";
}

std::vector<std::string> schemaStatements(SqlDialect d) {
  // (in SQLite an INTEGER PRIMARY KEY is the row's own number: no index beside the table)
  std::string snapshot =
      "CREATE TABLE snapshot (\n  id " + std::string(d == SqlDialect::Sqlite ? "INTEGER" : "BIGINT") +
      " PRIMARY KEY,\n  stem TEXT NOT NULL,\n  date_time TEXT NOT NULL";
  for (const std::string& key : SnapshotKeyColumns()) snapshot += ",\n  " + key + " TEXT";
  snapshot += ",\n  UNIQUE (stem, date_time)\n)";
  const std::string ref = "BIGINT NOT NULL REFERENCES snapshot(id)";
  // A table keyed by its primary key alone: in SQLite the rows are stored in the key's order, so a
  // row is one insert into one tree instead of a row tree and a key index beside it (the same
  // tables and queries; only the storage differs).
  const std::string keyed = d == SqlDialect::Sqlite ? ") WITHOUT ROWID" : ")";
  std::vector<std::string> s = {
      "CREATE TABLE schema_version (version INTEGER NOT NULL)",
      snapshot,
      "CREATE TABLE custom_row (snapshot_id " + ref + ", position INTEGER NOT NULL, label TEXT NOT NULL, "
      "value TEXT NOT NULL, PRIMARY KEY (snapshot_id, position)" + keyed,
      "CREATE TABLE program (snapshot_id " + ref + ", position INTEGER NOT NULL, name TEXT NOT NULL, "
      "PRIMARY KEY (snapshot_id, position)" + keyed,
      "CREATE TABLE patch (snapshot_id " + ref + ", position INTEGER NOT NULL, name TEXT NOT NULL, "
      "PRIMARY KEY (snapshot_id, position)" + keyed,
      // the PCs: their latest snapshot and the one before it, kept by each load
      "CREATE TABLE pc (stem TEXT PRIMARY KEY, latest_snapshot_id BIGINT NOT NULL REFERENCES snapshot(id), "
      "previous_snapshot_id BIGINT REFERENCES snapshot(id)" + keyed,
      "CREATE TABLE disk_history (pc TEXT NOT NULL, date_time TEXT NOT NULL, drive_num INTEGER NOT NULL, "
      "capacity_mb BIGINT, model TEXT NOT NULL, serial_number TEXT NOT NULL, temperature BIGINT, "
      "temperature_highest BIGINT, temperature_lowest BIGINT, reallocated_sectors BIGINT, fail_count BIGINT, "
      "warning_count BIGINT, power_cycles BIGINT, hours_running BIGINT, state TEXT NOT NULL, "
      "PRIMARY KEY (pc, date_time, drive_num)" + keyed,
      "CREATE TABLE log_line (log TEXT NOT NULL, line_number INTEGER NOT NULL, pc TEXT NOT NULL, "
      "date_time TEXT NOT NULL, text TEXT NOT NULL, PRIMARY KEY (log, line_number)" + keyed,
      // what each source file was when it was last read, so an unchanged file is not read again
      "CREATE TABLE source_file (path TEXT PRIMARY KEY, stamp TEXT NOT NULL" + keyed,
      "CREATE TABLE load_touched (stem TEXT PRIMARY KEY" + keyed,
      // the views
      "CREATE VIEW latest_snapshot AS SELECT s.* FROM pc JOIN snapshot s ON s.id = pc.latest_snapshot_id",
      "CREATE VIEW pc_record_age AS SELECT s.stem, s.ComputerName, s.date_time, " + AgeInDaysSql(d, "s.date_time") +
          " AS age_days FROM pc JOIN snapshot s ON s.id = pc.latest_snapshot_id",
      "CREATE VIEW disk_latest AS SELECT h.* FROM disk_history h JOIN (SELECT pc, MAX(date_time) AS date_time "
      "FROM disk_history GROUP BY pc) l ON h.pc = l.pc AND h.date_time = l.date_time",
      "CREATE VIEW failing_disk AS SELECT * FROM disk_latest WHERE state IN ('故障', '警戒')",
      "CREATE VIEW program_count AS SELECT p.name, COUNT(DISTINCT pc.stem) AS pcs FROM pc "
      "JOIN program p ON p.snapshot_id = pc.latest_snapshot_id GROUP BY p.name",
  };
  // what changed between each PC's two latest snapshots: rows, then programs and patches
  std::string change = "CREATE VIEW snapshot_change AS\n";
  const std::string pair = " FROM pc JOIN snapshot a ON a.id = pc.previous_snapshot_id "
                           "JOIN snapshot b ON b.id = pc.latest_snapshot_id";
  bool first = true;
  for (const std::string& key : SnapshotKeyColumns()) {
    if (!first) change += "UNION ALL\n";
    first = false;
    change += "SELECT pc.stem, 'row' AS kind, '" + key + "' AS item, a." + key + " AS before, b." + key +
              " AS after" + pair + " WHERE a." + key + distinctFrom(d) + "b." + key + "\n";
  }
  for (const char* table : {"program", "patch"}) {
    const std::string t = table;
    change += "UNION ALL\nSELECT pc.stem, '" + t + " added', n.name, NULL, n.name FROM pc JOIN " + t +
              " n ON n.snapshot_id = pc.latest_snapshot_id WHERE pc.previous_snapshot_id IS NOT NULL AND NOT EXISTS "
              "(SELECT 1 FROM " + t + " o WHERE o.snapshot_id = pc.previous_snapshot_id AND o.name = n.name)\n";
    change += "UNION ALL\nSELECT pc.stem, '" + t + " removed', o.name, o.name, NULL FROM pc JOIN " + t +
              " o ON o.snapshot_id = pc.previous_snapshot_id WHERE NOT EXISTS "
              "(SELECT 1 FROM " + t + " n WHERE n.snapshot_id = pc.latest_snapshot_id AND n.name = o.name)\n";
  }
  s.push_back(change);
  return s;
}

bool readOne(SqlDatabase& db, const std::string& sql, const std::vector<SqlValue>& params, SqlValue& value,
             std::string& why) {
  std::vector<SqlRow> rows;
  if (!db.query(sql, params, rows, why)) return false;
  value = rows.empty() || rows[0].empty() ? std::nullopt : rows[0][0];
  return true;
}

SqlValue numberText(const std::optional<long long>& n) {
  return n ? SqlValue(std::to_string(*n)) : std::nullopt;
}

class Loader {
 public:
  Loader(const std::string& folder, SqlDatabase& db, DatabaseLoadOutcome& out) : folder_(folder), db_(db), out_(out) {}

  bool run(std::string& why) {
    if (!readState(why)) return false;
    if (!loadRecords(why)) return false;
    if (!loadHistories(why)) return false;
    if (!loadLogs(why)) return false;
    return refreshPcs(why);
  }

 private:
  bool readState(std::string& why) {
    std::vector<SqlRow> rows;
    if (!db_.query("SELECT path, stamp FROM source_file", {}, rows, why)) return false;
    for (const SqlRow& r : rows) stamps_[*r[0]] = *r[1];
    SqlValue id;
    if (!readOne(db_, "SELECT MAX(id) FROM snapshot", {}, id, why)) return false;
    long long n = 0;
    if (id) {
      for (char c : *id) n = n * 10 + (c - '0');
    }
    nextId_ = n + 1;
    heldSnapshots_ = id.has_value();
    return db_.exec("DELETE FROM load_touched", {}, why);
  }

  // Whether a file changed since it was last read; its new stamp is kept for the end of the load.
  bool changed(const std::string& relative, const std::string& path) {
    std::string stamp;
    if (!fileStamp(path, stamp)) return false;
    const auto it = stamps_.find(relative);
    if (it != stamps_.end() && it->second == stamp) return false;
    newStamps_.push_back(relative);
    newStamps_.push_back(stamp);
    return true;
  }

  bool readFile(const std::string& name, const std::string& path, std::string& bytes, std::string& why) {
    const FileRefusal r = readRegularFile(path, kMaxFolderFileBytes, LinkRule::Refuse, bytes);
    if (r == FileRefusal::None) return true;
    why = name + " が読めません（" + fileRefusalText(r, kMaxFolderFileBytes) + "）";
    return false;
  }

  bool loadRecords(std::string& why) {
    std::vector<std::string> names;
    if (!listFileNames(folder_, names)) {
      why = folder_ + " が開けません";
      return false;
    }
    std::sort(names.begin(), names.end());
    std::optional<CustomLabels> labels;
    for (const std::string& name : names)
      if (iequalsAscii(name, kItemListName)) {
        std::string bytes;
        if (!readFile(name, joinPath(folder_, name), bytes, why)) return false;
        labels = CustomLabelsOfItemList(bytes);
      }

    const std::vector<std::string> keys = SnapshotKeyColumns();
    std::string columns = "id, stem, date_time";
    for (const std::string& k : keys) columns += ", " + k;
    const std::size_t width = 3 + keys.size();
    const std::string insertSnapshot = "INSERT INTO snapshot (" + columns + ") VALUES (" + parameters(width) + ")";
    std::vector<SqlValue> snapshots, custom, programs, patches;
    // the rows go to the database a few hundred records at a time (a snapshot before its rows), so
    // a folder of any size is held in memory only that far
    const auto flush = [&] {
      const bool ok =
          db_.execMany(insertSnapshot, width, snapshots, why) &&
          db_.execMany("INSERT INTO custom_row (snapshot_id, position, label, value) VALUES (?, ?, ?, ?)", 4, custom,
                       why) &&
          db_.execMany("INSERT INTO program (snapshot_id, position, name) VALUES (?, ?, ?)", 3, programs, why) &&
          db_.execMany("INSERT INTO patch (snapshot_id, position, name) VALUES (?, ?, ?)", 3, patches, why);
      snapshots.clear();
      custom.clear();
      programs.clear();
      patches.clear();
      return ok;
    };
    constexpr int kRecordsPerFlush = 500;
    int held = 0;
    std::string bytes;
    for (const std::string& name : names) {
      if (!isRecordName(name)) continue;
      const std::string path = joinPath(folder_, name);
      if (!isRegularFile(path)) continue;  // the aggregation passes over pipes and links too
      if (!changed(name, path)) {
        ++out_.recordsUnchanged;
        continue;
      }
      if (!readFile(name, path, bytes, why)) return false;
      ++out_.recordsRead;
      std::string reason;
      std::optional<RecordSnapshot> s = ReadRecordSnapshot(stemOf(name), bytes, labels, reason);
      if (!s) {
        why = name + ": " + reason;
        return false;
      }
      SqlValue known;
      // (an empty database knows no snapshot, and a stem is a file name: one of each per load)
      if (heldSnapshots_ &&
          !readOne(db_, "SELECT id FROM snapshot WHERE stem = ? AND date_time = ?", {s->stem, s->dateTime()}, known, why))
        return false;
      if (known) continue;  // loaded before under another stamp (a copy, a touched file)
      const std::string id = std::to_string(nextId_++);
      touched_.insert(s->stem);
      snapshots.push_back(id);
      snapshots.push_back(s->stem);
      snapshots.push_back(s->dateTime());
      for (std::size_t pos = 0; pos < s->standard.size(); ++pos)
        if (!kItemCatalogue[pos].key.empty()) snapshots.push_back(std::move(s->standard[pos]));
      for (std::size_t i = 0; i < s->custom.size(); ++i) {
        custom.push_back(id);
        custom.push_back(std::to_string(i + 1));
        custom.push_back(std::move(s->custom[i].label));
        custom.push_back(std::move(s->custom[i].value));
      }
      for (std::size_t i = 0; i < s->programs.size(); ++i) {
        programs.push_back(id);
        programs.push_back(std::to_string(i + 1));
        programs.push_back(std::move(s->programs[i]));
      }
      for (std::size_t i = 0; i < s->patches.size(); ++i) {
        patches.push_back(id);
        patches.push_back(std::to_string(i + 1));
        patches.push_back(std::move(s->patches[i]));
      }
      ++out_.snapshotsAdded;
      if (++held == kRecordsPerFlush) {
        held = 0;
        if (!flush()) return false;
      }
    }
    return flush();
  }

  bool loadHistories(std::string& why) {
    const std::string hdd = joinPath(folder_, std::string(kHistoryFolder));
    std::vector<std::string> names;
    if (!listFileNames(hdd, names)) return true;  // no disk history kept yet
    std::sort(names.begin(), names.end());
    std::vector<SqlRow> rows;
    if (!db_.query("SELECT pc, MAX(date_time) FROM disk_history GROUP BY pc", {}, rows, why)) return false;
    std::map<std::string, std::string> latest;
    for (const SqlRow& r : rows) latest[*r[0]] = *r[1];
    // a save that wrote the same drive twice in one second keeps its first line
    const std::string insert =
        "INSERT INTO disk_history (pc, date_time, drive_num, capacity_mb, model, serial_number, temperature, "
        "temperature_highest, temperature_lowest, reallocated_sectors, fail_count, warning_count, power_cycles, "
        "hours_running, state) VALUES (" + parameters(15) + ") ON CONFLICT DO NOTHING";
    std::vector<SqlValue> values;
    const auto flush = [&] {
      const bool ok = db_.execMany(insert, 15, values, why);
      values.clear();
      return ok;
    };
    constexpr int kFilesPerFlush = 500;
    int pending = 0;
    std::string bytes;
    for (const std::string& name : names) {
      if (!isRecordName(name)) continue;
      const std::string path = joinPath(hdd, name);
      const std::string relative = std::string(kHistoryFolder) + "/" + name;
      if (!isRegularFile(path) || !changed(relative, path)) continue;
      if (!readFile(relative, path, bytes, why)) return false;
      std::string reason;
      const auto history = ReadDriveHistoryRows(bytes, reason);
      if (!history) {
        why = relative + ": " + reason;
        return false;
      }
      const std::string pc = stemOf(name);
      const auto held = latest.find(pc);
      for (const DriveHistoryRow& r : *history) {
        if (held != latest.end() && r.dateTime <= held->second) continue;  // loaded before
        values.insert(values.end(), {pc, r.dateTime, std::to_string(r.driveNumber), numberText(r.capacityMB), r.model,
                                     r.serialNumber, numberText(r.temperature), numberText(r.highestTemperature),
                                     numberText(r.lowestTemperature), numberText(r.reallocatedSectors),
                                     numberText(r.failCount), numberText(r.warningCount), numberText(r.powerCycles),
                                     numberText(r.hoursRunning), r.state});
        ++out_.historyRowsAdded;
      }
      if (++pending == kFilesPerFlush) {
        pending = 0;
        if (!flush()) return false;
      }
    }
    return flush();
  }

  bool loadLogs(std::string& why) {
    const std::string hdd = joinPath(folder_, std::string(kHistoryFolder));
    struct Log {
      std::string name, path;
      bool virus;
    };
    const std::vector<Log> logs = {
        {std::string(kHddFailLog), joinPath(hdd, std::string(kHddFailLog)), false},
        {std::string(kFailedLog), joinPath(hdd, std::string(kFailedLog)), false},
        {std::string(kFailPlusWarningLog), joinPath(hdd, std::string(kFailPlusWarningLog)), false},
        {"VirusFound.txt", joinPath(joinPath(folder_, "VirusScan"), "VirusFound.txt"), true},
    };
    std::vector<SqlValue> values;
    std::string bytes;
    for (const Log& log : logs) {
      const std::string relative = log.virus ? std::string(kVirusLog) : std::string(kHistoryFolder) + "/" + log.name;
      if (!isRegularFile(log.path) || !changed(relative, log.path)) continue;
      if (!readFile(relative, log.path, bytes, why)) return false;
      std::string reason;
      const auto lines = ReadLogRows(bytes, log.virus, reason);
      if (!lines) {
        why = relative + ": " + reason;
        return false;
      }
      SqlValue held;
      if (!readOne(db_, "SELECT MAX(line_number) FROM log_line WHERE log = ?", {log.name}, held, why)) return false;
      const int from = held ? std::stoi(*held) : 0;
      for (const LogRow& r : *lines) {
        if (r.lineNumber <= from) continue;
        values.insert(values.end(), {log.name, std::to_string(r.lineNumber), r.pc, r.dateTime, r.text});
        ++out_.logRowsAdded;
      }
    }
    return db_.execMany("INSERT INTO log_line (log, line_number, pc, date_time, text) VALUES (?, ?, ?, ?, ?)", 5,
                        values, why);
  }

  // A PC's latest snapshot is the one saved last; a snapshot whose DateTime row holds no date
  // (a failed clock read) counts as older than any that does, and of two alike the later loaded.
  bool refreshPcs(std::string& why) {
    std::vector<SqlValue> touched(touched_.begin(), touched_.end());
    if (!db_.execMany("INSERT INTO load_touched (stem) VALUES (?)", 1, touched, why)) return false;
    const bool ok =
        db_.exec("DELETE FROM pc WHERE stem IN (SELECT stem FROM load_touched)", {}, why) &&
        db_.exec("INSERT INTO pc (stem, latest_snapshot_id, previous_snapshot_id) "
                 "SELECT stem, MAX(CASE WHEN rn = 1 THEN id END), MAX(CASE WHEN rn = 2 THEN id END) FROM "
                 "(SELECT id, stem, ROW_NUMBER() OVER (PARTITION BY stem ORDER BY "
                 "CASE WHEN " + isDateTime(db_.dialect(), "date_time") + " THEN 1 ELSE 0 END DESC, date_time DESC, id DESC) "
                 "AS rn FROM snapshot "
                 "WHERE stem IN (SELECT stem FROM load_touched)) ranked WHERE rn <= 2 GROUP BY stem",
                 {}, why) &&
        db_.exec("DELETE FROM load_touched", {}, why);
    if (!ok) return false;
    std::vector<SqlValue> stamps(newStamps_.begin(), newStamps_.end());
    return db_.execMany("INSERT INTO source_file (path, stamp) VALUES (?, ?) ON CONFLICT (path) DO UPDATE SET "
                        "stamp = excluded.stamp",
                        2, stamps, why);
  }

  const std::string& folder_;
  SqlDatabase& db_;
  DatabaseLoadOutcome& out_;
  std::map<std::string, std::string> stamps_;
  std::vector<std::string> newStamps_;
  std::set<std::string> touched_;
  long long nextId_ = 1;
  bool heldSnapshots_ = false;
};

}  // namespace

std::string AgeInDaysSql(SqlDialect d, const std::string& column) { return ageInDays(d, column); }

std::vector<std::string> SnapshotKeyColumns() {
  std::vector<std::string> keys;
  for (const CatalogueItem& item : kItemCatalogue)
    if (!item.key.empty()) keys.emplace_back(item.key);
  return keys;
}

bool PrepareInventorySchema(SqlDatabase& db, std::string& why) {
  std::vector<SqlRow> rows;
  const std::string probe = db.dialect() == SqlDialect::Sqlite
                                ? "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'"
                                : "SELECT COUNT(*) FROM information_schema.tables WHERE table_schema = current_schema() "
                                  "AND table_name = 'schema_version'";
  if (!db.query(probe, {}, rows, why)) return false;
  if (!rows.empty() && rows[0][0] && *rows[0][0] != "0") {
    if (!db.query("SELECT MAX(version) FROM schema_version", {}, rows, why)) return false;
    const std::string v = rows.empty() || !rows[0][0] ? std::string() : *rows[0][0];
    if (v == std::to_string(kInventorySchemaVersion)) return true;
    int n = 0;
    if (parseInt(v, n) && n > kInventorySchemaVersion) {
      why = "データベースの版 " + v + " はこのプログラムの版 " + std::to_string(kInventorySchemaVersion) +
            " より新しいため使えません。新しいプログラムで読み込んでください";
    } else {
      why = "データベースの版が読めません（" + v + "）";
    }
    return false;
  }
  for (const std::string& statement : schemaStatements(db.dialect()))
    if (!db.exec(statement, {}, why)) return false;
  return db.exec("INSERT INTO schema_version (version) VALUES (?)", {std::to_string(kInventorySchemaVersion)}, why);
}

DatabaseLoadOutcome LoadInventoryDatabase(const std::string& folder, SqlDatabase& db) {
  DatabaseLoadOutcome out;
  std::string why;
  if (!db.begin(why)) {
    out.message = db.describe() + " に書き込めません（" + why + "）";
    return out;
  }
  Loader loader(folder, db, out);
  const bool loaded = PrepareInventorySchema(db, why) && loader.run(why);
  if (!loaded) {
    db.rollback();
    out = DatabaseLoadOutcome{};
    out.message = "データベースに読み込めませんでした。データベースは元のままです：" + why;
    return out;
  }
  if (!db.commit(why)) {
    out = DatabaseLoadOutcome{};
    out.message = "データベースに読み込めませんでした。データベースは元のままです：" + why;
    return out;
  }
  out.ok = true;
  out.message = "データベースに読み込みました：" + db.describe() + "（記録 " + std::to_string(out.snapshotsAdded) +
                " 件、ディスク履歴 " + std::to_string(out.historyRowsAdded) + " 行、ログ " +
                std::to_string(out.logRowsAdded) + " 行を追加）";
  return out;
}

}  // namespace mrv
