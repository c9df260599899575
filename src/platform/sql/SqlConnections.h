#pragma once
// The two connections behind platform/SqlDatabase.h, each opened on its own (the tests open them
// directly; the program goes through openSqlDatabase, which chooses by the target's form).
#include <memory>
#include <string>

#include "platform/SqlDatabase.h"

namespace mrv {

// An SQLite database file, created when missing. A lock held by another writer is waited for up to
// `busyMilliseconds` before a statement fails.
std::unique_ptr<SqlDatabase> openSqliteDatabase(const std::string& path, std::string& why, int busyMilliseconds = 5000);

// A PostgreSQL server by connection URL ("postgresql://user@/db?host=/socket/folder", ...).
std::unique_ptr<SqlDatabase> openPostgresDatabase(const std::string& url, std::string& why);

}  // namespace mrv
