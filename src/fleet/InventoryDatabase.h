#pragma once
// The inventory database: the records of a folder, their disk histories and the shared logs,
// loaded into an SQLite file or a PostgreSQL database (platform/SqlDatabase.h) under one schema.
//
// Each record saved is a snapshot (its file stem and its DateTime row), with every standard row as
// a column named by its catalogue key. A load is one transaction: it adds what is new since the
// last (records whose file changed, history and log lines past what is held), adds nothing twice,
// and leaves the database as it was when anything fails. The schema carries its version; a
// database of a newer version than this program knows is refused. docs/database.md describes the
// tables and views.
#include <string>

#include "platform/SqlDatabase.h"

namespace mrv {

inline constexpr int kInventorySchemaVersion = 1;

struct DatabaseLoadOutcome {
  bool ok = false;
  std::string message;  // for the administrator: what was loaded, or why nothing was
  int recordsRead = 0, recordsUnchanged = 0, snapshotsAdded = 0, historyRowsAdded = 0, logRowsAdded = 0;
};

// Loads `folder` (its *.csv records, hdd/ and VirusScan/VirusFound.txt) into `db`, creating the
// schema on first use.
DatabaseLoadOutcome LoadInventoryDatabase(const std::string& folder, SqlDatabase& db);

// Creates the schema when the database has none; false with the reason when it cannot, or when the
// database's version is not this program's.
bool PrepareInventorySchema(SqlDatabase& db, std::string& why);

// The standard rows' columns of the snapshot table, in row order (row 7, which has no key, has
// no column).
std::vector<std::string> SnapshotKeyColumns();

// The SQL expression of the age in days of a "yyyy/mm/dd hh:mm:ss" column against this machine's
// local clock (null when the column does not hold a date and time), as the views use it.
std::string AgeInDaysSql(SqlDialect dialect, const std::string& column);

}  // namespace mrv
