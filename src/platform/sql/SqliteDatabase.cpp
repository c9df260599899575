// The inventory database in an SQLite file, through Debian's libsqlite3. The library is loaded
// when a database file is first opened, not when the program starts: only the database commands
// use it. Without the library no file can be opened, and the message says so.
#include "platform/sql/SqlConnections.h"

#ifdef MERVANA_SQLITE
#include <sqlite3.h>  // types and constants; the functions are looked up in the library

#include "platform/LibraryFunctions.h"
#endif

namespace mrv {

#ifdef MERVANA_SQLITE

namespace {

// The functions this connection calls, from libsqlite3.so.0.
struct SqliteLibrary {
  decltype(&::sqlite3_bind_null) sqlite3_bind_null = nullptr;
  decltype(&::sqlite3_bind_text) sqlite3_bind_text = nullptr;
  decltype(&::sqlite3_busy_timeout) sqlite3_busy_timeout = nullptr;
  decltype(&::sqlite3_close) sqlite3_close = nullptr;
  decltype(&::sqlite3_column_bytes) sqlite3_column_bytes = nullptr;
  decltype(&::sqlite3_column_count) sqlite3_column_count = nullptr;
  decltype(&::sqlite3_column_text) sqlite3_column_text = nullptr;
  decltype(&::sqlite3_config) sqlite3_config = nullptr;
  decltype(&::sqlite3_errmsg) sqlite3_errmsg = nullptr;
  decltype(&::sqlite3_exec) sqlite3_exec = nullptr;
  decltype(&::sqlite3_extended_result_codes) sqlite3_extended_result_codes = nullptr;
  decltype(&::sqlite3_finalize) sqlite3_finalize = nullptr;
  decltype(&::sqlite3_free) sqlite3_free = nullptr;
  decltype(&::sqlite3_open_v2) sqlite3_open_v2 = nullptr;
  decltype(&::sqlite3_prepare_v2) sqlite3_prepare_v2 = nullptr;
  decltype(&::sqlite3_reset) sqlite3_reset = nullptr;
  decltype(&::sqlite3_step) sqlite3_step = nullptr;
};

// Null when the library or one of its functions is missing. Loaded once, kept for the process.
const SqliteLibrary* loadSqlite() {
  static const SqliteLibrary* const library =
      LoadLibraryFunctions<SqliteLibrary>("libsqlite3.so.0", [](void* h, SqliteLibrary& l) {
        return LookUpFunction(h, "sqlite3_bind_null", l.sqlite3_bind_null) &&
               LookUpFunction(h, "sqlite3_bind_text", l.sqlite3_bind_text) &&
               LookUpFunction(h, "sqlite3_busy_timeout", l.sqlite3_busy_timeout) &&
               LookUpFunction(h, "sqlite3_close", l.sqlite3_close) &&
               LookUpFunction(h, "sqlite3_column_bytes", l.sqlite3_column_bytes) &&
               LookUpFunction(h, "sqlite3_column_count", l.sqlite3_column_count) &&
               LookUpFunction(h, "sqlite3_column_text", l.sqlite3_column_text) &&
               LookUpFunction(h, "sqlite3_config", l.sqlite3_config) &&
               LookUpFunction(h, "sqlite3_errmsg", l.sqlite3_errmsg) &&
               LookUpFunction(h, "sqlite3_exec", l.sqlite3_exec) &&
               LookUpFunction(h, "sqlite3_extended_result_codes", l.sqlite3_extended_result_codes) &&
               LookUpFunction(h, "sqlite3_finalize", l.sqlite3_finalize) &&
               LookUpFunction(h, "sqlite3_free", l.sqlite3_free) &&
               LookUpFunction(h, "sqlite3_open_v2", l.sqlite3_open_v2) &&
               LookUpFunction(h, "sqlite3_prepare_v2", l.sqlite3_prepare_v2) &&
               LookUpFunction(h, "sqlite3_reset", l.sqlite3_reset) && LookUpFunction(h, "sqlite3_step", l.sqlite3_step);
      });
  return library;
}

// The loaded library; only once openSqliteDatabase has found it.
const SqliteLibrary& sqlite() { return *loadSqlite(); }

class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, const std::string& sql) : db_(db) {
    ok_ = sqlite().sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt_, nullptr) == SQLITE_OK;
  }
  ~SqliteStatement() { sqlite().sqlite3_finalize(stmt_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  bool ok() const { return ok_ && stmt_; }
  sqlite3_stmt* get() { return stmt_; }

  bool bind(const SqlValue* values, std::size_t count) {
    sqlite().sqlite3_reset(stmt_);
    for (std::size_t i = 0; i < count; ++i) {
      const int at = static_cast<int>(i) + 1;
      // the values outlive the statement's step (the caller holds them), so SQLite need not copy them
      const int rc = values[i] ? sqlite().sqlite3_bind_text(stmt_, at, values[i]->data(), static_cast<int>(values[i]->size()),
                                                   SQLITE_STATIC)
                               : sqlite().sqlite3_bind_null(stmt_, at);
      if (rc != SQLITE_OK) return false;
    }
    return true;
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  bool ok_ = false;
};

class SqliteDatabase : public SqlDatabase {
 public:
  SqliteDatabase(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
  ~SqliteDatabase() override {
    if (inTransaction_) rollback();
    sqlite().sqlite3_close(db_);
  }

  SqlDialect dialect() const override { return SqlDialect::Sqlite; }
  std::string describe() const override { return path_; }

  bool exec(const std::string& sql, const std::vector<SqlValue>& params, std::string& why) override {
    if (params.empty()) {
      char* message = nullptr;
      if (sqlite().sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
      why = message ? message : sqlite().sqlite3_errmsg(db_);
      sqlite().sqlite3_free(message);
      return false;
    }
    return execMany(sql, params.size(), params, why);
  }

  bool queryEach(const std::string& sql, const std::vector<SqlValue>& params, const SqlRowReader& read,
                 std::string& why) override {
    SqliteStatement st(db_, sql);
    if (!st.ok() || !st.bind(params.data(), params.size())) return fail(why);
    SqlCells cells(static_cast<std::size_t>(sqlite().sqlite3_column_count(st.get())));
    for (;;) {
      const int rc = sqlite().sqlite3_step(st.get());
      if (rc == SQLITE_DONE) return true;
      if (rc != SQLITE_ROW) return fail(why);
      for (std::size_t c = 0; c < cells.size(); ++c) {
        const int at = static_cast<int>(c);
        const auto* text = reinterpret_cast<const char*>(sqlite().sqlite3_column_text(st.get(), at));  // null for NULL
        if (text) cells[c].emplace(text, static_cast<std::size_t>(sqlite().sqlite3_column_bytes(st.get(), at)));
        else cells[c].reset();
      }
      if (!read(cells)) return true;
    }
  }

  bool execMany(const std::string& sql, std::size_t columns, const std::vector<SqlValue>& values,
                std::string& why) override {
    SqliteStatement st(db_, sql);
    if (!st.ok()) return fail(why);
    if (columns == 0) return sqlite().sqlite3_step(st.get()) == SQLITE_DONE || fail(why);
    for (std::size_t at = 0; at + columns <= values.size(); at += columns) {
      if (!st.bind(values.data() + at, columns)) return fail(why);
      if (sqlite().sqlite3_step(st.get()) != SQLITE_DONE) return fail(why);
    }
    return true;
  }

  bool begin(std::string& why) override {
    // IMMEDIATE takes the write lock now, so a second writer waits (busy timeout) or fails here,
    // before anything was read on the strength of what it saw
    if (!exec("BEGIN IMMEDIATE", {}, why)) return false;
    inTransaction_ = true;
    return true;
  }
  bool commit(std::string& why) override {
    if (!exec("COMMIT", {}, why)) {
      rollback();
      return false;
    }
    inTransaction_ = false;
    return true;
  }
  void rollback() override {
    sqlite().sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    inTransaction_ = false;
  }

 private:
  bool fail(std::string& why) {
    why = sqlite().sqlite3_errmsg(db_);
    return false;
  }

  sqlite3* db_;
  std::string path_;
  bool inTransaction_ = false;
};

}  // namespace

std::unique_ptr<SqlDatabase> openSqliteDatabase(const std::string& path, std::string& why, int busyMilliseconds) {
  if (!loadSqlite()) {
    why = "SQLite のライブラリ (libsqlite3.so.0) を読み込めません";
    return nullptr;
  }
  // The library counts its memory (for sqlite3_memory_used) under a global mutex at every
  // allocation; nothing here asks, and a load makes millions of them. Set before the library
  // starts, that is before the first open; later it is refused and changes nothing.
  static const int memoryNotCounted = sqlite().sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  (void)memoryNotCounted;
  sqlite3* db = nullptr;
  const int rc = sqlite().sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
  if (rc != SQLITE_OK) {
    why = db ? sqlite().sqlite3_errmsg(db) : "out of memory";
    sqlite().sqlite3_close(db);
    return nullptr;
  }
  sqlite().sqlite3_busy_timeout(db, busyMilliseconds);
  sqlite().sqlite3_extended_result_codes(db, 1);
  auto database = std::make_unique<SqliteDatabase>(db, path);
  // a file that is not a database is refused now rather than at the first statement
  std::vector<SqlRow> rows;
  if (!database->query("PRAGMA schema_version", {}, rows, why)) return nullptr;
  std::string ignored;
  database->exec("PRAGMA foreign_keys = ON", {}, ignored);
  // a load is one transaction of many pages: held in memory, they go to the file once, at commit
  database->exec("PRAGMA cache_size = -131072", {}, ignored);
  return database;
}

#else

std::unique_ptr<SqlDatabase> openSqliteDatabase(const std::string&, std::string& why, int) {
  why = "このビルドは SQLite のデータベースに対応していません";
  return nullptr;
}

#endif

}  // namespace mrv
