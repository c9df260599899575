#pragma once
// An SQL database the inventory is loaded into: an SQLite file (the embedded default) or a
// PostgreSQL server (a "postgresql://" or "postgres://" URL). One narrow seam for both, so the
// schema, the loading and the queries above it are written once. Every text crosses it as UTF-8;
// a null value is std::nullopt. Statements use "?" for their parameters in either database (the
// PostgreSQL connection numbers them as that server wants).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mrv {

using SqlValue = std::optional<std::string>;
using SqlRow = std::vector<SqlValue>;
// A row as the database hands it over: its cells point into the database's own buffers and stay
// valid only while the row is being looked at.
using SqlCells = std::vector<std::optional<std::string_view>>;
using SqlRowReader = std::function<bool(const SqlCells&)>;

enum class SqlDialect { Sqlite, Postgres };

class SqlDatabase {
 public:
  virtual ~SqlDatabase() = default;

  virtual SqlDialect dialect() const = 0;
  // What the target names, for messages (the file path, or the URL without its password).
  virtual std::string describe() const = 0;

  // Runs statements that give no rows (several, separated by ";", when `params` is empty). False,
  // with the database's reason in `why`, when one fails.
  virtual bool exec(const std::string& sql, const std::vector<SqlValue>& params, std::string& why) = 0;
  // One statement that gives rows; its rows replace `rows`.
  bool query(const std::string& sql, const std::vector<SqlValue>& params, std::vector<SqlRow>& rows,
             std::string& why);
  // The same, handing each row to `read` as it comes instead of copying them all (a whole view
  // of ten thousand PCs need not be held twice); `read` returns false to stop early, which is not a
  // failure.
  virtual bool queryEach(const std::string& sql, const std::vector<SqlValue>& params, const SqlRowReader& read,
                         std::string& why) = 0;
  // The same statement once for each group of `columns` values of `values` (a bulk insert):
  // values.size() is a multiple of `columns`.
  virtual bool execMany(const std::string& sql, std::size_t columns, const std::vector<SqlValue>& values,
                        std::string& why) = 0;

  // One transaction: nothing of it stays unless commit() succeeds; a connection dropped in the
  // middle leaves the database as it was. begin() waits a while for another writer to finish and
  // then fails with the reason.
  virtual bool begin(std::string& why) = 0;
  virtual bool commit(std::string& why) = 0;
  virtual void rollback() = 0;
};

// Opens (creating an SQLite file when there is none) the database a target names. Null, with the
// reason in `why` (Japanese, for the administrator), when it cannot be opened or this build has no
// support for that kind of database.
std::unique_ptr<SqlDatabase> openSqlDatabase(const std::string& target, std::string& why);

// Whether a target names a PostgreSQL server rather than an SQLite file.
bool isPostgresTarget(std::string_view target);

}  // namespace mrv
